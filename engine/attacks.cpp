// Attack tests: is a king attacked, would a move leave its own king
// attacked, and did the move just made give check.  Each walks the rays out
// from the king; nothing builds attack maps.
#include "position.h"

namespace velkar {

namespace {

inline bool EstEnnemi(int32_t Piece, int32_t CampRoi) { return CampRoi == 1 ? Piece > RoiBlanc : EstBlanche(Piece); }

// A queen attacks along every line, a bishop along diagonals (even
// directions), a rook along ranks and files (odd directions).
inline bool GlisseSur(int32_t Type, int32_t Direction) {
    return Type == 5 || (Type == 3 && (Direction & 1) == 0) || (Type == 4 && (Direction & 1) == 1);
}

// Directions from which an enemy pawn strikes a king of this colour.
inline bool DirectionPion(int32_t CampRoi, int32_t Direction) {
    return CampRoi == 1 ? (Direction == 6 || Direction == 8) : (Direction == 4 || Direction == 2);
}

// The light make and take-back of the legality test: Piece stands on
// CaseArrivee (its victim taken off) for as long as the object lives.
class TCoupEssai {
public:
    TCoupEssai(int32_t (&Echiquier)[65], TPiece (&Pieces)[33], int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee)
        : E(Echiquier),
          P(Pieces),
          Piece(Piece),
          Depart(CaseDepart),
          Arrivee(CaseArrivee),
          Victime(Echiquier[CaseArrivee]) {
        if (Victime) P[Victime].CasePiece = -1;
        E[Arrivee] = Piece;
        P[Piece].CasePiece = Arrivee;
        E[Depart] = 0;
    }
    ~TCoupEssai() {
        E[Depart] = Piece;
        P[Piece].CasePiece = Depart;
        E[Arrivee] = Victime;
        if (Victime) P[Victime].CasePiece = Arrivee;
    }
    TCoupEssai(const TCoupEssai&) = delete;
    TCoupEssai& operator=(const TCoupEssai&) = delete;

private:
    int32_t (&E)[65];
    TPiece (&P)[33];
    const int32_t Piece, Depart, Arrivee, Victime;
};

}  // namespace

bool TPosition::RoiEchec(int32_t CampRoi) const {
    const int32_t K = Pieces[NumeroRoi(CampRoi)].CasePiece;
    for (int32_t d = 1; d <= 8; ++d) {
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            if (EstEnnemi(p, CampRoi)) {
                const int32_t Type = Pieces[p].TypePiece;
                if (GlisseSur(Type, d)) return true;
                if (Type == 1 && DirectionPion(CampRoi, d)) {
                    int32_t Ecart = CaseVersX[Rayon[k]] - CaseVersX[K];
                    if (Ecart == 1 || Ecart == -1) return true;
                }
                if (Type == 6 && k == 1) return true;
            }
            break;
        }
    }
    const int32_t* Sauts = Geometrie.Rayons[K][9];
    for (int32_t k = 1; k <= Sauts[0]; ++k) {
        const int32_t p = Echiquier[Sauts[k]];
        if (p != 0 && EstEnnemi(p, CampRoi) && Pieces[p].TypePiece == 2) return true;
    }
    return false;
}

// Would the move leave the king of CampRoi attacked?  Out of check, a move
// of a piece other than the king can only uncover its king along the line
// from the king through the square it leaves; in check, or for a king
// move, the whole attack test runs with the move made.
bool TPosition::EchecRapide(int32_t CampRoi, int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee) {
    const int32_t K = Pieces[NumeroRoi(CampRoi)].CasePiece;
    if (!EnEchec[NumDemiCoup] && Pieces[Piece].TypePiece != 6) {
        const int32_t d = Geometrie.DirectionEntre[K][CaseDepart];
        if (d == 0 || d == 9) return false;
        const TCoupEssai Essai(Echiquier, Pieces, Piece, CaseDepart, CaseArrivee);
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            return EstEnnemi(p, CampRoi) && GlisseSur(Pieces[p].TypePiece, d);
        }
        return false;
    }
    const TCoupEssai Essai(Echiquier, Pieces, Piece, CaseDepart, CaseArrivee);
    return RoiEchec(CampRoi);
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
            if (EstEnnemi(p, Camp) && GlisseSur(Pieces[p].TypePiece, d)) return true;
            break;
        }
    }
    // Direct check by the piece that arrived.
    d = Geometrie.DirectionEntre[K][CaseArrivee];
    if (d == 9) {
        const int32_t* Sauts = Geometrie.Rayons[K][9];
        for (int32_t k = 1; k <= Sauts[0]; ++k) {
            const int32_t p = Echiquier[Sauts[k]];
            if (p != 0 && EstEnnemi(p, Camp) && Pieces[p].TypePiece == 2) return true;
        }
    } else if (d >= 1) {
        const int32_t* Rayon = Geometrie.Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            if (!EstEnnemi(p, Camp)) break;
            const int32_t Type = Pieces[p].TypePiece;
            if (GlisseSur(Type, d)) return true;
            if (Type == 1 && DirectionPion(Camp, d)) {
                int32_t Ecart = CaseVersX[Rayon[k]] - CaseVersX[K];
                if (Ecart == 1 || Ecart == -1) return true;
            }
            break;
        }
    }
    return false;
}

}  // namespace velkar
