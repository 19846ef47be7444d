// Program entry and main loop.
#include <cstring>
#include <memory>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

void EcrireChaine(std::string_view Texte) { plateforme::EcrireLigne(plateforme::SortieStandard(), Texte); }

void BouclePrincipale() {
    plateforme::PrepareConsole();
    auto Moteur = std::make_unique<TVelkar>();
    // Start from the initial position so that a go or perft before any
    // position command has a real board to work on.
    Moteur->InitialiserPartie();
    EcrireChaine(std::string("Velkar v2.1 ") + plateforme::Etiquette() +
                 " built " __DATE__ " by the Velkar developers");
    std::string Ligne;
    while (plateforme::LitLigneSuivante(Ligne)) {
        if (Ligne == "quit" || Ligne == "q") break;
        DecodeCommande(*Moteur, Ligne, EcrireChaine);
    }
}

}  // namespace velkar

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "bench") == 0) {
        velkar::plateforme::PrepareConsole();
        auto Moteur = std::make_unique<velkar::TVelkar>();
        Moteur->InitialiserPartie();
        int32_t Profondeur = argc >= 3 ? velkar::GetIntegerParam(std::string("d ") + argv[2], "d", 0) : 0;
        velkar::Bench(*Moteur, Profondeur > 0 ? Profondeur : velkar::ProfondeurBench, velkar::EcrireChaine);
        return 0;
    }
    velkar::BouclePrincipale();
    return 0;
}
