// What a search says while it runs, and what it hears.  The search hands
// its results to a reporter and learns about the interface's input only
// through a listener; both are given to it by whoever asked for the search
// (the UCI interface, the bench, a test), which turns the results into text
// and the text into events.  Nothing here is protocol text.
#pragma once

#include <cstdint>

#include "types.h"

namespace velkar {

// One report of a running search.
struct TInfos {
    enum TGenre : int8_t {
        Progression,  // inside a long capture search: depth and counters
        CoupCourant,  // the root move being searched, with time and counters
        Variation,    // a new best variation at the root, while its move is searched
        MultiPV,      // variation k of an iteration, when several are searched
        Finale,       // a search too short to have reported a score: the move it plays
        Retenue,      // the variation and score of another thread, whose move is played
        SansCoup      // no legal move: the end of the game, at depth 0
    };
    TGenre Genre = Progression;
    int32_t Profondeur = 0, ProfondeurSel = 0;
    TCoupUci Coup{};  // the root move being searched (CoupCourant, Variation)
    int32_t NumeroCoup = 0;
    int32_t NumeroVariation = 0;  // MultiPV: 1 for the best
    // The score (centipawns or a mate, see types.h) and the chances per
    // mille of a win, a draw and a loss it gives the side to move.
    int32_t Score = 0;
    int32_t Gain = 0, Nulle = 0, Perte = 0;
    int32_t Temps = 0;  // milliseconds since the search began
    uint64_t Noeuds = 0;
    bool AvecTbHits = false;  // endgame tables are loaded for this search
    uint64_t TbHits = 0;
    int32_t Remplissage = 0;  // per mille of the transposition table
    const LigneVP* Ligne = nullptr;
};

class TRapporteur {
public:
    virtual ~TRapporteur() = default;
    virtual void Infos(const TInfos& Infos) = 0;
    // go searchmoves named a move that is not legal here; it is ignored.
    virtual void CoupRechercheIllegal(const TCoupUci& Coup) = 0;
};

// The input of the interface as a running search hears it.
class TEcouteur {
public:
    enum TEvenement : int8_t {
        Rien,       // nothing for the search (lines that are not are answered or kept for later)
        Stop,       // stop: the search ends now
        Quit,       // quit: the search ends now, and the program after the reply
        PonderHit,  // the move pondered on was played
        Fin         // the input has ended: nobody can send stop any more
    };
    virtual ~TEcouteur() = default;
    // What arrived since the last call, waiting up to Millisecondes for
    // something (0: not at all, negative: as long as it takes).
    virtual TEvenement Ecoute(int32_t Millisecondes) = 0;
};

}  // namespace velkar
