// Time management and the watch on standard input during a search.
#include <algorithm>
#include <limits>

#include "../platform/plateforme.h"
#include "searcher.h"
#include "threads.h"

namespace velkar {

namespace {

// The clock and increment of the side to move: with a fixed time per move
// the clock is 0 and the whole time stands in the increment.
struct TTempsCamp {
    int64_t Temps, Inc;
    bool AvecIncrement;  // either side has an increment
};

// The time left once the interface's loss (Move Overhead) is taken off for
// each of Coups moves; never less than an eighth of it.
int64_t Disponible(int64_t Temps, int64_t Coups, int32_t MoveOverhead) {
    if (MoveOverhead <= 0) return Temps;
    return std::max(Temps - Coups * MoveOverhead, Temps / 8);
}

TTempsCamp TempsDuCamp(const TLimites& L, int32_t Camp, int32_t MoveOverhead) {
    if (L.TempsParCoupFixe) {
        const int64_t t = Disponible(L.TempsParCoup, 1, MoveOverhead);
        return TTempsCamp{0, t, t > 0};
    }
    const bool Blanc = Camp == 1;
    return TTempsCamp{Blanc ? L.TempsBlanc : L.TempsNoir, Blanc ? L.IncBlanc : L.IncNoir,
                      L.IncBlanc > 0 || L.IncNoir > 0};
}

}  // namespace

int32_t TChercheur::CalculeTemps() const {
    const TTempsCamp t = TempsDuCamp(Limites, Pos.Camp, Reglages.MoveOverhead);
    const int64_t Miens = Pos.NbPieces(Pos.Camp);
    const int64_t Siens = Pos.NbPieces(3 - Pos.Camp);
    int64_t Budget;
    // The clock is planned over as many moves as it is divided by.
    if (t.AvecIncrement) {
        // Facing three pieces more, expect a longer game and spend less.
        const int64_t Diviseur = Siens >= Miens + 3 ? 42 : 32;
        const int64_t Temps = Disponible(t.Temps, Diviseur, Reglages.MoveOverhead);
        Budget = (t.Inc * 95 / 100 + Temps / Diviseur) * 87 / 100;
        // On a real clock never plan to spend more than three quarters of
        // what is left, however large the increment.
        if (!Limites.TempsParCoupFixe && Limites.Profondeur <= 0) Budget = std::min(Budget, Temps * 3 / 4);
    } else {
        Budget = Disponible(t.Temps, 41, Reglages.MoveOverhead) / 41;
    }
    return static_cast<int32_t>(
        std::clamp<int64_t>(Budget, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t TChercheur::LimiteSansCoup() const {
    const TTempsCamp t = TempsDuCamp(Limites, Pos.Camp, Reglages.MoveOverhead);
    const int64_t Reference = Limites.TempsParCoupFixe ? t.Inc : Disponible(t.Temps, 8, Reglages.MoveOverhead);
    return std::max<int64_t>(TempsAlloue, Reference / 8);
}

void TChercheur::Arrete() {
    Limites.Infini = false;
    Limites.Ponder = false;
    Limites.Profondeur = 0;
    ArretDemande = true;
}

bool TChercheur::TraiteLigneRecherche(const std::string& Ligne) {
    if (Ligne == "quit" || Ligne == "stop") {
        Arrete();
        if (Ligne == "quit") QuitDemande = true;
        return false;
    }
    if (Ligne == "ponderhit") {
        // Half of the time spent pondering is added to the budget.  A
        // ponderhit that arrives when nothing is pondered changes nothing.
        if (Limites.Ponder) {
            const int64_t Ponder = static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutPonder};
            TempsAlloue = static_cast<int32_t>(
                std::clamp<int64_t>(int64_t{TempsAlloue} + Ponder / 2, 0, std::numeric_limits<int32_t>::max()));
            Limites.Ponder = false;
        }
    } else if (Ligne == "isready") {
        EF("readyok");
    } else if (!Ligne.empty()) {
        // Anything else waits, in order, until the search has replied.
        plateforme::DiffereLigne(Ligne);
    }
    return true;
}

bool TChercheur::VerifieTemps() {
    if (ArretEquipe != nullptr) {
        // A helper: no clock, no input; it ends when the main searcher does.
        NoeudsPublies.store(Noeuds, std::memory_order_relaxed);
        TbHitsPublies.store(TbHits, std::memory_order_relaxed);
        if (Limites.Noeuds > 0 && EquipeDuPrincipal->NoeudsTous() >= Limites.Noeuds) return false;
        return !ArretEquipe->load(std::memory_order_relaxed);
    }
    if (Limites.Noeuds > 0 && Equipe != nullptr) Equipe->NoeudsPrincipal.store(Noeuds, std::memory_order_relaxed);
    bool Reponse = true;
    if (!Limites.Infini && Limites.Profondeur <= 0 && !Limites.Ponder) {
        const int64_t Ecoule = static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutTemps};
        if (Iteration > 1 || RacineAmelioree) {
            if (Ecoule >= 90 * int64_t{TempsAlloue} / 100) return false;
            if (int64_t{TempsAlloue} - Ecoule <= 50) return false;
        } else if (Ecoule >= LimiteSansCoup()) {
            // The budget does not end the first iteration before a root move
            // has been searched to the end (it takes far less than a
            // millisecond in any real game), but a capture search that
            // explodes must not lose on time.
            return false;
        }
    }
    // A limited strength's budget ends the search (not a ponder search's
    // wait for ponderhit) once three plies are done.
    if (BudgetNoeuds > 0 && Iteration > 3 && Noeuds >= BudgetNoeuds) return false;
    if (Limites.Noeuds > 0 && NoeudsTotal() >= Limites.Noeuds) {
        ArretDemande = true;
        Limites.Infini = false;
        Limites.Ponder = false;
        return false;
    }
    // Standard input is looked at on every time check (every 4096 nodes, a
    // couple of milliseconds), so that stop and ponderhit take effect at
    // once: with a few milliseconds on the clock a late ponderhit loses the
    // game.  A check costs one poll with no wait.
    if (EcouteEntree) {
        const int32_t n = plateforme::SurveilleEntree();
        if (n > 0) {
            Reponse = TraiteLigneRecherche(plateforme::LitEntree(n));
        } else if (plateforme::FinEntree() && (Limites.Infini || Limites.Ponder)) {
            // Nobody can send stop any more: end as if told to quit.
            Reponse = TraiteLigneRecherche("quit");
        }
    }
    return Reponse;
}

void TChercheur::AttendTempsNaturel() {
    if (!NiveauLimite || !EcouteEntree || ArretDemande || Limites.Infini || Limites.Ponder || Limites.Profondeur > 0 ||
        Limites.Noeuds > 0 || Limites.Mat > 0)
        return;
    const int64_t Fin = int64_t{DebutTemps} + int64_t{TempsAlloue} / 2;
    while (!ArretDemande) {
        const int64_t Reste = Fin - static_cast<int64_t>(plateforme::GetTickCount());
        if (Reste <= 0) return;
        EcouteEntreeAttente(static_cast<int32_t>(std::min<int64_t>(Reste, 1000)));
    }
}

void TChercheur::AttendFinRecherche() {
    while (!ArretDemande && (Limites.Infini || Limites.Ponder)) EcouteEntreeAttente(-1);
}

void TChercheur::EcouteEntreeAttente(int32_t Millisecondes) {
    const int32_t n = plateforme::SurveilleEntree();
    if (n > 0) {
        TraiteLigneRecherche(plateforme::LitEntree(n));
    } else if (plateforme::FinEntree()) {
        // Nobody can send stop any more: end as if told to quit.
        TraiteLigneRecherche("quit");
    } else {
        plateforme::AttendEntree(Millisecondes);
    }
}

}  // namespace velkar
