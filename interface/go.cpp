// The commands that run a search (go and the short test command g) and
// those that steer it between searches (ponderhit, stop, quit).
#include <algorithm>
#include <limits>
#include <string_view>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

bool CommencePar(std::string_view Ligne, std::string_view Debut) { return Ligne.substr(0, Debut.size()) == Debut; }
bool Contient(std::string_view Ligne, std::string_view Texte) { return Ligne.find(Texte) != std::string_view::npos; }

// Runs the search and writes the reply.  With AvecVariation the reply is
// taken from the variation last sent, with its ponder move.
void Lance(TVelkar& Moteur, TEcritFonction Ecrit, bool AvecVariation) {
    Moteur.QuitDemande = false;
    if (!Moteur.ACoupLegal()) {
        // Checkmate or stalemate: there is nothing to play.
        Ecrit(Moteur.RoiEchec(Moteur.Camp) ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
        Moteur.AttendFinRecherche();
        Ecrit("bestmove (none)");
    } else {
        const bool Note = Moteur.NumDemiCoup < DemiCoupsPartieMax;
        std::string Meilleur = Moteur.Recherche(plateforme::SortieStandard());
        const std::string Joue = Meilleur;  // the move the search left on the board
        // In infinite and ponder mode the reply waits for the interface.
        if (!Moteur.ArretDemande) Moteur.AttendFinRecherche();
        std::string Ponder;
        if (AvecVariation && !Moteur.DerniereVP.empty()) {
            Meilleur = Moteur.DerniereVP.substr(0, 5);
            const std::string Suivant = GetStringParam(Moteur.DerniereVP, Meilleur);
            if (!Suivant.empty()) Ponder = " ponder " + Suivant;
        }
        // The recorded game must describe the board.  A search that ends
        // inside an iteration can announce the first move of its last
        // variation while the board holds the move of the last completed
        // iteration; then the game is forgotten, so that the next position
        // command rebuilds it instead of continuing from the wrong board.
        const std::string_view Annonce = std::string_view(Meilleur).substr(0, Meilleur.find(' '));
        if (Note) {
            if (Annonce == Joue) {
                Moteur.ListeCoupsPartie += Meilleur + " ";
            } else {
                Moteur.ListeCoupsPartie.clear();
            }
        }
        Ecrit("bestmove " + Meilleur + Ponder);
    }
    Moteur.Infini = false;
    // A quit read during the search ends the program once the reply is out.
    if (Moteur.QuitDemande) plateforme::DiffereLigne("quit");
}

void Go(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit) {
    Moteur.TempsBlanc = Moteur.TempsNoir = Moteur.IncBlanc = Moteur.IncNoir = 0;
    Moteur.TempsParCoupFixe = false;
    Moteur.ProfondeurLimite = 0;
    if (Contient(Ligne, "ponder")) {
        Moteur.EnPonder = true;
        Moteur.DebutPonder = static_cast<uint32_t>(plateforme::GetTickCount());
    } else {
        Moteur.EnPonder = false;
    }
    if (Contient(Ligne, "movetime")) {
        (Moteur.Camp == 1 ? Moteur.IncBlanc : Moteur.IncNoir) = GetIntegerParam(Ligne, "movetime", 0);
        Moteur.TempsParCoupFixe = true;
    } else if (Contient(Ligne, "depth")) {
        Moteur.ProfondeurLimite = std::max(GetIntegerParam(Ligne, "depth", 0), 1);
        Moteur.Infini = true;
        Moteur.TempsBlanc = Moteur.TempsNoir = Moteur.IncBlanc = Moteur.IncNoir = 1000;
    } else {
        Moteur.TempsBlanc = GetIntegerParam(Ligne, "wtime", 1000);
        Moteur.TempsNoir = GetIntegerParam(Ligne, "btime", 1000);
        Moteur.IncBlanc = GetIntegerParam(Ligne, "winc", 0);
        Moteur.IncNoir = GetIntegerParam(Ligne, "binc", 0);
    }
    Moteur.Infini = Contient(Ligne, "infinite");
    Moteur.LimiteNoeuds =
        Contient(Ligne, "nodes") ? static_cast<uint64_t>(std::max(GetIntegerParam(Ligne, "nodes", 0), 0)) : 0;
    if (Moteur.LimiteNoeuds > 0 && !Moteur.TempsParCoupFixe && Moteur.ProfondeurLimite == 0 &&
        !Contient(Ligne, "wtime") && !Contient(Ligne, "btime")) {
        // A node count alone: no clock at all.
        Moteur.TempsBlanc = Moteur.TempsNoir = std::numeric_limits<int32_t>::max();
    }
    Moteur.ModeConsole = plateforme::EstConsole();
    Moteur.ArretDemande = false;
    Lance(Moteur, Ecrit, true);
}

}  // namespace

void CommandesRecherche(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit) {
    if (CommencePar(Ligne, "ponderhit")) {
        const int64_t Ponder = static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{Moteur.DebutPonder};
        Moteur.TempsAlloue = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{Moteur.TempsAlloue} + Ponder, 0, std::numeric_limits<int32_t>::max()));
        Moteur.EnPonder = false;
    }
    if (CommencePar(Ligne, "stop") || CommencePar(Ligne, "quit")) {
        Moteur.EnPonder = false;
        Moteur.ArretDemande = true;
        Moteur.Infini = false;
        Moteur.ProfondeurLimite = 0;
    }
    if (CommencePar(Ligne, "go")) {
        Go(Moteur, Ligne, Ecrit);
        return;
    }
    if (Ligne == "g") {
        // Test search: one second each and a long increment; the other
        // limits stay as the last go left them.
        Moteur.TempsBlanc = Moteur.TempsNoir = 1000;
        Moteur.IncBlanc = Moteur.IncNoir = 10000;
        Moteur.ArretDemande = false;
        Lance(Moteur, Ecrit, false);
    }
}

}  // namespace velkar
