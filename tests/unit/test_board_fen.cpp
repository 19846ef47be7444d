// Board geometry, hash keys, the reset to the start and reading FEN strings.
#include <cstdlib>
#include <set>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

// Knight jumps are listed in a fixed order that the generator inherits; the
// line tables are checked on every pair of squares against file/rank arithmetic.
TEST(Geometrie, RayonsDirectionsEtDistances) {
    const TPosition& v = Plateau();
    auto Rayon = [&v](int32_t c, int32_t d) {
        return std::vector<int32_t>(Geometrie.Rayons[c][d] + 1, Geometrie.Rayons[c][d] + 1 + Geometrie.Rayons[c][d][0]);
    };
    EXPECT_EQ(Rayon(1, 8), (std::vector<int32_t>{10, 19, 28, 37, 46, 55, 64}));
    EXPECT_EQ(Rayon(1, 9), (std::vector<int32_t>{18, 11}));
    EXPECT_EQ(Rayon(28, 9), (std::vector<int32_t>{11, 18, 34, 43, 45, 38, 22, 13}));
    EXPECT_EQ(Geometrie.Rayons[1][8][9 + 64], 1);
    EXPECT_EQ(Geometrie.Rayons[1][8][9 + 2], 0);
    // east, south-east, south, south-west, west, north-west, north, north-east
    const int32_t Sens[3][3] = {{4, 5, 6}, {3, 0, 7}, {2, 1, 8}};
    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t b = 1; b <= 64; ++b) {
            const int32_t dx = CaseVersX[b] - CaseVersX[a], dy = CaseVersY[b] - CaseVersY[a];
            int32_t d = 0;
            if (std::abs(dx * dy) == 2) d = 9;
            else if (a != b && (dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy)))
                d = Sens[(dx > 0) - (dx < 0) + 1][(dy > 0) - (dy < 0) + 1];
            ASSERT_EQ(Geometrie.DirectionEntre[a][b], d) << a << "->" << b;
            ASSERT_EQ(Geometrie.Distance[a][b], std::max(std::abs(dx), std::abs(dy)));
            if (d >= 1 && d <= 8) {
                ASSERT_EQ(Geometrie.Rayons[a][d][Geometrie.Distance[a][b]], b);
            }
        }
}

TEST(Cles, PositivesEtDistinctes) {
    const TClesHachage& a = ClesHachage;
    std::set<uint64_t> Vues = {a.CoupNul, a.TraitBlanc, a.TraitNoir, a.Roque[1], a.Roque[2], a.Roque[3], a.Roque[4]};
    for (int32_t p = 1; p <= 32; ++p)
        for (int32_t c = 1; c <= 64; ++c) Vues.insert(a.Zobrist[p][c]);
    EXPECT_EQ(Vues.size(), 32u * 64 + 7);
    EXPECT_LT(*Vues.rbegin(), uint64_t{1} << 63);  // -1 can never match a key
}

TEST(Reset, PositionDeDepart) {
    TPosition& v = Plateau();
    NouvellePartie();
    EXPECT_EQ(v.Echiquier[Case("e1")], RoiBlanc);
    EXPECT_EQ(v.Echiquier[Case("e8")], RoiNoir);
    EXPECT_EQ(v.Echiquier[Case("d3")], 0);
    EXPECT_EQ(v.Camp, Blanc);
    EXPECT_EQ(v.NumDemiCoup, 1);
    EXPECT_EQ(v.CaseEnPassant, -1);
    uint64_t Cle = 0, ClePions = 0;
    for (int32_t p = 1; p <= 32; ++p) {
        Cle ^= ClesHachage.Zobrist[p][v.Pieces[p].CasePiece];
        if ((p - 1) % 16 < 8) ClePions ^= ClesHachage.Zobrist[p][v.Pieces[p].CasePiece];
    }
    EXPECT_EQ(v.Cle, Cle);
    EXPECT_EQ(v.CleDuPly(1), Cle);
    EXPECT_EQ(v.ClePionsDuPly(1), ClePions);

    // A second reset after some play gives the same state, with empty tables.
    const Etat e = Photo(v);
    Joue(v, "e2e4");
    Moteur().Tables.Transposition.HashEnregistre(v.Cle, 3, 10, BorneExacte, {5, 28, -1});
    Pions().HashEnregistrePions(v.ClePions, 77);
    NouvellePartie();
    EXPECT_TRUE(Photo(v) == e);
    EXPECT_FALSE(Moteur().Tables.Transposition.HashRecherche(v.Cle, 0, -100, 100).Coupure);
    EXPECT_EQ(Pions().HashRecherchePions(v.ClePions), HashVide);
}

TEST(Fen, PositionsAccepteesEtNumerotation) {
    TPosition& v = Plateau();
    NouvellePartie();
    const Etat e = Photo(v);
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    EXPECT_TRUE(Photo(v) == e);
    ASSERT_TRUE(Pose(v, "court"));  // too short: the start position
    EXPECT_TRUE(Photo(v) == e);

    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
    EXPECT_EQ(v.Camp, Noir);
    EXPECT_EQ(v.CaseEnPassant, Case("e3"));
    EXPECT_EQ(v.RoqueBlancPetit + v.RoqueBlancGrand + v.RoqueNoirPetit + v.RoqueNoirGrand, 0);
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq"));  // nothing after the castling field
    EXPECT_EQ(v.CaseEnPassant, -1);
    EXPECT_EQ(v.RoqueNoirGrand, 0);

    // Three White queens: the first takes the queen's number, the others
    // share the pawn numbers in order of appearance from a8 to h1; unused
    // numbers stay -1.
    ASSERT_TRUE(Pose(v, "Q7/P7/7k/8/8/8/1Q5P/Q3K3 w - - 0 1"));
    EXPECT_EQ(v.Echiquier[Case("a8")], DameBlanche);
    EXPECT_EQ(v.Echiquier[Case("a7")], 1);
    EXPECT_EQ(v.Echiquier[Case("b2")], 2);
    EXPECT_EQ(v.Echiquier[Case("h2")], 3);
    EXPECT_EQ(v.Echiquier[Case("a1")], 4);
    EXPECT_EQ(v.Pieces[4].ValeurPiece, 975);
    EXPECT_EQ(v.Pieces[CavaliersBlancs].TypePiece, -1);
    EXPECT_EQ(v.Materiel, 3 * 975 + 200);
    EXPECT_EQ(v.NbPiecesBlanches * 10 + v.NbPiecesNoires, 61);
}

TEST(Fen, RefusRemetLaPositionDeDepart) {
    TPosition& v = Plateau();
    NouvellePartie();
    const Etat e = Photo(v);
    for (const char* f : {
             "8/8/8/8/8/8/8/8 w - - 0 1",              // no kings
             "4k3/8/8/8/8/8/8/4K3 w -",                // too short after the board
             "4k3/8/8/8/8/8/8/4K3 x - - 0 1",          // bad side letter
             "4k3/8/8/8/8/8/8/4KK2 w - - 0 1",         // two White kings
             "4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1",  // nine Black pawns
             "4k3/8/8/8/8/8/8/8/4K3 w - - 0 1",        // nine ranks
             "4k3/8/8/8/8/8/8/4K2P w - - 0 1",         // pawn on rank 1
             "3Pk3/8/8/8/8/8/8/4K3 b - - 0 1",         // pawn on rank 8
             "4k3/8/8/8/8/8/8/4K2r b - - 0 1",         // White, not to move, in check
             "4k3/8/8/8/8/8/8/4K3",                    // board field runs out
         }) {
        v.PlaceFen("8/8/8/3k4/8/8/3K4/8 w - - 0 1");  // something else on the board first
        EXPECT_FALSE(Pose(v, f)) << f;
        EXPECT_TRUE(Photo(v) == e) << f;
    }
}

// En-passant squares and castling rights are kept only where the placement
// allows them.
TEST(Fen, ReparationsEnPassantEtRoques) {
    TPosition& v = Plateau();
    const std::vector<std::pair<const char*, int32_t>> EnPassant = {
        {"rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2", Case("e6")},
        {"rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq d6 0 2", -1},     // no pawn on d5
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e3 0 1", -1},     // wrong side to move
        {"rnbqkbnr/pppp1pp1/4p3/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2", -1}};  // e6 occupied
    for (const auto& [f, c] : EnPassant) {
        ASSERT_TRUE(Pose(v, f));
        EXPECT_EQ(v.CaseEnPassant, c) << f;
    }
    ASSERT_TRUE(Pose(v, "r3k3/8/8/8/8/8/8/4K2R w KQkq - 0 1"));
    EXPECT_NE(v.ChaineFen().find(" w Kq - "), std::string::npos) << v.ChaineFen();
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R2K3R w KQkq - 0 1"));
    EXPECT_NE(v.ChaineFen().find(" w kq - "), std::string::npos) << v.ChaineFen();
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/8/n3K2B w KQ - 0 1"));  // a bishop on h1, a Black piece on a1
    EXPECT_EQ(v.RoqueBlancPetit + v.RoqueBlancGrand, -2);
    for (const std::string& c : Coups(v)) EXPECT_NE(c, "e1g1");
}

// Every position written back as it was read.
TEST(Fen, RelectureDesPositionsDesFichiers) {
    TPosition& v = Plateau();
    NouvellePartie();
    int n = 0;
    for (const std::string& l : Lignes("openings_8moves_v3_sample250.epd")) {
        const std::string Fen = FenEpd(l);
        ASSERT_TRUE(v.PlaceFen(Fen)) << Fen;
        const std::string Relu = v.ChaineFen();
        EXPECT_EQ(Relu.substr(0, Relu.rfind(' ', Relu.rfind(' ') - 1)), Fen) << Fen;
        ++n;
    }
    EXPECT_GT(n, 200);
}

TEST(Notation, CasesEtPromotions) {
    EXPECT_EQ(ChaineVersCase("e3", 2), 21);
    for (const char* t : {"a9", "i1", "a0", "`1"}) EXPECT_EQ(ChaineVersCase(t, 2), -1) << t;
    EXPECT_EQ(ChaineVersCase("e", 1), -1);
    EXPECT_EQ(ChaineVersCase("e2e", 3), -1);
    for (int32_t c = 1; c <= 64; ++c) EXPECT_EQ(ChaineVersCase(CaseVersChaine[c], 2), c);
    const char* Lettres[] = {"", "", "", "n", "b", "r", "q", ""};  // types -1 to 6
    for (int32_t p = -1; p <= 6; ++p) EXPECT_STREQ(PromotionVersChaine(p), Lettres[p + 1]);
}
