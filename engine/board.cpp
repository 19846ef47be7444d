// Creation of the engine object, its constant tables and keys, the reset to
// the starting position, and its line output.
#include <cstring>
#include <new>
#include <random>
#include <stdexcept>

#include "../platform/plateforme.h"
#include "velkar.h"

namespace velkar {

namespace {

// The starting position, by piece number: square, type.
struct PieceDepart {
    int32_t Case;
    int32_t Type;
};
constexpr PieceDepart Depart[33] = {
    {0, 0},
    {9, 1},  {10, 1}, {11, 1}, {12, 1}, {13, 1}, {14, 1}, {15, 1}, {16, 1},
    {2, 2},  {7, 2},  {3, 3},  {6, 3},  {1, 4},  {8, 4},  {4, 5},  {5, 6},
    {49, 1}, {50, 1}, {51, 1}, {52, 1}, {53, 1}, {54, 1}, {55, 1}, {56, 1},
    {58, 2}, {63, 2}, {59, 3}, {62, 3}, {57, 4}, {64, 4}, {60, 5}, {61, 6}};

}  // namespace

TVelkar::TVelkar() {
    // Everything starts at zero, as a freshly allocated object would.
    std::memset(Rayons, 0, sizeof Rayons);
    std::memset(DirectionEntre, 0, sizeof DirectionEntre);
    std::memset(Distance, 0, sizeof Distance);
    std::memset(Pieces, 0, sizeof Pieces);
    std::memset(Echiquier, 0, sizeof Echiquier);
    std::memset(Sauvegardes, 0, sizeof Sauvegardes);
    std::memset(HistoriqueCle, 0, sizeof HistoriqueCle);
    std::memset(HistoriqueClePions, 0, sizeof HistoriqueClePions);
    std::memset(Historique, 0, sizeof Historique);
    std::memset(ListeCoups, 0, sizeof ListeCoups);
    std::memset(EnEchec, 0, sizeof EnEchec);
    std::memset(TexteCoup, 0, sizeof TexteCoup);
    std::memset(Killers, 0, sizeof Killers);
    std::memset(CoupHash, 0, sizeof CoupHash);
    NbPiecesBlanches = NbPiecesNoires = 0;
    Camp = NumDemiCoup = 0;
    RoqueBlancPetit = RoqueBlancGrand = RoqueNoirPetit = RoqueNoirGrand = 0;
    Compteur50 = CaseEnPassant = 0;
    BlancARoque = NoirARoque = PaireFousBlancs = PaireFousNoirs = 0;
    Noeuds = 0;
    DemiCoupRacine = NbCoupsRacine = NumCoupRacine = Iteration = ProfondeurSel = DemiCoupMax = 0;
    RacineAmelioree = false;
    Cle = ClePions = CleCoupNul = CleTraitBlanc = CleTraitNoir = 0;
    std::memset(CleRoque, 0, sizeof CleRoque);
    Materiel = 0;
    TempsBlanc = TempsNoir = IncBlanc = IncNoir = 0;
    Infini = TempsParCoupFixe = false;
    ProfondeurLimite = 0;
    EnPonder = false;
    DebutRecherche = DebutPonder = DernierAffichage = DebutTemps = 0;
    Arret = ArretDemande = QuitDemande = false;
    TempsAlloue = 0;
    Sortie = plateforme::SortieStandard();
    Entree = 0;
    ModeConsole = false;
    EntreesUtilisees = 0;
    LimiteNoeuds = 0;
    DerniereVP.reserve(4096);
    ListeCoupsPartie.reserve(4 * 6 * DemiCoupsPartieMax);

    TailleHash = 128;
    TailleHashPions = 8;
    NbEntreesHash = static_cast<int32_t>(int64_t{TailleHash} * 1048576 / 16);
    NbEntreesHashPions = static_cast<int32_t>(int64_t{TailleHashPions} * 1048576 / 10);
    if (!TableHash.Alloue(static_cast<uint64_t>(NbEntreesHash)) ||
        !TableHashPions.Alloue(static_cast<uint64_t>(NbEntreesHashPions)))
        throw std::bad_alloc();
    ProfondeurMax = 600;
    InitialiserDonnees();
}

void TVelkar::InitialiserDonnees() {
    // Rays: for every square and direction the squares outward, then a
    // membership flag at index 9 + square.
    for (int32_t c = 1; c <= 64; ++c)
        for (int32_t d = 1; d <= 9; ++d)
            for (int32_t k = 1; k <= 73; ++k) Rayons[c][d][k] = 0;

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

    std::memset(DirectionEntre, 0, sizeof DirectionEntre);
    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t d = 1; d <= 9; ++d)
            for (int32_t k = 1; k <= Rayons[a][d][0]; ++k) DirectionEntre[a][Rayons[a][d][k]] = d;

    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t b = 1; b <= 64; ++b) {
            int32_t dy = CaseVersY[a] - CaseVersY[b], dx = CaseVersX[a] - CaseVersX[b];
            if (dy < 0) dy = -dy;
            if (dx < 0) dx = -dx;
            Distance[a][b] = dy > dx ? dy : dx;
        }

    // Hash keys from a Mersenne Twister with a fixed seed, so that every run
    // of the program uses the same keys.  Two outputs make one key; the top
    // bit is cleared so that no key is negative and -1 can mark an empty entry.
    std::mt19937 Generateur(0);
    auto Tirage = [&Generateur]() -> uint64_t {
        uint64_t Bas = Generateur();
        uint64_t Haut = Generateur() & 0x7FFFFFFFu;
        return ((Haut << 32) | Bas) % 0x7FFFFFFFFFFFFFFFull;
    };
    for (int32_t p = 1; p <= 32; ++p)
        for (int32_t c = 1; c <= 64; ++c) CleZobrist[p][c] = Tirage();
    CleCoupNul = Tirage();
    CleTraitBlanc = Tirage();
    CleTraitNoir = Tirage();
    for (int32_t k = 1; k <= 4; ++k) CleRoque[k] = Tirage();

    ViderTablesHash();
}

void TVelkar::ViderTablesHash() {
    TableHash.Vide();
    TableHashPions.Vide();
}

bool TVelkar::RedimensionneHash(int64_t NbEntrees) {
    if (NbEntrees <= 0 || !TableHash.Alloue(static_cast<uint64_t>(NbEntrees))) return false;
    NbEntreesHash = static_cast<int32_t>(NbEntrees);
    return true;
}

void TVelkar::InitialiserPartie() {
    std::memset(Echiquier, 0, sizeof Echiquier);
    Pieces[0] = TPiece{0, 0, 0};
    for (int32_t p = 1; p <= 32; ++p) {
        Pieces[p] = TPiece{Depart[p].Case, Depart[p].Type, ValeursPieces[Depart[p].Type]};
        Echiquier[Depart[p].Case] = p;
    }
    ListeCoupsPartie.clear();
    PartieDepuisDebut = true;
    NumeroCoupFen = 1;
    CampFen = 1;
    Camp = 1;
    RoqueBlancPetit = RoqueBlancGrand = RoqueNoirPetit = RoqueNoirGrand = 0;
    NumDemiCoup = 1;
    NbPiecesBlanches = NbPiecesNoires = 16;
    Compteur50 = 0;
    CaseEnPassant = -1;
    Materiel = 0;
    BlancARoque = NoirARoque = 0;
    PaireFousBlancs = PaireFousNoirs = 1;
    Noeuds = 0;

    Cle = 0;
    ClePions = 0;
    for (int32_t p = 1; p <= 32; ++p) {
        Cle ^= CleZobrist[p][Pieces[p].CasePiece];
        if (Pieces[p].TypePiece == 1) ClePions ^= CleZobrist[p][Pieces[p].CasePiece];
    }
    HistoriqueCle[1] = Cle;
    HistoriqueClePions[1] = ClePions;

    for (int32_t p = 1; p <= NbDemiCoups; ++p) {
        EnEchec[p] = false;
        Sauvegardes[p].Nombre = 0;
        TexteCoup[p][0] = 0;
        Killers[p][0] = Killers[p][1] = Killers[p][2] = Killers[p][3] = -1;
    }
    for (int32_t p = 0; p <= NbDemiCoups; ++p) CoupHash[p][0] = CoupHash[p][1] = CoupHash[p][2] = -1;
    // History is written only at cut-offs, so only the plies up to the
    // highest one written need clearing.
    std::memset(Historique, 0, sizeof Historique[0] * static_cast<size_t>(HistoriqueMaxDemiCoup + 1));
    HistoriqueMaxDemiCoup = 0;

    // Empty both tables; EntreesUtilisees deliberately keeps counting.
    ViderTablesHash();
    EnPonder = false;
}

void TVelkar::EF(std::string_view Texte) const { plateforme::EcrireLigne(Sortie, Texte); }

}  // namespace velkar
