// The command decoder: handshake, positions and the extra commands perft,
// d, eval, tb and bench; options go to options.cpp, searches to go.cpp.
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <vector>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

// The words of a text, separated by blanks.
std::vector<std::string_view> Mots(std::string_view Texte) {
    std::vector<std::string_view> r;
    for (;;) {
        Texte = SansBlancs(Texte);
        if (Texte.empty()) return r;
        size_t n = 0;
        while (n < Texte.size() && !EstBlanc(Texte[n])) ++n;
        r.push_back(Texte.substr(0, n));
        Texte.remove_prefix(n);
    }
}

// Plays the moves of a position command, each only if it is legal; the
// first move that is not (or is not a move at all) is reported and ends
// the list.
void JoueCoups(TSession& S, std::string_view Coups) {
    for (const std::string_view Mot : Mots(Coups)) {
        int32_t Depart, Arrivee, Promotion;
        if (!LitCoup(Mot, Depart, Arrivee, Promotion) ||
            !S.Moteur.JoueCoup(
                TCoupUci{static_cast<int8_t>(Depart), static_cast<int8_t>(Arrivee), static_cast<int8_t>(Promotion)})) {
            S.Ecrit("info string illegal move " + std::string(Mot));
            return;
        }
        S.ListeCoupsPartie.append(Mot);
        S.ListeCoupsPartie.push_back(' ');
        S.CoupsJoues.append(Mot);
        S.CoupsJoues.push_back(' ');
    }
}

// The moves of a position command written as the game record writes them:
// each followed by one blank.
std::string CoupsNormalises(std::string_view Coups) {
    std::string r;
    for (const std::string_view Mot : Mots(Coups)) {
        r.append(Mot);
        r.push_back(' ');
    }
    return r;
}

void PositionFen(TSession& S, std::string_view Ligne) {
    S.ListeCoupsPartie.clear();
    S.PartieDepuisDebut = true;
    S.DebutPartie.clear();
    S.CoupsJoues.clear();
    // The FEN's fields, written again with one blank between them; a FEN
    // of only its first two or four fields gets the ones it leaves out as
    // a game's start would have them (no castling, no en passant, no
    // reversible move, move 1).
    const std::string_view Champs = Ligne.substr(Ligne.find("fen ") + 4);
    const std::vector<std::string_view> Lus = Mots(Champs.substr(0, Champs.find("moves")));
    std::string Fen;
    for (const std::string_view Champ : Lus) Fen.append(Champ).push_back(' ');
    if (Lus.size() == 2) Fen += "- - ";
    if (Lus.size() == 2 || Lus.size() == 4) Fen += "0 1 ";
    if (!Fen.empty()) Fen.pop_back();
    if (!S.Moteur.PlaceFen(Fen)) {
        S.Ecrit("Erreur avec la chaine FEN.");
        return;
    }
    S.PartieDepuisDebut = false;
    S.DebutPartie = Fen;
    const size_t Coups = Ligne.find("moves ");
    if (Coups != std::string_view::npos) JoueCoups(S, Ligne.substr(Coups + 6));
}

void PositionCoups(TSession& S, std::string_view Ligne) {
    const size_t Debut = Ligne.find("moves ");
    const std::string Coups = CoupsNormalises(Debut == std::string_view::npos ? "" : Ligne.substr(Debut + 6));
    const std::string& Partie = S.ListeCoupsPartie;
    // Only a game that began at the start position and whose recorded moves
    // begin the new move list can be continued; anything else is replayed.
    const bool Prolonge = !Partie.empty() && CommencePar(Coups, Partie);
    if (Contient(Ligne, "startpos") && !(Prolonge && S.PartieDepuisDebut)) NouvellePartie(S);
    std::string_view Nouveaux = Coups;
    if (!Partie.empty() && CommencePar(Coups, Partie)) Nouveaux.remove_prefix(Partie.size());
    JoueCoups(S, Nouveaux);
}

void Perft(TSession& S, int32_t Profondeur) {
    const TVelkar::TPerft r = S.Moteur.Perft(
        Profondeur, [&S](const std::string& Coup, uint64_t n) { S.Ecrit(Coup + ": " + std::to_string(n)); },
        *S.Ecouteur);
    if (r.TropProfond) S.Ecrit("info string perft depth too large");
    if (r.Arrete) {
        S.Ecrit("info string perft stopped before its end");
        if (r.Quit) S.Entree.Differe("quit");
        return;
    }
    S.Ecrit("");
    S.Ecrit("Nodes searched: " + std::to_string(r.Total));
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
    S.DebutPartie.clear();
    S.CoupsJoues.clear();
}

void ReprendPartie(TSession& S) {
    const std::string Coups = S.CoupsJoues;
    // The board may have been set anew (another kind of chess): the record
    // must not make the replay look like a continuation of it.
    S.ListeCoupsPartie.clear();
    if (S.DebutPartie.empty()) {
        DecodeCommande(S, "position startpos moves " + Coups);
    } else {
        DecodeCommande(S, "position fen " + S.DebutPartie + " moves " + Coups);
    }
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
    // A command is a whole word.
    const std::string_view Mot = std::string_view(Ligne).substr(0, Ligne.find(' '));
    if (Ligne == "uci" || Ligne == "UCI") {
        S.Ecrit(std::string("id name Velkar v2.1 ") + plateforme::Etiquette());
        S.Ecrit("id author the Velkar developers");
        EcritOptions(S.Ecrit);
        S.Ecrit("uciok");
    } else if (Ligne == "isready" || Ligne == "ISREADY") {
        S.Moteur.PrepareTables();
        S.Ecrit("readyok");
    } else if (Ligne == "ucinewgame" || Ligne == "UCINEWGAME") {
        // A new game: the reset also empties both hash tables completely,
        // and hashfull counts from nothing again.
        NouvellePartie(S);
        S.Moteur.RemetRemplissage();
        S.Moteur.PrepareTables();
    } else if (CommencePar(Ligne, "setoption name ")) {
        Option(S, Ligne);
    } else if (Mot == "position" && Contient(Ligne, "fen ")) {
        PositionFen(S, Ligne);
    } else if (Mot == "position" && (Contient(Ligne, "moves ") || Contient(Ligne, "startpos"))) {
        PositionCoups(S, Ligne);
    } else if (Mot == "perft") {
        Perft(S, GetIntegerParam(Ligne, "perft", 1));
    } else if (Ligne == "d") {
        Affiche(S);
    } else if (Ligne == "eval") {
        Evalue(S);
    } else if (Ligne == "tb") {
        Tables(S);
    } else if (Mot == "bench") {
        const int32_t Profondeur = GetIntegerParam(Ligne, "bench", ProfondeurBench);
        Bench(S, Profondeur > 0 ? Profondeur : ProfondeurBench);
    } else {
        CommandesRecherche(S, Ligne);
    }
    return true;
}

}  // namespace velkar
