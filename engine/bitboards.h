// Square sets as 64-bit words (square s is bit s - 1), used where the
// evaluation needs to count the squares a piece reaches.
#pragma once

#include <cstddef>
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

// The squares a bishop or a rook reaches from each square, up to and
// including the first occupied square of each ray, looked up instead of
// walked.  Only the pieces inside a square's lines (the last square of each
// ray left out, as nothing lies beyond it) can change what it reaches; the
// occupied ones among them, multiplied by a fixed number chosen for that
// square and shifted, give a distinct place in the table for every distinct
// set of reached squares.  Plain multiplication and shifts: no processor
// feature is needed.
struct TablesGlissades {
    struct Acces {
        const Bitboard* Attaques;  // this square's part of the table
        Bitboard Masque;           // the squares whose occupation matters
        Bitboard Magique;
        int32_t Decalage;  // 64 minus the number of squares in Masque
        size_t Indice(Bitboard Occupees) const { return ((Occupees & Masque) * Magique) >> Decalage; }
    };
    Acces Fou[65];
    Acces Tour[65];
    // 2^n entries per square and piece, n the squares of its mask:
    // 5248 for the bishop's 64 squares, 102400 for the rook's.
    Bitboard Attaques[5248 + 102400];
    TablesGlissades();
    TablesGlissades(const TablesGlissades&) = delete;
    TablesGlissades& operator=(const TablesGlissades&) = delete;
};
extern const TablesGlissades Glissades;

inline Bitboard AttaquesFou(int32_t Case, Bitboard Occupees) {
    const TablesGlissades::Acces& a = Glissades.Fou[Case];
    return a.Attaques[a.Indice(Occupees)];
}
inline Bitboard AttaquesTour(int32_t Case, Bitboard Occupees) {
    const TablesGlissades::Acces& a = Glissades.Tour[Case];
    return a.Attaques[a.Indice(Occupees)];
}
// The same squares found by walking each ray to its first occupied square;
// it builds the tables.
Bitboard AttaquesParRayons(int32_t Case, Bitboard Occupees, const int32_t (&Directions)[4]);

}  // namespace velkar
