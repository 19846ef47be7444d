// Move-path enumeration for testing the move generator and the move making:
// the number of leaves of the legal move tree of a given depth.
#include <algorithm>

#include "position.h"

namespace velkar {

// The last ply is counted in bulk, from the length of its move list.  The
// check flag of each ply is set as a search sets it.
uint64_t TPosition::Perft(int32_t Profondeur) {
    // Asked whether to go on a few thousand times a second at most.
    if (Profondeur == 3 && PerftContinuer != nullptr && !PerftArrete && !(*PerftContinuer)()) PerftArrete = true;
    if (PerftArrete) return 0;
    NoteEchec(RoiEchec(Camp));
    ListeCoupsPly Liste;
    GenereListeCoups(Liste);
    if (Profondeur <= 1) return static_cast<uint64_t>(Liste.NbCoups);
    uint64_t Total = 0;
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup m = Liste.Coups[i];
        EffectuerDeplacement(CaseDe(m), m.Arrivee, m.Promotion);
        Total += Perft(Profondeur - 1);
        Restaure();
    }
    return Total;
}

uint64_t TPosition::PerftDivise(int32_t Profondeur, const std::function<void(const std::string&, uint64_t)>& Rapporte,
                                const std::function<bool()>& Continuer, bool* Interrompu) {
    if (Profondeur <= 0) return 1;
    if (Profondeur >= NbDemiCoups - NumDemiCoup) return 0;
    // Perft writes the check flags and the key histories of the plies it
    // visits.  Later searches read some of them as they were left (the
    // quiescence search reloads keys of plies it does not write), so they
    // are put back: counting moves must not change what a search finds.
    const auto Avant = CopieTraces<NbDemiCoups + 1>();

    NoteEchec(RoiEchec(Camp));
    ListeCoupsPly Racine;
    GenereListeCoups(Racine);
    PerftContinuer = Continuer ? &Continuer : nullptr;
    PerftArrete = false;
    uint64_t Total = 0;
    for (int32_t i = 1; i <= Racine.NbCoups && !PerftArrete; ++i) {
        const sCoup m = Racine.Coups[i];
        const int32_t Depart = CaseDe(m);
        uint64_t n = 1;
        if (Profondeur > 1) {
            EffectuerDeplacement(Depart, m.Arrivee, m.Promotion);
            n = Perft(Profondeur - 1);
            Restaure();
        }
        if (PerftArrete) break;  // that root move was not counted to the end
        Total += n;
        Rapporte(TexteCoup(Depart, m.Arrivee, m.Promotion), n);
    }
    PerftContinuer = nullptr;
    if (Interrompu != nullptr) *Interrompu = PerftArrete;
    RemetTraces(Avant);
    return Total;
}

}  // namespace velkar
