// Fischer random chess: castling with rooks and king on any files, written
// as the king taking its own rook, the castling field of the FEN by rook
// files, and the rights tied to the rooks' squares.
#include <algorithm>
#include <sstream>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

// The tests share the engine's board: each one switches Chess960 on and
// leaves it off, on a fresh game, for the tests that follow.
class Echecs960 : public ::testing::Test {
protected:
    TPosition& v = Plateau();
    void SetUp() override { v.ChoisitChess960(true); }
    void TearDown() override {
        v.ChoisitChess960(false);
        NouvellePartie();
    }
    bool Propose(const char* Coup) { return std::ranges::count(Coups(v), Coup) == 1; }
};

// Published leaf counts to depth 4 (depth 5 takes half a minute).  They
// cover the rights a rook move or a capture ends and castling refused
// through attacked or taken squares.  The castling field and the
// en-passant square read back as written.
TEST_F(Echecs960, PerftPublie) {
    int Positions = 0;
    for (const std::string& l : Lignes("perft960.epd")) {
        const std::string Fen = l.substr(0, l.find(';') - 1);
        ASSERT_TRUE(Pose(v, Fen)) << Fen;
        ASSERT_EQ(v.Incoherence(true), nullptr) << Fen;
        EXPECT_EQ(FenEpd(v.ChaineFen()), FenEpd(Fen));
        const Etat e = Photo(v);
        std::istringstream Suite(l.substr(l.find(';')));
        std::string Champ;
        uint64_t Attendu;
        for (int32_t d = 1; d <= 4 && Suite >> Champ >> Attendu; ++d)
            EXPECT_EQ(v.Perft(d), Attendu) << Fen << " depth " << d;
        ASSERT_TRUE(Photo(v) == e) << Fen;
        ++Positions;
    }
    EXPECT_EQ(Positions, 100);
}

// Every start position reads back unchanged with its four rights; the
// standard one (line 519) counts as in standard chess.
TEST_F(Echecs960, PositionsDeDepart) {
    const std::vector<std::string> Departs = Lignes("openings_chess960_startpos.epd");
    ASSERT_EQ(Departs.size(), 960u);
    for (const std::string& Fen : Departs) {
        ASSERT_TRUE(Pose(v, Fen)) << Fen;
        EXPECT_EQ(v.ChaineFen(), Fen);
        EXPECT_EQ(v.RoqueBlancPetit + v.RoqueBlancGrand + v.RoqueNoirPetit + v.RoqueNoirGrand, 0) << Fen;
    }
    ASSERT_TRUE(Pose(v, Departs[518]));
    const uint64_t Standard[5] = {0, 20, 400, 8902, 197281};
    for (int32_t d = 1; d <= 4; ++d) EXPECT_EQ(v.Perft(d), Standard[d]) << "depth " << d;
}

// Castling where the king and the rook stay put, swap or land on each
// other's squares: the move is known as castling, the pieces end on g/c and
// f/d, and the take-back gives back exactly the position before.
TEST_F(Echecs960, RoquesQuiSeChevauchent) {
    struct Cas {
        const char *Fen, *Roque, *Roi, *Tour;
    };
    const Cas Liste960[] = {
        {"4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "f1g1", "g1", "f1"}, {"1k6/8/8/8/8/8/8/RK6 w A - 0 1", "b1a1", "c1", "d1"},
        {"4k3/8/8/8/8/8/8/2RK4 w C - 0 1", "d1c1", "c1", "d1"}, {"4k3/8/8/8/8/8/8/R5KR w HA - 0 1", "g1h1", "g1", "f1"},
        {"4k3/8/8/8/8/8/8/4KR2 w F - 0 1", "e1f1", "g1", "f1"}, {"2rk4/8/8/8/8/8/8/4K3 b c - 0 1", "d8c8", "c8", "d8"}};
    for (const Cas& c : Liste960) {
        ASSERT_TRUE(Pose(v, c.Fen)) << c.Fen;
        ASSERT_TRUE(Propose(c.Roque)) << c.Fen;
        const int32_t PieceRoi = NumeroRoi(v.Camp), PieceTour = v.Echiquier[Case(c.Roque + 2)];
        EXPECT_TRUE(v.EstRoque(PieceRoi, Case(c.Roque + 2))) << c.Fen;
        const Etat e = Photo(v);
        Joue(v, c.Roque);
        EXPECT_EQ(v.Echiquier[Case(c.Roi)], PieceRoi) << c.Fen;
        EXPECT_EQ(v.Echiquier[Case(c.Tour)], PieceTour) << c.Fen;
        EXPECT_EQ(v.Compteur50, 1) << "castling is no capture: " << c.Fen;
        EXPECT_EQ(v.Camp == Noir ? v.BlancARoque : v.NoirARoque, 1) << c.Fen;
        v.Restaure();
        EXPECT_TRUE(Photo(v) == e) << c.Fen;
    }
}

// K and Q name the outermost rook on their side, a letter any rook; rights
// without their king on the first rank or their rook are dropped, and the
// first letter for a right wins.  Outside Chess960 file letters mean
// nothing, as before.
TEST_F(Echecs960, ChampRoques) {
    const std::pair<const char*, const char*> Champs[] = {
        {"4k3/8/8/8/8/8/8/RR2K1RR w KQ - 0 1", "HA"}, {"4k3/8/8/8/8/8/8/RR2K1RR w GB - 0 1", "GB"},
        {"4k3/8/8/8/8/8/8/RR2K1RR w C - 0 1", "-"},   {"4k3/8/8/8/8/8/4K3/R6R w HA - 0 1", "-"},
        {"r3k2r/8/8/8/8/8/8/4K3 w KQkq - 0 1", "ha"}, {"4k3/8/8/8/8/8/8/4K2r w H - 0 1", "-"},
        {"4k3/8/8/8/8/8/8/KR5R w QHB - 0 1", "H"}};
    for (const auto& [Fen, Roques] : Champs) {
        ASSERT_TRUE(Pose(v, Fen)) << Fen;
        const std::string Ecrit = v.ChaineFen();
        EXPECT_EQ(Ecrit.substr(Ecrit.find(" w ") + 3, Ecrit.find(" - 0") - Ecrit.find(" w ") - 3), Roques) << Fen;
        EXPECT_EQ(v.Incoherence(true), nullptr) << Fen;
    }
    // A FEN that cannot be read is refused as in standard chess, the mode kept.
    EXPECT_FALSE(Pose(v, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w HAha - 0 1"));
    EXPECT_TRUE(v.Chess960());
    EXPECT_EQ(v.ChaineFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1");

    // In standard chess the rook files name the corner rooks.
    v.ChoisitChess960(false);
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1"));
    EXPECT_EQ(v.ChaineFen(), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ASSERT_TRUE(Pose(v, "r3k2r/8/8/8/8/8/8/R3K2R w Hb - 0 1"));
    EXPECT_EQ(v.ChaineFen(), "r3k2r/8/8/8/8/8/8/R3K2R w K - 0 1");
    // and castling is the king's two-file step.
    EXPECT_TRUE(v.EstRoque(RoiBlanc, Case("c1")) && !v.EstRoque(RoiBlanc, Case("a1")));
}

}  // namespace
