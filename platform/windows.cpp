// Windows layer: the standard handles from GetStdHandle, the console set-up
// (no window or mouse events, pending console input discarded), an input
// test that never blocks (GetNumberOfConsoleInputEvents for a console,
// PeekNamedPipe for a pipe), ReadFile into a buffer of our own, WriteFile for
// output, and GetTickCount for the clock.  A pipe that cannot be peeked at
// (wine hands a Unix pipe over as one) is read by a thread of its own.
//
// Every byte read goes into one buffer from which whole lines are handed
// out, to the main loop and to a running search alike, so that no line is
// lost or reordered between them.  Keeping the bytes ourselves rather than
// leaving them in the pipe until a line end has arrived also lets a last line
// without terminator be read once the interface closes its end, and puts no
// limit on the length of a line (a long game's position command included).
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>

#include "plateforme.h"

namespace velkar::plateforme {
namespace {

enum class GenreEntree { Console, Tube, Lecteur, Autre };

HANDLE EntSt_H = nullptr;
HANDLE SortSt_H = nullptr;
GenreEntree Genre = GenreEntree::Autre;
bool Console = false;
std::string Tampon;   // bytes read from standard input, not yet taken
bool Fermee = false;  // standard input reached its end (or cannot be read)

const DWORD Depart = ::GetTickCount();

// Bytes that the reader thread has taken from a pipe that cannot be peeked
// at, waiting to be moved into Tampon.  Allocated once and never freed: the
// thread may still be blocked in ReadFile while the program ends.
struct FileLecteur {
    CRITICAL_SECTION Verrou;
    std::string Octets;
    bool Fin = false;
};
FileLecteur* Lecteur = nullptr;

DWORD WINAPI BoucleLecteur(LPVOID Parametre) {
    const HANDLE Entree = static_cast<HANDLE>(Parametre);
    for (;;) {
        char Bloc[65536];
        DWORD Lus = 0;
        const bool Lu = ReadFile(Entree, Bloc, sizeof Bloc, &Lus, nullptr) && Lus > 0;
        EnterCriticalSection(&Lecteur->Verrou);
        if (Lu) {
            Lecteur->Octets.append(Bloc, Lus);
        } else {
            Lecteur->Fin = true;
        }
        LeaveCriticalSection(&Lecteur->Verrou);
        if (!Lu) return 0;
    }
}

// From now on the pipe is read by the reader thread; false when the thread
// cannot be started.
bool LanceLecteur() {
    Lecteur = new FileLecteur;
    InitializeCriticalSection(&Lecteur->Verrou);
    const HANDLE Fil = CreateThread(nullptr, 0, BoucleLecteur, EntSt_H, 0, nullptr);
    if (Fil == nullptr) return false;
    CloseHandle(Fil);
    Genre = GenreEntree::Lecteur;
    return true;
}

// Console mode bits a chess engine has no use for: ENABLE_WINDOW_INPUT and
// ENABLE_MOUSE_INPUT (0x18).  Their events would only make the input test
// answer for input that is not a line.
constexpr DWORD EvenementsInutiles = ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT;

// Takes standard input as it is now: its handle, whether it is a console
// and, for a console, the mode without window and mouse events and with
// nothing pending.
void PrepareEntree() {
    // The reader thread owns the input handle once it runs.
    if (Genre == GenreEntree::Lecteur) return;
    EntSt_H = GetStdHandle(STD_INPUT_HANDLE);
    DWORD Mode = 0;
    Console = EntSt_H != nullptr && EntSt_H != INVALID_HANDLE_VALUE && GetConsoleMode(EntSt_H, &Mode);
    if (EntSt_H == nullptr || EntSt_H == INVALID_HANDLE_VALUE) {
        // Started without standard input (a detached process): nothing will
        // ever arrive.
        Genre = GenreEntree::Autre;
        Fermee = true;
    } else if (Console) {
        Genre = GenreEntree::Console;
        SetConsoleMode(EntSt_H, Mode & ~EvenementsInutiles);
        FlushConsoleInputBuffer(EntSt_H);
    } else if (GetFileType(EntSt_H) == FILE_TYPE_PIPE) {
        Genre = GenreEntree::Tube;
    } else {
        // A file or a character device such as NUL: reads never wait long.
        Genre = GenreEntree::Autre;
    }
}

HANDLE Sortie() {
    if (SortSt_H == nullptr) SortSt_H = GetStdHandle(STD_OUTPUT_HANDLE);
    return SortSt_H;
}

// Appends up to Taille bytes read with one ReadFile; a read that fails or
// returns nothing marks the end of input.
void Lire(DWORD Taille) {
    char Bloc[65536];
    DWORD Lus = 0;
    if (!ReadFile(EntSt_H, Bloc, std::min<DWORD>(Taille, sizeof Bloc), &Lus, nullptr) || Lus == 0) {
        Fermee = true;
        return;
    }
    Tampon.append(Bloc, Lus);
}

// Reads what standard input holds now, without waiting for more.
void Remplir() {
    if (Fermee) return;
    if (EntSt_H == nullptr) PrepareEntree();
    if (Fermee) return;
    switch (Genre) {
        case GenreEntree::Console: {
            // More than one pending event means a key went down and up: the
            // console then hands over a typed line at a time.
            DWORD Evenements = 0;
            if (!GetNumberOfConsoleInputEvents(EntSt_H, &Evenements)) {
                Fermee = true;
            } else if (Evenements > 1) {
                Lire(256);
            }
            break;
        }
        case GenreEntree::Tube: {
            // Only what is already in the pipe is read, so ReadFile returns
            // at once.  The call fails (ERROR_BROKEN_PIPE) once the writer
            // has closed its end and every byte has been read.
            DWORD Disponibles = 0;
            if (PeekNamedPipe(EntSt_H, nullptr, 0, nullptr, &Disponibles, nullptr)) {
                if (Disponibles > 0) Lire(Disponibles);
                break;
            }
            const DWORD Erreur = GetLastError();
            if (Erreur == ERROR_BROKEN_PIPE || Erreur == ERROR_PIPE_NOT_CONNECTED || Erreur == ERROR_NO_DATA ||
                !LanceLecteur()) {
                Fermee = true;
            }
            break;
        }
        case GenreEntree::Lecteur: {
            EnterCriticalSection(&Lecteur->Verrou);
            Tampon.append(Lecteur->Octets);
            Lecteur->Octets.clear();
            if (Lecteur->Fin) Fermee = true;
            LeaveCriticalSection(&Lecteur->Verrou);
            break;
        }
        case GenreEntree::Autre: Lire(65536); break;
    }
}

int32_t LongueurLigne() { return plateforme::LongueurLigne(Tampon, Fermee); }

}  // namespace

const char* Etiquette() { return "x32"; }

void PrepareConsole() {
    SortSt_H = GetStdHandle(STD_OUTPUT_HANDLE);
    PrepareEntree();
}

// Done again at the start of every search: the interface may have handed
// the console over or changed its mode since the program started.  Bytes
// already read stay in the buffer; only unread console events are dropped.
void PrepareEntreeRecherche() {
    if (!Fermee) PrepareEntree();
}

// The system clock wraps every 49.7 days; differences of 32-bit ticks stay
// right across the wrap, which is all the engine uses.
uint64_t GetTickCount() { return static_cast<DWORD>(::GetTickCount() - Depart); }

uint32_t SortieStandard() { return 1; }

void EcrireLigne(uint32_t Handle, std::string_view Texte) {
    (void)Handle;  // there is one output, the standard output handle
    std::string Ligne;
    Ligne.reserve(Texte.size() + 1);
    Ligne.append(Texte);
    Ligne.push_back('\n');  // a line feed alone, as on every other system
    const char* p = Ligne.data();
    DWORD Reste = static_cast<DWORD>(Ligne.size());
    while (Reste > 0) {
        DWORD Ecrit = 0;
        // The interface may have gone; nothing useful can be done then.
        if (!WriteFile(Sortie(), p, Reste, &Ecrit, nullptr) || Ecrit == 0) return;
        p += Ecrit;
        Reste -= Ecrit;
    }
}

int32_t SurveilleEntree() {
    int32_t n = LongueurLigne();
    if (n > 0) return n;
    // Take what is waiting until a line is complete or nothing more comes.
    while (!Fermee) {
        const size_t Avant = Tampon.size();
        Remplir();
        n = LongueurLigne();
        if (n > 0 || Tampon.size() == Avant) break;
    }
    return LongueurLigne();
}

std::string LitEntree(int32_t n) { return PrendLigne(Tampon, n); }

bool FinEntree() { return Fermee && LongueurLigne() == 0; }

// Neither a pipe nor a console can be waited on together with a time-out in
// a simple way, so the wait polls every 20 ms, as the idle main loop does.
void AttendEntree(int32_t Millisecondes) {
    const DWORD Debut = ::GetTickCount();
    for (;;) {
        if (SurveilleEntree() > 0 || Fermee) return;
        const DWORD Ecoule = ::GetTickCount() - Debut;
        if (Millisecondes >= 0 && Ecoule >= static_cast<DWORD>(Millisecondes)) return;
        DWORD Pause = 20;
        if (Millisecondes >= 0) Pause = std::min<DWORD>(Pause, static_cast<DWORD>(Millisecondes) - Ecoule);
        Sleep(Pause);
    }
}

void* AlloueTable(size_t Octets) { return VirtualAlloc(nullptr, Octets, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void LibereTable(void* Memoire, size_t) {
    if (Memoire != nullptr) VirtualFree(Memoire, 0, MEM_RELEASE);
}

struct TFil {
    HANDLE Poignee;
    void (*Fonction)(void*);
    void* Argument;
};

namespace {
DWORD WINAPI DebutFil(LPVOID f) {
    const TFil* Lui = static_cast<TFil*>(f);
    Lui->Fonction(Lui->Argument);
    return 0;
}
}  // namespace

TFil* LanceFil(void (*Fonction)(void*), void* Argument) {
    auto* Fil = new TFil{nullptr, Fonction, Argument};
    Fil->Poignee = CreateThread(nullptr, PileFil, DebutFil, Fil, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (Fil->Poignee == nullptr) {
        delete Fil;
        return nullptr;
    }
    return Fil;
}

void CedePriorite() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }

void AttendFil(TFil* Fil) {
    WaitForSingleObject(Fil->Poignee, INFINITE);
    CloseHandle(Fil->Poignee);
    delete Fil;
}

}  // namespace velkar::plateforme

#endif
