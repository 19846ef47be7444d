// Fuzz target of the FEN reader: arbitrary text goes to PlaceFen after a
// reset, as the position command does.  Accepted or refused, the board must
// be consistent; an accepted position must read back the same from its own
// FEN, every generated move must make and unmake cleanly, and a short search
// from it must end with a consistent board.
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

// The FEN without its two counters.
std::string SansCompteurs(const std::string& Fen) {
    size_t Fin = Fen.size();
    for (int n = 0; n < 2; ++n) Fin = Fen.rfind(' ', Fin - 1);
    return Fen.substr(0, Fin);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::RedirigeEntreesSorties();
    static std::unique_ptr<TSession> Instance = std::make_unique<TSession>(Muet);
    static fuzz::TEcouteurFuzz Ecouteur;
    Session = Instance.get();
    Session->Ecouteur = &Ecouteur;
    Session->Moteur.RedimensionneHash(TVelkar::HashMin);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Donnees, size_t Taille) {
    static TPosition v;
    const std::string_view Texte(reinterpret_cast<const char*>(Donnees), Taille);
    v.InitialiserPosition();
    const bool Accepte = v.PlaceFen(Texte);
    fuzz::VerifieEtat(v);
    if (!Accepte) {
        // A refused text leaves the starting position.
        fuzz::Exige(v.ChaineFen() == "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                    "a refused FEN leaves the start position");
        return 0;
    }
    fuzz::VerifieCoups(v);

    // The engine's own FEN of the position must be read back identically.
    const std::string Fen = v.ChaineFen();
    v.InitialiserPosition();
    fuzz::Exige(v.PlaceFen(Fen), "the engine's own FEN is accepted");
    fuzz::Exige(SansCompteurs(v.ChaineFen()) == SansCompteurs(Fen), "the engine's own FEN reads back the same");

    // A short search on whatever position was accepted, through the decoder;
    // the node limit bounds the quiescence of pathological positions.
    DecodeCommande(*Session, "ucinewgame");
    DecodeCommande(*Session, "position fen " + Fen);
    DecodeCommande(*Session, "go depth 1 nodes 20000");
    fuzz::VerifieEtat(Session->Moteur.Partie());
    v = Session->Moteur.Partie();
    fuzz::VerifieCoups(v);
    return 0;
}
