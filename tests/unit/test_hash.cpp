// The transposition table and the pawn hash table.
#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

struct Table : ::testing::Test {
    TVelkar& v = Moteur();
    int8_t d = 1;
    void SetUp() override { Pose(v, "4k3/8/8/8/8/8/8/4K3 w - - 0 1"); }
    // Probes with the flag preset to 1, as the alpha-beta search does.
    int16_t Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta) {
        d = 1;
        return v.HashRecherche(Profondeur, Alpha, Beta, &d);
    }
};

}  // namespace

// Depth-preferred replacement, whatever position the entry holds.
TEST_F(Table, RemplacementEtComptage) {
    v.HashEnregistre(5, 11, 0, 16, 4, -1);
    v.HashEnregistre(3, 22, 0, 16, 6, -1);  // shallower: refused
    v.HashEnregistre(5, 33, 0, 16, 6, -1);  // equal: refused
    EXPECT_EQ(Sonde(3, -100, 100), 11);
    EXPECT_EQ(d, 0);
    v.HashEnregistre(7, 44, 0, 16, 12, -1);
    EXPECT_EQ(Sonde(5, -100, 100), 44);
    EXPECT_EQ(v.CoupHash[0][1], 12);
    EXPECT_EQ(v.EntreesUtilisees, 1u);  // only the store into the empty entry counts

    // Another position on the same index: the deeper entry stays and the probe misses.
    const uint64_t Cle = v.Cle;
    v.Cle = Cle + static_cast<uint64_t>(v.NbEntreesHash);
    v.HashEnregistre(6, 55, 0, 16, 13, -1);
    EXPECT_EQ(Sonde(0, -100, 100), HashVide);
    EXPECT_EQ(v.CoupHash[0][0], -1);
    v.HashEnregistre(8, 66, 0, -1, 0, 0);  // deeper, and without a move
    EXPECT_EQ(Sonde(8, -100, 100), 66);
    EXPECT_EQ(v.CoupHash[0][0], -1);
    v.Cle = Cle;
    EXPECT_EQ(Sonde(0, -100, 100), HashVide);
    EXPECT_EQ(v.EntreesUtilisees, 1u);
    v.InitialiserPartie();  // empties the table but keeps the count
    v.HashEnregistre(-5, 1, 0, -1, 0, 0);
    EXPECT_EQ(v.EntreesUtilisees, 2u);
}

TEST_F(Table, BornesEtCoupDeTable) {
    v.HashEnregistre(5, 40, 0, 16, 13, 5);
    EXPECT_EQ(Sonde(6, -100, 100), HashVide);  // too shallow, but the move is given
    EXPECT_EQ(d, 1);
    EXPECT_EQ(v.CoupHash[0][0] * 10000 + v.CoupHash[0][1] * 10 + v.CoupHash[0][2], 160135);

    Joue(v, "e1d1");
    v.HashEnregistre(4, -20, 1, 32, 60, -1);  // upper bound
    EXPECT_EQ(Sonde(4, -10, 50), -10);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(v.CoupHash[0][0], -1);  // the cut-off returns before the move is read
    d = 7;
    EXPECT_EQ(v.HashRecherche(4, -30, 50, &d), HashVide);
    EXPECT_EQ(d, 7);
    EXPECT_EQ(v.CoupHash[0][0], 32);

    Joue(v, "e8d8");
    v.HashEnregistre(4, 50, 2, 16, 3, -1);  // lower bound
    EXPECT_EQ(Sonde(8, -100, 100), HashVide);
    EXPECT_EQ(d, 3);  // 4 >= 8 div 2 - 1 and 50 < 100: a null move would not cut
    EXPECT_EQ(Sonde(12, -100, 100), HashVide);
    EXPECT_EQ(d, 1);  // 4 < 12 div 2 - 1
    EXPECT_EQ(Sonde(8, -100, 40), HashVide);
    EXPECT_EQ(d, 1);  // not below beta
    EXPECT_EQ(Sonde(4, -100, 40), 40);
    EXPECT_EQ(d, 2);
    EXPECT_EQ(Sonde(4, -100, 60), HashVide);
    EXPECT_EQ(d, 3);
}

TEST_F(Table, TableDesPions) {
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
    v.HashEnregistrePions(-123);
    EXPECT_EQ(v.HashRecherchePions(), -123);
    const uint64_t Cle = v.ClePions;
    v.ClePions = Cle + static_cast<uint64_t>(v.NbEntreesHashPions);
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
    v.HashEnregistrePions(77);  // evicts the other key of the same index
    v.ClePions = Cle;
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
}
