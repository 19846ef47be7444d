// The transposition table and the pawn hash table.
#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

constexpr uint64_t Taille = 4096;

struct Table : ::testing::Test {
    TTableTransposition t;
    uint64_t Cle = 123456789;
    void SetUp() override { ASSERT_TRUE(t.Alloue(Taille)); }
    TSondage Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta) {
        return t.HashRecherche(Cle, Profondeur, Alpha, Beta);
    }
    void Stocke(int16_t Profondeur, int16_t Valeur, TBorne Borne, TCoupTable Coup) {
        t.HashEnregistre(Cle, Profondeur, Valeur, Borne, Coup);
    }
};

}  // namespace

// Depth-preferred replacement, whatever position the entry holds.
TEST_F(Table, RemplacementEtComptage) {
    Stocke(5, 11, BorneExacte, {16, 4, -1});
    Stocke(3, 22, BorneExacte, {16, 6, -1});  // shallower: refused
    Stocke(5, 33, BorneExacte, {16, 6, -1});  // equal: refused
    TSondage r = Sonde(3, -100, 100);
    EXPECT_TRUE(r.Coupure);
    EXPECT_EQ(r.Score, 11);
    Stocke(7, 44, BorneExacte, {16, 12, -1});
    r = Sonde(5, -100, 100);
    EXPECT_EQ(r.Score, 44);
    EXPECT_EQ(r.Coup.Arrivee, 12);
    EXPECT_EQ(t.EntreesUtilisees.load(), 1u);  // only the store into the empty entry counts

    // Another position on the same index: the deeper entry stays and the probe misses.
    const uint64_t Premiere = Cle;
    Cle = Premiere + Taille;
    Stocke(6, 55, BorneExacte, {16, 13, -1});
    r = Sonde(0, -100, 100);
    EXPECT_FALSE(r.Coupure);
    EXPECT_EQ(r.Coup.Piece, -1);
    Stocke(8, 66, BorneExacte, TCoupTable{});  // deeper, and without a move
    r = Sonde(8, -100, 100);
    EXPECT_EQ(r.Score, 66);
    EXPECT_EQ(r.Coup.Piece, -1);
    Cle = Premiere;
    EXPECT_FALSE(Sonde(0, -100, 100).Coupure);
    EXPECT_EQ(t.EntreesUtilisees.load(), 1u);
    t.Vide();  // empties the table but keeps the count
    Stocke(-5, 1, BorneExacte, TCoupTable{});
    EXPECT_EQ(t.EntreesUtilisees.load(), 2u);
    t.EntreesUtilisees = 10 * Taille;
    EXPECT_EQ(t.Remplissage(), 1000);
}

TEST_F(Table, BornesEtCoupDeTable) {
    Stocke(5, 40, BorneExacte, {16, 13, 5});
    TSondage r = Sonde(6, -100, 100);  // too shallow, but the move is given
    EXPECT_FALSE(r.Coupure);
    EXPECT_FALSE(r.VetoNul);
    EXPECT_EQ(r.Coup.Piece * 10000 + r.Coup.Arrivee * 10 + r.Coup.Promotion, 160135);

    Cle += 1;
    Stocke(4, -20, BorneHaute, TCoupTable{});
    r = Sonde(4, -10, 50);
    EXPECT_TRUE(r.Coupure);
    EXPECT_EQ(r.Score, -10);  // an upper bound at or below Alpha returns Alpha
    EXPECT_FALSE(Sonde(4, -30, 50).Coupure);

    Cle += 1;
    Stocke(4, 50, BorneBasse, {16, 3, -1});
    r = Sonde(8, -100, 100);
    EXPECT_FALSE(r.Coupure);
    EXPECT_TRUE(r.VetoNul);  // 4 >= 8 div 2 - 1 and 50 < 100: a null move would not cut
    EXPECT_EQ(r.Coup.Arrivee, 3);
    EXPECT_FALSE(Sonde(12, -100, 100).VetoNul);  // 4 < 12 div 2 - 1
    EXPECT_FALSE(Sonde(8, -100, 40).VetoNul);    // not below beta
    r = Sonde(4, -100, 40);
    EXPECT_TRUE(r.Coupure);
    EXPECT_EQ(r.Score, 40);  // a lower bound at or above Beta returns Beta
    r = Sonde(4, -100, 60);
    EXPECT_FALSE(r.Coupure);
    EXPECT_TRUE(r.VetoNul);
}

TEST(TablePions, RemplacementToujours) {
    TTablePions t;
    ASSERT_TRUE(t.Alloue(Taille));
    const uint64_t Cle = 987654321;
    EXPECT_EQ(t.HashRecherchePions(Cle), HashVide);
    t.HashEnregistrePions(Cle, -123);
    EXPECT_EQ(t.HashRecherchePions(Cle), -123);
    EXPECT_EQ(t.HashRecherchePions(Cle + Taille), HashVide);
    t.HashEnregistrePions(Cle + Taille, 77);  // evicts the other key of the same index
    EXPECT_EQ(t.HashRecherchePions(Cle), HashVide);
}
