// Endgame tablebases (Syzygy) through the Fathom library: perfect results
// once few pieces are left.  Without the library (a build that could not
// find it) every function says that no table is loaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "position.h"

namespace velkar {

// Scores the tables give a won position at the root, and at a node Eloignement
// plies below it: below every mate score, above every evaluation.
constexpr int32_t ScoreTablesFinales = 13000;

// What the tables say of a position, for the side to move.
enum TResultatFinale : int32_t {
    FinalePerdue = 0,
    FinaleSauvee = 1,
    FinaleNulle = 2,
    FinaleGachee = 3,
    FinaleGagnee = 4
};

// At the root: the result, the distance to a zeroing move (DTZ) and the
// move the tables choose.
struct TRacineFinale {
    TResultatFinale Resultat;
    int32_t Dtz;
    int32_t Depart, Arrivee, Promotion;  // squares 1..64, promotion Cavalier..Dame or SansPromotion
};

using TDitFonction = std::function<void(const std::string&)>;

// The engine's endgame tables: the path it was given and the tables read
// from it.  The engine (its door) owns the one it probes and hands it to
// its searchers for a search that may use tables.  The prober library keeps
// the tables it has mapped in state of the whole process; this class is the
// only code that calls it, and one engine of a process loads tables (a
// second one loading others would change what the first one probes).
class TTablesFinales {
public:
    // Whether this build can read tablebases at all.
    static bool Compilees();
    // Loads the tables of the directories in Chemin (':' between them), and
    // remembers the path; an empty path unloads them.  Each table file is
    // checked first and a file that does not hold together is left out;
    // what the loading has to say (the files left out, the prober's own
    // messages) goes to Dit, a line each.  The largest number of pieces the
    // tables cover, 0 for none.
    int32_t Charge(const std::string& Chemin, const TDitFonction& Dit);
    const std::string& Chemin() const { return CheminDonne; }
    // The largest number of pieces the loaded tables cover, 0 for none.
    int32_t Pieces() const { return PiecesChargees; }

    // The win/draw/loss result at a node of the search: only where no
    // castling right is left and the fifty-move counter has just been
    // reset.  False when the tables cannot tell.
    bool Sonde(const TPosition& Pos, TResultatFinale& Resultat) const;
    // At the root: the best result, then the fastest progress within the
    // fifty-move rule.  False when the tables cannot tell.
    bool SondeRacine(const TPosition& Pos, TRacineFinale& Racine) const;

private:
    bool Couverte(const TPosition& Pos) const;
    std::string CheminDonne;
    int32_t PiecesChargees = 0;
};

// The score of a tablebase result Eloignement plies from the root; cursed
// wins and blessed losses are draws.
int32_t ScoreFinale(TResultatFinale Resultat, int32_t Eloignement);

}  // namespace velkar
