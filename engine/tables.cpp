#include "tables.h"

namespace velkar {
namespace {

// White tables, rank 8 first, as a player looks at the board from White's side.
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

constexpr int32_t Case(int32_t Colonne, int32_t Rangee) { return (Rangee - 1) * 8 + Colonne; }

struct Initialisation {
    Initialisation() {
        const int32_t* Blancs[6] = {PionBlanc, CavalierBlanc, FouBlanc, TourBlanche, DameBlanche,
                                    nullptr};
        for (int32_t t = 1; t <= 6; ++t) {
            for (int32_t r = 1; r <= 8; ++r) {
                for (int32_t f = 1; f <= 8; ++f) {
                    // Row 0 of the listings is rank 8.
                    int32_t v = Blancs[t - 1] ? Blancs[t - 1][(8 - r) * 8 + (f - 1)] : 0;
                    TabCasePiece[t][1][Case(f, r)] = v;
                    TabCasePiece[t][2][Case(f, 9 - r)] = v;  // Black mirrors White
                }
            }
        }
        // Black's tables are not exact mirrors: a few squares differ on purpose.
        TabCasePiece[2][2][Case(2, 3)] = 0;
        TabCasePiece[2][2][Case(7, 3)] = 0;
        TabCasePiece[2][2][Case(2, 4)] = -6;
        TabCasePiece[2][2][Case(7, 4)] = -6;
        TabCasePiece[3][2][Case(1, 1)] = 0;
        TabCasePiece[3][2][Case(8, 1)] = 0;
        TabCasePiece[3][2][Case(6, 8)] = -10;
        TabCasePiece[3][2][Case(7, 8)] = -45;
        TabCasePiece[5][2][Case(4, 8)] = -20;
        TabCasePiece[5][2][Case(5, 8)] = 0;
    }
};

}  // namespace

int32_t TabCasePiece[7][3][65];
static const Initialisation InitialisationTables;

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

const char* PromotionVersChaine(int32_t Promotion) {
    switch (Promotion) {
        case 2: return "n";
        case 3: return "b";
        case 4: return "r";
        case 5: return "q";
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

}  // namespace velkar
