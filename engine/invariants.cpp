// The rules every position obeys, checked by the Debug build after every
// move and take-back and by the fuzz targets after every command.
#include <cstdio>
#include <cstdlib>

#include "position.h"

namespace velkar {

const char* TPosition::Incoherence(bool AuRepos) const {
    if (Camp != Blanc && Camp != Noir) return "side to move";
    if (NumDemiCoup < 1 || NumDemiCoup >= NbDemiCoups) return "ply inside its tables";
    for (int32_t c = 1; c <= 64; ++c) {
        const int32_t p = Echiquier[c];
        if (p < 0 || p > RoiNoir) return "board holds piece numbers";
        if (p != 0 && Pieces[p].CasePiece != c) return "board square names its piece's square";
    }
    int32_t Nombre[3] = {0, 0, 0};
    int32_t Total = 0;
    for (int32_t p = 1; p <= RoiNoir; ++p) {
        const TPiece& x = Pieces[p];
        if (x.CasePiece == -1) continue;
        if (x.CasePiece < 1 || x.CasePiece > 64) return "piece square in range";
        if (Echiquier[x.CasePiece] != p) return "piece stands on its board square";
        if (x.TypePiece < Pion || x.TypePiece > Roi) return "piece type";
        if (x.ValeurPiece != ValeursPieces[x.TypePiece]) return "piece value matches its type";
        if ((x.TypePiece == Roi) != (p == RoiBlanc || p == RoiNoir)) return "kings are numbers 16 and 32";
        ++Nombre[CouleurDe(p)];
        Total += EstBlanche(p) ? x.ValeurPiece : -x.ValeurPiece;
    }
    if (Pieces[RoiBlanc].CasePiece == -1 || Pieces[RoiNoir].CasePiece == -1) return "both kings on the board";
    if (Nombre[Blanc] != NbPiecesBlanches) return "White piece count";
    if (Nombre[Noir] != NbPiecesNoires) return "Black piece count";
    if (Total != Materiel) return "material matches a recount";
    for (int32_t c = Blanc; c <= Noir; ++c)
        if (PromusDuPlateau(c) != Promus[c]) return "promoted pieces counted";
    const int32_t e = CaseEnPassant;
    if (e != -1 && !(e >= 1 && e <= 64 && CaseVersY[e] == (Camp == Blanc ? 6 : 3) && Echiquier[e] == 0))
        return "en-passant square";
    if (Compteur50 < 0) return "fifty-move counter";
    if (!AuRepos) return nullptr;

    // Castling rights stand with their king and rook at home: in standard
    // chess the king on e1 or e8 and the rook in its corner; in Chess960 the
    // king anywhere on its first rank and the rook on the right's square, on
    // the side of the king the right names.  (Inside a capture sequence the
    // light move leaves the rights alone.)
    const int32_t Valeurs[5] = {0, RoqueBlancPetit, RoqueBlancGrand, RoqueNoirPetit, RoqueNoirGrand};
    static constexpr const char* Noms[5] = {"", "White king-side castling right", "White queen-side castling right",
                                            "Black king-side castling right", "Black queen-side castling right"};
    for (int32_t k = 1; k <= 4; ++k) {
        if (Valeurs[k] != 0 && Valeurs[k] != -1) return Noms[k];
        if (Valeurs[k] == -1) continue;
        const int32_t CampDroit = k <= 2 ? Blanc : Noir;
        const bool Petit = (k & 1) == 1;
        const int32_t CaseTour = TourRoque[k], CaseRoi = Pieces[NumeroRoi(CampDroit)].CasePiece;
        if (CaseTour < 1 || CaseTour > 64) return Noms[k];
        const int32_t t = Echiquier[CaseTour];
        if (t == 0 || CouleurDe(t) != CampDroit || Pieces[t].TypePiece != Tour) return Noms[k];
        const int32_t Rangee = CampDroit == Blanc ? 1 : 8;
        if (CaseVersY[CaseTour] != Rangee || CaseVersY[CaseRoi] != CaseVersY[CaseTour]) return Noms[k];
        if (Petit ? CaseTour < CaseRoi : CaseTour > CaseRoi) return Noms[k];
        if (!Echecs960 && (CaseTour != CoinsRoque[k] || CaseRoi != (CampDroit == Blanc ? 5 : 61))) return Noms[k];
    }
    if (Occupees() != OccupeesDuPlateau()) return "occupied squares are those of the pieces";
    if (OccupationsBlanches[NumDemiCoup] != BlanchesDuPlateau()) return "White's occupied squares are its pieces'";
    if (EcartsCases[NumDemiCoup] != EcartCasesDuPlateau()) return "piece-square balance matches a recount";
    if (Traces.Sauvegardes[NumDemiCoup].Nombre != 0) return "journal of the current ply is empty";
    if (Cle != Traces.HistoriqueCle[NumDemiCoup]) return "key history holds the current key";
    if (ClePions != Traces.HistoriqueClePions[NumDemiCoup]) return "pawn-key history holds the current key";
    if (RoiEchec(CampAdverse(Camp))) return "the side that just moved is not in check";
    return nullptr;
}

#ifndef NDEBUG
TPosition::TControle::TControle(const TPosition& Pos, uint64_t Autres, bool AvecCles)
    : Pos(Pos),
      Autres(Autres),
      Cle(Pos.Cle),
      ClePions(Pos.ClePions),
      Pieces(Pos.ClePieces(false)),
      Pions(Pos.ClePieces(true)),
      AvecCles(AvecCles),
      Roques{Pos.RoqueBlancPetit, Pos.RoqueBlancGrand, Pos.RoqueNoirPetit, Pos.RoqueNoirGrand} {}

TPosition::TControle::~TControle() {
    VELKAR_VERIFIE(Pos.Incoherence(false));
    if (!AvecCles) return;
    const int32_t Apres[4] = {Pos.RoqueBlancPetit, Pos.RoqueBlancGrand, Pos.RoqueNoirPetit, Pos.RoqueNoirGrand};
    uint64_t Attendu = Autres;
    for (int32_t k = 0; k < 4; ++k)
        if (Roques[k] == 0 && Apres[k] == -1) Attendu ^= ClesHachage.Roque[k + 1];
    if ((Pos.Cle ^ Cle) != (Pos.ClePieces(false) ^ Pieces ^ Attendu))
        VELKAR_VERIFIE("the key changed by what the move changed");
    if ((Pos.ClePions ^ ClePions) != (Pos.ClePieces(true) ^ Pions))
        VELKAR_VERIFIE("the pawn key changed by what the move changed on the pawns");
}

void VerifieCoherence(const char* Regle, const char* Fichier, int32_t Ligne) {
    if (Regle == nullptr) return;
    std::fprintf(stderr, "%s:%d: broken rule of the position: %s\n", Fichier, Ligne, Regle);
    std::abort();
}
#endif

}  // namespace velkar
