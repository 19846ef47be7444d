// Fuzz target of the command decoder: the input is a sequence of command
// lines, handled as the main loop would, with the engine's invariants
// checked after every line.  Commands that would take seconds are made
// small: searches run to depth 1 or 2 and at most 20000 nodes, perft to
// depth 2, bench is skipped, and the hash table stays at 2 or 3 MB.
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/invariants.h"
#include "interface/interface.h"
#include "platform/plateforme.h"

using namespace velkar;

namespace {

void Muet(std::string_view) {}

TSession* Session = nullptr;

std::string Borne(const std::string& Ligne) {
    if (Ligne == "g" || CommencePar(Ligne, "go")) {
        // Keep the modes that change how a search ends; the limit is a depth.
        // The node limit bounds the quiescence of pathological positions.
        std::string Go = Ligne.size() % 2 ? "go depth 1 nodes 20000" : "go depth 2 nodes 20000";
        if (Ligne.find("infinite") != std::string::npos) Go += " infinite";
        if (Ligne.find("ponder") != std::string::npos) Go += " ponder";
        return Go;
    }
    if (CommencePar(Ligne, "bench")) return "";                    // a fixed list of searches: nothing to fuzz
    if (Ligne.find("SyzygyPath") != std::string::npos) return "";  // no file system from fuzzed input
    if (Ligne.find("Threads") != std::string::npos) return "";     // one thread: runs must repeat exactly
    if (CommencePar(Ligne, "perft") && GetIntegerParam(Ligne, "perft", 1) > 2) return "perft 2";
    if (CommencePar(Ligne, "setoption name ") && Ligne.find("Hash value ") != std::string::npos)
        return Ligne.substr(0, Ligne.find("Hash value ")) + (Ligne.size() % 2 ? "Hash value 2" : "Hash value 3");
    return Ligne;
}

// The game's board must obey its rules, and every move from it make and
// unmake cleanly (on a copy: the board is the engine's).
void Verifie() {
    static TPosition Copie;
    fuzz::VerifieEtat(Session->Moteur.Partie());
    Copie = Session->Moteur.Partie();
    fuzz::VerifieCoups(Copie);
}

// One line as the main loop hands it over: false once it ends the program.
bool Traite(const std::string& Brute) {
    if (Brute == "quit" || Brute == "q") return false;
    DecodeCommande(*Session, Borne(Brute));
    Verifie();
    // Lines a search put aside come next, as in the main loop.
    std::string Differee;
    while (Session->Entree.PrendDifferee(Differee))
        if (!Traite(Differee)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::RedirigeEntreesSorties();
    static std::unique_ptr<TSession> Instance = std::make_unique<TSession>(Muet);
    static fuzz::TEcouteurFuzz Ecouteur;
    Session = Instance.get();
    Session->Ecouteur = &Ecouteur;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Donnees, size_t Taille) {
    // Each input starts as a new game in a freshly started engine.
    std::string Reste;
    while (Session->Entree.PrendDifferee(Reste)) {}
    if (Session->Moteur.TailleHash() != TVelkar::HashMin) Session->Moteur.RedimensionneHash(TVelkar::HashMin);
    DecodeCommande(*Session, "ucinewgame");
    Session->DernierGo = TLimites{};

    std::string_view Texte(reinterpret_cast<const char*>(Donnees), Taille);
    while (!Texte.empty()) {
        const size_t Fin = Texte.find_first_of("\r\n");
        // Trimmed as the input layer trims a line.
        const std::string Ligne(plateforme::SansBlancs(Texte.substr(0, Fin)));
        Texte.remove_prefix(Fin == std::string_view::npos ? Texte.size() : Fin + 1);
        if (!Ligne.empty() && !Traite(Ligne)) break;
    }
    return 0;
}
