// Input handling common to every operating system: deferred lines and the
// blocking line reader of the main loop.
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
