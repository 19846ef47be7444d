// Constant tables shared by the whole engine, built once before main and
// only read afterwards: square geometry, rays and distances, piece-square
// values, distance weights, futility margins and the hash keys.  Every
// position and every searcher reads the same copy.
#pragma once

#include <cstdint>

#include "types.h"

namespace velkar {

constexpr int32_t ValeursPieces[7] = {0, 100, 325, 325, 500, 975, 0};

// Weight of a reached square by its king distance to the enemy king.
constexpr int32_t ValeursDistance[8] = {15, 5, 2, 1, 1, 1, 1, 1};

// Directions 1 (east), 2 (south-east), 3 (south), 4 (south-west), 5 (west),
// 6 (north-west), 7 (north), 8 (north-east), in the order each slider
// walks them.
constexpr int32_t DirectionsFou[4] = {8, 2, 4, 6};
constexpr int32_t DirectionsTour[4] = {5, 1, 7, 3};

// Piece-square values, [type 1..6][colour 1..2][square 1..64].
struct TTablesCases {
    int32_t Valeurs[7][3][65];
    TTablesCases();
    const auto& operator[](int32_t Type) const { return Valeurs[Type]; }
};
extern const TTablesCases TabCasePiece;

struct TGeometrie {
    // For every square and direction 1..8 (9: the knight's jumps, in a
    // fixed order) the squares outward in [1..n], n in [0]; index 9 + s
    // holds 1 when square s lies on the ray.
    int32_t Rayons[65][10][74];
    int32_t DirectionEntre[65][65];  // direction from one square to another, 0 if none
    int32_t Distance[65][65];        // king distance
    // The distance weight (ValeursDistance) from a square to each square,
    // this one indexed by bit (the square less one), as bitboards give it.
    int32_t PoidsDistance[65][64];
    TGeometrie();
};
extern const TGeometrie Geometrie;

// Hash keys, drawn from a Mersenne Twister with a fixed seed so that every
// run of the program uses the same keys.
struct TClesHachage {
    uint64_t Zobrist[33][65];  // piece number, square
    uint64_t CoupNul;
    uint64_t TraitBlanc, TraitNoir;
    uint64_t Roque[5];  // 1 White short, 2 White long, 3 Black short, 4 Black long
    TClesHachage();
};
extern const TClesHachage ClesHachage;

}  // namespace velkar
