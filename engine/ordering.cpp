// Move ordering: a score for every move of the ply's list, then a quicksort
// in increasing order; the searches take the moves from the end.  The sort
// is the classic unstable two-index quicksort: which of two equal moves
// comes first depends on the input order, and the search depends on that.
#include "searcher.h"

namespace velkar {

// The table move (CoupTable) comes first, then the killers of the ply, then
// the best root move of the previous iteration (only at its own root).
int32_t TChercheur::NoteRapide(int32_t Indice, const TCoupTable& CoupTable) const {
    const int32_t Ply = Pos.NumDemiCoup;
    const sCoup& m = ListeCoups[Ply].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[Ply];
    const TPiece* Pieces = Pos.Pieces;
    int32_t Note;
    if (p == CoupTable.Piece && a == CoupTable.Arrivee) {
        Note = 8192;
    } else if (p == Tueurs[0] && a == Tueurs[1]) {
        Note = 1024;
    } else if (p == Tueurs[2] && a == Tueurs[3]) {
        Note = 512;
    } else if (Ply == DemiCoupCoupRacine && p == CoupRacine.Piece && a == CoupRacine.Arrivee) {
        Note = 2048;
    } else {
        const int32_t Type = Pieces[p].TypePiece;
        const int32_t D = Pieces[p].CasePiece;
        const int32_t Gain =
            TabCasePiece[Type][Pos.Camp][D] - TabCasePiece[Type][Pos.Camp][a] + Pieces[Pos.Echiquier[a]].ValeurPiece;
        if (DemiCoupMax < 2) {
            Note = Gain;
        } else {
            uint32_t H = Historique[Ply][Type][a];
            if (H > 512) H = 512;
            Note = (Gain + static_cast<int32_t>(H)) / 8;
        }
    }
    if (m.Promotion != -1) Note += 100 * m.Promotion;
    return Note;
}

int32_t TChercheur::NoteRapideQ(int32_t Indice) const {
    const int32_t Ply = Pos.NumDemiCoup;
    const sCoup& m = ListeCoups[Ply].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[Ply];
    const TPiece* Pieces = Pos.Pieces;
    if (p == Tueurs[0] && a == Tueurs[1]) return 1024;
    if (p == Tueurs[2] && a == Tueurs[3]) return 512;
    if (Ply == DemiCoupCoupRacine && p == CoupRacine.Piece && a == CoupRacine.Arrivee &&
        m.Promotion == CoupRacine.Promotion)
        return 2048;
    const int32_t Type = Pieces[p].TypePiece;
    const int32_t D = Pieces[p].CasePiece;
    const int32_t V = Pieces[Pos.Echiquier[a]].ValeurPiece;
    const int32_t W = Pieces[p].ValeurPiece;
    return TabCasePiece[Type][Pos.Camp][D] + V - TabCasePiece[Type][Pos.Camp][a] + (V - W) / 64;
}

void TChercheur::TrieListeCoups(const TCoupTable& CoupTable) {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i)
        Liste.Coups[i].Note = static_cast<int16_t>(NoteRapide(i, CoupTable));
    QSTrieListeCoups(1, Liste.NbCoups);
}

void TChercheur::TrieListeCoupsQ() {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) Liste.Coups[i].Note = static_cast<int16_t>(NoteRapideQ(i));
    if (Liste.NbCoups > 1) QSTrieListeCoups(1, Liste.NbCoups);
}

void TChercheur::QSTrieListeCoups(int32_t Bas, int32_t Haut) {
    sCoup* L = ListeCoups[Pos.NumDemiCoup].Coups;
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
