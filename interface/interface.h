// The UCI front end: main loop, command decoder and the go command.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/limits.h"
#include "engine/velkar.h"

namespace velkar {

// The output procedure: writes one text as one line.
using TEcritFonction = void (*)(std::string_view);

void EcrireChaine(std::string_view Texte);
void BouclePrincipale();

// Decodes and carries out one command line.  Always true.
bool DecodeCommande(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit);

// The word after the first occurrence of Nom in Ligne, or "".
std::string GetStringParam(std::string_view Ligne, std::string_view Nom);
// That word as an integer (clamped to 32 bits), or Defaut.
int32_t GetIntegerParam(std::string_view Ligne, std::string_view Nom, int32_t Defaut);

// The limits of a search from the words of a go command (what follows
// "go"), read one by one.
TLimites LitLimites(std::string_view Mots);

// The option lines of the uci reply, and setoption.
void EcritOptions(TEcritFonction Ecrit);
void Option(TVelkar& Moteur, std::string_view Ligne, TEcritFonction Ecrit);

// The commands that run searches: ponderhit, stop, quit, go, g.
void CommandesRecherche(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit);

// Searches the built-in positions to a fixed depth; returns the node total.
uint64_t Bench(TVelkar& Moteur, int32_t Profondeur, TEcritFonction Ecrit);
constexpr int32_t ProfondeurBench = 7;

// Line helpers of the decoders.
inline bool CommencePar(std::string_view Ligne, std::string_view Debut) {
    return Ligne.substr(0, Debut.size()) == Debut;
}
inline bool Contient(std::string_view Ligne, std::string_view Texte) {
    return Ligne.find(Texte) != std::string_view::npos;
}
inline bool EstBlanc(char c) { return static_cast<unsigned char>(c) < 33; }
// A whole text read as a decimal integer with an optional sign; values
// beyond 32 bits are clamped.  False when the text is not a number.
bool LitEntier(std::string_view Texte, int64_t& Valeur);

}  // namespace velkar
