// The interface's input: the main loop's lines, and what a running search
// hears of them.
#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

bool TLecteur::PrendDifferee(std::string& Ligne) {
    if (Differees.empty()) return false;
    Ligne = std::move(Differees.front());
    Differees.pop_front();
    return true;
}

bool TLecteur::LigneSuivante(std::string& Ligne) {
    if (PrendDifferee(Ligne)) return true;
    for (;;) {
        const int32_t n = plateforme::SurveilleEntree();
        if (n > 0) {
            Ligne = plateforme::LitEntree(n);
            return true;
        }
        if (plateforme::FinEntree()) return false;
        plateforme::AttendEntree(-1);
    }
}

TEcouteur::TEvenement TLecteur::Ecoute(int32_t Millisecondes) {
    int32_t n = plateforme::SurveilleEntree();
    if (n == 0 && Millisecondes != 0 && !plateforme::FinEntree()) {
        plateforme::AttendEntree(Millisecondes);
        n = plateforme::SurveilleEntree();
    }
    if (n > 0) return Traite(plateforme::LitEntree(n));
    return plateforme::FinEntree() ? Fin : Rien;
}

TEcouteur::TEvenement TLecteur::Traite(const std::string& Ligne) {
    if (Ligne == "stop") return Stop;
    if (Ligne == "quit" || Ligne == "q") return Quit;
    if (Ligne == "ponderhit") return PonderHit;
    if (Ligne == "isready") {
        Ecrit("readyok");
    } else if (!Ligne.empty()) {
        // Anything else waits, in order, until the search has replied.
        Differe(Ligne);
    }
    return Rien;
}

}  // namespace velkar
