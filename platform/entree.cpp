// Input handling common to every operating system: deferred lines and the
// blocking line reader of the main loop.
#include <algorithm>
#include <deque>

#include "plateforme.h"

namespace velkar::plateforme {
namespace {
std::deque<std::string>& Differees() {
    static std::deque<std::string> File;
    return File;
}
}  // namespace

void DiffereLigne(std::string Ligne) { Differees().push_back(std::move(Ligne)); }

bool PrendLigneDifferee(std::string& Ligne) {
    auto& File = Differees();
    if (File.empty()) return false;
    Ligne = std::move(File.front());
    File.pop_front();
    return true;
}

int32_t LongueurLigne(const std::string& Tampon, bool Fermee) {
    size_t Fin = Tampon.find_first_of("\r\n");
    if (Fin == std::string::npos) return (Fermee && !Tampon.empty()) ? static_cast<int32_t>(Tampon.size()) : 0;
    if (Tampon[Fin] == '\r' && Fin + 1 < Tampon.size() && Tampon[Fin + 1] == '\n') ++Fin;
    return static_cast<int32_t>(Fin + 1);
}

std::string PrendLigne(std::string& Tampon, int32_t n) {
    const size_t Taille = std::min(static_cast<size_t>(n > 0 ? n : 0), Tampon.size());
    size_t Debut = 0;
    size_t Fin = Taille;
    while (Debut < Fin && static_cast<unsigned char>(Tampon[Debut]) < 33) ++Debut;
    while (Fin > Debut && static_cast<unsigned char>(Tampon[Fin - 1]) < 33) --Fin;
    std::string Ligne = Tampon.substr(Debut, Fin - Debut);
    Tampon.erase(0, Taille);
    return Ligne;
}

bool LitLigneSuivante(std::string& Ligne) {
    if (PrendLigneDifferee(Ligne)) return true;
    for (;;) {
        int32_t n = SurveilleEntree();
        if (n > 0) {
            Ligne = LitEntree(n);
            return true;
        }
        if (FinEntree()) return false;
        AttendEntree(-1);
    }
}

}  // namespace velkar::plateforme
