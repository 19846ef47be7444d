// Move generation order, making and taking back moves, castling rights and
// repetitions.
#include <algorithm>
#include <memory>
#include <random>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

bool Contient(const std::vector<std::string>& l, const std::string& c) {
    return std::find(l.begin(), l.end(), c) != l.end();
}

// The keys and counters of the current position computed from scratch,
// relative to the root of the line: the root's keys with the placement
// exchanged, the lost rights and the side keys of the moves made since.
struct Racine {
    uint64_t Cle, ClePions, Placement, PlacementPions;
    int32_t Camp, NumDemiCoup, Droits[4];
    explicit Racine(const TPosition& v)
        : Cle(v.Cle),
          ClePions(v.ClePions),
          Placement(v.ClePieces(false)),
          PlacementPions(v.ClePieces(true)),
          Camp(v.Camp),
          NumDemiCoup(v.NumDemiCoup),
          Droits{v.RoqueBlancPetit, v.RoqueBlancGrand, v.RoqueNoirPetit, v.RoqueNoirGrand} {}
};

// What the light move keeps per ply for the evaluation, against a recount
// (it leaves the keys and their histories alone).
::testing::AssertionResult SuitLePlateau(const TPosition& v) {
    if (v.Occupees() != v.OccupeesDuPlateau()) return ::testing::AssertionFailure() << "occupied squares";
    if (v.OccupationsBlanches[v.NumDemiCoup] != v.BlanchesDuPlateau())
        return ::testing::AssertionFailure() << "White's occupied squares";
    if (v.EcartsCases[v.NumDemiCoup] != v.EcartCasesDuPlateau())
        return ::testing::AssertionFailure() << "piece-square balance";
    return ::testing::AssertionSuccess();
}

// After a full move the position obeys every rule of a position at rest
// (board, counts, material, rights, per-ply squares and balance, key
// histories), and its keys are the root's changed by the line.
::testing::AssertionResult Coherent(const TPosition& v, const Racine& r) {
    if (const char* Regle = v.Incoherence(true)) return ::testing::AssertionFailure() << Regle;
    const int32_t Droits[4] = {v.RoqueBlancPetit, v.RoqueBlancGrand, v.RoqueNoirPetit, v.RoqueNoirGrand};
    uint64_t Cle = r.Cle ^ r.Placement ^ v.ClePieces(false);
    for (int k = 0; k < 4; ++k)
        if (r.Droits[k] == 0 && Droits[k] == -1) Cle ^= ClesHachage.Roque[k + 1];
    const int32_t Plies = v.NumDemiCoup - r.NumDemiCoup;
    const int32_t Miens = (Plies + 1) / 2, Siens = Plies / 2;  // moves by the root's side, by the other
    const int32_t Blancs = r.Camp == Blanc ? Miens : Siens, Noirs = r.Camp == Blanc ? Siens : Miens;
    if (Blancs % 2) Cle ^= ClesHachage.TraitNoir;
    if (Noirs % 2) Cle ^= ClesHachage.TraitBlanc;
    if (Cle != v.Cle) return ::testing::AssertionFailure() << "position key";
    if ((r.ClePions ^ r.PlacementPions ^ v.ClePieces(true)) != v.ClePions)
        return ::testing::AssertionFailure() << "pawn key";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Generation, OrdreDeLaPositionDeDepart) {
    TPosition& v = Plateau();
    NouvellePartie();
    // clang-format off
    EXPECT_EQ(Coups(v), (std::vector<std::string>{
                            "a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                            "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"}));
    // clang-format on
}

TEST(Generation, PromotionsEtPousseeBloquee) {
    TPosition& v = Plateau();
    ASSERT_TRUE(Pose(v, "r1r1k3/1P6/8/8/8/4n3/4P3/4K3 w - - 0 1"));
    std::vector<std::string> l = Coups(v);
    l.resize(12);
    EXPECT_EQ(l, (std::vector<std::string>{"b7b8n", "b7b8b", "b7b8r", "b7b8q", "b7a8n", "b7a8b", "b7a8r", "b7a8q",
                                           "b7c8n", "b7c8b", "b7c8r", "b7c8q"}));
    EXPECT_FALSE(Contient(Coups(v), "e2e4"));  // no double push over a blocked square
    // Castling may cross an attacked b1, not an attacked c1.
    ASSERT_TRUE(Pose(v, "1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    EXPECT_TRUE(Contient(Coups(v), "e1c1"));
    ASSERT_TRUE(Pose(v, "2r1k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    EXPECT_FALSE(Contient(Coups(v), "e1c1"));
}

// The largest known number of legal moves fits the list.
TEST(Generation, ListeLongue) {
    TPosition& v = Plateau();
    ASSERT_TRUE(Pose(v, "R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"));
    EXPECT_EQ(Coups(v).size(), 218u);
}

// The capture list is the full list's captures and promotions (en passant
// aside), visited by piece number from the king down.
TEST(Generation, CapturesSontLesCapturesDeLaListeComplete) {
    TPosition& v = Plateau();
    int n = 0;
    NouvellePartie();
    for (const char* Fichier : {"perftsuite.epd", "perft_tricky.epd", "wac.epd"})
        for (const std::string& l : Lignes(Fichier)) {
            if (!v.PlaceFen(l.substr(0, l.find(';')))) continue;
            std::vector<std::pair<int32_t, std::string>> Attendu;
            const ListeCoupsPly t = Liste(v);
            for (int32_t i = 1; i <= t.NbCoups; ++i) {
                const sCoup& m = t.Coups[i];
                if (v.Echiquier[m.Arrivee] != 0 || m.Promotion != SansPromotion)
                    Attendu.emplace_back(-m.Piece, Texte(v, m));
            }
            std::stable_sort(Attendu.begin(), Attendu.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::vector<std::string> a;
            for (const auto& [p, c] : Attendu) a.push_back(c);
            ASSERT_EQ(Coups(v, true), a) << l;
            ++n;
        }
    EXPECT_GT(n, 500);
}

// Long random games: every move of every visited position is made and taken
// back (full, light and null moves); each must restore the whole state, and
// the keys must equal a recomputation.
TEST(Coups, FaireEtDefaireSurDesPartiesAleatoires) {
    TPosition& v = Plateau();
    std::mt19937 Alea(12345);
    for (const char* Fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
                            "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1"})
        for (int Partie = 0; Partie < 4; ++Partie) {
            ASSERT_TRUE(Pose(v, Fen));
            const Racine r(v);
            const Etat Depart = Photo(v);
            int Plies = 0;
            for (; Plies < 250; ++Plies) {
                const Etat e = Photo(v);
                const std::vector<std::string> l = Coups(v);
                if (l.empty()) break;
                const ListeCoupsPly Tous = Liste(v);
                for (int32_t i = 1; i <= Tous.NbCoups; ++i) {
                    const sCoup& m = Tous.Coups[i];
                    v.EffectuerDeplacement(v.Pieces[m.Piece].CasePiece, m.Arrivee, m.Promotion);
                    ASSERT_TRUE(Coherent(v, r)) << Fen << " after " << l[i - 1];
                    v.Restaure();
                    ASSERT_TRUE(Photo(v) == e) << Fen << " undo " << l[i - 1];
                }
                v.FaireCoupNul();
                EXPECT_EQ(v.Cle, e.Cle ^ ClesHachage.CoupNul);
                EXPECT_EQ(v.CaseEnPassant, -1);
                v.Restaure();
                ASSERT_TRUE(Photo(v) == e);
                const ListeCoupsPly Caps = Liste(v, true);
                for (int32_t i = 1; i <= Caps.NbCoups; ++i) {
                    const sCoup& m = Caps.Coups[i];
                    v.EffectuerDeplacementQ(v.Pieces[m.Piece].CasePiece, m.Arrivee, m.Promotion);
                    EXPECT_EQ(v.Cle, e.Cle);  // the light move leaves the keys alone
                    EXPECT_TRUE(SuitLePlateau(v)) << Fen << " after the capture " << i;
                    v.Restaure();
                    ASSERT_TRUE(Photo(v) == e);
                }
                Joue(v, l[Alea() % l.size()]);
            }
            for (; Plies > 0; --Plies) v.Restaure();
            ASSERT_TRUE(Photo(v) == Depart) << Fen;
        }
}

// A copy made in the middle of a line takes its own moves back, castling
// and a capture among them, and leaves the original where it was.
TEST(Coups, CopieAuMilieuDUneLigne) {
    TPosition& v = Plateau();
    ASSERT_TRUE(Pose(v, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"));
    const Etat Depart = Photo(v);
    const char* Ligne[3] = {"e1g1", "e8c8", "e5f7"};
    for (const char* c : Ligne) Joue(v, c);
    const Etat Milieu = Photo(v);
    const auto Copie = std::make_unique<TPosition>(v);
    for (int i = 0; i < 3; ++i) Copie->Restaure();
    EXPECT_TRUE(Photo(*Copie) == Depart);
    EXPECT_TRUE(Photo(v) == Milieu);
    for (int i = 0; i < 3; ++i) v.Restaure();
    EXPECT_TRUE(Photo(v) == Depart);
}

// Castling rights belong to the corner squares, whatever the number or the
// type of the piece that leaves or is taken there.
TEST(Coups, DroitsDeRoqueParCoins) {
    TPosition& v = Plateau();
    // A promoted rook captured on c8 is not the h1 rook.
    const char* Promue = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";
    ASSERT_TRUE(Pose(v, Promue));
    EXPECT_EQ(v.Perft(3), 62379u);
    Joue(v, "d7c8r");
    Joue(v, "d8c8");
    EXPECT_EQ(v.RoqueBlancPetit, 0);
    EXPECT_TRUE(Contient(Coups(v), "e1g1"));

    // Rooks numbered by the FEN: the a1 rook is the second rook here, the
    // h1 rook takes a pawn's number.
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/R7/R3K2R w K - 0 1"));
    ASSERT_EQ(v.Echiquier[Case("a1")], ToursBlanches + 1);
    Joue(v, "a1b1");
    EXPECT_EQ(v.RoqueBlancPetit, 0);
    Joue(v, "e8d8");
    EXPECT_TRUE(Contient(Coups(v), "e1g1"));
    Joue(v, "h1h2");
    EXPECT_EQ(v.RoqueBlancPetit, -1);

    // Captures on the corners clear both sides' rights there.
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"));
    const uint64_t Cle = v.Cle;
    Joue(v, "a8a1");
    EXPECT_EQ(v.RoqueBlancGrand, -1);
    EXPECT_EQ(v.RoqueNoirGrand, -1);
    EXPECT_EQ(v.RoqueBlancPetit, 0);
    EXPECT_EQ(v.RoqueNoirPetit, 0);
    const auto& Z = ClesHachage.Zobrist;
    EXPECT_EQ(v.Cle, Cle ^ Z[ToursNoires][Case("a8")] ^ Z[ToursNoires][Case("a1")] ^ Z[ToursBlanches][Case("a1")] ^
                         ClesHachage.Roque[2] ^ ClesHachage.Roque[4] ^ ClesHachage.TraitBlanc);
}

TEST(Repetitions, CavaliersEtTriangleDesRois) {
    TPosition& v = Plateau();
    NouvellePartie();
    for (const char* c : {"g1f3", "g8f6", "f3g1"}) {
        Joue(v, c);
        EXPECT_FALSE(v.Repetition());
    }
    Joue(v, "f6g8");
    EXPECT_TRUE(v.Repetition());
    Joue(v, "e2e4");  // a pawn move: nothing before it counts any more
    EXPECT_FALSE(v.Repetition());

    // Each king walks a triangle: after six plies the placement recurs but
    // an odd number of moves of each side has been made, so the key differs.
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    const uint64_t Cle = v.Cle;
    const char* Triangle[6] = {"e1d1", "e8d8", "d1d2", "d8d7", "d2e1", "d7e8"};
    for (const char* c : Triangle) Joue(v, c);
    EXPECT_EQ(v.Cle, Cle ^ ClesHachage.TraitBlanc ^ ClesHachage.TraitNoir);
    EXPECT_FALSE(v.Repetition());
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(v.Repetition()) << i;
        Joue(v, Triangle[i]);
    }
    EXPECT_EQ(v.Cle, Cle);
    EXPECT_TRUE(v.Repetition());
}
