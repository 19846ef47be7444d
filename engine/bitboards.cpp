#include "bitboards.h"

#include "tables.h"

namespace velkar {

TablesBitboards::TablesBitboards() : Rayon{}, Cavalier{}, Voisins{}, Couronne2{} {
    constexpr int32_t Pas[9][2] = {{0, 0}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    constexpr int32_t Sauts[8][2] = {{-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}, {1, 2}, {2, 1}, {2, -1}, {1, -2}};
    for (int32_t s = 1; s <= 64; ++s) {
        const int32_t f = CaseVersX[s], r = CaseVersY[s];
        for (int32_t d = 1; d <= 8; ++d)
            for (int32_t x = f + Pas[d][0], y = r + Pas[d][1]; x >= 1 && x <= 8 && y >= 1 && y <= 8;
                 x += Pas[d][0], y += Pas[d][1])
                Rayon[s][d] |= Bit((y - 1) * 8 + x);
        for (const auto& j : Sauts) {
            const int32_t x = f + j[0], y = r + j[1];
            if (x >= 1 && x <= 8 && y >= 1 && y <= 8) Cavalier[s] |= Bit((y - 1) * 8 + x);
        }
        for (int32_t t = 1; t <= 64; ++t) {
            int32_t dx = CaseVersX[t] - f, dy = CaseVersY[t] - r;
            dx = dx < 0 ? -dx : dx;
            dy = dy < 0 ? -dy : dy;
            const int32_t Dist = dx > dy ? dx : dy;
            if (Dist == 1) Voisins[s] |= Bit(t);
            if (Dist == 2) Couronne2[s] |= Bit(t);
        }
    }
}

const TablesBitboards Bitboards;

Bitboard AttaquesParRayons(int32_t Case, Bitboard Occupees, const int32_t (&Directions)[4]) {
    Bitboard Atteintes = 0;
    for (const int32_t d : Directions) {
        const Bitboard Rayon = Bitboards.Rayon[Case][d];
        const int32_t b = PremierBloqueur(Rayon & Occupees, d);
        Atteintes |= b == 0 ? Rayon : Rayon & ~Bitboards.Rayon[b][d];
    }
    return Atteintes;
}

namespace {

// The multipliers, square a1 first, found once by trying sparse random
// numbers until every set of occupied squares of the mask lands on an entry
// that holds its own reached squares (or the same ones).
constexpr Bitboard MagiquesFou[65] = {
    0,
    0x10102002004A1420ull,
    0x8020040400584008ull,
    0x10510800811201C8ull,
    0x5204042080000088ull,
    0x2204106880000002ull,
    0x1401042004000000ull,
    0x0400880410042004ull,
    0x0028208200A02020ull,
    0x1500241990010E00ull,
    0x8001200182020A40ull,
    0x40004101030B0000ull,
    0x8002041042000100ull,
    0x4010011041020038ull,
    0x0000010421044000ull,
    0x1500210808020A00ull,
    0x8000088400880520ull,
    0x0405004010040100ull,
    0x1005823210040108ull,
    0x2708008102040011ull,
    0x4048200404009100ull,
    0x0018104101400024ull,
    0x0003000601190101ull,
    0x8004803108491000ull,
    0x8014241200820800ull,
    0x0006E080100C3040ull,
    0x0501044A11041800ull,
    0x9020300008004045ull,
    0x0894080000220040ull,
    0x1001010083104000ull,
    0x5004030040900080ull,
    0x000400422C012400ull,
    0x0002128698404812ull,
    0x1010108404900440ull,
    0x0928021182084100ull,
    0x2006080409020024ull,
    0x1010202020180080ull,
    0xA010008200202200ull,
    0x2098015100019004ull,
    0x0002041440810811ull,
    0x802A02020000B098ull,
    0x0009015090004060ull,
    0x4000821082081001ull,
    0x0100210040420800ull,
    0x0800004010488A00ull,
    0x2000081104004040ull,
    0x4C8E029015000082ull,
    0x0420340322224842ull,
    0x1298260043400210ull,
    0x0000822802400008ull,
    0x00008A0101600000ull,
    0x3040003412080021ull,
    0x3040290220884800ull,
    0x4A1500401041004Aull,
    0x8010200282020781ull,
    0x0020203142209091ull,
    0x0070300600902110ull,
    0x0040808800B62048ull,
    0x0000810400C44420ull,
    0x00080400440C0441ull,
    0x8340080020840411ull,
    0x0000000104208200ull,
    0x0000800810D00080ull,
    0x0400530411080200ull,
    0x4040702400932244ull,
};
constexpr Bitboard MagiquesTour[65] = {
    0,
    0x1080004008801020ull,
    0x0840092002C03000ull,
    0x1900200010400900ull,
    0x0880100008000480ull,
    0x4200100420080200ull,
    0x8100020100080400ull,
    0x0200040110886200ull,
    0x0200008040220411ull,
    0x0404800084400220ull,
    0x0000401000402000ull,
    0x0086001081220440ull,
    0x0408800800100280ull,
    0x000A001201040820ull,
    0x8848800200840080ull,
    0x4001000100040200ull,
    0x0442000102105084ull,
    0x9080010020804100ull,
    0x0040404000201009ull,
    0x0000808010002009ull,
    0x2200090021D00100ull,
    0x0008008008040080ull,
    0x0004004002010040ull,
    0x0011040008015042ull,
    0x00000A0001768104ull,
    0x0000800080204009ull,
    0x2010004140002001ull,
    0x9800200280100080ull,
    0x1000100080080080ull,
    0x0442000A00049020ull,
    0x2100040080020080ull,
    0x0800120400900148ull,
    0x0010040A00128541ull,
    0x2800804000800030ull,
    0x1010002000400041ull,
    0x4000200011004100ull,
    0x0610008410800800ull,
    0x0400802402800800ull,
    0xC100020080800400ull,
    0x0002000802000401ull,
    0x0182085882000401ull,
    0x0220204000808000ull,
    0x2860100040024022ull,
    0x0001002004110040ull,
    0x99101042000A0020ull,
    0x0004080004008080ull,
    0x0010040002008080ull,
    0x2012004881020004ull,
    0x8300842444820011ull,
    0x0088403882010200ull,
    0x0820400080210100ull,
    0x0110910040A00300ull,
    0x0801100280080480ull,
    0x0242009008200600ull,
    0x1002000489500200ull,
    0x0040800200010080ull,
    0x0091800041000080ull,
    0x0000209300488001ull,
    0x04C1002414824001ull,
    0x020020000B001041ull,
    0x7000100004200901ull,
    0x8002002004100802ull,
    0x30010002084C0007ull,
    0x0888221800813004ull,
    0x4000002840840112ull,
};

// Fills one piece's access for every square from Libre on in the table;
// returns the first entry after them.
Bitboard* Remplit(TablesGlissades::Acces (&Acces)[65], const Bitboard (&Magiques)[65], const int32_t (&Directions)[4],
                  Bitboard* Libre) {
    for (int32_t s = 1; s <= 64; ++s) {
        Bitboard Masque = 0;
        for (const int32_t d : Directions) {
            const Bitboard Rayon = Bitboards.Rayon[s][d];
            if (Rayon == 0) continue;
            // The last square of the ray is reached whether or not it is occupied.
            const int32_t Bord = DirectionMontante(d) ? 64 - __builtin_clzll(Rayon) : __builtin_ctzll(Rayon) + 1;
            Masque |= Rayon & ~Bit(Bord);
        }
        TablesGlissades::Acces& a = Acces[s];
        a.Attaques = Libre;
        a.Masque = Masque;
        a.Magique = Magiques[s];
        a.Decalage = 64 - NbBits(Masque);
        // Every subset of the mask, by the carry-rippler walk.
        Bitboard Occupees = 0;
        do {
            Libre[a.Indice(Occupees)] = AttaquesParRayons(s, Occupees, Directions);
            Occupees = (Occupees - Masque) & Masque;
        } while (Occupees != 0);
        Libre += size_t{1} << NbBits(Masque);
    }
    return Libre;
}

}  // namespace

TablesGlissades::TablesGlissades() : Fou{}, Tour{}, Attaques{} {
    Bitboard* Libre = Remplit(Fou, MagiquesFou, DirectionsFou, Attaques);
    Remplit(Tour, MagiquesTour, DirectionsTour, Libre);
}

const TablesGlissades Glissades;

}  // namespace velkar
