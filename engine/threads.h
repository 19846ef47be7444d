// Several threads on one search ("Lazy SMP"): helper searchers search the
// main searcher's root, each on a board of its own with its own killers,
// histories and pawn table, and share the transposition table with it.  They
// report nothing: what they find reaches the main searcher through the
// table, as cut-offs and moves to try first, and lets it go deeper in the
// same time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "hash.h"
#include "limits.h"
#include "position.h"

namespace velkar {

class TChercheur;

class TEquipe {
public:
    explicit TEquipe(TTableTransposition& Transposition);
    ~TEquipe();
    TEquipe(const TEquipe&) = delete;
    TEquipe& operator=(const TEquipe&) = delete;

    // Ends the helpers' threads and starts Nombre new ones, which
    // sleep until a search; returns how many the system gave.
    int32_t Redimensionne(int32_t Nombre);
    int32_t NbAuxiliaires() const { return static_cast<int32_t>(Auxiliaires.size()); }

    // Every helper searches a copy of this root within these limits (only
    // their root moves count: the main searcher keeps the time and stops
    // them), until Arrete.
    void Demarre(const TPosition& Pos, const TLimites& Limites);
    // Stops the helpers and returns once all of them have.
    void Arrete();

    // What the helpers have counted in the current or last search.
    uint64_t Noeuds() const;
    uint64_t TbHits() const;
    // The main searcher's count as it last said it, so that under a node
    // limit every thread stops once all of them together have reached it.
    std::atomic<uint64_t> NoeudsPrincipal{0};
    uint64_t NoeudsTous() const { return NoeudsPrincipal.load(std::memory_order_relaxed) + Noeuds(); }

    // A new game: the helpers forget their killers, histories and pawns.
    void NouvellePartie();

private:
    struct TAuxiliaire;
    void Boucle(TAuxiliaire& Auxiliaire);
    void Termine();

    TTableTransposition& Transposition;
    std::vector<std::unique_ptr<TAuxiliaire>> Auxiliaires;
    std::atomic<bool> ArretAuxiliaires{false};

    // Under Verrou: the number of the search the helpers are to run, how
    // many have not finished it, and whether their threads must end.
    std::mutex Verrou;
    std::condition_variable Reveil, Fini;
    uint64_t NumeroRecherche = 0;
    int32_t EnCours = 0;
    bool FinFils = false;
};

}  // namespace velkar
