// The engine: the tables its searchers share, its searcher (whose board is
// the game), and the record of the game the interface is playing.
#pragma once

#include <cstdint>
#include <string>

#include "hash.h"
#include "limits.h"
#include "position.h"
#include "searcher.h"
#include "threads.h"

namespace velkar {

class TVelkar {
public:
    TVelkar();
    TVelkar(const TVelkar&) = delete;
    TVelkar& operator=(const TVelkar&) = delete;

    TTablesPartagees Tables;
    TChercheur Chercheur{Tables};
    // The helpers that search beside Chercheur (Threads less one).
    TEquipe Equipe{Tables.Transposition};
    TPosition& Position() { return Chercheur.Pos; }
    // Threads: the searcher and Nombre - 1 helpers; returns how many
    // threads the system gave.
    int32_t ChangeFils(int32_t Nombre);

    // The moves of the game played since the start position, as the
    // position commands and the replies gave them, each followed by a blank.
    std::string ListeCoupsPartie;
    bool PartieDepuisDebut = true;  // the game on the board began at the start position

    // A new game from the start position: board, game record, killers and
    // histories, and both tables emptied (their fill count keeps counting).
    void InitialiserPartie();
    // Clear Hash: both tables emptied, and everything searches learned
    // forgotten (killers, histories, the traces left above the current
    // ply), so that the next search is the one a freshly started engine
    // would make in the same game.
    void ViderTables();
    // Resizes the transposition table; false (old table kept) when the
    // allocation is refused.
    bool RedimensionneHash(int64_t NbEntrees);
};

}  // namespace velkar
