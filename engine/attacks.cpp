// Attack tests: is a king attacked, would a move leave its own king
// attacked, and did the move just made give check.  Each walks the rays out
// from the king; nothing builds attack maps.
#include "velkar.h"

namespace velkar {

namespace {

inline bool EstEnnemi(int32_t Piece, int32_t CampRoi) {
    return CampRoi == 1 ? Piece > 16 : (Piece >= 1 && Piece <= 16);
}

// A queen attacks along every line, a bishop along diagonals (even
// directions), a rook along ranks and files (odd directions).
inline bool GlisseSur(int32_t Type, int32_t Direction) {
    return Type == 5 || (Type == 3 && (Direction & 1) == 0) || (Type == 4 && (Direction & 1) == 1);
}

// Directions from which an enemy pawn strikes a king of this colour.
inline bool DirectionPion(int32_t CampRoi, int32_t Direction) {
    return CampRoi == 1 ? (Direction == 6 || Direction == 8) : (Direction == 4 || Direction == 2);
}

}  // namespace

bool TVelkar::RoiEchec(int32_t CampRoi) {
    const int32_t K = Pieces[CampRoi == 1 ? 16 : 32].CasePiece;
    for (int32_t d = 1; d <= 8; ++d) {
        const int32_t* Rayon = Rayons[K][d];
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
    const int32_t* Sauts = Rayons[K][9];
    for (int32_t k = 1; k <= Sauts[0]; ++k) {
        const int32_t p = Echiquier[Sauts[k]];
        if (p != 0 && EstEnnemi(p, CampRoi) && Pieces[p].TypePiece == 2) return true;
    }
    return false;
}

bool TVelkar::EchecRapide(int32_t CampRoi, int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee) {
    const int32_t K = Pieces[CampRoi == 1 ? 16 : 32].CasePiece;
    const int32_t Victime = Echiquier[CaseArrivee];
    if (!EnEchec[NumDemiCoup] && Pieces[Piece].TypePiece != 6) {
        // Not in check and not a king move: only a piece that stands on a
        // line with its king can expose it, and only along that line.
        const int32_t d = DirectionEntre[K][CaseDepart];
        if (d == 0 || d == 9) return false;
        if (Victime) Pieces[Victime].CasePiece = -1;
        Echiquier[CaseArrivee] = Piece;
        Pieces[Piece].CasePiece = CaseArrivee;
        Echiquier[CaseDepart] = 0;
        bool Attaque = false;
        const int32_t* Rayon = Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            Attaque = EstEnnemi(p, CampRoi) && GlisseSur(Pieces[p].TypePiece, d);
            break;
        }
        Echiquier[CaseDepart] = Piece;
        Pieces[Piece].CasePiece = CaseDepart;
        Echiquier[CaseArrivee] = Victime;
        if (Victime) Pieces[Victime].CasePiece = CaseArrivee;
        return Attaque;
    }
    // In check, or the king itself moves: play the move in place and look.
    if (Victime) Pieces[Victime].CasePiece = -1;
    Echiquier[CaseArrivee] = Piece;
    Pieces[Piece].CasePiece = CaseArrivee;
    Echiquier[CaseDepart] = 0;
    const bool Attaque = RoiEchec(CampRoi);
    Echiquier[CaseDepart] = Piece;
    Pieces[Piece].CasePiece = CaseDepart;
    Echiquier[CaseArrivee] = Victime;
    if (Victime) Pieces[Victime].CasePiece = CaseArrivee;
    return Attaque;
}

bool TVelkar::EchecRapide2(int32_t CaseDepart, int32_t CaseArrivee) {
    const int32_t K = Pieces[Camp == 1 ? 16 : 32].CasePiece;
    // Discovered check along the line of the vacated square.
    int32_t d = DirectionEntre[K][CaseDepart];
    if (d >= 1 && d <= 8) {
        const int32_t* Rayon = Rayons[K][d];
        for (int32_t k = 1; k <= Rayon[0]; ++k) {
            const int32_t p = Echiquier[Rayon[k]];
            if (p == 0) continue;
            if (EstEnnemi(p, Camp) && GlisseSur(Pieces[p].TypePiece, d)) return true;
            break;
        }
    }
    // Direct check by the piece that arrived.
    d = DirectionEntre[K][CaseArrivee];
    if (d == 9) {
        const int32_t* Sauts = Rayons[K][9];
        for (int32_t k = 1; k <= Sauts[0]; ++k) {
            const int32_t p = Echiquier[Sauts[k]];
            if (p != 0 && EstEnnemi(p, Camp) && Pieces[p].TypePiece == 2) return true;
        }
    } else if (d >= 1) {
        const int32_t* Rayon = Rayons[K][d];
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
