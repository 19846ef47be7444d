// Playing at a chosen strength (UCI_LimitStrength, UCI_Elo): a level gives
// the search a node budget and lets the move be chosen, by a draw of lots,
// among the best few root moves within a margin of the best, as a player of
// that level might; the margin and the spread shrink as the level rises.
#pragma once

#include <cstdint>

namespace velkar {

constexpr int32_t EloMin = 800;
constexpr int32_t EloMax = 1900;
constexpr int32_t CandidatsNiveau = 4;  // root moves a limited search weighs below EloSansTirage
// From this level up the engine no longer draws among root moves: it plays
// its best move, and only the node budget holds it back.
constexpr int32_t EloSansTirage = 1650;

struct TNiveau {
    uint64_t Noeuds;    // the search's budget
    int32_t Candidats;  // root moves searched as separate variations
    int32_t Ecart;      // the draw adds up to this many centipawns to each candidate
    int32_t PerteMax;   // never a candidate this much worse than the best
};

TNiveau NiveauDeForce(int32_t Elo);

// The candidate to play: Scores are the root moves' scores, best first.  A
// mate the best move gives in two moves or fewer is always played; Graine
// makes the draw reproducible (the same position gives the same choice).
int32_t ChoisitCandidat(const int32_t* Scores, int32_t n, const TNiveau& Niveau, uint64_t Graine);

}  // namespace velkar
