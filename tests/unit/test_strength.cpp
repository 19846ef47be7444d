// The draw among root moves at a limited strength.
#include <gtest/gtest.h>

#include "engine/searcher.h"
#include "engine/strength.h"

namespace velkar {
namespace {

TEST(Niveau, ChoixParmiLesMeilleursCoups) {
    const TNiveau Bas = NiveauDeForce(EloMin), Haut = NiveauDeForce(EloMax);
    EXPECT_LT(Bas.Noeuds, NiveauDeForce(1400).Noeuds);
    EXPECT_LT(NiveauDeForce(1400).Noeuds, Haut.Noeuds);
    const int32_t Proches[4] = {30, 25, 20, 10};
    // The top level always plays the best move; the draw is reproducible and
    // at the lowest level it does not always pick the best of close moves.
    int32_t Autres = 0;
    for (uint64_t Graine = 0; Graine < 200; ++Graine) {
        EXPECT_EQ(ChoisitCandidat(Proches, 4, Haut, Graine), 0);
        const int32_t k = ChoisitCandidat(Proches, 4, Bas, Graine);
        EXPECT_EQ(k, ChoisitCandidat(Proches, 4, Bas, Graine));
        Autres += k != 0;
    }
    EXPECT_GT(Autres, 50);
    // A mate in two is never missed; from rung 1200 on, a move that loses a
    // piece more than the best is never played.
    const int32_t Mat[3] = {ScoreMat - 3, 20, 10};
    const int32_t Piece[2] = {50, 50 - 320};
    for (uint64_t Graine = 0; Graine < 200; ++Graine) {
        EXPECT_EQ(ChoisitCandidat(Mat, 3, Bas, Graine), 0);
        EXPECT_EQ(ChoisitCandidat(Piece, 2, NiveauDEchelon(1200), Graine), 0);
    }
}

// A level that was measured is played on the rung that measured it, and the
// levels between two measured ones on the rungs between theirs.
TEST(Niveau, EtalonnageSuivi) {
    for (int32_t k = 0; k < NbEtalons; ++k) {
        const TNiveau a = NiveauDeForce(Etalonnage[k].Elo), b = NiveauDEchelon(Etalonnage[k].Echelon);
        EXPECT_EQ(a.Noeuds, b.Noeuds);
        EXPECT_EQ(a.Ecart, b.Ecart);
        EXPECT_EQ(a.Candidats, b.Candidats);
        if (k > 0) {
            ASSERT_LT(Etalonnage[k - 1].Elo, Etalonnage[k].Elo);
            const TNiveau m = NiveauDeForce((Etalonnage[k - 1].Elo + Etalonnage[k].Elo) / 2);
            EXPECT_LE(m.Ecart, NiveauDeForce(Etalonnage[k - 1].Elo).Ecart);
            EXPECT_GE(m.Ecart, a.Ecart);
        }
    }
}

}  // namespace
}  // namespace velkar
