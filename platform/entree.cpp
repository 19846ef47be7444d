// Input handling common to every operating system: cutting the bytes read
// into lines.
#include <algorithm>

#include "plateforme.h"

namespace velkar::plateforme {

std::string_view SansBlancs(std::string_view Texte) {
    while (!Texte.empty() && static_cast<unsigned char>(Texte.front()) < 33) Texte.remove_prefix(1);
    while (!Texte.empty() && static_cast<unsigned char>(Texte.back()) < 33) Texte.remove_suffix(1);
    return Texte;
}

int32_t LongueurLigne(const std::string& Tampon, bool Fermee) {
    size_t Fin = Tampon.find_first_of("\r\n");
    if (Fin == std::string::npos) return (Fermee && !Tampon.empty()) ? static_cast<int32_t>(Tampon.size()) : 0;
    if (Tampon[Fin] == '\r' && Fin + 1 < Tampon.size() && Tampon[Fin + 1] == '\n') ++Fin;
    return static_cast<int32_t>(Fin + 1);
}

std::string PrendLigne(std::string& Tampon, int32_t n) {
    const size_t Taille = std::min(static_cast<size_t>(n > 0 ? n : 0), Tampon.size());
    std::string Ligne(SansBlancs(std::string_view(Tampon).substr(0, Taille)));
    Tampon.erase(0, Taille);
    // Any white space separates the words of a command: a tab (or a
    // vertical tab or form feed) reads as a blank.
    std::replace_if(
        Ligne.begin(), Ligne.end(), [](char c) { return c == '\t' || c == '\v' || c == '\f'; }, ' ');
    return Ligne;
}

}  // namespace velkar::plateforme
