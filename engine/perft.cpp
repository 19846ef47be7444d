// Move-path enumeration for testing the move generator and the move making:
// the number of leaves of the legal move tree of a given depth.
#include "velkar.h"

namespace velkar {

uint64_t TVelkar::Perft(int32_t Profondeur) {
    EnEchec[NumDemiCoup] = RoiEchec(Camp);
    GenereListeCoups();
    const ListeCoupsPly& Liste = ListeCoups[NumDemiCoup];
    if (Profondeur <= 1) return static_cast<uint64_t>(Liste.NbCoups);
    uint64_t Total = 0;
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup m = Liste.Coups[i];
        EffectuerDeplacement(Pieces[m.Piece].CasePiece, m.Arrivee, m.Promotion);
        Total += Perft(Profondeur - 1);
        Restaure();
    }
    return Total;
}

}  // namespace velkar
