// The transposition table and the pawn hash table.
#include "interface/interface.h"
#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

struct Table : ::testing::Test {
    TVelkar& v = Moteur();
    void SetUp() override { Pose(v, "4k3/8/8/8/8/8/8/4K3 w - - 0 1"); }
    int16_t Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta, int8_t& Drapeau) {
        Drapeau = 1;  // as the alpha-beta search presets it
        return v.HashRecherche(Profondeur, Alpha, Beta, &Drapeau);
    }
};

}  // namespace

TEST_F(Table, RemplacementParProfondeur) {
    int8_t d;
    v.HashEnregistre(5, 11, 0, 16, 4, -1);
    v.HashEnregistre(3, 22, 0, 16, 6, -1);
    EXPECT_EQ(Sonde(3, -100, 100, d), 11);  // the deeper entry stayed
    EXPECT_EQ(d, 0);
    v.HashEnregistre(5, 33, 0, 16, 6, -1);
    EXPECT_EQ(Sonde(5, -100, 100, d), 11);  // equal depth: the first stays
    v.HashEnregistre(7, 44, 0, 16, 12, -1);
    EXPECT_EQ(Sonde(5, -100, 100, d), 44);
    EXPECT_EQ(v.CoupHash[0][1], 12);

    // Another position on the same index: the deeper entry is kept although
    // its key differs, and the probe sees a miss without a move.
    const uint64_t Cle = v.Cle;
    v.Cle = Cle + static_cast<uint64_t>(v.NbEntreesHash);
    v.HashEnregistre(6, 55, 0, 16, 13, -1);
    EXPECT_EQ(Sonde(0, -100, 100, d), HashVide);
    EXPECT_EQ(v.CoupHash[0][0], -1);
    v.HashEnregistre(8, 66, 0, -1, 0, 0);  // deeper, and without a move
    EXPECT_EQ(Sonde(8, -100, 100, d), 66);
    EXPECT_EQ(v.CoupHash[0][0], -1);
    v.Cle = Cle;
    EXPECT_EQ(Sonde(0, -100, 100, d), HashVide);
}

TEST_F(Table, ProfondeurInsuffisanteDonneLeCoup) {
    int8_t d;
    v.HashEnregistre(5, 40, 0, 16, 13, 5);
    EXPECT_EQ(Sonde(6, -100, 100, d), HashVide);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(v.CoupHash[0][0], 16);
    EXPECT_EQ(v.CoupHash[0][1], 13);
    EXPECT_EQ(v.CoupHash[0][2], 5);
    EXPECT_EQ(Sonde(5, -100, 100, d), 40);
    EXPECT_EQ(d, 0);
}

TEST_F(Table, BorneSuperieure) {
    int8_t d;
    v.HashEnregistre(4, -20, 1, 16, 13, -1);
    EXPECT_EQ(Sonde(4, -10, 50, d), -10);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(v.CoupHash[0][0], -1);  // the cut-off returns before the move is read
    d = 7;
    EXPECT_EQ(v.HashRecherche(4, -30, 50, &d), HashVide);
    EXPECT_EQ(d, 7);  // caller's flag untouched
    EXPECT_EQ(v.CoupHash[0][0], 16);
}

TEST_F(Table, BorneInferieureEtIndiceCoupNul) {
    int8_t d;
    v.HashEnregistre(4, 50, 2, 16, 13, -1);
    EXPECT_EQ(Sonde(8, -100, 100, d), HashVide);
    EXPECT_EQ(d, 3);  // 4 >= 8 div 2 - 1 and 50 < 100: a null move would not cut
    EXPECT_EQ(Sonde(12, -100, 100, d), HashVide);
    EXPECT_EQ(d, 1);  // 4 < 12 div 2 - 1
    EXPECT_EQ(Sonde(8, -100, 40, d), HashVide);
    EXPECT_EQ(d, 1);  // score not below beta
    EXPECT_EQ(Sonde(4, -100, 40, d), 40);
    EXPECT_EQ(d, 2);
    EXPECT_EQ(Sonde(4, -100, 60, d), HashVide);
    EXPECT_EQ(d, 3);
}

TEST_F(Table, CompteDesEntreesRemplies) {
    v.HashEnregistre(2, 1, 0, -1, 0, 0);
    EXPECT_EQ(v.EntreesUtilisees, 1u);
    v.HashEnregistre(3, 1, 0, -1, 0, 0);  // replaces
    v.HashEnregistre(1, 1, 0, -1, 0, 0);  // refused
    EXPECT_EQ(v.EntreesUtilisees, 1u);
    Joue(v, "e1d1");
    v.HashEnregistre(1, 1, 0, -1, 0, 0);
    EXPECT_EQ(v.EntreesUtilisees, 2u);
    // Emptying keeps the count; a reset of the game does not clear it either.
    v.InitialiserPartie();
    EXPECT_EQ(v.EntreesUtilisees, 2u);
    v.HashEnregistre(-5, 1, 0, -1, 0, 0);  // an emptied entry takes any depth
    EXPECT_EQ(v.EntreesUtilisees, 3u);
}

TEST_F(Table, TableDesPions) {
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
    v.HashEnregistrePions(-123);
    EXPECT_EQ(v.HashRecherchePions(), -123);
    const uint64_t Cle = v.ClePions;
    v.ClePions = Cle + static_cast<uint64_t>(v.NbEntreesHashPions);
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
    v.HashEnregistrePions(77);  // evicts the first key
    v.ClePions = Cle;
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
    v.HashEnregistrePions(HashVide);  // cannot be told from a miss
    EXPECT_EQ(v.HashRecherchePions(), HashVide);
}

TEST(OptionHash, TaillesAcceptees) {
    TVelkar& v = Moteur();
    auto Muet = [](std::string_view) {};
    for (auto [Texte, Mo] : std::vector<std::pair<const char*, int64_t>>{
             {"2", 2}, {"3", 3}, {"1", 128}, {"4097", 128}, {"abc", 128}, {"16", 16}}) {
        v.EntreesUtilisees = 9;
        DecodeCommande(v, std::string("setoption name Hash value ") + Texte, Muet);
        EXPECT_EQ(v.NbEntreesHash, Mo * 65536) << Texte;
        EXPECT_EQ(v.TableHash.size(), static_cast<size_t>(Mo * 65536));
    }
    EXPECT_EQ(v.EntreesUtilisees, 0u);
    v.RedimensionneHash(4096);
}
