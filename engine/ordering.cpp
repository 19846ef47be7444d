// Move ordering: a score for every move of the ply's list, then a quicksort
// in increasing order; the searches take the moves from the end.  The sort
// is the classic unstable two-index quicksort: which of two equal moves
// comes first depends on the input order, and the search depends on that.
#include "velkar.h"

namespace velkar {

int32_t TVelkar::NoteRapide(int32_t Indice, bool /*Indicateur*/) const {
    const sCoup& m = ListeCoups[NumDemiCoup].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[NumDemiCoup];
    int32_t Note;
    if (p == CoupHash[0][0] && a == CoupHash[0][1]) {
        Note = 8192;
    } else if (p == Tueurs[0] && a == Tueurs[1]) {
        Note = 1024;
    } else if (p == Tueurs[2] && a == Tueurs[3]) {
        Note = 512;
    } else if (p == CoupHash[NumDemiCoup][0] && a == CoupHash[NumDemiCoup][1]) {
        Note = 2048;
    } else {
        const int32_t Type = Pieces[p].TypePiece;
        const int32_t D = Pieces[p].CasePiece;
        const int32_t Gain =
            TabCasePiece[Type][Camp][D] - TabCasePiece[Type][Camp][a] + Pieces[Echiquier[a]].ValeurPiece;
        if (DemiCoupMax < 2) {
            Note = Gain;
        } else {
            uint32_t H = Historique[NumDemiCoup][Type][a];
            if (H > 512) H = 512;
            Note = (Gain + static_cast<int32_t>(H)) / 8;
        }
    }
    if (m.Promotion != -1) Note += 100 * m.Promotion;
    return Note;
}

int32_t TVelkar::NoteRapideQ(int32_t Indice) const {
    const sCoup& m = ListeCoups[NumDemiCoup].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[NumDemiCoup];
    if (p == Tueurs[0] && a == Tueurs[1]) return 1024;
    if (p == Tueurs[2] && a == Tueurs[3]) return 512;
    if (p == CoupHash[NumDemiCoup][0] && a == CoupHash[NumDemiCoup][1] && m.Promotion == CoupHash[NumDemiCoup][2])
        return 2048;
    const int32_t Type = Pieces[p].TypePiece;
    const int32_t D = Pieces[p].CasePiece;
    const int32_t V = Pieces[Echiquier[a]].ValeurPiece;
    const int32_t W = Pieces[p].ValeurPiece;
    return TabCasePiece[Type][Camp][D] + V - TabCasePiece[Type][Camp][a] + (V - W) / 64;
}

void TVelkar::TrieListeCoups(bool Indicateur) {
    ListeCoupsPly& Liste = ListeCoups[NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i)
        Liste.Coups[i].Note = static_cast<int16_t>(NoteRapide(i, Indicateur));
    QSTrieListeCoups(1, Liste.NbCoups);
}

void TVelkar::TrieListeCoupsQ() {
    ListeCoupsPly& Liste = ListeCoups[NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) Liste.Coups[i].Note = static_cast<int16_t>(NoteRapideQ(i));
    if (Liste.NbCoups > 1) QSTrieListeCoups(1, Liste.NbCoups);
}

void TVelkar::QSTrieListeCoups(int32_t Bas, int32_t Haut) {
    sCoup* L = ListeCoups[NumDemiCoup].Coups;
    const int16_t Pivot = L[(Bas + Haut) / 2].Note;
    int32_t i = Bas, j = Haut;
    while (i <= j) {
        while (L[i].Note < Pivot) ++i;
        while (Pivot < L[j].Note) --j;
        if (i <= j) {
            const sCoup Echange = L[i];
            L[i] = L[j];
            L[j] = Echange;
            ++i;
            --j;
        }
    }
    if (Bas < j) QSTrieListeCoups(Bas, j);
    if (i < Haut) QSTrieListeCoups(i, Haut);
}

}  // namespace velkar
