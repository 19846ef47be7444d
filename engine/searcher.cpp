// The searcher's creation and the pieces shared by its root, inner and
// quiescence nodes: counting nodes, the table probe and store, killers and
// history, mate-distance pruning and the variation.
#include "searcher.h"

#include <cstdlib>
#include <cstring>

#include "../platform/plateforme.h"
#include "eval.h"
#include "threads.h"

namespace velkar {

TChercheur::TChercheur(TTableTransposition& Transposition, TTablePions& Pions)
    : Transposition(Transposition), Pions(Pions), Sortie(plateforme::SortieStandard()) {
    std::memset(ListeCoups, 0, sizeof ListeCoups);
    std::memset(Killers, 0, sizeof Killers);
    std::memset(Historique, 0, sizeof Historique);
    DerniereVP.reserve(4096);
}

void TChercheur::NouvellePartie() {
    Noeuds = 0;
    for (int32_t p = 1; p <= NbDemiCoups; ++p) Killers[p][0] = Killers[p][1] = Killers[p][2] = Killers[p][3] = -1;
    CoupRacine = TCoupTable{};
    DemiCoupCoupRacine = -1;
    TexteCoupRacine[0] = 0;
    // History is written only at cut-offs, so only the plies up to the
    // highest one written need clearing.
    std::memset(Historique, 0, sizeof Historique[0] * static_cast<size_t>(HistoriqueMaxDemiCoup + 1));
    HistoriqueMaxDemiCoup = 0;
    Limites.Ponder = false;
}

// Only the main searcher writes; a helper's lines are dropped.
void TChercheur::EF(std::string_view Texte) const {
    if (ArretEquipe == nullptr) plateforme::EcrireLigne(Sortie, Texte);
}

uint64_t TChercheur::NoeudsTotal() const { return Noeuds + (Equipe != nullptr ? Equipe->Noeuds() : 0); }
uint64_t TChercheur::TbHitsTotal() const { return TbHits + (Equipe != nullptr ? Equipe->TbHits() : 0); }

int16_t TChercheur::EvalStatique() {
    const int32_t e = Arret ? 0 : Eval(Pos, Pions);
    return static_cast<int16_t>(Pos.Camp == 1 ? e + Pos.Materiel : e - Pos.Materiel);
}

bool TChercheur::CompteNoeud(bool Quiescence) {
    if ((Noeuds & IntervalleVerification) == 0 && !VerifieTemps()) {
        Arret = true;
        return false;
    }
    ++Noeuds;
    if ((Noeuds & 524287) == 0) Progression(Quiescence, NbCoupsRacine - NumCoupRacine + 1);
    return true;
}

void TChercheur::Progression(bool Quiescence, int32_t NumeroCoup) {
    if (ArretEquipe != nullptr) return;
    const uint32_t Maintenant = static_cast<uint32_t>(plateforme::GetTickCount());
    if (Maintenant < DernierAffichage || Maintenant - DernierAffichage < 1000) return;
    EF(Quiescence ? ChaineInfosSimple() : ChaineInfosPrimaire(NumeroCoup, TexteCoupRacine));
    DernierAffichage = Maintenant;
}

TSondage TChercheur::Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta) {
    const TSondage r = Transposition.HashRecherche(Pos.Cle, Profondeur, Alpha, Beta);
    CoupDernierSondage = r.Coup;
    return r;
}

void TChercheur::EnregistreResultat(int16_t Profondeur, int16_t Alpha, int16_t AlphaEntree,
                                    const TCoupTable& Meilleur) {
    // Exact with its move when a move raised Alpha, otherwise an upper bound.
    if (Alpha > AlphaEntree) {
        Transposition.HashEnregistre(Pos.Cle, Profondeur, Alpha, BorneExacte, Meilleur);
    } else {
        Transposition.HashEnregistre(Pos.Cle, Profondeur, Alpha, BorneHaute, TCoupTable{});
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
    const int32_t m = ScoreMat - Eloignement;
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
    if ((Type == 6 && (Ecart == 2 || Pos.Chess960)) || (Type == 1 && Ecart != 8 && !Capture))
        return Pos.RoiEchec(Pos.Camp);
    return Pos.EchecRapide2(s, a);
}

}  // namespace velkar
