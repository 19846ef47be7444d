// Quiescence search: captures and promotions only, standing pat on the
// static score, so that no position is judged in the middle of an exchange.
#include "searcher.h"

namespace velkar {

namespace {

// Trades of equal value, as (captured type, capturing type): such a capture
// is not worth remembering as a killer.
inline bool EchangeEgal(int32_t TypePris, int32_t TypePreneur) {
    // clang-format off
    switch (TypePris * 8 + TypePreneur) {
        case Dame * 8 + Dame: case Tour * 8 + Tour: case Fou * 8 + Cavalier:
        case Fou * 8 + Fou: case Cavalier * 8 + Fou: case Pion * 8 + Pion:
            return true;
        default:
            return false;
    }
    // clang-format on
}

}  // namespace

void TChercheur::MetAJourTueurs(int32_t p, int32_t a, int32_t c) {
    int32_t* Tueurs = Killers[Pos.NumDemiCoup];
    if (c != SansPromotion) return;
    if (p == Tueurs[0] || p == Tueurs[2] || a == Tueurs[1] || a == Tueurs[3]) return;
    const int32_t Victime = Pos.Echiquier[a];
    if (Victime != 0 && EchangeEgal(Pos.Pieces[Victime].TypePiece, Pos.Pieces[p].TypePiece)) return;
    Tueurs[2] = Tueurs[0];
    Tueurs[3] = Tueurs[1];
    Tueurs[0] = p;
    Tueurs[1] = a;
}

int16_t TChercheur::Quies(int16_t Alpha, int16_t Beta) {
    if (Arret) return 0;
    if (!CompteNoeud(true)) return 0;

    const int16_t S = EvalStatique();
    if (S >= Beta) return Beta;
    if (S > Alpha) Alpha = S;

    // Past the end of the per-ply tables nothing more can be played: stand pat.
    if (Pos.NumDemiCoup >= NbDemiCoups - 1) return S;
    // The check flag of this ply is not set here: the captures are generated
    // with whatever flag the ply last had.
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereListeCaps(Liste);
    const int32_t n = Liste.NbCoups;
    if (n == 0) return S;
    int32_t Differe = n >= 2 ? NoteListeCoupsQ() : 0;  // the move taken first while the sort waits

    bool CaptureAmeliore = false;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup m = Liste.Coups[CoupAPrendre(i, n, Differe)];
        Pos.EffectuerDeplacementQ(Pos.CaseDe(m), m.Arrivee, m.Promotion);
        const int16_t v = static_cast<int16_t>(-Quies(static_cast<int16_t>(-Beta), static_cast<int16_t>(-Alpha)));
        Pos.Restaure();
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
