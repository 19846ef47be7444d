// The command decoder: handshake, positions and the extra commands perft,
// d, eval, tb and bench; options go to options.cpp, searches to go.cpp.
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

// Plays the moves of a position command, each only if it is legal.  A
// move is four characters and an optional promotion letter, and one
// character separates it from the next; the first illegal or malformed
// move ends the list.
void JoueCoups(TSession& S, std::string_view Coups) {
    size_t i = 0;
    while (i + 4 <= Coups.size()) {
        const int32_t Depart = ChaineVersCase(Coups.data() + i, 2);
        const int32_t Arrivee = ChaineVersCase(Coups.data() + i + 2, 2);
        if (Depart == -1 || Arrivee == -1) return;
        int32_t Promotion = SansPromotion;
        if (i + 4 < Coups.size()) {
            switch (Coups[i + 4]) {
                case 'q': Promotion = Dame; break;
                case 'r': Promotion = Tour; break;
                case 'n': Promotion = Cavalier; break;
                case 'b': Promotion = Fou; break;
                default: break;
            }
        }
        const size_t Longueur = Promotion == SansPromotion ? 4 : 5;
        const TCoupUci Coup{static_cast<int8_t>(Depart), static_cast<int8_t>(Arrivee), static_cast<int8_t>(Promotion)};
        if (!S.Moteur.JoueCoup(Coup)) {
            size_t Fin = i;
            while (Fin < Coups.size() && !EstBlanc(Coups[Fin])) ++Fin;
            S.Ecrit("info string illegal move " + std::string(Coups.substr(i, Fin - i)));
            return;
        }
        S.ListeCoupsPartie.append(Coups.substr(i, Longueur));
        S.ListeCoupsPartie.push_back(' ');
        i += Longueur + 1;
    }
}

void PositionFen(TSession& S, std::string_view Ligne) {
    S.ListeCoupsPartie.clear();
    S.PartieDepuisDebut = true;
    const std::string_view Fen = Ligne.substr(Ligne.find("fen ") + 4);
    if (!S.Moteur.PlaceFen(Fen)) {
        S.Ecrit("Erreur avec la chaine FEN.");
        return;
    }
    S.PartieDepuisDebut = false;
    const size_t Coups = Ligne.find("moves ");
    if (Coups != std::string_view::npos) JoueCoups(S, Ligne.substr(Coups + 6));
}

void PositionCoups(TSession& S, std::string_view Ligne) {
    const size_t Debut = Ligne.find("moves ");
    std::string_view Coups = Debut == std::string_view::npos ? std::string_view() : Ligne.substr(Debut + 6);
    const std::string& Partie = S.ListeCoupsPartie;
    // Only a game that began at the start position and whose recorded moves
    // begin the new move list can be continued; anything else is replayed.
    const bool Prolonge = !Partie.empty() && CommencePar(Coups, Partie);
    if (Contient(Ligne, "startpos") && !(Prolonge && S.PartieDepuisDebut)) NouvellePartie(S);
    if (!Partie.empty() && CommencePar(Coups, Partie)) Coups.remove_prefix(Partie.size());
    JoueCoups(S, Coups);
}

void Perft(TSession& S, int32_t Profondeur) {
    uint64_t Total = 0;
    if (!S.Moteur.Perft(
            Profondeur, [&S](const std::string& Coup, uint64_t n) { S.Ecrit(Coup + ": " + std::to_string(n)); }, Total))
        S.Ecrit("info string perft depth too large");
    S.Ecrit("");
    S.Ecrit("Nodes searched: " + std::to_string(Total));
}

void Affiche(TSession& S) {
    const std::string Planche = S.Moteur.Echiquier();
    size_t Debut = 0;
    for (size_t Fin; (Fin = Planche.find('\n', Debut)) != std::string::npos; Debut = Fin + 1)
        S.Ecrit(std::string_view(Planche).substr(Debut, Fin - Debut));
    S.Ecrit("Fen: " + S.Moteur.Fen());
    char Texte[32];
    std::snprintf(Texte, sizeof Texte, "Key: %016" PRIX64, S.Moteur.Cle());
    S.Ecrit(Texte);
}

void Evalue(TSession& S) {
    const TEvaluation e = S.Moteur.Evalue();
    S.Ecrit("info string eval " + std::to_string(e.Positionnelle) + " material " + std::to_string(e.Materiel) +
            " static " + std::to_string(e.Statique));
}

// What the endgame tables say of the current position.
void Tables(TSession& S) {
    static constexpr const char* Noms[5] = {"Loss", "BlessedLoss", "Draw", "CursedWin", "Win"};
    TAvisTables a;
    if (!S.Moteur.AvisTables(a)) {
        S.Ecrit("info string tablebase: position not in the tables");
        return;
    }
    S.Ecrit(std::string("info string tablebase wdl ") + Noms[a.Resultat] + " dtz " + std::to_string(a.Dtz) + " move " +
            TexteCoup(a.Coup));
}

}  // namespace

void NouvellePartie(TSession& S) {
    S.Moteur.NouvellePartie();
    S.ListeCoupsPartie.clear();
    S.PartieDepuisDebut = true;
}

std::string_view SansBlancs(std::string_view Texte) { return plateforme::SansBlancs(Texte); }

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
    const std::string_view Reste = SansBlancs(Ligne.substr(Position + Nom.size()));
    const size_t Blanc = Reste.find(' ');
    return std::string(Blanc == std::string_view::npos ? Reste : Reste.substr(0, Blanc));
}

int32_t GetIntegerParam(std::string_view Ligne, std::string_view Nom, int32_t Defaut) {
    int64_t Valeur = 0;
    return LitEntier(GetStringParam(Ligne, Nom), Valeur) ? static_cast<int32_t>(Valeur) : Defaut;
}

bool DecodeCommande(TSession& S, const std::string& Ligne) {
    if (Ligne.empty()) return true;
    if (Ligne == "uci" || Ligne == "UCI") {
        S.Ecrit(std::string("id name Velkar v2.1 ") + plateforme::Etiquette());
        S.Ecrit("id author the Velkar developers");
        EcritOptions(S.Ecrit);
        S.Ecrit("uciok");
        return true;
    }
    if (Ligne == "isready" || Ligne == "ISREADY") {
        S.Moteur.PrepareTables();
        S.Ecrit("readyok");
        return true;
    }
    if (Ligne == "ucinewgame" || Ligne == "UCINEWGAME") {
        // A new game: the reset also empties both hash tables completely.
        NouvellePartie(S);
        S.Moteur.PrepareTables();
        return true;
    }
    if (CommencePar(Ligne, "setoption name ")) {
        Option(S, Ligne);
        return true;
    }
    if (CommencePar(Ligne, "position ") && Contient(Ligne, "fen ")) {
        PositionFen(S, Ligne);
        return true;
    }
    if (CommencePar(Ligne, "position ") && (Contient(Ligne, "moves ") || Contient(Ligne, "startpos"))) {
        PositionCoups(S, Ligne);
        return true;
    }
    if (CommencePar(Ligne, "perft")) {
        Perft(S, GetIntegerParam(Ligne, "perft", 1));
        return true;
    }
    if (Ligne == "d") {
        Affiche(S);
        return true;
    }
    if (Ligne == "eval") {
        Evalue(S);
        return true;
    }
    if (Ligne == "tb") {
        Tables(S);
        return true;
    }
    if (Ligne == "bench" || CommencePar(Ligne, "bench ")) {
        const int32_t Profondeur = GetIntegerParam(Ligne, "bench", ProfondeurBench);
        Bench(S, Profondeur > 0 ? Profondeur : ProfondeurBench);
        return true;
    }
    CommandesRecherche(S, Ligne);
    return true;
}

}  // namespace velkar
