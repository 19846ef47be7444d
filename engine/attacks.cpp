// Attack tests: is a king attacked, would a move leave its own king
// attacked, and did the move just made give check.  Each looks outward from
// the king: the first piece of each line through the occupied squares of the
// ply and the sliding tables, or a walk along one ray; nothing builds attack
// maps.
#include "bitboards.h"
#include "position.h"

namespace velkar {

namespace {

// A queen attacks along every line, a bishop along diagonals (even
// directions), a rook along ranks and files (odd directions).
inline bool GlisseSur(int32_t Type, int32_t Direction) {
    return Type == Dame || (Type == Fou && (Direction & 1) == 0) || (Type == Tour && (Direction & 1) == 1);
}

// Directions from which an enemy pawn strikes a king of this colour.
inline bool DirectionPion(int32_t CampRoi, int32_t Direction) {
    return CampRoi == Blanc ? (Direction == 6 || Direction == 8) : (Direction == 4 || Direction == 2);
}

// The light make and take-back of the legality test: Piece stands on
// CaseArrivee (its victim taken off) for as long as the object lives.
class TCoupEssai {
public:
    TCoupEssai(int32_t (&Echiquier)[65], TPiece (&Pieces)[33], Bitboard& Occupees, int32_t Piece, int32_t CaseDepart,
               int32_t CaseArrivee)
        : E(Echiquier),
          P(Pieces),
          O(Occupees),
          Avant(Occupees),
          Piece(Piece),
          Depart(CaseDepart),
          Arrivee(CaseArrivee),
          Victime(Echiquier[CaseArrivee]) {
        if (Victime) P[Victime].CasePiece = -1;
        E[Arrivee] = Piece;
        P[Piece].CasePiece = Arrivee;
        E[Depart] = 0;
        O = (O & ~Bit(Depart)) | Bit(Arrivee);
    }
    ~TCoupEssai() {
        E[Depart] = Piece;
        P[Piece].CasePiece = Depart;
        E[Arrivee] = Victime;
        if (Victime) P[Victime].CasePiece = Arrivee;
        O = Avant;
    }
    TCoupEssai(const TCoupEssai&) = delete;
    TCoupEssai& operator=(const TCoupEssai&) = delete;

private:
    int32_t (&E)[65];
    TPiece (&P)[33];
    Bitboard& O;
    const Bitboard Avant;
    const int32_t Piece, Depart, Arrivee, Victime;
};

}  // namespace

// The king is attacked when an enemy piece that strikes along a line is the
// first piece on that line, an enemy knight stands a knight's jump away, or
// an enemy pawn or king stands next to it on a square it strikes from.
bool TPosition::RoiEchec(int32_t CampRoi) const {
    const int32_t K = Pieces[NumeroRoi(CampRoi)].CasePiece;
    const Bitboard Occ = Occupees();
    // The enemy pieces stand among these squares.  Inside a trial move (and
    // while Chess960 castling lifts its rook) only the occupied squares
    // follow the move; White's squares are those of the ply, so the set may
    // hold the square our piece just took as well, never less: the colour of
    // each piece found is checked.
    const Bitboard Blanches = OccupationsBlanches[NumDemiCoup];
    const Bitboard Ennemis = Occ & (CampRoi == Blanc ? ~Blanches : Blanches);
    // Any piece among Cases of one of the two types, enemy, strikes.
    auto Frappe = [&](Bitboard Cases, int32_t Type, int32_t Type2) {
        for (Bitboard b = Cases & Ennemis; b != 0; b &= b - 1) {
            const int32_t p = Echiquier[__builtin_ctzll(b) + 1];
            const int32_t t = Pieces[p].TypePiece;
            if ((t == Type || t == Type2) && EstAdverse(p, CampRoi)) return true;
        }
        return false;
    };
    if (Frappe(AttaquesFou(K, Occ), Fou, Dame) || Frappe(AttaquesTour(K, Occ), Tour, Dame) ||
        Frappe(Bitboards.Cavalier[K], Cavalier, Cavalier) || Frappe(Bitboards.Voisins[K], Roi, Roi))
        return true;
    // Enemy pawns strike from the two squares diagonally ahead of the king.
    for (const int32_t d : {CampRoi == Blanc ? 6 : 2, CampRoi == Blanc ? 8 : 4}) {
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        if (Rayon[0] == 0) continue;
        const int32_t p = Echiquier[Rayon[1]];
        if (p != 0 && Pieces[p].TypePiece == Pion && EstAdverse(p, CampRoi)) return true;
    }
    return false;
}

// Inlined into the legality test, which asks it for most moves generated.
[[gnu::always_inline]] inline int32_t TPosition::Cloueur(int32_t CampRoi, int32_t K, int32_t s, int32_t& d) const {
    d = Geometrie.DirectionEntre[K][s];
    if (d == 0 || d == 9) return 0;
    // The first piece on that line with s emptied.
    const int32_t b = PremierBloqueur(Bitboards.Rayon[K][d] & Occupees() & ~Bit(s), d);
    if (b == 0) return 0;
    const int32_t p = Echiquier[b];
    return EstAdverse(p, CampRoi) && GlisseSur(Pieces[p].TypePiece, d) ? b : 0;
}

// Would the move leave the king of CampRoi attacked?  Out of check, a move
// of a piece other than the king can only uncover its king along the line
// from the king through the square it leaves; in check, or for a king
// move, the whole attack test runs with the move made.
bool TPosition::EchecRapide(int32_t CampRoi, int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee) {
    const int32_t K = Pieces[NumeroRoi(CampRoi)].CasePiece;
    if (!Traces.EnEchec[NumDemiCoup] && Pieces[Piece].TypePiece != Roi) {
        int32_t d;
        const int32_t b = Cloueur(CampRoi, K, CaseDepart, d);
        // Pinned: legal only along the line, up to and onto the pinning piece.
        return b != 0 && (Bitboards.Rayon[K][d] & ~Bitboards.Rayon[b][d] & Bit(CaseArrivee)) == 0;
    }
    const TCoupEssai Essai(Echiquier, Pieces, Occupations[NumDemiCoup], Piece, CaseDepart, CaseArrivee);
    return RoiEchec(CampRoi);
}

bool TPosition::PeutDecouvrir(int32_t s) const {
    int32_t d;
    return Cloueur(Camp, Pieces[NumeroRoi(Camp)].CasePiece, s, d) != 0;
}

bool TPosition::EchecRapide2(int32_t CaseDepart, int32_t CaseArrivee) const {
    const int32_t K = Pieces[NumeroRoi(Camp)].CasePiece;
    // Discovered check along the line of the vacated square.
    int32_t d = Geometrie.DirectionEntre[K][CaseDepart];
    if (d >= 1 && d <= 8) {
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            if (EstAdverse(p, Camp) && GlisseSur(Pieces[p].TypePiece, d)) return true;
            break;
        }
    }
    // Direct check by the piece that arrived.
    d = Geometrie.DirectionEntre[K][CaseArrivee];
    if (d == 9) {
        const int32_t* Sauts = Geometrie.Rayons[K][9];
        for (int32_t k = 1; k <= Sauts[0]; ++k) {
            const int32_t p = Echiquier[Sauts[k]];
            if (p != 0 && EstAdverse(p, Camp) && Pieces[p].TypePiece == Cavalier) return true;
        }
    } else if (d >= 1) {
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            if (!EstAdverse(p, Camp)) break;
            const int32_t Type = Pieces[p].TypePiece;
            if (GlisseSur(Type, d)) return true;
            if (Type == Pion && DirectionPion(Camp, d)) {
                int32_t Ecart = CaseVersX[Rayon[k]] - CaseVersX[K];
                if (Ecart == 1 || Ecart == -1) return true;
            }
            break;
        }
    }
    return false;
}

}  // namespace velkar
