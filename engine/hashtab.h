// Storage for the transposition and pawn hash tables.
//
// Emptying a table of 128 MB between moves would cost tens of milliseconds of
// the player's clock, so a table is emptied by starting a new generation:
// each entry carries the generation in which it was written, and an entry of
// an older generation reads exactly as an empty one.  The entry's key word
// holds the quotient of the position key by the table size, beside the
// generation; with the index (the remainder) it gives the full key back, so
// a probe compares keys exactly.
#pragma once

#include <cstdint>
#include <cstring>

#include "../platform/plateforme.h"

namespace velkar {

template <class Entree>
class TableHachage {
public:
    static constexpr int BitsGeneration = 16;
    static constexpr uint64_t MasqueGeneration = (uint64_t{1} << BitsGeneration) - 1;

    TableHachage() = default;
    ~TableHachage() { plateforme::LibereTable(Entrees, Taille * sizeof(Entree)); }
    TableHachage(const TableHachage&) = delete;
    TableHachage& operator=(const TableHachage&) = delete;

    // Gives the table n empty entries; false (table unchanged) when the
    // memory cannot be had.  Fresh pages come zeroed from the system, and a
    // zero word belongs to no generation.
    bool Alloue(uint64_t n) {
        if (n == 0 || n > SIZE_MAX / sizeof(Entree)) return false;
        void* Nouvelles = plateforme::AlloueTable(static_cast<size_t>(n * sizeof(Entree)));
        if (Nouvelles == nullptr) return false;
        plateforme::LibereTable(Entrees, Taille * sizeof(Entree));
        Entrees = static_cast<Entree*>(Nouvelles);
        Taille = n;
        PuissanceDeDeux = (n & (n - 1)) == 0;
        Decalage = 0;
        while ((uint64_t{1} << Decalage) < n) ++Decalage;
        Generation = 1;
        Preparee = false;
        return true;
    }

    // Writes one byte of every page of the table once (the value it already
    // holds, so no entry changes), so that the system maps the memory now
    // rather than inside the first searches, one page fault at a time.
    void Prepare() {
        if (Preparee) return;
        volatile unsigned char* Octets = reinterpret_cast<unsigned char*>(Entrees);
        const uint64_t Octets_ = Taille * sizeof(Entree);
        for (uint64_t i = 0; i < Octets_; i += 4096) Octets[i] = Octets[i];
        Preparee = true;
    }

    // Every entry reads as empty from now on.
    void Vide() {
        if (++Generation > MasqueGeneration) {
            std::memset(static_cast<void*>(Entrees), 0, Taille * sizeof(Entree));
            Generation = 1;
        }
    }

    // The entry of a key, and the key word an entry of that position holds
    // in the current generation.
    Entree& Place(uint64_t Cle, uint64_t& Marque) const {
        uint64_t Indice, Quotient;
        if (PuissanceDeDeux) {
            Indice = Cle & (Taille - 1);
            Quotient = Cle >> Decalage;
        } else {
            Indice = Cle % Taille;
            Quotient = Cle / Taille;
        }
        Marque = (Quotient << BitsGeneration) | Generation;
        return Entrees[Indice];
    }

    bool DeCetteGeneration(uint64_t Marque) const { return (Marque & MasqueGeneration) == Generation; }
    uint64_t NbEntrees() const { return Taille; }

private:
    Entree* Entrees = nullptr;
    uint64_t Taille = 0;
    bool PuissanceDeDeux = false;
    int Decalage = 0;
    uint64_t Generation = 1;
    bool Preparee = false;
};

}  // namespace velkar
