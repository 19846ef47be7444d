// The command decoder: handshake, options, positions and the extra commands
// perft, d, eval and bench; searches are handed to the go command.
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "engine/eval.h"
#include "engine/syzygy.h"
#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

// Plays the moves of a position command, each only if it is legal.
void JoueCoups(TVelkar& Moteur, std::string_view Coups, TEcritFonction Ecrit) {
    size_t i = 0;
    while (i + 4 <= Coups.size()) {
        const int32_t Depart = ChaineVersCase(Coups.data() + i, 2);
        const int32_t Arrivee = ChaineVersCase(Coups.data() + i + 2, 2);
        if (Depart == -1 || Arrivee == -1) return;
        int32_t Promotion = -1;
        if (i + 4 < Coups.size()) {
            switch (Coups[i + 4]) {
                case 'q': Promotion = 5; break;
                case 'r': Promotion = 4; break;
                case 'n': Promotion = 2; break;
                case 'b': Promotion = 3; break;
                default: break;
            }
        }
        const size_t Longueur = Promotion == -1 ? 4 : 5;
        if (!Moteur.Position().JoueCoupLegal(Depart, Arrivee, Promotion)) {
            size_t Fin = i;
            while (Fin < Coups.size() && !EstBlanc(Coups[Fin])) ++Fin;
            Ecrit("info string illegal move " + std::string(Coups.substr(i, Fin - i)));
            return;
        }
        Moteur.ListeCoupsPartie.append(Coups.substr(i, Longueur));
        Moteur.ListeCoupsPartie.push_back(' ');
        i += Longueur + 1;
    }
}

void PositionFen(TVelkar& Moteur, std::string_view Ligne, TEcritFonction Ecrit) {
    Moteur.InitialiserPartie();
    const std::string_view Fen = Ligne.substr(Ligne.find("fen ") + 4);
    if (!Moteur.Position().PlaceFen(Fen)) {
        Ecrit("Erreur avec la chaine FEN.");
        return;
    }
    Moteur.PartieDepuisDebut = false;
    Moteur.Tables.Vide();
    Moteur.Tables.Transposition.RemetRemplissage();
    const size_t Coups = Ligne.find("moves ");
    if (Coups != std::string_view::npos) JoueCoups(Moteur, Ligne.substr(Coups + 6), Ecrit);
}

void PositionCoups(TVelkar& Moteur, std::string_view Ligne, TEcritFonction Ecrit) {
    const size_t Debut = Ligne.find("moves ");
    std::string_view Coups = Debut == std::string_view::npos ? std::string_view() : Ligne.substr(Debut + 6);
    const std::string& Partie = Moteur.ListeCoupsPartie;
    // Only a game that began at the start position and whose recorded moves
    // begin the new move list can be continued; anything else is replayed.
    const bool Prolonge = !Partie.empty() && CommencePar(Coups, Partie);
    if (Contient(Ligne, "startpos") && !(Prolonge && Moteur.PartieDepuisDebut)) Moteur.InitialiserPartie();
    if (!Partie.empty() && CommencePar(Coups, Partie)) Coups.remove_prefix(Partie.size());
    JoueCoups(Moteur, Coups, Ecrit);
}

void Perft(TVelkar& Moteur, int32_t Profondeur, TEcritFonction Ecrit) {
    TPosition& Pos = Moteur.Position();
    uint64_t Total = 0;
    if (Profondeur > 0 && Pos.NumDemiCoup + Profondeur >= NbDemiCoups) {
        Ecrit("info string perft depth too large");
    } else {
        Total = Pos.PerftDivise(
            Profondeur, [Ecrit](const std::string& Coup, uint64_t n) { Ecrit(Coup + ": " + std::to_string(n)); });
    }
    Ecrit("");
    Ecrit("Nodes searched: " + std::to_string(Total));
}

void Affiche(TVelkar& Moteur, TEcritFonction Ecrit) {
    const TPosition& Pos = Moteur.Position();
    const std::string Planche = Pos.ChaineEchiquier();
    size_t Debut = 0;
    for (size_t Fin; (Fin = Planche.find('\n', Debut)) != std::string::npos; Debut = Fin + 1)
        Ecrit(std::string_view(Planche).substr(Debut, Fin - Debut));
    Ecrit("Fen: " + Pos.ChaineFen());
    char Texte[32];
    std::snprintf(Texte, sizeof Texte, "Key: %016" PRIX64, Pos.Cle);
    Ecrit(Texte);
}

void Evalue(TVelkar& Moteur, TEcritFonction Ecrit) {
    // Looking at a position must not change what a later search finds, so
    // it is evaluated with a pawn table of its own.
    const TPosition& Pos = Moteur.Position();
    TTablePions Pions;
    const int32_t E = Pions.Alloue(1) ? Eval(Pos, Pions) : 0;
    const int32_t M = Pos.Materiel;
    const int32_t S = static_cast<int16_t>(Pos.Camp == 1 ? E + M : E - M);
    Ecrit("info string eval " + std::to_string(E) + " material " + std::to_string(M) + " static " + std::to_string(S));
}

// What the endgame tables say of the current position.
void Tables(TVelkar& Moteur, TEcritFonction Ecrit) {
    static constexpr const char* Noms[5] = {"Loss", "BlessedLoss", "Draw", "CursedWin", "Win"};
    TRacineFinale r;
    if (!SondeRacineFinale(Moteur.Position(), r)) {
        Ecrit("info string tablebase: position not in the tables");
        return;
    }
    Ecrit(std::string("info string tablebase wdl ") + Noms[r.Resultat] + " dtz " + std::to_string(r.Dtz) + " move " +
          TexteCoup(r.Depart, r.Arrivee, r.Promotion));
}

}  // namespace

bool LitEntier(std::string_view Texte, int64_t& Valeur) {
    size_t i = 0;
    bool Negatif = false;
    if (i < Texte.size() && (Texte[i] == '-' || Texte[i] == '+')) Negatif = Texte[i++] == '-';
    if (i >= Texte.size()) return false;
    int64_t v = 0;
    for (; i < Texte.size(); ++i) {
        if (Texte[i] < '0' || Texte[i] > '9') return false;
        if (v < int64_t{1} << 40) v = v * 10 + (Texte[i] - '0');
    }
    v = Negatif ? -v : v;
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
    Valeur = v;
    return true;
}

std::string GetStringParam(std::string_view Ligne, std::string_view Nom) {
    const size_t Position = Ligne.find(Nom);
    if (Position == std::string_view::npos) return "";
    std::string_view Reste = Ligne.substr(Position + Nom.size());
    while (!Reste.empty() && EstBlanc(Reste.front())) Reste.remove_prefix(1);
    while (!Reste.empty() && EstBlanc(Reste.back())) Reste.remove_suffix(1);
    const size_t Blanc = Reste.find(' ');
    return std::string(Blanc == std::string_view::npos ? Reste : Reste.substr(0, Blanc));
}

int32_t GetIntegerParam(std::string_view Ligne, std::string_view Nom, int32_t Defaut) {
    int64_t Valeur = 0;
    return LitEntier(GetStringParam(Ligne, Nom), Valeur) ? static_cast<int32_t>(Valeur) : Defaut;
}

bool DecodeCommande(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit) {
    if (Ligne.empty()) return true;
    if (Ligne == "uci" || Ligne == "UCI") {
        Ecrit(std::string("id name Velkar v2.1 ") + plateforme::Etiquette());
        Ecrit("id author the Velkar developers");
        EcritOptions(Ecrit);
        Ecrit("uciok");
        return true;
    }
    if (Ligne == "isready" || Ligne == "ISREADY") {
        Moteur.Tables.Prepare();
        Ecrit("readyok");
        return true;
    }
    if (Ligne == "ucinewgame" || Ligne == "UCINEWGAME") {
        // A new game: the reset also empties both hash tables completely.
        Moteur.InitialiserPartie();
        Moteur.Tables.Prepare();
        return true;
    }
    if (CommencePar(Ligne, "setoption name ")) {
        Option(Moteur, Ligne, Ecrit);
        return true;
    }
    if (CommencePar(Ligne, "position ") && Contient(Ligne, "fen ")) {
        PositionFen(Moteur, Ligne, Ecrit);
        return true;
    }
    if (CommencePar(Ligne, "position ") && (Contient(Ligne, "moves ") || Contient(Ligne, "startpos"))) {
        PositionCoups(Moteur, Ligne, Ecrit);
        return true;
    }
    if (CommencePar(Ligne, "perft")) {
        Perft(Moteur, GetIntegerParam(Ligne, "perft", 1), Ecrit);
        return true;
    }
    if (Ligne == "d") {
        Affiche(Moteur, Ecrit);
        return true;
    }
    if (Ligne == "eval") {
        Evalue(Moteur, Ecrit);
        return true;
    }
    if (Ligne == "tb") {
        Tables(Moteur, Ecrit);
        return true;
    }
    if (Ligne == "bench" || CommencePar(Ligne, "bench ")) {
        const int32_t Profondeur = GetIntegerParam(Ligne, "bench", ProfondeurBench);
        Bench(Moteur, Profondeur > 0 ? Profondeur : ProfondeurBench, Ecrit);
        return true;
    }
    CommandesRecherche(Moteur, Ligne, Ecrit);
    return true;
}

}  // namespace velkar
