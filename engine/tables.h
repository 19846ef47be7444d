// Constant tables shared by the engine: square geometry, piece-square values,
// distance weights and futility margins.
#pragma once

#include <cstdint>

namespace velkar {

extern const int32_t CaseVersX[65];      // file 1..8 of each square
extern const int32_t CaseVersY[65];      // rank 1..8 of each square
extern const char CaseVersChaine[65][3]; // "a1" .. "h8"

// Piece-square values, [type 1..6][colour 1..2][square 1..64].
extern int32_t TabCasePiece[7][3][65];

// Weight of a reached square by its king distance to the enemy king.
constexpr int32_t ValeursDistance[8] = {15, 5, 2, 1, 1, 1, 1, 1};

// Futility margins by remaining depth; only depth 1 is used.
constexpr int32_t FP_Tab[8] = {0, 125, 125, 300, 300, 400, 400, 500};

constexpr int32_t ValeursPieces[7] = {0, 100, 325, 325, 500, 975, 0};

// Promotion letter of a promotion type ("n", "b", "r", "q"), empty otherwise.
const char* PromotionVersChaine(int32_t Promotion);
int32_t ChaineVersCase(const char* Texte, int32_t Longueur);

}  // namespace velkar
