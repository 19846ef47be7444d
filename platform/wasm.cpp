// WebAssembly layer (the emscripten build, run by a browser's Web Worker or
// by Node): no standard input to poll and no thread to block, only bytes
// that the JavaScript side queues and a callback that takes each output
// line.  Its JavaScript half is platform/wasm.js.
//
// A search cannot block its thread to wait for input: the JavaScript that
// queues the next line runs only when the engine gives the event loop back.
// The build uses Asyncify, which lets a wasm call stack be set aside and
// resumed later: at its time checks the search lets the event loop run for
// one turn (VelkarCede) and then looks at the queue, and the main loop's
// wait for a line (AttendEntree) sleeps until a line is queued.  Between
// two turns the search runs uninterrupted, as natively.
//
// The single-thread build has no threads: LanceFil refuses, so Threads
// stays 1.  The threaded build (emscripten -pthread, for pages a browser
// isolates) starts helpers as the native code does; they never touch the
// input, which only the main thread reads.
#if defined(__EMSCRIPTEN__)

#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>
#if defined(__EMSCRIPTEN_PTHREADS__)
#include <pthread.h>
#endif

#include "plateforme.h"

// Implemented in platform/wasm.js.
extern "C" {
// Moves up to n queued input bytes into Octets; the number moved, or -1
// once the input is closed and every byte of it has been moved.
int32_t VelkarPrendEntree(char* Octets, int32_t n);
// Sleeps until input is queued or closed, or Millisecondes have passed
// (never when negative).  Returns at once when something is queued already.
void VelkarAttendEntree(int32_t Millisecondes);
// Lets the event loop run once (the messages that arrived meanwhile are
// queued), then goes on.
void VelkarCede();
// Hands one output line (without terminator) to the listener.
void VelkarEcritLigne(const char* Texte, int32_t n);
}

namespace velkar::plateforme {
namespace {

std::string Tampon;   // bytes taken from the queue, not yet handed out
bool Fermee = false;  // the JavaScript side closed the input

const double Depart = emscripten_get_now();

// The event loop gets a turn at a time check at most this often (the
// checks come every 4096 nodes, one to three milliseconds).  A turn costs
// the unwinding and rewinding of the search's call stack and a trip through
// the event loop; every 10 ms that is a small share of the search's time
// (README, WebAssembly), and a stop still waits 10 ms at most.
constexpr double IntervalleCession = 10.0;
double DerniereCession = 0;

void Remplir() {
    if (Fermee) return;
    char Bloc[65536];
    for (;;) {
        const int32_t Lu = VelkarPrendEntree(Bloc, static_cast<int32_t>(sizeof Bloc));
        if (Lu < 0) {
            Fermee = true;
            return;
        }
        if (Lu == 0) return;
        Tampon.append(Bloc, static_cast<size_t>(Lu));
        // A line is taken from the front of the buffer: a buffer kept small
        // keeps that cheap when an interface sends much at once (the rest
        // waits where the JavaScript side keeps it).
        if (Tampon.size() >= sizeof Bloc) return;
    }
}

int32_t LongueurLigne() { return plateforme::LongueurLigne(Tampon, Fermee); }

}  // namespace

const char* Etiquette() { return "wasm"; }

void PrepareConsole() {}

void PrepareEntreeRecherche() {}

uint64_t GetTickCount() { return static_cast<uint64_t>(emscripten_get_now() - Depart); }

uint32_t SortieStandard() { return 1; }

void EcrireLigne(uint32_t Handle, std::string_view Texte) {
    (void)Handle;  // one output: the listener
    VelkarEcritLigne(Texte.data(), static_cast<int32_t>(Texte.size()));
}

int32_t SurveilleEntree() {
    int32_t n = LongueurLigne();
    if (n > 0) return n;
    Remplir();
    n = LongueurLigne();
    if (n > 0 || Fermee) return n;
    // Nothing queued: what the page or the interface sent since the last
    // turn is still waiting in the event loop.
    const double Maintenant = emscripten_get_now();
    if (Maintenant - DerniereCession < IntervalleCession) return 0;
    VelkarCede();
    DerniereCession = emscripten_get_now();
    Remplir();
    return LongueurLigne();
}

std::string LitEntree(int32_t n) { return PrendLigne(Tampon, n); }

bool FinEntree() { return Fermee && LongueurLigne() == 0; }

void AttendEntree(int32_t Millisecondes) {
    Remplir();
    if (LongueurLigne() > 0 || Fermee) return;
    VelkarAttendEntree(Millisecondes < 0 ? -1 : Millisecondes);
    DerniereCession = emscripten_get_now();
    Remplir();
}

// The tables come from the heap, zeroed (memory the heap reuses is not),
// aligned to a cache line; the memory grows as needed, and a refusal is
// nullptr as elsewhere.
void* AlloueTable(size_t Octets) {
    constexpr size_t Ligne = 64;
    const size_t Taille = (Octets + Ligne - 1) / Ligne * Ligne;
    void* Memoire = std::aligned_alloc(Ligne, Taille);
    if (Memoire != nullptr) std::memset(Memoire, 0, Taille);
    return Memoire;
}

void LibereTable(void* Memoire, size_t) { std::free(Memoire); }

#if defined(__EMSCRIPTEN_PTHREADS__)
// A helper is a pthread, which emscripten runs in a Web Worker of its pool.
struct TFil {
    pthread_t Id;
    void (*Fonction)(void*);
    void* Argument;
};

// A helper's stack is as large as the main thread's (5 MB, emscripten's
// default for it), not emscripten's 2 MB for a pthread: the search recurses
// as deeply in a helper, and an overflow of a wasm stack is not caught but
// writes over the heap below it.
constexpr size_t PileFilWasm = size_t{5} << 20;

TFil* LanceFil(void (*Fonction)(void*), void* Argument) {
    auto* Fil = new TFil{pthread_t{}, Fonction, Argument};
    pthread_attr_t Attributs;
    pthread_attr_init(&Attributs);
    pthread_attr_setstacksize(&Attributs, PileFilWasm);
    const int r = pthread_create(
        &Fil->Id, &Attributs,
        [](void* f) -> void* {
            const TFil* Lui = static_cast<TFil*>(f);
            Lui->Fonction(Lui->Argument);
            return nullptr;
        },
        Fil);
    pthread_attr_destroy(&Attributs);
    if (r != 0) {
        delete Fil;
        return nullptr;
    }
    return Fil;
}

void AttendFil(TFil* Fil) {
    pthread_join(Fil->Id, nullptr);
    delete Fil;
}
#else
// Built without threads: a helper searcher is never started.
struct TFil {};

TFil* LanceFil(void (*)(void*), void*) { return nullptr; }

void AttendFil(TFil* Fil) { delete Fil; }
#endif

void CedePriorite() {}

}  // namespace velkar::plateforme

#endif
