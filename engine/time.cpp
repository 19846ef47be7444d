// Time management and the watch on standard input during a search.
#include <algorithm>
#include <limits>

#include "../platform/plateforme.h"
#include "velkar.h"

namespace velkar {

int32_t TVelkar::CalculeTemps() const {
    const bool Blanc = Camp == 1;
    const int64_t Miens = Blanc ? NbPiecesBlanches : NbPiecesNoires;
    const int64_t Siens = Blanc ? NbPiecesNoires : NbPiecesBlanches;
    const int64_t T = Blanc ? TempsBlanc : TempsNoir;
    const int64_t I = Blanc ? IncBlanc : IncNoir;
    int64_t Budget;
    if (IncBlanc > 0 || IncNoir > 0) {
        // Facing three pieces more, expect a longer game and spend less.
        const int64_t Diviseur = Siens >= Miens + 3 ? 42 : 32;
        Budget = (I * 95 / 100 + T / Diviseur) * 87 / 100;
        // On a real clock never plan to spend more than three quarters of
        // what is left, however large the increment.
        if (!TempsParCoupFixe && ProfondeurLimite <= 0) Budget = std::min(Budget, T * 3 / 4);
    } else {
        Budget = T / 41;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(Budget, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int64_t TVelkar::LimiteSansCoup() const {
    const bool Blanc = Camp == 1;
    const int64_t Reference = TempsParCoupFixe ? (Blanc ? IncBlanc : IncNoir) : (Blanc ? TempsBlanc : TempsNoir);
    return std::max<int64_t>(TempsAlloue, Reference / 8);
}

bool TVelkar::TraiteLigneRecherche(const std::string& Ligne) {
    if (Ligne == "quit" || Ligne == "stop") {
        Infini = false;
        EnPonder = false;
        ProfondeurLimite = 0;
        ArretDemande = true;
        if (Ligne == "quit") QuitDemande = true;
        return false;
    }
    if (Ligne == "ponderhit") {
        // Half of the time spent pondering is added to the budget.
        const int64_t Ponder = static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutPonder};
        TempsAlloue = static_cast<int32_t>(std::clamp<int64_t>(int64_t{TempsAlloue} + Ponder / 2, 0,
                                                               std::numeric_limits<int32_t>::max()));
        EnPonder = false;
    } else if (Ligne == "isready") {
        EF("readyok");
    } else if (!Ligne.empty()) {
        // Anything else waits, in order, until the search has replied.
        plateforme::DiffereLigne(Ligne);
    }
    return true;
}

bool TVelkar::VerifieTemps() {
    bool Reponse = true;
    if (!Infini && ProfondeurLimite <= 0 && !EnPonder) {
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
    if (LimiteNoeuds > 0 && Noeuds >= LimiteNoeuds) {
        ArretDemande = true;
        Infini = false;
        EnPonder = false;
        return false;
    }
    // Standard input is looked at on every time check (every 4096 nodes, a
    // couple of milliseconds), so that stop and ponderhit take effect at
    // once: with a few milliseconds on the clock a late ponderhit loses the
    // game.  A check costs one poll with no wait.
    if (EcouteEntree) {
        const int32_t n = SurveilleEntree();
        if (n > 0) {
            Reponse = TraiteLigneRecherche(LitEntree(n));
        } else if (plateforme::FinEntree() && (Infini || EnPonder)) {
            // Nobody can send stop any more: end as if told to quit.
            Reponse = TraiteLigneRecherche("quit");
        }
    }
    return Reponse;
}

void TVelkar::AttendFinRecherche() {
    while (!ArretDemande && (Infini || EnPonder)) {
        const int32_t n = SurveilleEntree();
        if (n > 0) {
            TraiteLigneRecherche(LitEntree(n));
        } else if (plateforme::FinEntree()) {
            TraiteLigneRecherche("quit");
        } else {
            plateforme::AttendEntree(-1);
        }
    }
}

int32_t TVelkar::SurveilleEntree() { return plateforme::SurveilleEntree(); }

std::string TVelkar::LitEntree(int32_t n) { return plateforme::LitEntree(n); }

}  // namespace velkar
