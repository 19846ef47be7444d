// The static evaluation: the positional part of the score, from the side to
// move's point of view; material is added by the callers.
#pragma once

#include <cstdint>

#include "bitboards.h"
#include "hash.h"
#include "position.h"

namespace velkar {

// The pawn structure is read from the pawn table when it is there, and
// stored there otherwise.
int16_t Eval(const TPosition& Pos, TTablePions& TablePions);
// The positional score E with the material added, from the side to move's
// point of view: the static score the search starts from.
inline int32_t AvecMateriel(const TPosition& Pos, int32_t E) {
    return Pos.Camp == Blanc ? E + Pos.Materiel : E - Pos.Materiel;
}

// Pawn structure S from White's point of view, computed from the board.
int16_t StructurePions(const TPosition& Pos);

// The occupied squares, all and by colour (Couleur[Blanc], Couleur[Noir]).
struct Occupation {
    Bitboard Tous;
    Bitboard Couleur[3];
};
// Activity of one piece: the squares it reaches, weighted by their nearness
// to the enemy king where the piece could strike.  Eval counts it inline for
// every piece; this is the same count for one piece, to check it by.
int32_t ActiviteSur(const TPosition& Pos, int32_t Piece, const Occupation& o);

}  // namespace velkar
