#include "strength.h"

#include <algorithm>
#include <cmath>

#include "types.h"

namespace velkar {

TNiveau NiveauDEchelon(int32_t Echelon) {
    const int32_t e = std::clamp(Echelon, Etalonnage[0].Echelon, Etalonnage[NbEtalons - 1].Echelon);
    TNiveau n;
    if (e > EchelonSansTirage) {
        // The best move of a search of 30000 nodes at 1650, doubling every 75
        // rungs: about 300000 at the top, what a blitz game gives the full
        // engine.  Weighing several root moves would cost more than the whole
        // step between two levels here.
        n.Noeuds = static_cast<uint64_t>(30000.0 * std::exp2((e - EchelonSansTirage) / 75.0));
        n.Candidats = 1;
        n.Ecart = n.PerteMax = 0;
        return n;
    }
    // Below, four root moves are weighed.  The budget doubles every 42 rungs
    // (25600 nodes at 1500; the lowest rungs search their three plies and no
    // more), and the spread falls from nearly ten pawns at the bottom to less
    // than one at 1650: below 1200 a piece may be left hanging; from there
    // on, at most two and a half pawns, and less and less as the rung rises.
    n.Noeuds = std::max<uint64_t>(1, static_cast<uint64_t>(25600.0 * std::exp2((e - 1500) * 0.024)));
    n.Candidats = CandidatsNiveau;
    n.Ecart = (1750 - e) * 84 / 100;
    n.PerteMax = e < 1200 ? 600 : std::min(250, n.Ecart * 6 / 5);
    if (e < 800) {
        // Below that the draw among four moves is as random as it gets (rungs
        // 800 and 1000 play alike); a beginner also weighs a fifth move, and
        // may leave a rook hanging (never the queen).
        n.Candidats += (800 - e) / 200;
        n.PerteMax += (800 - e) / 4;
    }
    return n;
}

TNiveau NiveauDeForce(int32_t Elo) {
    const int32_t e = std::clamp(Elo, EloMin, EloMax);
    int32_t k = 1;
    while (k < NbEtalons - 1 && Etalonnage[k].Elo < e) ++k;
    const TEtalon& a = Etalonnage[k - 1];
    const TEtalon& b = Etalonnage[k];
    return NiveauDEchelon(a.Echelon + (e - a.Elo) * (b.Echelon - a.Echelon) / (b.Elo - a.Elo));
}

int32_t ChoisitCandidat(const int32_t* Scores, int32_t n, const TNiveau& Niveau, uint64_t Graine) {
    if (n <= 1 || Niveau.Ecart <= 0) return 0;
    // A mate in two moves or fewer is never missed.
    if (Scores[0] >= ScoreMat - 3) return 0;
    uint64_t x = Graine;
    int32_t Choix = 0, Meilleure = INT32_MIN;
    for (int32_t k = 0; k < n; ++k) {
        // splitmix64: one independent draw per candidate.
        x += 0x9E3779B97F4A7C15u;
        uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        z ^= z >> 31;
        if (Scores[0] - Scores[k] > Niveau.PerteMax) break;
        const int32_t Note = Scores[k] + static_cast<int32_t>(z % static_cast<uint64_t>(Niveau.Ecart + 1));
        if (Note > Meilleure) {
            Meilleure = Note;
            Choix = k;
        }
    }
    return Choix;
}

}  // namespace velkar
