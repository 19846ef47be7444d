// The tables that searchers share: the transposition table (depth-preferred,
// one entry per index) and the pawn hash table (always replace).  A searcher
// refers to them; a second searcher on the same tables sees what the first
// one stored.
#pragma once

#include <atomic>
#include <cstdint>

#include "hashtab.h"
#include "types.h"

namespace velkar {

constexpr int16_t HashVide = -32767;  // "no usable score" / empty pawn entry

// What a stored score says of the true value.
enum TBorne : int8_t {
    BorneExacte = 0,
    BorneHaute = 1,  // the true value is at most the score (no move raised Alpha)
    BorneBasse = 2   // the true value is at least the score (a cut-off)
};

// What a probe found.
struct TSondage {
    bool Coupure = false;  // the entry settles the node: its value is Score
    int16_t Score = 0;
    bool VetoNul = false;  // a deep enough lower bound below Beta: a null move would not cut here
    TCoupTable Coup;       // the move stored with the position
};

// A table entry is two 64-bit words: the data (depth 16 bits, bound 8,
// score 16, then the move's piece number, destination and promotion, 8
// each, piece -1 for none), and the key word (key quotient and generation,
// see hashtab.h) XOR the data.  Searchers on other threads read and write
// entries without a lock, each word at once; an entry whose two words come
// from different stores fails the key comparison and reads as a miss.
struct Hash {
    uint64_t Verification;
    uint64_t Donnees;
};
#pragma pack(push, 1)
struct HashPion {
    uint64_t Marque;
    int16_t Score;
};
#pragma pack(pop)
static_assert(sizeof(Hash) == 16, "a table entry is 16 bytes");
static_assert(sizeof(HashPion) == 10, "a pawn entry is 10 bytes");

// Both tables keep their storage's allocation, emptying and page mapping
// (see hashtab.h); entries are reached only through their probe and store.
class TTableTransposition : private TableHachage<Hash> {
public:
    using TableHachage::Alloue;
    using TableHachage::NbEntrees;
    using TableHachage::Prepare;
    using TableHachage::Vide;

    // Stores unless the entry of that index holds a deeper (or equally deep)
    // result, whichever position it is for.
    void HashEnregistre(uint64_t Cle, int16_t Profondeur, int16_t Valeur, TBorne Borne, const TCoupTable& Coup);
    TSondage HashRecherche(uint64_t Cle, int16_t Profondeur, int16_t Alpha, int16_t Beta) const;
    // Asks the processor to fetch the entry of a key that will be probed
    // soon (the position just reached), so that the probe finds it in cache.
    void Precharge(uint64_t Cle) const {
        uint64_t Marque;
#if defined(__wasm__)
        // WebAssembly has no prefetch (the builtin compiles to nothing): a
        // load of the entry whose value nothing waits for starts the fetch
        // as well.
        (void)*reinterpret_cast<const volatile uint64_t*>(&Place(Cle, Marque));
#else
        __builtin_prefetch(&Place(Cle, Marque));
#endif
    }

    // Per mille of the entries written since the count was last reset (it
    // counts stores into empty entries, and keeps counting across Vide).
    int32_t Remplissage() const;
    void RemetRemplissage() { EntreesUtilisees.store(0, std::memory_order_relaxed); }
    // Searchers on several threads count into it without a locked
    // instruction; a count lost now and then only blurs a per-mille figure.
    std::atomic<uint64_t> EntreesUtilisees{0};
};

class TTablePions : private TableHachage<HashPion> {
public:
    using TableHachage::Alloue;
    using TableHachage::NbEntrees;
    using TableHachage::Prepare;
    using TableHachage::Vide;
    int16_t HashRecherchePions(uint64_t ClePions) const;
    void HashEnregistrePions(uint64_t ClePions, int16_t Valeur);
};

// Table sizes are given in megabytes.
constexpr uint64_t OctetsParMo = 1048576;
constexpr uint64_t EntreesParMo(int32_t Mo) { return static_cast<uint64_t>(Mo) * OctetsParMo / sizeof(Hash); }
// The pawn table has a fixed size: structures repeat so much that it needs
// no more.
constexpr int32_t MoPions = 8;

struct TTablesPartagees {
    // MoTransposition megabytes for the transposition table, MoPions for the
    // pawns.  Throws std::bad_alloc when they cannot be had.
    explicit TTablesPartagees(int32_t MoTransposition);
    TTableTransposition Transposition;
    TTablePions Pions;
    // Both tables read as empty from now on.
    void Vide() {
        Transposition.Vide();
        Pions.Vide();
    }
    // The same, and the fill count starts again from zero: a new position
    // or a table of another size.
    void Reinitialise() {
        Vide();
        Transposition.RemetRemplissage();
    }
    // Both tables' memory mapped in (the first time only), where an
    // interface gives the engine time: ucinewgame, and isready.
    void Prepare() {
        Transposition.Prepare();
        Pions.Prepare();
    }
};

}  // namespace velkar
