// The commands that run a search (go and the short test command g) and
// those that steer it between searches (ponderhit, stop, quit).
#include <algorithm>
#include <limits>
#include <string_view>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

// The game record after the engine's reply.  The board holds the move
// played; the record says whether the next position command may extend the
// game.  After a reply to go, taken from the variation last reported, it
// may not: the next position command replays the game as a new one (its
// tables emptied), which the searches of a game depend on, and which a
// reply that is not the move on the board (a search ended inside an
// iteration) needs anyway.  After a reply that is the move played without a
// variation (the test command g, or a search too short to report a score)
// the game goes on.
void NoteReponse(TSession& S, const TResultat& r, bool DeLaVariation) {
    if (!r.Joue) return;
    const std::string Joue = TexteCoup(r.Coup);
    if (DeLaVariation) {
        S.ListeCoupsPartie.clear();
    } else {
        S.ListeCoupsPartie += Joue + " ";
    }
    S.CoupsJoues += Joue + " ";
}

// Runs the search and writes the reply.  With AvecVariation (go) the reply
// is the one the search gives, with its ponder move; without (g), the move
// played.
void Lance(TSession& S, const TLimites& Limites, bool AvecVariation) {
    S.DernierGo = Limites;
    const TRequete Requete{Limites, S.Reglages, true};
    TRapporteurUci Rapporteur(S.Ecrit, S.AfficheWdl);
    plateforme::PrepareEntreeRecherche();
    const TResultat r = S.Moteur.Cherche(Requete, Rapporteur, *S.Ecouteur);
    // A stop (or quit) also ends the depth limit that the test command g
    // would keep.
    if (r.StopEntendu) S.DernierGo.Profondeur = 0;
    if (r.SansCoup) {
        S.Ecrit("bestmove (none)");
    } else {
        const bool DeLaVariation = AvecVariation && r.Variation.NbCoups > 0;
        NoteReponse(S, r, DeLaVariation);
        const bool AvecPonder = DeLaVariation && r.AvecPonder;
        S.Ecrit("bestmove " + TexteCoup(DeLaVariation ? r.Annonce : r.Coup) +
                (AvecPonder ? " ponder " + TexteCoup(r.Ponder) : std::string()));
    }
    // A quit read during the search ends the program once the reply is out.
    if (r.Quit) S.Entree.Differe("quit");
}

}  // namespace

TLimites LitLimites(std::string_view Mots) {
    // The fields that take a number.  A field given twice keeps its first
    // value; a field without a number counts as given, with its default.
    enum { Wtime, Btime, Winc, Binc, Movetime, Depth, Nodes, Movestogo, Mate, NbChamps };
    constexpr std::string_view Noms[NbChamps] = {"wtime", "btime", "winc",      "binc", "movetime",
                                                 "depth", "nodes", "movestogo", "mate"};
    bool Donne[NbChamps] = {};
    bool AvecNombre[NbChamps] = {};
    int64_t Valeur[NbChamps] = {};
    TLimites L;

    auto MotSuivant = [&Mots]() {
        while (!Mots.empty() && EstBlanc(Mots.front())) Mots.remove_prefix(1);
        size_t n = 0;
        while (n < Mots.size() && !EstBlanc(Mots[n])) ++n;
        const std::string_view Mot = Mots.substr(0, n);
        Mots.remove_prefix(n);
        return Mot;
    };
    for (std::string_view Mot = MotSuivant(); !Mot.empty(); Mot = MotSuivant()) {
        if (Mot == "ponder") L.Ponder = true;
        if (Mot == "infinite") L.Infini = true;
        if (Mot == "searchmoves") {
            // The moves that follow, up to the first word that is not a move.
            for (std::string_view Reste = Mots;; Reste = Mots) {
                int32_t De, Vers, Promotion;
                if (!LitCoup(MotSuivant(), De, Vers, Promotion)) {
                    Mots = Reste;
                    break;
                }
                if (L.NbCoupsRecherche < TLimites::CoupsRechercheMax)
                    L.CoupsRecherche[L.NbCoupsRecherche++] =
                        TCoupUci{static_cast<int8_t>(De), static_cast<int8_t>(Vers), static_cast<int8_t>(Promotion)};
            }
            continue;
        }
        const auto k = std::find(std::begin(Noms), std::end(Noms), Mot) - std::begin(Noms);
        if (k == NbChamps) continue;  // unknown words
        const std::string_view Reste = Mots;
        int64_t v = 0;
        const bool Nombre = LitEntier(MotSuivant(), v);
        if (!Nombre) Mots = Reste;  // the next word is not this field's number
        if (Donne[k]) continue;
        Donne[k] = true;
        AvecNombre[k] = Nombre;
        Valeur[k] = v;
    }
    auto Champ = [&](int k, int64_t Defaut) { return static_cast<int32_t>(AvecNombre[k] ? Valeur[k] : Defaut); };

    if (Donne[Movetime]) {
        L.TempsParCoupFixe = true;
        L.TempsParCoup = Champ(Movetime, 0);
    } else if (Donne[Depth]) {
        L.Profondeur = std::max(Champ(Depth, 0), 1);
        L.TempsBlanc = L.TempsNoir = L.IncBlanc = L.IncNoir = 1000;
    } else {
        L.TempsBlanc = Champ(Wtime, 1000);
        L.TempsNoir = Champ(Btime, 1000);
        L.IncBlanc = Champ(Winc, 0);
        L.IncNoir = Champ(Binc, 0);
        L.CoupsAvantControle = std::max(Champ(Movestogo, 0), 0);  // 0 or less: none
    }
    if (Donne[Nodes]) L.Noeuds = static_cast<uint64_t>(std::max(Champ(Nodes, 0), 0));
    L.Mat = std::max(Champ(Mate, 0), 0);  // mate 0 or less: a plain go
    if ((L.Noeuds > 0 || L.Mat > 0) && !Donne[Movetime] && !Donne[Depth] && !Donne[Wtime] && !Donne[Btime]) {
        // A node count or a mate search alone: no clock at all.
        L.TempsBlanc = L.TempsNoir = std::numeric_limits<int32_t>::max();
    }
    return L;
}

void CommandesRecherche(TSession& S, const std::string& Ligne) {
    // Between searches ponderhit has nothing to act on; stop and quit end
    // the depth limit that the test command g would keep.  A command is a
    // whole word.
    const std::string_view Mot = std::string_view(Ligne).substr(0, Ligne.find(' '));
    if (Mot == "stop" || Mot == "quit") S.DernierGo.Profondeur = 0;
    if (Mot == "go") {
        Lance(S, LitLimites(std::string_view(Ligne).substr(2)), true);
        return;
    }
    if (Ligne == "g") {
        // Test search: one second each and a long increment; the depth and
        // node limits stay as the last go left them.
        TLimites Limites = S.DernierGo;
        Limites.TempsBlanc = Limites.TempsNoir = 1000;
        Limites.IncBlanc = Limites.IncNoir = 10000;
        Limites.CoupsAvantControle = 0;
        Limites.TempsParCoupFixe = false;
        Limites.Infini = Limites.Ponder = false;
        Lance(S, Limites, false);
    }
}

}  // namespace velkar
