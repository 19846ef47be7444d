// The win/draw/loss model of UCI_ShowWDL.
#include "engine/wdl.h"
#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

TEST(ModeleWdl, SommeSymetrieEtMonotonie) {
    for (int32_t Materiel : {0, 6, 20, 40, 78, 100}) {
        int32_t GainPrecedent = -1, PertePrecedente = 1001;
        for (int32_t Score = -3000; Score <= 3000; Score += 7) {
            int32_t g, n, p, g2, n2, p2;
            ModeleWdl(Score, Materiel, g, n, p);
            EXPECT_EQ(g + n + p, 1000) << Score << " " << Materiel;
            EXPECT_TRUE(g >= 0 && n >= 0 && p >= 0) << Score << " " << Materiel;
            EXPECT_GE(g, GainPrecedent) << Score << " " << Materiel;
            EXPECT_LE(p, PertePrecedente) << Score << " " << Materiel;
            GainPrecedent = g, PertePrecedente = p;
            ModeleWdl(-Score, Materiel, g2, n2, p2);
            EXPECT_TRUE(g2 == p && n2 == n && p2 == g) << Score << " " << Materiel;
        }
    }
}

TEST(ModeleWdl, MatsEtMateriel) {
    int32_t g, n, p;
    ModeleWdl(14990, 40, g, n, p);
    EXPECT_TRUE(g == 1000 && n == 0 && p == 0);
    ModeleWdl(-14500, 40, g, n, p);
    EXPECT_TRUE(g == 0 && n == 0 && p == 1000);
    ModeleWdl(0, 78, g, n, p);
    EXPECT_TRUE(g == p && n > 0 && g > 0);
    NouvellePartie();
    EXPECT_EQ(MaterielWdl(Plateau()), 78);
    ASSERT_TRUE(Pose(Plateau(), "4k3/8/8/8/8/8/3P4/R3K3 w Q - 0 1"));
    EXPECT_EQ(MaterielWdl(Plateau()), 6);
}
