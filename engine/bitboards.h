// Square sets as 64-bit words (square s is bit s - 1), used where the
// evaluation needs to count the squares a piece reaches.
#pragma once

#include <cstdint>

namespace velkar {

using Bitboard = uint64_t;

struct TablesBitboards {
    Bitboard Rayon[65][9];   // squares along each direction 1..8, the square itself excluded
    Bitboard Cavalier[65];   // knight jumps
    Bitboard Voisins[65];    // squares at king distance 1
    Bitboard Couronne2[65];  // squares at king distance exactly 2
    TablesBitboards();
};
extern const TablesBitboards Bitboards;

inline Bitboard Bit(int32_t Case) { return Bitboard{1} << (Case - 1); }
inline int32_t NbBits(Bitboard b) {
#if defined(__POPCNT__)
    return __builtin_popcountll(b);
#else
    // Without the popcnt instruction (a portable x86-64 build) a few
    // arithmetic steps beat a library call.
    b = b - ((b >> 1) & 0x5555555555555555ull);
    b = (b & 0x3333333333333333ull) + ((b >> 2) & 0x3333333333333333ull);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int32_t>((b * 0x0101010101010101ull) >> 56);
#endif
}

// Directions 1 (east), 6 (north-west), 7 (north) and 8 (north-east) run
// towards higher square numbers: their nearest square is the lowest bit.
inline bool DirectionMontante(int32_t d) { return d == 1 || d >= 6; }

// The first occupied square along a ray, or 0 when the ray is empty.
inline int32_t PremierBloqueur(Bitboard Bloqueurs, int32_t Direction) {
    if (Bloqueurs == 0) return 0;
    return DirectionMontante(Direction) ? __builtin_ctzll(Bloqueurs) + 1 : 64 - __builtin_clzll(Bloqueurs);
}

}  // namespace velkar
