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

// Whether this build can read tablebases at all.
bool TablesFinalesCompilees();
// Loads the tables of the directories in Chemin (':' between them); an
// empty path unloads them.  Each table file is checked first and a file
// that does not hold together is left out; what the loading has to say
// (the files left out, the prober's own messages) goes to Dit, a line each.
// The largest number of pieces the tables cover, 0 for none.
using TDitFonction = std::function<void(const std::string&)>;
int32_t ChargeTablesFinales(const std::string& Chemin, const TDitFonction& Dit);
// The largest number of pieces the loaded tables cover, 0 when none is loaded.
int32_t PiecesTablesFinales();

// The win/draw/loss result at a node of the search: only where no castling
// right is left and the fifty-move counter has just been reset.  False when
// the tables cannot tell.
bool SondeFinale(const TPosition& Pos, TResultatFinale& Resultat);

// At the root: the result, the distance to a zeroing move (DTZ) and the
// move the tables choose (the best result, then the fastest progress within
// the fifty-move rule).  False when the tables cannot tell.
struct TRacineFinale {
    TResultatFinale Resultat;
    int32_t Dtz;
    int32_t Depart, Arrivee, Promotion;  // squares 1..64, promotion Cavalier..Dame or SansPromotion
};
bool SondeRacineFinale(const TPosition& Pos, TRacineFinale& Racine);

// The score of a tablebase result Eloignement plies from the root; cursed
// wins and blessed losses are draws.
int32_t ScoreFinale(TResultatFinale Resultat, int32_t Eloignement);

}  // namespace velkar
