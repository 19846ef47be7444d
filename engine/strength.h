// Playing at a chosen strength (UCI_LimitStrength, UCI_Elo).  A way of
// playing is a rung of a ladder (`Echelon`): a node budget for the search
// and, on the lower rungs, a draw of lots among the best few root moves
// within a margin of the best, as a player of that level might; the margin
// and the spread shrink, and the budget grows, as the rung rises.  Some rungs
// were measured in games against rated opponents; a level asked is played on
// the rung that measured it, between two measured rungs by interpolation.
#pragma once

#include <cstdint>

namespace velkar {

// A measured rung: the rating its games gave it (rounded to 5 points), on
// the scale of the rated opponents it was measured against at 5 seconds
// plus 0.05 per move.
struct TEtalon {
    int32_t Elo;
    int32_t Echelon;
};
// clang-format off
constexpr TEtalon Etalonnage[] = {
    {740, 600}, {1075, 1000}, {1290, 1400}, {1660, 1650}, {1695, 1900},
};
// clang-format on
constexpr int32_t NbEtalons = static_cast<int32_t>(sizeof Etalonnage / sizeof Etalonnage[0]);
constexpr int32_t EloMin = Etalonnage[0].Elo;
constexpr int32_t EloMax = Etalonnage[NbEtalons - 1].Elo;

constexpr int32_t CandidatsNiveau = 4;  // root moves a drawing rung weighs
// From this rung up the engine no longer draws among root moves: it plays
// its best move, and only the node budget holds it back.
constexpr int32_t EchelonSansTirage = 1650;

struct TNiveau {
    uint64_t Noeuds;    // the search's budget
    int32_t Candidats;  // root moves searched as separate variations
    int32_t Ecart;      // the draw adds up to this many centipawns to each candidate
    int32_t PerteMax;   // never a candidate this much worse than the best
};

// The way of playing of a rung, and that of a level asked (UCI_Elo).
TNiveau NiveauDEchelon(int32_t Echelon);
TNiveau NiveauDeForce(int32_t Elo);

// The candidate to play: Scores are the root moves' scores, best first.  A
// mate the best move gives in two moves or fewer is always played; Graine
// makes the draw reproducible (the same position gives the same choice).
int32_t ChoisitCandidat(const int32_t* Scores, int32_t n, const TNiveau& Niveau, uint64_t Graine);

}  // namespace velkar
