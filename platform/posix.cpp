// POSIX layer (Linux and macOS): poll() on standard input into a buffer of
// our own, a monotonic clock, and write() for output.  (The emscripten
// build has a layer of its own, platform/wasm.cpp.)
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "plateforme.h"

namespace velkar::plateforme {
namespace {

std::string Tampon;   // bytes read from standard input, not yet taken
bool Fermee = false;  // standard input reached its end

uint64_t MillisecondesMonotones() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
}

const uint64_t Depart = MillisecondesMonotones();

// Reads what standard input holds, waiting at most Millisecondes for the
// first byte (0: do not wait, negative: wait as long as needed).
void Remplir(int Millisecondes) {
    if (Fermee) return;
    pollfd p{0, POLLIN, 0};
    int r = poll(&p, 1, Millisecondes);
    if (r < 0) {
        if (errno != EINTR) Fermee = true;
        return;
    }
    if (r == 0) return;
    char Bloc[65536];
    ssize_t Lu = read(0, Bloc, sizeof Bloc);
    if (Lu > 0) {
        Tampon.append(Bloc, static_cast<size_t>(Lu));
    } else if (Lu == 0 || (errno != EINTR && errno != EAGAIN)) {
        Fermee = true;
    }
}

int32_t LongueurLigne() { return plateforme::LongueurLigne(Tampon, Fermee); }

}  // namespace

const char* Etiquette() { return "x64"; }

void PrepareConsole() {
    // A chess interface that closes its end of the pipe must not kill us
    // in the middle of a write.
    signal(SIGPIPE, SIG_IGN);
}

void PrepareEntreeRecherche() {}

uint64_t GetTickCount() { return MillisecondesMonotones() - Depart; }

uint32_t SortieStandard() { return 1; }

void EcrireLigne(uint32_t Handle, std::string_view Texte) {
    std::string Ligne;
    Ligne.reserve(Texte.size() + 1);
    Ligne.append(Texte);
    Ligne.push_back('\n');
    const char* p = Ligne.data();
    size_t Reste = Ligne.size();
    while (Reste > 0) {
        ssize_t Ecrit = write(static_cast<int>(Handle), p, Reste);
        if (Ecrit < 0) {
            if (errno == EINTR) continue;
            return;  // the interface has gone; nothing useful to do
        }
        p += Ecrit;
        Reste -= static_cast<size_t>(Ecrit);
    }
}

int32_t SurveilleEntree() {
    int32_t n = LongueurLigne();
    if (n > 0) return n;
    // Take everything that is waiting without blocking, then look again.
    for (;;) {
        size_t Avant = Tampon.size();
        Remplir(0);
        if (Tampon.size() == Avant) break;
    }
    return LongueurLigne();
}

std::string LitEntree(int32_t n) { return PrendLigne(Tampon, n); }

bool FinEntree() { return Fermee && LongueurLigne() == 0; }

void AttendEntree(int32_t Millisecondes) {
    if (LongueurLigne() > 0 || Fermee) return;
    Remplir(Millisecondes < 0 ? -1 : Millisecondes);
}

namespace {
constexpr size_t GrandePage = size_t{2} << 20;
size_t Arrondi(size_t Octets) { return (Octets + GrandePage - 1) / GrandePage * GrandePage; }
}  // namespace

void* AlloueTable(size_t Octets) {
    // Map 2 MB more than needed and give back what lies outside the first
    // 2 MB boundary.
    const size_t Taille = Arrondi(Octets);
    void* Brut = mmap(nullptr, Taille + GrandePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Brut == MAP_FAILED) return nullptr;
    const uintptr_t Debut = reinterpret_cast<uintptr_t>(Brut);
    const uintptr_t Aligne = (Debut + GrandePage - 1) / GrandePage * GrandePage;
    if (Aligne > Debut) munmap(Brut, Aligne - Debut);
    if (const size_t Fin = Debut + Taille + GrandePage - (Aligne + Taille); Fin > 0)
        munmap(reinterpret_cast<void*>(Aligne + Taille), Fin);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(Aligne), Taille, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(Aligne);
}

void LibereTable(void* Memoire, size_t Octets) {
    if (Memoire != nullptr) munmap(Memoire, Arrondi(Octets));
}

struct TFil {
    pthread_t Id;
    void (*Fonction)(void*);
    void* Argument;
};

TFil* LanceFil(void (*Fonction)(void*), void* Argument) {
    auto* Fil = new TFil{pthread_t{}, Fonction, Argument};
    pthread_attr_t Attributs;
    pthread_attr_init(&Attributs);
    pthread_attr_setstacksize(&Attributs, PileFil);
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

void CedePriorite() {
#if defined(__linux__)
    // On Linux the nice value belongs to the thread.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
#endif
}

void AttendFil(TFil* Fil) {
    pthread_join(Fil->Id, nullptr);
    delete Fil;
}

}  // namespace velkar::plateforme

#endif
