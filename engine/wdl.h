// The chances of a win, a draw and a loss that a score stands for, as the
// info lines show them under UCI_ShowWDL.
#pragma once

#include <cstdint>

#include "position.h"

namespace velkar {

// The material on the board, both sides together, in pawns: pawn 1,
// knight and bishop 3, rook 5, queen 9, kings left out (78 at the start).
int32_t MaterielWdl(const TPosition& Pos);

// Gain, Nulle and Perte per mille, from the point of view of the side whose
// score Score is (centipawns), with Materiel as MaterielWdl counts it.  They
// sum to 1000; a mate score gives 1000/0/0 or 0/0/1000.
void ModeleWdl(int32_t Score, int32_t Materiel, int32_t& Gain, int32_t& Nulle, int32_t& Perte);

}  // namespace velkar
