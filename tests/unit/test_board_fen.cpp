// Board geometry, hash keys, the reset to the start and reading FEN strings.
#include <cstdlib>
#include <set>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

std::vector<int32_t> Rayon(const TVelkar& v, int32_t c, int32_t d) {
    return std::vector<int32_t>(v.Rayons[c][d] + 1, v.Rayons[c][d] + 1 + v.Rayons[c][d][0]);
}

const char* const Depart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace

TEST(Geometrie, RayonsExemples) {
    const TVelkar& v = Moteur();
    EXPECT_EQ(Rayon(v, 1, 8), (std::vector<int32_t>{10, 19, 28, 37, 46, 55, 64}));
    EXPECT_EQ(Rayon(v, 1, 9), (std::vector<int32_t>{18, 11}));
    EXPECT_EQ(Rayon(v, 28, 9), (std::vector<int32_t>{11, 18, 34, 43, 45, 38, 22, 13}));
    EXPECT_EQ(Rayon(v, 8, 1).size(), 0u);  // nothing east of h1
    EXPECT_EQ(v.Rayons[1][8][9 + 64], 1);
    EXPECT_EQ(v.Rayons[1][8][9 + 2], 0);
    EXPECT_EQ(v.DirectionEntre[1][64], 8);
    EXPECT_EQ(v.DirectionEntre[64][1], 4);
    EXPECT_EQ(v.DirectionEntre[1][18], 9);
    EXPECT_EQ(v.DirectionEntre[1][17], 7);
    EXPECT_EQ(v.DirectionEntre[1][12], 0);
    EXPECT_EQ(v.Distance[1][64], 7);
    EXPECT_EQ(v.Distance[1][10], 1);
    EXPECT_EQ(v.Distance[28][28], 0);
}

// Every pair of squares against plain file/rank arithmetic.
TEST(Geometrie, DirectionsEtDistancesDeToutesLesPaires) {
    const TVelkar& v = Moteur();
    for (int32_t a = 1; a <= 64; ++a)
        for (int32_t b = 1; b <= 64; ++b) {
            const int32_t dx = CaseVersX[b] - CaseVersX[a], dy = CaseVersY[b] - CaseVersY[a];
            const int32_t ax = std::abs(dx), ay = std::abs(dy);
            int32_t d = 0;
            if (ax * ay == 2) d = 9;
            else if (a != b && (dx == 0 || dy == 0 || ax == ay)) {
                const int32_t sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
                // east, south-east, south, south-west, west, north-west, north, north-east
                const int32_t Table[3][3] = {{4, 5, 6}, {3, 0, 7}, {2, 1, 8}};
                d = Table[sx + 1][sy + 1];
            }
            ASSERT_EQ(v.DirectionEntre[a][b], d) << a << "->" << b;
            ASSERT_EQ(v.Distance[a][b], std::max(ax, ay));
            if (d >= 1 && d <= 8) {
                ASSERT_EQ(v.Rayons[a][d][v.Distance[a][b]], b);
            }
        }
}

TEST(Cles, DeterministesPositivesEtDistinctes) {
    const TVelkar& a = Moteur();
    auto b = std::make_unique<TVelkar>();
    std::set<uint64_t> Vues;
    for (int32_t p = 1; p <= 32; ++p)
        for (int32_t c = 1; c <= 64; ++c) {
            ASSERT_EQ(a.CleZobrist[p][c], b->CleZobrist[p][c]);
            ASSERT_LT(a.CleZobrist[p][c], uint64_t{1} << 63);
            Vues.insert(a.CleZobrist[p][c]);
        }
    std::vector<uint64_t> Autres = {a.CleCoupNul, a.CleTraitBlanc, a.CleTraitNoir};
    for (int k = 1; k <= 4; ++k) Autres.push_back(a.CleRoque[k]);
    EXPECT_EQ(b->CleCoupNul, a.CleCoupNul);
    EXPECT_EQ(b->CleRoque[4], a.CleRoque[4]);
    for (uint64_t k : Autres) {
        EXPECT_LT(k, uint64_t{1} << 63);
        Vues.insert(k);
    }
    EXPECT_EQ(Vues.size(), 32u * 64 + 7);
}

TEST(Reset, PositionDeDepart) {
    TVelkar& v = Moteur();
    v.InitialiserPartie();
    EXPECT_EQ(v.Echiquier[5], 16);
    EXPECT_EQ(v.Echiquier[61], 32);
    EXPECT_EQ(v.Echiquier[20], 0);
    EXPECT_EQ(v.Echiquier[2], 9);
    EXPECT_EQ(v.Echiquier[64], 30);
    EXPECT_EQ(v.Camp, 1);
    EXPECT_EQ(v.NumDemiCoup, 1);
    EXPECT_EQ(v.CaseEnPassant, -1);
    EXPECT_EQ(v.Materiel, 0);
    uint64_t Cle = 0, ClePions = 0;
    for (int32_t p = 1; p <= 32; ++p) {
        Cle ^= v.CleZobrist[p][v.Pieces[p].CasePiece];
        if ((p - 1) % 16 < 8) ClePions ^= v.CleZobrist[p][v.Pieces[p].CasePiece];
    }
    EXPECT_EQ(v.Cle, Cle);
    EXPECT_EQ(v.ClePions, ClePions);
    EXPECT_EQ(v.HistoriqueCle[1], Cle);
    EXPECT_EQ(v.HistoriqueClePions[1], ClePions);

    // A second reset after some play gives the same state, with empty tables.
    const Etat e = Photo(v);
    Joue(v, "e2e4");
    v.HashEnregistre(3, 10, 0, 5, 28, -1);
    v.HashEnregistrePions(77);
    v.InitialiserPartie();
    EXPECT_TRUE(Photo(v) == e);
    int8_t Drapeau = 1;
    EXPECT_EQ(v.HashRecherche(0, -100, 100, &Drapeau), HashVide);
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
}

TEST(Fen, PositionsAcceptees) {
    TVelkar& v = Moteur();
    v.InitialiserPartie();
    const Etat e = Photo(v);
    ASSERT_TRUE(Pose(v, Depart));
    EXPECT_TRUE(Photo(v) == e);
    ASSERT_TRUE(Pose(v, "court"));  // too short: the start position
    EXPECT_TRUE(Photo(v) == e);

    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(v.Echiquier[5], 16);
    EXPECT_EQ(v.Echiquier[61], 32);
    EXPECT_EQ(v.Camp, 1);
    EXPECT_EQ(v.RoqueBlancPetit + v.RoqueBlancGrand + v.RoqueNoirPetit + v.RoqueNoirGrand, -4);
    EXPECT_EQ(v.Materiel, 0);
    EXPECT_EQ(v.NbPiecesBlanches, 1);
    EXPECT_EQ(v.NbPiecesNoires, 1);
    EXPECT_EQ(v.Pieces[1].CasePiece, -1);
    EXPECT_EQ(v.Pieces[1].TypePiece, -1);

    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
    EXPECT_EQ(v.Camp, 2);
    EXPECT_EQ(v.CaseEnPassant, 21);
    EXPECT_EQ(v.RoqueBlancPetit + v.RoqueBlancGrand + v.RoqueNoirPetit + v.RoqueNoirGrand, 0);

    // Nothing after the castling field: accepted, no en-passant square.
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq"));
    EXPECT_EQ(v.CaseEnPassant, -1);
    EXPECT_EQ(v.RoqueNoirGrand, 0);
}

TEST(Fen, NumerotationDesPieces) {
    TVelkar& v = Moteur();
    // Three White queens: the first takes 15, the others share the pawn
    // numbers in order of appearance from a8 to h1.
    ASSERT_TRUE(Pose(v, "Q7/P7/7k/8/8/8/1Q5P/Q3K3 w - - 0 1"));
    EXPECT_EQ(v.Echiquier[Case("a8")], 15);
    EXPECT_EQ(v.Echiquier[Case("a7")], 1);
    EXPECT_EQ(v.Echiquier[Case("b2")], 2);
    EXPECT_EQ(v.Echiquier[Case("h2")], 3);
    EXPECT_EQ(v.Echiquier[Case("a1")], 4);
    EXPECT_EQ(v.Pieces[4].TypePiece, 5);
    EXPECT_EQ(v.Pieces[4].ValeurPiece, 975);
    EXPECT_EQ(v.Materiel, 3 * 975 + 200);
    EXPECT_EQ(v.NbPiecesBlanches, 6);
    // Black: rooks 29 and 30 in order, a third rook in the pawn range.
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/r3K3 w - - 0 1"));
    EXPECT_EQ(v.Echiquier[57], 29);
    EXPECT_EQ(v.Echiquier[64], 30);
    EXPECT_EQ(v.Echiquier[1], 17);
}

TEST(Fen, RefusRemetLaPositionDeDepart) {
    TVelkar& v = Moteur();
    v.InitialiserPartie();
    const Etat e = Photo(v);
    for (const char* f : {
             "8/8/8/8/8/8/8/8 w - - 0 1",                              // no kings
             "4k3/8/8/8/8/8/8/4K3 w -",                                // too short after the board
             "4k3/8/8/8/8/8/8/4K3 x - - 0 1",                          // bad side letter
             "4k3/8/8/8/8/8/8/4KK2 w - - 0 1",                         // two White kings
             "4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1",                  // nine Black pawns
             "4k3/8/8/8/8/8/8/8/4K3 w - - 0 1",                        // nine ranks
             "4k3/8/8/8/8/8/8/4K2P w - - 0 1",                         // pawn on rank 1
             "3Pk3/8/8/8/8/8/8/4K3 b - - 0 1",                         // pawn on rank 8
             "4k3/8/8/8/8/8/8/4K2r b - - 0 1",                         // White, not to move, in check
             "4k3/8/8/8/8/8/8/4K3",                                    // board field runs out
         }) {
        v.PlaceFen("8/8/8/3k4/8/8/3K4/8 w - - 0 1");  // something else on the board first
        EXPECT_FALSE(Pose(v, f)) << f;
        EXPECT_TRUE(Photo(v) == e) << f;
    }
}

TEST(Fen, ReparationsEnPassantEtRoques) {
    TVelkar& v = Moteur();
    // e6 is possible after ...e7e5; e3 with Black to move needs a White pawn on e4.
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2"));
    EXPECT_EQ(v.CaseEnPassant, Case("e6"));
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq d6 0 2"));
    EXPECT_EQ(v.CaseEnPassant, -1);
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e3 0 1"));
    EXPECT_EQ(v.CaseEnPassant, -1);  // wrong side to move for e3
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppp1pp1/4p3/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2"));
    EXPECT_EQ(v.CaseEnPassant, -1);  // e6 occupied

    // Rights survive only with the king at home and its own rook in the corner.
    ASSERT_TRUE(Pose(v, "r3k3/8/8/8/8/8/8/4K2R w KQkq - 0 1"));
    EXPECT_EQ(v.RoqueBlancPetit, 0);
    EXPECT_EQ(v.RoqueBlancGrand, -1);
    EXPECT_EQ(v.RoqueNoirPetit, -1);
    EXPECT_EQ(v.RoqueNoirGrand, 0);
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R2K3R w KQkq - 0 1"));
    EXPECT_EQ(v.RoqueBlancPetit, -1);
    EXPECT_EQ(v.RoqueBlancGrand, -1);
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/8/n3K2B w KQ - 0 1"));
    EXPECT_EQ(v.RoqueBlancPetit, -1);  // a bishop on h1
    EXPECT_EQ(v.RoqueBlancGrand, -1);  // a Black piece on a1
    // Without the rook no castling move may appear.
    for (const std::string& c : Coups(v)) EXPECT_NE(c, "e1g1");
}

TEST(Fen, RelectureDesPositionsDesFichiers) {
    TVelkar& v = Moteur();
    int n = 0;
    for (const std::string& l : Lignes("openings_8moves_v3_sample250.epd")) {
        const std::string Fen = FenEpd(l);
        ASSERT_TRUE(Pose(v, Fen)) << Fen;
        const std::string Relu = v.ChaineFen();
        EXPECT_EQ(Relu.substr(0, Relu.rfind(' ', Relu.rfind(' ') - 1)), Fen) << Fen;
        ++n;
    }
    EXPECT_GT(n, 200);
}

TEST(Notation, CasesEtPromotions) {
    EXPECT_EQ(ChaineVersCase("a1", 2), 1);
    EXPECT_EQ(ChaineVersCase("h8", 2), 64);
    EXPECT_EQ(ChaineVersCase("e3", 2), 21);
    EXPECT_EQ(ChaineVersCase("a9", 2), -1);
    EXPECT_EQ(ChaineVersCase("i1", 2), -1);
    EXPECT_EQ(ChaineVersCase("e", 1), -1);
    EXPECT_EQ(ChaineVersCase("e2e", 3), -1);
    for (int32_t c = 1; c <= 64; ++c) EXPECT_EQ(ChaineVersCase(CaseVersChaine[c], 2), c);
    EXPECT_STREQ(PromotionVersChaine(2), "n");
    EXPECT_STREQ(PromotionVersChaine(3), "b");
    EXPECT_STREQ(PromotionVersChaine(4), "r");
    EXPECT_STREQ(PromotionVersChaine(5), "q");
    EXPECT_STREQ(PromotionVersChaine(-1), "");
    EXPECT_STREQ(PromotionVersChaine(6), "");
}
