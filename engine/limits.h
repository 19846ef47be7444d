// The request of one search: the limits a go command gives, and the way the
// options say to search.  A request is a value: once a search has it,
// nobody changes it; what arrives during the search (stop, ponderhit, quit,
// the node limit reached) acts on the stop state (signals.h).
#pragma once

#include <cstdint>

#include "strength.h"
#include "types.h"

namespace velkar {

struct TLimites {
    // Clocks and increments in milliseconds.  A depth search (without a
    // fixed time) runs with one second on each clock and each increment,
    // and a node count or a mate search alone with no clock at all.
    int32_t TempsBlanc = 0, TempsNoir = 0, IncBlanc = 0, IncNoir = 0;
    // movestogo: the moves the side to move still plays before its clock
    // is given time again (a control that repeats); 0 for none.
    int32_t CoupsAvantControle = 0;
    // A fixed time per move (movetime): the clocks do not count, and the
    // budget is planned as if the whole time were the side's increment.
    bool TempsParCoupFixe = false;
    int32_t TempsParCoup = 0;
    int32_t Profondeur = 0;  // iterations; 0 for none
    uint64_t Noeuds = 0;     // 0 for none
    bool Infini = false;     // only stop (or quit) ends the search
    bool Ponder = false;     // the search thinks on the opponent's time until ponderhit or stop
    int32_t Mat = 0;         // go mate: the search ends once it finds a mate in this many moves; 0 for none
    // go searchmoves: only these root moves are searched (none: all).
    static constexpr int32_t CoupsRechercheMax = 256;
    int32_t NbCoupsRecherche = 0;
    TCoupUci CoupsRecherche[CoupsRechercheMax];
};

// How the options say to search.
struct TReglages {
    int32_t MultiPV = 1;       // variations searched and shown at the root
    int32_t MoveOverhead = 0;  // milliseconds the interface and the system lose per move
    bool LimiteForce = false;  // play at the strength Elo asks (see strength.h)
    int32_t Elo = EloMax;      // the level asked
};

// The most threads a search may have: the main one and its helpers.
constexpr int32_t NbFilsMax = 256;

struct TRequete {
    TLimites Limites;
    TReglages Reglages;
    bool AvecEquipe = true;         // the helper threads search beside the main one
    bool AvecTablesFinales = true;  // the endgame tables loaded may be probed
};

}  // namespace velkar
