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

}  // namespace velkar
