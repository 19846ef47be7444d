// The clock of a search: the budget planned once from the request's clocks,
// and the tests that end a search on time.  Only the main searcher's duties
// keep one; helpers stop when the main searcher does.
#pragma once

#include <cstdint>

#include "limits.h"

namespace velkar {

// The budget in milliseconds for the side to move (Camp), with Miens pieces
// against Siens, as the clocks of L and Move Overhead allow.
int32_t CalculeTemps(const TLimites& L, int32_t Camp, int32_t Miens, int32_t Siens, int32_t MoveOverhead);

class TPendule {
public:
    // Plans the budget at the start of a search and starts counting.
    void Demarre(const TLimites& L, int32_t MoveOverhead, int32_t Camp, int32_t Miens, int32_t Siens);

    // At a check inside the search: true when the time is up.  No time
    // counts in an infinite, depth or ponder search.  Before a root move of
    // the first iteration has been searched to the end (DebutFait false)
    // the budget may run over, up to a limit that keeps the game safe: the
    // budget or this Part of the clock, whichever is longer.
    bool Ecoule(bool DebutFait, bool EnPonder, int32_t Part = 8) const;
    // Between iterations: true when the budget is spent (a fixed time per
    // move is left to the checks inside the search).
    bool Epuise(bool EnPonder) const;
    // ponderhit: half of the time spent pondering is added to the budget.
    void PonderHit();
    // A limited strength waits after a search that ended early until it has
    // used half of its budget: when that is, on the clock of the platform.
    int64_t MiTemps() const { return int64_t{Debut} + int64_t{Budget} / 2; }
    int32_t Alloue() const { return Budget; }

private:
    int64_t Passe() const;  // milliseconds since the budget started
    int64_t LimiteSansCoup(int32_t Part) const;

    const TLimites* Limites = nullptr;
    int32_t MoveOverhead = 0, Camp = Blanc;
    int32_t Budget = 0;
    uint32_t Debut = 0, DebutPonder = 0;
};

}  // namespace velkar
