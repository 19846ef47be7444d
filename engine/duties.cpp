// The main searcher's duties: the clock, the input, the node limit, the
// level's budget, and the reports of what the search finds.
#include "duties.h"

#include <algorithm>

#include "../platform/plateforme.h"
#include "hash.h"
#include "partage.h"
#include "position.h"
#include "searcher.h"
#include "wdl.h"

namespace velkar {

namespace {

uint32_t Maintenant() { return static_cast<uint32_t>(plateforme::GetTickCount()); }

}  // namespace

TDevoirsPrincipal::TDevoirsPrincipal(const TRequete& Requete, TSignaux& Signaux, TEcouteur& Ecouteur,
                                     TRapporteur& Rapporteur, TPartageEquipe& Equipe,
                                     const TTableTransposition& Transposition)
    : Requete(Requete),
      Limites(Requete.Limites),
      Signaux(Signaux),
      Ecouteur(Ecouteur),
      Rapporteur(Rapporteur),
      Equipe(Equipe),
      Transposition(Transposition) {}

void TDevoirsPrincipal::Demarre(const TPosition& Pos) {
    const TReglages& Reglages = Requete.Reglages;
    DebutRecherche = Maintenant();
    const int32_t Siens = Pos.NbPieces(CampAdverse(Pos.Camp));
    Pendule.Demarre(Limites, Reglages.MoveOverhead, Pos.Camp, Pos.NbPieces(Pos.Camp), Siens);
    DernierAffichage = Maintenant();
    LigneAvecScore = false;

    // At a limited strength: a node budget (larger against a bare king,
    // which must be mated), and several root moves to choose from.
    NiveauLimite = Reglages.LimiteForce;
    Niveau = NiveauDeForce(Reglages.Elo);
    RoiSeul = Siens == 1;
    BudgetNoeuds = NiveauLimite ? (RoiSeul ? std::max(Niveau.Noeuds, NoeudsRoiSeul) : Niveau.Noeuds) : 0;
    NbVariantes = NiveauLimite && !RoiSeul ? std::max(Reglages.MultiPV, Niveau.Candidats) : Reglages.MultiPV;
    // go mate at full strength looks for one mate, with the single
    // variation's window and helpers: the other lines would cost their full
    // refutation before any mate is proved.
    if (Limites.Mat > 0 && !NiveauLimite) NbVariantes = 1;
}

bool TDevoirsPrincipal::Verifie(const TChercheur& c) {
    // A limited level keeps its promises on every clock: three plies are
    // completed (a mate in two is always seen) before its clock counts, up
    // to half of what is left, and against a bare king its node budget is
    // spent, up to the limit that keeps a game safe from losing on time.
    if (!NiveauLimite) {
        if (Pendule.Ecoule(c.DebutFait(), Signaux.EnPonder())) return false;
    } else if (c.IterationEnCours() <= 3) {
        if (Pendule.Ecoule(false, Signaux.EnPonder(), 2)) return false;
    } else if (Pendule.Ecoule(!RoiSeul, Signaux.EnPonder())) {
        return false;
    }
    // A helper proved the mate go mate asked for.
    if (Equipe.MatSignale()) return false;
    // A limited strength's budget ends the search (not a ponder search's
    // wait for ponderhit) once three plies are done.
    if (BudgetNoeuds > 0 && c.IterationEnCours() > 3 && c.NoeudsCherches() >= BudgetNoeuds) return false;
    // go nodes counts every thread's nodes, but the helpers' count never
    // leaves the main searcher without a root move searched to the end.
    const uint64_t Propres = c.NoeudsCherches();
    if (Limites.Noeuds > 0 && Propres + Equipe.NoeudsAuxiliaires() >= Limites.Noeuds &&
        (Propres >= Limites.Noeuds || c.DebutFait())) {
        Signaux.Arrete();
        return false;
    }
    // The input is looked at on every check (every 4096 nodes, a couple of
    // milliseconds), so that stop and ponderhit take effect at once: with a
    // few milliseconds on the clock a late ponderhit loses the game.  A
    // check costs one poll with no wait.  Once the input has ended, the
    // interface is gone: the search ends as on quit, whatever its limits,
    // rather than run on as an orphan; but not before its first iteration
    // has chosen a move, so that the reply is a searched one.
    const TEcouteur::TEvenement e = Ecouteur.Ecoute(0);
    if (e == TEcouteur::Fin && !c.AChoisi()) return true;
    return Entend(e);
}

bool TDevoirsPrincipal::Entend(TEcouteur::TEvenement Evenement) {
    switch (Evenement) {
        case TEcouteur::Stop: Signaux.ArreteSurOrdre(false); return false;
        // Nobody can send stop any more once the input has ended: as quit.
        case TEcouteur::Quit:
        case TEcouteur::Fin: Signaux.ArreteSurOrdre(true); return false;
        case TEcouteur::PonderHit:
            // A ponderhit that arrives when nothing is pondered changes nothing.
            if (Signaux.PonderHit()) Pendule.PonderHit();
            return true;
        default: return true;
    }
}

void TDevoirsPrincipal::IterationFaite(const TChercheur& c) { Equipe.NoteProfondeur(c.IterationEnCours()); }

bool TDevoirsPrincipal::FinIteration(const TChercheur& c) {
    if (Signaux.ArretDemande()) return true;
    if (Pendule.Epuise(Signaux.EnPonder()) && (!NiveauLimite || (!RoiSeul && c.IterationEnCours() >= 3))) return true;
    return Limites.Profondeur > 0 && c.IterationEnCours() == Limites.Profondeur;
}

void TDevoirsPrincipal::Attend(int32_t Millisecondes) { Entend(Ecouteur.Ecoute(Millisecondes)); }

void TDevoirsPrincipal::AttendTempsNaturel() {
    if (!NiveauLimite || Signaux.ArretDemande() || Limites.Infini || Signaux.EnPonder() || Limites.Profondeur > 0 ||
        Limites.Noeuds > 0 || Limites.Mat > 0)
        return;
    const int64_t Fin = Pendule.MiTemps();
    while (!Signaux.ArretDemande()) {
        const int64_t Reste = Fin - static_cast<int64_t>(plateforme::GetTickCount());
        if (Reste <= 0) return;
        Attend(static_cast<int32_t>(std::min<int64_t>(Reste, 1000)));
    }
}

void TDevoirsPrincipal::AttendFinRecherche() {
    while (!Signaux.ArretDemande() && (Limites.Infini || Signaux.EnPonder())) Attend(-1);
}

// --- reports ------------------------------------------------------------------------

int32_t TDevoirsPrincipal::TempsEcoule() const { return static_cast<int32_t>(Maintenant() - DebutRecherche); }

void TDevoirsPrincipal::Compteurs(const TChercheur& c, TInfos& i) const {
    i.Temps = TempsEcoule();
    i.Noeuds = c.NoeudsCherches() + Equipe.NoeudsAuxiliaires();
    i.AvecTbHits = c.AvecTables();
    i.TbHits = c.PositionsDesTables() + Equipe.TbHitsAuxiliaires();
    i.Remplissage = Transposition.Remplissage();
}

void TDevoirsPrincipal::ScoreDe(const TPosition& Pos, int32_t Score, TInfos& i) {
    i.Score = Score;
    ModeleWdl(Score, MaterielWdl(Pos), i.Gain, i.Nulle, i.Perte);
    LigneAvecScore = true;
}

void TDevoirsPrincipal::Progression(const TChercheur& c, bool Quiescence, int32_t NumeroCoup, const TCoupUci& Coup) {
    const uint32_t Instant = Maintenant();
    if (Instant < DernierAffichage || Instant - DernierAffichage < 1000) return;
    TInfos i;
    i.Genre = Quiescence ? TInfos::Progression : TInfos::CoupCourant;
    i.Profondeur = c.IterationEnCours();
    i.ProfondeurSel = c.ProfondeurSelective();
    i.Coup = Coup;
    i.NumeroCoup = NumeroCoup;
    Compteurs(c, i);
    Rapporteur.Infos(i);
    DernierAffichage = Instant;
}

void TDevoirsPrincipal::Variation(const TChercheur& c, const LigneVP& Ligne, int32_t Score, int32_t NumeroCoup,
                                  const TCoupUci& Coup) {
    TInfos i;
    i.Genre = TInfos::Variation;
    i.Profondeur = c.IterationEnCours();
    i.ProfondeurSel = c.ProfondeurSelective();
    i.Coup = Coup;
    i.NumeroCoup = NumeroCoup;
    ScoreDe(c.Plateau(), Score, i);
    Compteurs(c, i);
    i.Ligne = &Ligne;
    Rapporteur.Infos(i);
}

void TDevoirsPrincipal::VariationMultiPV(const TChercheur& c, int32_t k, const LigneVP& Ligne, int32_t Score,
                                         int32_t Profondeur) {
    // A limited level weighs several candidates, but with one variation
    // asked only the best is shown, as a plain line: the level's choice, if
    // another, ends the lines.
    const bool Une = !LignesNumerotees();
    if (Une && k > 1) return;
    TInfos i;
    i.Genre = Une ? TInfos::Retenue : TInfos::MultiPV;
    i.Profondeur = Profondeur;
    i.ProfondeurSel = c.ProfondeurSelective();
    i.NumeroVariation = k;
    ScoreDe(c.Plateau(), Score, i);
    Compteurs(c, i);
    i.Ligne = &Ligne;
    Rapporteur.Infos(i);
}

void TDevoirsPrincipal::RapporteFinale(const TChercheur& c, const TPosition& Pos, const TCoupUci& Coup, bool Resolue) {
    if (LigneAvecScore) return;
    LigneVP Ligne;
    Ligne.NbCoups = 1;
    Ligne.Coups[0] = Coup;
    TInfos i;
    i.Genre = TInfos::Finale;
    i.Profondeur = std::max(c.ProfondeurChoisie(), 1);
    i.ProfondeurSel = c.ProfondeurSelective();
    ScoreDe(Pos, c.ScoreChoisi(), i);
    if (Resolue) {
        // The tables leave no doubt: a won, drawn (cursed wins and blessed
        // losses included) or lost root is that for sure.
        i.Gain = c.ScoreChoisi() > 0 ? 1000 : 0;
        i.Perte = c.ScoreChoisi() < 0 ? 1000 : 0;
        i.Nulle = 1000 - i.Gain - i.Perte;
    }
    Compteurs(c, i);
    i.Ligne = &Ligne;
    Rapporteur.Infos(i);
}

void TDevoirsPrincipal::RapporteRetenue(const TChercheur& Principal, const TChercheur& Auteur, const LigneVP& Ligne) {
    TInfos i;
    i.Genre = LignesNumerotees() ? TInfos::MultiPV : TInfos::Retenue;
    i.NumeroVariation = 1;
    i.Profondeur = Auteur.ProfondeurChoisie();
    i.ProfondeurSel = std::max(Principal.ProfondeurSelective(), Auteur.ProfondeurSelective());
    ScoreDe(Principal.Plateau(), Auteur.ScoreChoisi(), i);
    Compteurs(Principal, i);
    i.Ligne = &Ligne;
    Rapporteur.Infos(i);
}

void TDevoirsPrincipal::RapporteElu(const TChercheur& Principal, const TChercheur& Elu) {
    RapporteRetenue(Principal, Elu, Elu.VariationFaite());
}

void TDevoirsPrincipal::RapporteChoixDuNiveau(const TChercheur& c) {
    if (LigneAvecScore) RapporteRetenue(c, c, c.Variation());  // else the final line gives the move
}

void TDevoirsPrincipal::RapporteSansCoup(bool Mat) {
    // Mated, the game is lost; stalemated, it is drawn.
    TInfos i;
    i.Genre = TInfos::SansCoup;
    i.Score = Mat ? -ScoreMat : 0;
    i.Nulle = Mat ? 0 : 1000;
    i.Perte = Mat ? 1000 : 0;
    Rapporteur.Infos(i);
}

}  // namespace velkar
