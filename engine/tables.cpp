#include "tables.h"

#include <random>

namespace velkar {
namespace {

// White tables, rank 8 first, as a player looks at the board from White's side.
// clang-format off
constexpr int32_t PionBlanc[64] = {
    64, 64, 64, 64, 64, 64, 64, 64,
    32, 32, 32, 36, 36, 32, 32, 32,
    16, 16, 16, 18, 18, 16, 16, 16,
     8,  8,  8, 10, 10,  8,  8,  8,
    -1, -1,  2,  8,  8,  2, -1, -1,
    -1, -1,  0, -1, -1,  0, -1, -1,
     0,  0,  0, -2, -2,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0};

constexpr int32_t CavalierBlanc[64] = {
    -30, -15, -15, -30, -30, -15, -15, -30,
    -15, -12,  -8,  -8,  -8,  -8, -12, -15,
    -15,  -6,   2,   4,   4,   2,  -6, -15,
    -15,   0,   0,   0,   0,   0,   0, -15,
    -15,  -6,  -2,   0,   0,  -2,  -6, -15,
    -15,  -6,  -6,  -6,  -6,  -6,  -6, -15,
    -15, -12,  -8,  -8,  -8,  -8, -12, -15,
    -30, -45, -15, -30, -30, -15, -45, -30};

constexpr int32_t FouBlanc[64] = {
      4, -20, -10,  -5,  -5, -10, -20,   4,
    -20,  10,   5,   8,   8,   5,  10, -20,
    -10,   8,  12,  14,  14,  12,   8, -10,
     -5,   8,  16,  14,  14,  16,   8, -50,
     -5,   8,  16,  14,  14,  16,   8, -50,
    -10,   8,  12,  10,  10,  12,   8, -10,
    -20,  10,   5,   8,   8,   5,  10, -20,
      4, -20, -45,  -5,  -5, -45, -20,   4};

constexpr int32_t TourBlanche[64] = {
      0,  0,  0,  0,  0,  0,  0,  0,
     20, 20, 20, 20, 20, 20, 20, 20,
      0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,
    -10,  0,  0,  0,  0,  0,  0, -10,
     -5,  0, 10, 10, 10, 10,  0, -5};

constexpr int32_t DameBlanche[64] = {
    -20, -20,  0,  0,  0,  0, -20, -20,
    -20,   0,  8,  8,  8,  8,   0, -20,
      0,   8,  8, 12, 12,  8,   8,   0,
      0,   8, 12, 16, 16, 12,   8,   0,
      0,   8, 12, 16, 16, 12,   8,   0,
      0,   8,  8, 12, 12,  8,   8,   0,
    -20,   0,  8,  8,  8,  8,   0, -20,
    -20, -20,  0,  0, -20,  0, -20, -20};
// clang-format on

constexpr int32_t Case(int32_t Colonne, int32_t Rangee) { return (Rangee - 1) * 8 + Colonne; }

}  // namespace

TTablesCases::TTablesCases() : Valeurs{} {
    const int32_t* Blancs[6] = {PionBlanc, CavalierBlanc, FouBlanc, TourBlanche, DameBlanche, nullptr};
    for (int32_t t = Pion; t <= Roi; ++t) {
        for (int32_t r = 1; r <= 8; ++r) {
            for (int32_t f = 1; f <= 8; ++f) {
                // Row 0 of the listings is rank 8.
                int32_t v = Blancs[t - 1] ? Blancs[t - 1][(8 - r) * 8 + (f - 1)] : 0;
                Valeurs[t][Blanc][Case(f, r)] = v;
                Valeurs[t][Noir][Case(f, 9 - r)] = v;  // Black mirrors White
            }
        }
    }
    // Black's tables are not exact mirrors: a few squares differ on purpose.
    Valeurs[Cavalier][Noir][Case(2, 3)] = 0;
    Valeurs[Cavalier][Noir][Case(7, 3)] = 0;
    Valeurs[Cavalier][Noir][Case(2, 4)] = -6;
    Valeurs[Cavalier][Noir][Case(7, 4)] = -6;
    Valeurs[Fou][Noir][Case(1, 1)] = 0;
    Valeurs[Fou][Noir][Case(8, 1)] = 0;
    Valeurs[Fou][Noir][Case(6, 8)] = -10;
    Valeurs[Fou][Noir][Case(7, 8)] = -45;
    Valeurs[Dame][Noir][Case(4, 8)] = -20;
    Valeurs[Dame][Noir][Case(5, 8)] = 0;
}

const TTablesCases TabCasePiece;

// clang-format off
#define V8(r) r, r, r, r, r, r, r, r
const int32_t CaseVersX[65] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8,
                               1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8,
                               1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8,
                               1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};
const int32_t CaseVersY[65] = {0, V8(1), V8(2), V8(3), V8(4), V8(5), V8(6), V8(7), V8(8)};
#undef V8

#define R8(n) {'a', n, 0}, {'b', n, 0}, {'c', n, 0}, {'d', n, 0}, \
              {'e', n, 0}, {'f', n, 0}, {'g', n, 0}, {'h', n, 0}
const char CaseVersChaine[65][3] = {{'-', '-', 0}, R8('1'), R8('2'), R8('3'), R8('4'),
                                    R8('5'), R8('6'), R8('7'), R8('8')};
#undef R8
// clang-format on

TGeometrie::TGeometrie() : Rayons{}, DirectionEntre{}, Distance{} {
    for (int32_t c = 1; c <= 64; ++c) {
        const int32_t f = CaseVersX[c], r = CaseVersY[c];
        auto Ajoute = [&](int32_t d, int32_t s, int32_t t) {
            Rayons[c][d][s] = t;
            Rayons[c][d][9 + t] = 1;
        };
        for (int32_t s = 1; s <= 8; ++s) {
            if (f + s <= 8) Ajoute(1, s, c + s);
            if (f + s <= 8 && s < r) Ajoute(2, s, c - 7 * s);
            if (f + s <= 8 && r + s <= 8) Ajoute(8, s, c + 9 * s);
            if (s < f) Ajoute(5, s, c - s);
            if (s < f && s < r) Ajoute(4, s, c - 9 * s);
            if (s < f && r + s <= 8) Ajoute(6, s, c + 7 * s);
            if (s < r) Ajoute(3, s, c - 8 * s);
            if (r + s <= 8) Ajoute(7, s, c + 8 * s);
        }
        // Knight jumps, in their fixed order.
        int32_t n = 0;
        auto Saut = [&](bool Possible, int32_t Ecart) {
            if (Possible) Ajoute(9, ++n, c + Ecart);
        };
        Saut(f > 1 && r > 2, -17);
        Saut(f > 2 && r > 1, -10);
        Saut(f > 2 && r < 8, 6);
        Saut(f > 1 && r < 7, 15);
        Saut(f < 8 && r < 7, 17);
        Saut(f < 7 && r < 8, 10);
        Saut(f < 7 && r > 1, -6);
        Saut(f < 8 && r > 2, -15);
    }
    for (int32_t c = 1; c <= 64; ++c)
        for (int32_t d = 1; d <= 9; ++d) {
            int32_t n = 0;
            while (n < 8 && Rayons[c][d][n + 1] != 0) ++n;
            Rayons[c][d][0] = n;
        }
    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t d = 1; d <= 9; ++d)
            for (int32_t k = 1; k <= Rayons[a][d][0]; ++k) DirectionEntre[a][Rayons[a][d][k]] = d;
    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t b = 1; b <= 64; ++b) {
            int32_t dy = CaseVersY[a] - CaseVersY[b], dx = CaseVersX[a] - CaseVersX[b];
            if (dy < 0) dy = -dy;
            if (dx < 0) dx = -dx;
            Distance[a][b] = dy > dx ? dy : dx;
            PoidsDistance[a][b - 1] = ValeursDistance[Distance[a][b]];
        }
}

const TGeometrie Geometrie;

TClesHachage::TClesHachage() : Zobrist{}, Roque{} {
    // Two outputs make one key; the top bit is cleared so that no key is
    // negative and -1 can mark an empty entry.
    std::mt19937 Generateur(0);
    auto Tirage = [&Generateur]() -> uint64_t {
        uint64_t Bas = Generateur();
        uint64_t Haut = Generateur() & 0x7FFFFFFFu;
        return ((Haut << 32) | Bas) % 0x7FFFFFFFFFFFFFFFull;
    };
    for (int32_t p = 1; p <= RoiNoir; ++p)
        for (int32_t c = 1; c <= 64; ++c) Zobrist[p][c] = Tirage();
    CoupNul = Tirage();
    TraitBlanc = Tirage();
    TraitNoir = Tirage();
    for (int32_t k = 1; k <= 4; ++k) Roque[k] = Tirage();
}

const TClesHachage ClesHachage;

const char* PromotionVersChaine(int32_t Promotion) {
    switch (Promotion) {
        case Cavalier: return "n";
        case Fou: return "b";
        case Tour: return "r";
        case Dame: return "q";
        default: return "";
    }
}

int32_t ChaineVersCase(const char* Texte, int32_t Longueur) {
    if (Longueur != 2) return -1;
    int32_t Colonne = static_cast<unsigned char>(Texte[0]) - 96;
    int32_t Rangee = static_cast<unsigned char>(Texte[1]) - '0';
    if (Rangee >= 1 && Rangee <= 8 && Colonne >= 1 && Colonne <= 8) return Colonne + Rangee * 8 - 8;
    return -1;
}

bool LitCoup(std::string_view Texte, int32_t& Depart, int32_t& Arrivee, int32_t& Promotion) {
    if (Texte.size() != 4 && Texte.size() != 5) return false;
    Depart = ChaineVersCase(Texte.data(), 2);
    Arrivee = ChaineVersCase(Texte.data() + 2, 2);
    Promotion = SansPromotion;
    if (Texte.size() == 5) {
        const size_t k = std::string_view("nbrq").find(Texte[4]);
        if (k == std::string_view::npos) return false;
        Promotion = static_cast<int32_t>(k) + Cavalier;
    }
    return Depart != -1 && Arrivee != -1;
}

int32_t EcritCoup(char* Texte, int32_t Depart, int32_t Arrivee, int32_t Promotion) {
    Texte[0] = CaseVersChaine[Depart][0];
    Texte[1] = CaseVersChaine[Depart][1];
    Texte[2] = CaseVersChaine[Arrivee][0];
    Texte[3] = CaseVersChaine[Arrivee][1];
    const char Lettre = PromotionVersChaine(Promotion)[0];
    if (Lettre == 0) return 4;
    Texte[4] = Lettre;
    return 5;
}

std::string TexteCoup(int32_t Depart, int32_t Arrivee, int32_t Promotion) {
    char Texte[6];
    return std::string(Texte, static_cast<size_t>(EcritCoup(Texte, Depart, Arrivee, Promotion)));
}

}  // namespace velkar
