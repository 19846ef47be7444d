// The transposition table and the pawn hash table.
#include "hash.h"

#include <atomic>
#include <new>

namespace velkar {

TTablesPartagees::TTablesPartagees(int32_t MoTransposition) {
    if (!Transposition.Alloue(EntreesParMo(MoTransposition)) ||
        !Pions.Alloue(static_cast<uint64_t>(MoPions) * OctetsParMo / sizeof(HashPion)))
        throw std::bad_alloc();
}

namespace {

// One word of an entry, read or written at once whatever other threads do.
#if defined(__EMSCRIPTEN_PTHREADS__)
// The threaded WebAssembly build: its C++ library has no atomic_ref.
uint64_t Lit(uint64_t& Mot) { return __atomic_load_n(&Mot, __ATOMIC_RELAXED); }
void Ecrit(uint64_t& Mot, uint64_t Valeur) { __atomic_store_n(&Mot, Valeur, __ATOMIC_RELAXED); }
#elif defined(__EMSCRIPTEN__)
// The single-thread WebAssembly build (its C++ library has no atomic_ref).
uint64_t Lit(uint64_t& Mot) { return Mot; }
void Ecrit(uint64_t& Mot, uint64_t Valeur) { Mot = Valeur; }
#else
uint64_t Lit(uint64_t& Mot) { return std::atomic_ref<uint64_t>(Mot).load(std::memory_order_relaxed); }
void Ecrit(uint64_t& Mot, uint64_t Valeur) { std::atomic_ref<uint64_t>(Mot).store(Valeur, std::memory_order_relaxed); }
#endif

struct TDonnees {
    int16_t Profondeur;
    TBorne Borne;
    int16_t Score;
    TCoupTable Coup;
};

uint64_t Emballe(int16_t Profondeur, TBorne Borne, int16_t Score, const TCoupTable& Coup) {
    const auto Octet = [](int32_t x) { return static_cast<uint64_t>(static_cast<uint8_t>(x)); };
    uint64_t d = static_cast<uint16_t>(Profondeur);
    d |= Octet(Borne) << 16;
    d |= static_cast<uint64_t>(static_cast<uint16_t>(Score)) << 24;
    d |= Octet(Coup.Piece) << 40;
    if (Coup.Piece != -1) d |= Octet(Coup.Arrivee) << 48 | Octet(Coup.Promotion) << 56;
    return d;
}

TDonnees Deballe(uint64_t d) {
    const auto Octet = [d](int Decalage) { return static_cast<int32_t>(static_cast<int8_t>(d >> Decalage)); };
    TDonnees r;
    r.Profondeur = static_cast<int16_t>(static_cast<uint16_t>(d));
    r.Borne = static_cast<TBorne>(Octet(16));
    r.Score = static_cast<int16_t>(static_cast<uint16_t>(d >> 24));
    r.Coup = TCoupTable{Octet(40), Octet(48), Octet(56)};
    return r;
}

}  // namespace

void TTableTransposition::HashEnregistre(uint64_t Cle, int16_t Profondeur, int16_t Valeur, TBorne Borne,
                                         const TCoupTable& Coup) {
    uint64_t Marque;
    Hash& h = Place(Cle, Marque);
    const uint64_t Anciennes = Lit(h.Donnees);
    if (!DeCetteGeneration(Lit(h.Verification) ^ Anciennes)) {
        EntreesUtilisees.store(EntreesUtilisees.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    } else if (Deballe(Anciennes).Profondeur >= Profondeur) {
        return;
    }
    const uint64_t Donnees = Emballe(Profondeur, Borne, Valeur, Coup);
    Ecrit(h.Donnees, Donnees);
    Ecrit(h.Verification, Marque ^ Donnees);
}

TSondage TTableTransposition::HashRecherche(uint64_t Cle, int16_t Profondeur, int16_t Alpha, int16_t Beta) const {
    TSondage r;
    uint64_t Marque;
    Hash& e = Place(Cle, Marque);
    const uint64_t Donnees = Lit(e.Donnees);
    if ((Lit(e.Verification) ^ Donnees) != Marque) return r;
    const TDonnees h = Deballe(Donnees);
    if (h.Borne == BorneBasse && h.Profondeur >= Profondeur / 2 - 1 && h.Score < Beta) r.VetoNul = true;
    if (h.Profondeur >= Profondeur) {
        if (h.Borne == BorneExacte) {
            r.Coupure = true;
            r.Score = h.Score;
        } else if (h.Borne == BorneHaute && h.Score <= Alpha) {
            // An upper bound carries no move.
            r.Coupure = true;
            r.Score = Alpha;
            return r;
        } else if (h.Borne == BorneBasse && h.Score >= Beta) {
            r.Coupure = true;
            r.Score = Beta;
        }
    }
    if (h.Coup.Piece != -1) r.Coup = h.Coup;
    return r;
}

int32_t TTableTransposition::Remplissage() const {
    const uint64_t Plein = 1000 * EntreesUtilisees.load(std::memory_order_relaxed) / NbEntrees();
    return static_cast<int32_t>(Plein > 1000 ? 1000 : Plein);
}

int16_t TTablePions::HashRecherchePions(uint64_t ClePions) const {
    uint64_t Marque;
    const HashPion& h = Place(ClePions, Marque);
    return h.Marque == Marque ? h.Score : HashVide;
}

void TTablePions::HashEnregistrePions(uint64_t ClePions, int16_t Valeur) {
    uint64_t Marque;
    HashPion& h = Place(ClePions, Marque);
    h.Marque = Marque;
    h.Score = Valeur;
}

}  // namespace velkar
