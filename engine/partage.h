// What the team and the main searcher's duties share during a search: the
// deepest iteration any searcher has finished, whether a helper proved the
// mate go mate asks for, and the counts the helpers publish.  The duties
// read and note through it without knowing the team; the team owns it and
// tells it its helpers when their number changes, between searches.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace velkar {

// The counts a searcher publishes now and then, for the other threads.
struct TCompteursPublies {
    std::atomic<uint64_t> Noeuds{0}, TbHits{0};
};

class TPartageEquipe {
public:
    // The helpers' counts; only between searches.
    void ChangeAuxiliaires(std::vector<const TCompteursPublies*> Liste) { Compteurs = std::move(Liste); }
    uint64_t NoeudsAuxiliaires() const {
        uint64_t n = 0;
        for (const TCompteursPublies* c : Compteurs) n += c->Noeuds.load(std::memory_order_relaxed);
        return n;
    }
    uint64_t TbHitsAuxiliaires() const {
        uint64_t n = 0;
        for (const TCompteursPublies* c : Compteurs) n += c->TbHits.load(std::memory_order_relaxed);
        return n;
    }

    // A search begins: nothing finished, no mate.
    void Demarre() {
        Faite.store(0, std::memory_order_relaxed);
        Mat.store(false, std::memory_order_relaxed);
    }
    // The deepest iteration any searcher has finished in this search; a
    // helper still on it moves on.
    void NoteProfondeur(int32_t Profondeur) {
        int32_t Avant = Faite.load(std::memory_order_relaxed);
        while (Avant < Profondeur && !Faite.compare_exchange_weak(Avant, Profondeur, std::memory_order_relaxed)) {}
    }
    int32_t ProfondeurFaite() const { return Faite.load(std::memory_order_relaxed); }
    // A helper proved the mate go mate asks for: the search ends.
    void SignaleMat() { Mat.store(true, std::memory_order_relaxed); }
    bool MatSignale() const { return Mat.load(std::memory_order_relaxed); }

private:
    std::vector<const TCompteursPublies*> Compteurs;
    std::atomic<int32_t> Faite{0};
    std::atomic<bool> Mat{false};
};

}  // namespace velkar
