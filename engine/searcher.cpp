// The searcher's creation and the pieces shared by its root, inner and
// quiescence nodes: counting nodes and the periodic check, the table probe
// and store, killers and history, mate-distance pruning and the variation.
#include "searcher.h"

#include <cstdlib>
#include <cstring>

#include "duties.h"
#include "eval.h"

namespace velkar {

TChercheur::TChercheur(TPosition& Pos, TTableTransposition& Transposition, TTablePions& Pions, bool MemoireNulle)
    : Pos(Pos), Transposition(Transposition), Pions(Pions) {
    if (MemoireNulle) {
        HistoriqueMaxDemiCoup = 0;
        return;
    }
    std::memset(ListeCoups, 0, sizeof ListeCoups);
    std::memset(Killers, 0, sizeof Killers);
    std::memset(Historique, 0, sizeof Historique);
}

void TChercheur::NouvellePartie() {
    Noeuds = 0;
    for (int32_t p = 1; p <= NbDemiCoups; ++p) Killers[p][0] = Killers[p][1] = Killers[p][2] = Killers[p][3] = -1;
    CoupRacine = TCoupTable{};
    DemiCoupCoupRacine = -1;
    CoupRacineCourant = TCoupUci{};
    // History is written only at cut-offs, so only the plies up to the
    // highest one written need clearing.
    std::memset(Historique, 0, sizeof Historique[0] * static_cast<size_t>(HistoriqueMaxDemiCoup + 1));
    HistoriqueMaxDemiCoup = 0;
}

TCoupUci TChercheur::CoupChoisi() const {
    return TCoupUci{static_cast<int8_t>(Pos.Pieces[CoupRacine.Piece].CasePiece),
                    static_cast<int8_t>(CoupRacine.Arrivee), static_cast<int8_t>(CoupRacine.Promotion)};
}

int16_t TChercheur::EvalStatique() {
    const int32_t e = Arret ? 0 : Eval(Pos, Pions);
    return static_cast<int16_t>(AvecMateriel(Pos, e));
}

bool TChercheur::CompteNoeud(bool Quiescence) {
    if ((Noeuds & IntervalleVerification) == 0 && !Verifie()) {
        Arret = true;
        return false;
    }
    ++Noeuds;
    // A progress report now and then (the duties say it at most once a second).
    constexpr uint64_t NoeudsEntreProgressions = (uint64_t{1} << 19) - 1;
    if ((Noeuds & NoeudsEntreProgressions) == 0)
        Devoirs->Progression(*this, Quiescence, NbCoupsRacine - NumCoupRacine + 1, CoupRacineCourant);
    return true;
}

bool TChercheur::Verifie() {
    Publies.Noeuds.store(Noeuds, std::memory_order_relaxed);
    Publies.TbHits.store(TbHits, std::memory_order_relaxed);
    return Devoirs->Verifie(*this);
}

TSondage TChercheur::Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta) {
    if (!MatLePlusCourt) {
        const TSondage r = Transposition.HashRecherche(Pos.Cle, Profondeur, Alpha, Beta);
        CoupDernierSondage = r.Coup;
        return r;
    }
    // go mate: the window in the table's terms, and the score back in the
    // root's (the shift keeps the order of scores, so the bounds compare
    // as they would).
    const int32_t Plis = Pos.NumDemiCoup - DemiCoupRacine;
    TSondage r = Transposition.HashRecherche(Pos.Cle, Profondeur, DecaleMat(Alpha, Plis), DecaleMat(Beta, Plis));
    r.Score = DecaleMat(r.Score, -Plis);
    CoupDernierSondage = r.Coup;
    return r;
}

void TChercheur::EnregistreResultat(int16_t Profondeur, int16_t Alpha, int16_t AlphaEntree,
                                    const TCoupTable& Meilleur) {
    // Exact with its move when a move raised Alpha, otherwise an upper bound.
    if (Alpha > AlphaEntree) {
        Transposition.HashEnregistre(Pos.Cle, Profondeur, ScorePourTable(Alpha), BorneExacte, Meilleur);
    } else {
        Transposition.HashEnregistre(Pos.Cle, Profondeur, ScorePourTable(Alpha), BorneHaute, TCoupTable{});
    }
}

void TChercheur::NoteHistorique(int32_t Type, int32_t a, uint32_t Bonus) {
    const int32_t Ply = Pos.NumDemiCoup;
    Historique[Ply][Type][a] += Bonus;
    if (Ply > HistoriqueMaxDemiCoup) HistoriqueMaxDemiCoup = Ply;
}

void TChercheur::CopieLigne(pLigne Ligne, int32_t Depart, int32_t Arrivee, int32_t Promotion, const LigneVP& Enfant) {
    Ligne->Coups[0] =
        TCoupUci{static_cast<int8_t>(Depart), static_cast<int8_t>(Arrivee), static_cast<int8_t>(Promotion)};
    int32_t n = Enfant.NbCoups;
    if (n > CoupsParLigne - 1) n = CoupsParLigne - 1;
    for (int32_t k = 0; k < n; ++k) Ligne->Coups[k + 1] = Enfant.Coups[k];
    Ligne->NbCoups = n + 1;
}

bool TChercheur::ElagueDistanceMat(int32_t Eloignement, int16_t& Alpha, int16_t& Beta, int16_t& Borne) {
    // No line from here can beat being mated here, nor a mate given at the
    // next ply: narrow the window to that, and stop when it closes.
    const int32_t m = MatEn(Eloignement);
    if (m < Beta) {
        Beta = static_cast<int16_t>(m);
        if (m <= Alpha) {
            Borne = static_cast<int16_t>(m);
            return true;
        }
    }
    if (-m > Alpha) {
        Alpha = static_cast<int16_t>(-m);
        if (-m >= Beta) {
            Borne = static_cast<int16_t>(-m);
            return true;
        }
    }
    return false;
}

bool TChercheur::DonneEchec(int32_t p, int32_t s, int32_t a, bool Capture) {
    // Castling, double steps and en-passant captures can check in ways the
    // fast test does not see (the rook, or a line opened by the taken pawn).
    // In Chess960 any king move may have been castling: the full test.
    const int32_t Type = Pos.Pieces[p].TypePiece;
    const int32_t Ecart = std::abs(a - s);
    if ((Type == Roi && (Ecart == 2 || Pos.Chess960())) || (Type == Pion && Ecart != 8 && !Capture))
        return Pos.RoiEchec(Pos.Camp);
    return Pos.EchecRapide2(s, a);
}

}  // namespace velkar
