// The team of searchers ("Lazy SMP"): the main searcher, which searches the
// game's position on the engine's thread, and the helpers of the Threads
// option, each on a thread of its own with a copy of the board and its own
// move lists, killers, histories and pawn table.  All share the
// transposition table: what the helpers find reaches the main searcher
// there, as cut-offs and moves to try first.  Every searcher runs the same
// iterative deepening; only the main one has duties.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "hash.h"
#include "limits.h"
#include "partage.h"
#include "position.h"
#include "searcher.h"

namespace velkar {

class TEquipe {
public:
    // The main searcher searches Partie, the game, with the shared tables.
    TEquipe(TPosition& Partie, TTablesPartagees& Tables);
    ~TEquipe();
    TEquipe(const TEquipe&) = delete;
    TEquipe& operator=(const TEquipe&) = delete;

    TChercheur& Principal() { return Chef; }

    // Ends the helpers' threads and starts Nombre new ones, which sleep
    // until a search; returns how many the system gave.
    int32_t Redimensionne(int32_t Nombre);
    int32_t NbAuxiliaires() const { return static_cast<int32_t>(Auxiliaires.size()); }

    // Every helper searches a copy of the main searcher's board, with the
    // root moves it kept, within Limites, until Arrete.
    void Demarre(const TLimites& Limites);
    // Stops the helpers and returns once all of them have.
    void Arrete();

    // What the helpers and the main searcher's duties share.
    TPartageEquipe& Partage() { return Commun; }
    // What the helpers have counted in the current or last search.
    uint64_t NoeudsAuxiliaires() const { return Commun.NoeudsAuxiliaires(); }
    // Every searcher's nodes as they last published them.
    uint64_t NoeudsTous() const;

    // After a search with helpers: the searcher whose move to play.  Each
    // searcher's last finished iteration votes for its move with its depth
    // and its score above the worst of them; a proven mate goes first (the
    // shortest one, or against us the longest).
    const TChercheur& Elu() const;

    // A new game: every searcher forgets its killers, histories and pawns.
    void NouvellePartie();

private:
    class TDevoirsAuxiliaire;
    struct TAuxiliaire;
    void Boucle(TAuxiliaire& Auxiliaire);
    void Termine();

    TTableTransposition& Transposition;
    TChercheur Chef;
    std::vector<std::unique_ptr<TAuxiliaire>> Auxiliaires;
    std::atomic<bool> ArretAuxiliaires{false};
    TPartageEquipe Commun;
    const TLimites* LimitesAuxiliaires = nullptr;

    // Under Verrou: the number of the search the helpers are to run, how
    // many have not finished it, and whether their threads must end.
    std::mutex Verrou;
    std::condition_variable Reveil, Fini;
    uint64_t NumeroRecherche = 0;
    int32_t EnCours = 0;
    bool FinFils = false;
};

}  // namespace velkar
