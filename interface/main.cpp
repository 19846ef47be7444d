// Program entry and main loop.
#include <cstring>
#include <memory>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

void EcrireChaine(std::string_view Texte) { plateforme::EcrireLigne(plateforme::SortieStandard(), Texte); }

void BouclePrincipale() {
    plateforme::PrepareConsole();
    // The engine starts from the initial position, so that a go or perft
    // before any position command has a real board to work on.
    auto Session = std::make_unique<TSession>(EcrireChaine);
    EcrireChaine(std::string("Velkar v2.1 ") + plateforme::Etiquette() +
                 " built " __DATE__ " by the Velkar developers");
    std::string Ligne;
    while (Session->Entree.LigneSuivante(Ligne)) {
        if (Ligne == "quit" || Ligne == "q") break;
        DecodeCommande(*Session, Ligne);
    }
}

}  // namespace velkar

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "bench") == 0) {
        velkar::plateforme::PrepareConsole();
        auto Session = std::make_unique<velkar::TSession>(velkar::EcrireChaine);
        const int32_t Profondeur = argc >= 3 ? velkar::GetIntegerParam(std::string("d ") + argv[2], "d", 0) : 0;
        velkar::Bench(*Session, Profondeur > 0 ? Profondeur : velkar::ProfondeurBench);
        return 0;
    }
    velkar::BouclePrincipale();
    return 0;
}
