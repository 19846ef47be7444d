// Move ordering: a score for every move of the ply's list, then a quicksort
// in increasing order; the searches take the moves from the end.  The sort
// is the classic unstable two-index quicksort: which of two equal moves
// comes first depends on the input order, and the search depends on that.
#include <algorithm>

#include "searcher.h"

namespace velkar {

namespace {

// The piece-square gain of moving piece p to a, plus the value of the piece
// taken there (0 for an empty square, so also for a capture en passant, and
// for the own rook a Chess960 castling king goes onto).
inline int32_t Gain(const TPosition& Pos, int32_t p, int32_t a) {
    const int32_t Type = Pos.Pieces[p].TypePiece;
    const int32_t D = Pos.Pieces[p].CasePiece;
    const int32_t Victime = Pos.Chess960() && Pos.EstRoque(p, a) ? 0 : Pos.Pieces[Pos.Echiquier[a]].ValeurPiece;
    return TabCasePiece[Type][Pos.Camp][D] - TabCasePiece[Type][Pos.Camp][a] + Victime;
}

}  // namespace

bool TChercheur::EstCoupRacine(int32_t p, int32_t a) const {
    return Pos.NumDemiCoup == DemiCoupCoupRacine && p == CoupRacine.Piece && a == CoupRacine.Arrivee;
}

// The table move (CoupTable) comes first, then the killers of the ply, then
// the best root move of the previous iteration (only at its own root).
int32_t TChercheur::NoteRapide(int32_t Indice, const TCoupTable& CoupTable) const {
    const sCoup& m = ListeCoups[Pos.NumDemiCoup].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[Pos.NumDemiCoup];
    int32_t Note;
    if (p == CoupTable.Piece && a == CoupTable.Arrivee) {
        Note = 8192;
    } else if (p == Tueurs[0] && a == Tueurs[1]) {
        Note = 1024;
    } else if (p == Tueurs[2] && a == Tueurs[3]) {
        Note = 512;
    } else if (EstCoupRacine(p, a)) {
        Note = 2048;
    } else if (DemiCoupMax < 2) {
        Note = Gain(Pos, p, a);
    } else {
        const uint32_t H = std::min<uint32_t>(Historique[Pos.NumDemiCoup][Pos.Pieces[p].TypePiece][a], 512);
        Note = (Gain(Pos, p, a) + static_cast<int32_t>(H)) / 8;
    }
    if (m.Promotion != SansPromotion) Note += 100 * m.Promotion;
    return Note;
}

int32_t TChercheur::NoteRapideQ(int32_t Indice) const {
    const sCoup& m = ListeCoups[Pos.NumDemiCoup].Coups[Indice];
    const int32_t p = m.Piece, a = m.Arrivee;
    const int32_t* Tueurs = Killers[Pos.NumDemiCoup];
    if (p == Tueurs[0] && a == Tueurs[1]) return 1024;
    if (p == Tueurs[2] && a == Tueurs[3]) return 512;
    if (EstCoupRacine(p, a) && m.Promotion == CoupRacine.Promotion) return 2048;
    const int32_t V = Pos.Pieces[Pos.Echiquier[a]].ValeurPiece;
    return Gain(Pos, p, a) + (V - Pos.Pieces[p].ValeurPiece) / 64;
}

void TChercheur::NoteCoups(const TCoupTable& CoupTable) {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) Liste.Coups[i].Note = static_cast<int16_t>(NoteRapide(i, CoupTable));
}

void TChercheur::NoteCoupsQ() {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) Liste.Coups[i].Note = static_cast<int16_t>(NoteRapideQ(i));
}

void TChercheur::TrieListeCoups(const TCoupTable& CoupTable) {
    NoteCoups(CoupTable);
    QSTrieListeCoups(1, ListeCoups[Pos.NumDemiCoup].NbCoups);
}

// The sort leaves a move of the best note last, where the search takes its
// first move.  When that note is the only best one, the move is known
// without sorting, and the order of the others matters only if the search
// asks for a second move (most nodes cut on their first): their sort waits
// till then, on the list as it stands, so that equal notes end in the order
// an immediate sort gives them.
int32_t TChercheur::TriDiffere() {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    const int32_t n = Liste.NbCoups;
    int32_t Meilleur = 1, Egaux = 0;
    int16_t NoteMax = Liste.Coups[1].Note;
    for (int32_t i = 2; i <= n; ++i) {
        const int16_t Note = Liste.Coups[i].Note;
        if (Note > NoteMax) {
            NoteMax = Note;
            Meilleur = i;
            Egaux = 0;
        } else if (Note == NoteMax) {
            ++Egaux;
        }
    }
    if (Egaux == 0) return Meilleur;
    QSTrieListeCoups(1, n);
    return 0;
}

int32_t TChercheur::NoteListeCoups(const TCoupTable& CoupTable) {
    NoteCoups(CoupTable);
    return TriDiffere();
}

int32_t TChercheur::NoteListeCoupsQ() {
    NoteCoupsQ();
    return TriDiffere();
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
