// The UCI interface: the main loop, the command decoder, the go command and
// the options, the reading of the input and the writing of the engine's
// reports as UCI text.  It drives the engine only through its door.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "engine/types.h"
#include "engine/velkar.h"

namespace velkar {

// The output procedure: writes one text as one line.
using TEcritFonction = void (*)(std::string_view);

void EcrireChaine(std::string_view Texte);
void BouclePrincipale();

// The lines of the interface: standard input, through the platform layer,
// and the lines a search kept for later.  During a search it is the
// engine's listener: it answers isready at once, turns stop, quit and
// ponderhit into events, and keeps every other line, in order, for the
// main loop.
class TLecteur final : public TEcouteur {
public:
    explicit TLecteur(TEcritFonction Ecrit) : Ecrit(Ecrit) {}
    // The main loop's next line (the kept ones first); false at the end of
    // the input.
    bool LigneSuivante(std::string& Ligne);
    void Differe(std::string Ligne) { Differees.push_back(std::move(Ligne)); }
    bool PrendDifferee(std::string& Ligne);
    TEvenement Ecoute(int32_t Millisecondes) override;

private:
    TEvenement Traite(const std::string& Ligne);
    TEcritFonction Ecrit;
    std::deque<std::string> Differees;
};

// The engine's reports as UCI info lines.
class TRapporteurUci final : public TRapporteur {
public:
    TRapporteurUci(TEcritFonction Ecrit, bool AfficheWdl) : Ecrit(Ecrit), AfficheWdl(AfficheWdl) {}
    void Infos(const TInfos& Infos) override;
    void CoupRechercheIllegal(const TCoupUci& Coup) override;

private:
    TEcritFonction Ecrit;
    bool AfficheWdl;
};

// What the interface keeps from one command to the next.
struct TSession {
    explicit TSession(TEcritFonction Ecrit) : Ecrit(Ecrit), Entree(Ecrit) {}
    TVelkar Moteur;
    TEcritFonction Ecrit;
    TLecteur Entree;
    // What a search hears: the input, or what a harness puts in its place.
    TEcouteur* Ecouteur = &Entree;
    // What the options set for every search, and whether the lines with a
    // score carry the chances of a win, a draw and a loss.
    TReglages Reglages;
    bool AfficheWdl = false;
    // The moves of the game played since the start position, as the
    // position commands and the replies gave them, each followed by a
    // blank: a position command that only extends this game plays only the
    // new moves.
    std::string ListeCoupsPartie;
    bool PartieDepuisDebut = true;  // the game on the board began at the start position
    // The game as the engine's board holds it, to read it again (another
    // kind of chess, after the bench): the FEN it began from (empty: the
    // start position) and the moves played since, the replies included.
    std::string DebutPartie, CoupsJoues;
    // The limits of the last go, which the test command g keeps.
    TLimites DernierGo;
};

// A new game from the start position, on the board and in the record.
void NouvellePartie(TSession& Session);
// The game set up again on the board from its beginning and its moves.
void ReprendPartie(TSession& Session);

// Decodes and carries out one command line.  Always true.
bool DecodeCommande(TSession& Session, const std::string& Ligne);

// The word after the first occurrence of Nom in Ligne, or "".
std::string GetStringParam(std::string_view Ligne, std::string_view Nom);
// That word as an integer (clamped to 32 bits), or Defaut.
int32_t GetIntegerParam(std::string_view Ligne, std::string_view Nom, int32_t Defaut);

// The limits of a search from the words of a go command (what follows
// "go"), read one by one.
TLimites LitLimites(std::string_view Mots);

// The option lines of the uci reply, and setoption.
void EcritOptions(TEcritFonction Ecrit);
void Option(TSession& Session, std::string_view Ligne);

// The commands that run searches: go, g, and stop and quit between searches.
void CommandesRecherche(TSession& Session, const std::string& Ligne);

// Searches the built-in positions to a fixed depth; returns the node total.
uint64_t Bench(TSession& Session, int32_t Profondeur);
constexpr int32_t ProfondeurBench = 7;

// Line helpers of the decoders.
inline bool CommencePar(std::string_view Ligne, std::string_view Debut) {
    return Ligne.substr(0, Debut.size()) == Debut;
}
inline bool Contient(std::string_view Ligne, std::string_view Texte) {
    return Ligne.find(Texte) != std::string_view::npos;
}
inline bool EstBlanc(char c) { return static_cast<unsigned char>(c) < 33; }
// Text without its leading and trailing blanks and control characters.
std::string_view SansBlancs(std::string_view Texte);
// A whole text read as a decimal integer with an optional sign; values
// beyond 32 bits are clamped.  False when the text is not a number.
bool LitEntier(std::string_view Texte, int64_t& Valeur);

}  // namespace velkar
