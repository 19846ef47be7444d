// The UCI front end: main loop, command decoder and the go command.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The commands that run searches: ponderhit, stop, quit, go, g.
void CommandesRecherche(TVelkar& Moteur, const std::string& Ligne, TEcritFonction Ecrit);

// Searches the built-in positions to a fixed depth; returns the node total.
uint64_t Bench(TVelkar& Moteur, int32_t Profondeur, TEcritFonction Ecrit);
constexpr int32_t ProfondeurBench = 7;

}  // namespace velkar
