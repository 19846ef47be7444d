// Windows layer: standard handles, a console or pipe input test with
// GetNumberOfConsoleInputEvents/PeekNamedPipe, ReadFile and WriteFile, and
// GetTickCount for the clock.  The pipe itself is the shared input buffer:
// a line is only read once its end has arrived.
#if defined(_WIN32)

#include <windows.h>

#include <string>

#include "plateforme.h"

namespace velkar::plateforme {
namespace {

HANDLE EntSt_H = nullptr;
HANDLE SortSt_H = nullptr;
bool Console = false;
bool Fermee = false;
const DWORD Depart = ::GetTickCount();

// Window and mouse events are of no use to a chess engine.
bool PrepareEntree(HANDLE Entree) {
    DWORD Mode = 0;
    if (!GetConsoleMode(Entree, &Mode)) return false;
    SetConsoleMode(Entree, Mode & ~static_cast<DWORD>(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
    FlushConsoleInputBuffer(Entree);
    return true;
}

}  // namespace

const char* Etiquette() { return "x32"; }

void PrepareConsole() {
    EntSt_H = GetStdHandle(STD_INPUT_HANDLE);
    SortSt_H = GetStdHandle(STD_OUTPUT_HANDLE);
    Console = PrepareEntree(EntSt_H);
}

bool EstConsole() { return Console; }

// Differences of 32-bit ticks stay right across the wrap of GetTickCount.
uint64_t GetTickCount() { return static_cast<DWORD>(::GetTickCount() - Depart); }

uint32_t SortieStandard() { return 1; }

void EcrireLigne(uint32_t /*Handle*/, std::string_view Texte) {
    std::string Ligne(Texte);
    Ligne.push_back('\n');
    const char* p = Ligne.data();
    DWORD Reste = static_cast<DWORD>(Ligne.size());
    while (Reste > 0) {
        DWORD Ecrit = 0;
        if (!WriteFile(SortSt_H, p, Reste, &Ecrit, nullptr) || Ecrit == 0) return;
        p += Ecrit;
        Reste -= Ecrit;
    }
}

int32_t SurveilleEntree() {
    if (Fermee) return 0;
    if (Console) {
        DWORD Evenements = 0;
        if (!GetNumberOfConsoleInputEvents(EntSt_H, &Evenements)) return 0;
        return Evenements > 1 ? 256 : 0;
    }
    char Apercu[8192];
    DWORD Lus = 0, Disponibles = 0;
    if (!PeekNamedPipe(EntSt_H, Apercu, sizeof Apercu, &Lus, &Disponibles, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE) Fermee = true;
        return 0;
    }
    for (DWORD i = 0; i < Lus; ++i)
        if (Apercu[i] == '\n' || Apercu[i] == '\r') return static_cast<int32_t>(i + 1);
    return 0;
}

std::string LitEntree(int32_t n) {
    char Tampon[8192];
    DWORD Voulus = static_cast<DWORD>(n < 1 ? 1 : (n > 8191 ? 8191 : n));
    DWORD Lus = 0;
    if (!ReadFile(EntSt_H, Tampon, Voulus, &Lus, nullptr) || Lus == 0) {
        Fermee = true;
        return "";
    }
    DWORD Debut = 0, Fin = Lus;
    while (Debut < Fin && static_cast<unsigned char>(Tampon[Debut]) < 33) ++Debut;
    while (Fin > Debut && static_cast<unsigned char>(Tampon[Fin - 1]) < 33) --Fin;
    return std::string(Tampon + Debut, Fin - Debut);
}

bool FinEntree() {
    if (!Fermee && !Console) {
        char c;
        DWORD Lus = 0, Disponibles = 0;
        if (!PeekNamedPipe(EntSt_H, &c, 1, &Lus, &Disponibles, nullptr) && GetLastError() == ERROR_BROKEN_PIPE)
            Fermee = true;
    }
    return Fermee;
}

void AttendEntree(int32_t Millisecondes) {
    // Polled every 20 ms, as the main loop does between commands.
    (void)Millisecondes;
    Sleep(20);
}

}  // namespace velkar::plateforme

#endif
