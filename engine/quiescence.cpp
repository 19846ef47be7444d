// Quiescence search: captures and promotions only, standing pat on the
// static score, so that no position is judged in the middle of an exchange.
#include "../platform/plateforme.h"
#include "velkar.h"

namespace velkar {

namespace {

// Trades of equal value, as (captured type, capturing type): such a capture
// is not worth remembering as a killer.
inline bool EchangeEgal(int32_t TypePris, int32_t TypePreneur) {
    switch (TypePris * 8 + TypePreneur) {
        case 5 * 8 + 5: case 4 * 8 + 4: case 3 * 8 + 2:
        case 3 * 8 + 3: case 2 * 8 + 3: case 1 * 8 + 1:
            return true;
        default:
            return false;
    }
}

}  // namespace

// Killer update after a cut-off by the capture (p, a, c), shared by the
// quiescence and the root searches.  The board is the one before the move.
void TVelkar::MetAJourTueurs(int32_t p, int32_t a, int32_t c) {
    int32_t* Tueurs = Killers[NumDemiCoup];
    if (c != -1) return;
    if (p == Tueurs[0] || p == Tueurs[2] || a == Tueurs[1] || a == Tueurs[3]) return;
    const int32_t Victime = Echiquier[a];
    if (Victime != 0 && EchangeEgal(Pieces[Victime].TypePiece, Pieces[p].TypePiece)) return;
    Tueurs[2] = Tueurs[0];
    Tueurs[3] = Tueurs[1];
    Tueurs[0] = p;
    Tueurs[1] = a;
}

int16_t TVelkar::Quies(int16_t Alpha, int16_t Beta) {
    if (Arret) return 0;
    if ((Noeuds & 4095) == 0 && !VerifieTemps()) {
        Arret = true;
        return 0;
    }
    ++Noeuds;
    if ((Noeuds & 524287) == 0) {
        const uint32_t Maintenant = static_cast<uint32_t>(plateforme::GetTickCount());
        if (Maintenant >= DernierAffichage && Maintenant - DernierAffichage >= 1000) {
            EF(ChaineInfosSimple());
            DernierAffichage = static_cast<uint32_t>(plateforme::GetTickCount());
        }
    }

    const int16_t S = EvalStatique();
    if (S >= Beta) return Beta;
    if (S > Alpha) Alpha = S;

    // Past the end of the per-ply tables nothing more can be played: stand pat.
    if (NumDemiCoup >= NbDemiCoups - 1) return S;
    GenereListeCaps();
    const int32_t n = ListeCoups[NumDemiCoup].NbCoups;
    if (n == 0) return S;
    if (n >= 2) TrieListeCoupsQ();

    bool CaptureAmeliore = false;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup m = ListeCoups[NumDemiCoup].Coups[i];
        EffectuerDeplacementQ(Pieces[m.Piece].CasePiece, m.Arrivee, m.Promotion);
        const int16_t v = static_cast<int16_t>(-Quies(static_cast<int16_t>(-Beta), static_cast<int16_t>(-Alpha)));
        Restaure();
        if (Arret && CaptureAmeliore && Beta == Alpha + 1) return 0;
        if (v >= Beta) {
            MetAJourTueurs(m.Piece, m.Arrivee, m.Promotion);
            return Beta;
        }
        if (Arret) return 0;
        if (v > Alpha) {
            Alpha = v;
            CaptureAmeliore = true;
        }
    }
    return Alpha;
}

}  // namespace velkar
