// The engine behind one door.  Whoever drives Velkar (the UCI interface, the
// bench, a test, the browser) does it through these verbs: set up the game,
// search it with a request, a reporter and a listener, look at it, and size
// the tables and the team.  What lies behind (the game's board, the shared
// tables, the searchers and their threads, the stop state) is the engine's
// own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "limits.h"
#include "report.h"
#include "types.h"

namespace velkar {

class TPosition;

// What a search answers.
struct TResultat {
    bool SansCoup = false;  // no legal move: nothing to play
    TCoupUci Coup{};        // the move chosen
    bool Joue = false;      // and played on the game (not past the end of the game's record)
    // The variation of the last report with a score (none: NbCoups 0).
    LigneVP Variation{};
    // The reply: the first move of that variation (a search that ends inside
    // an iteration announces the move it was showing, which may not be the
    // move played), the move chosen where there is none; and the move after
    // it to ponder on, where the variation has one.
    TCoupUci Annonce{};
    bool AvecPonder = false;
    TCoupUci Ponder{};
    uint64_t Noeuds = 0;       // nodes every thread counted
    bool StopEntendu = false;  // stop or quit arrived during the search
    bool Quit = false;         // quit arrived
};

// What the endgame tables say of the game's position.
struct TAvisTables {
    int32_t Resultat;  // 0 loss, 1 blessed loss, 2 draw, 3 cursed win, 4 win, for the side to move
    int32_t Dtz;       // plies to the next capture or pawn move
    TCoupUci Coup;     // the move they choose
};

// The static judgement of the game's position: the positional part for the
// side to move, the material (White's less Black's), and the score the
// search starts from.
struct TEvaluation {
    int32_t Positionnelle, Materiel, Statique;
};

class TVelkar {
public:
    // The sizes the options offer (MB for the transposition table).
#if defined(__EMSCRIPTEN__)
    static constexpr int32_t HashDefaut = 16;  // a page's memory is counted
#else
    static constexpr int32_t HashDefaut = 128;
#endif
    static constexpr int32_t HashMin = 2, HashMax = 4096;
    static constexpr int32_t FilsMax = NbFilsMax;

    // The game at the start position; throws std::bad_alloc when the tables
    // cannot be had.
    TVelkar();
    ~TVelkar();
    TVelkar(const TVelkar&) = delete;
    TVelkar& operator=(const TVelkar&) = delete;

    // --- the game ---------------------------------------------------------------------
    // A new game from the start position: both tables emptied, and what the
    // searches learned (killers, histories) forgotten.
    void NouvellePartie();
    // A new game from the position of a FEN; false (and the start position)
    // for a FEN that cannot be read or describes an impossible position.
    bool PlaceFen(std::string_view Fen);
    // Plays a move only if it is legal here; false otherwise.
    bool JoueCoup(const TCoupUci& Coup);
    // Chess960 castling (the king takes its own rook); the game starts anew.
    void ChangeChess960(bool Chess960);
    bool Chess960() const;

    // --- searching --------------------------------------------------------------------
    // Searches the game within the request, reporting to Rapporteur and
    // hearing the input through Ecouteur; the move found is played on the
    // game.  Returns once the reply may be sent (after stop in infinite and
    // ponder mode).
    TResultat Cherche(const TRequete& Requete, TRapporteur& Rapporteur, TEcouteur& Ecouteur);

    // --- the tables and the team ------------------------------------------------------
    // Both tables' memory mapped in, where an interface gives time (isready).
    void PrepareTables();
    // Clear Hash: both tables emptied and everything the searches learned
    // forgotten, so that the next search is the one a freshly started
    // engine would make in the same game.
    void ViderTables();
    // The fill count of the transposition table starts again from zero, as
    // after a new game of an interface (ucinewgame), whose table holds
    // nothing.  (The replays of a game's position commands empty the table
    // too but keep counting, as the searches of a game always have.)
    void RemetRemplissage();
    // The transposition table in Mo megabytes; false (the old one kept) when
    // the memory cannot be had.
    bool RedimensionneHash(int32_t Mo);
    int32_t TailleHash() const;
    // Threads: the main searcher and Nombre - 1 helpers; how many the
    // system gave.
    int32_t ChangeFils(int32_t Nombre);
    int32_t NbFils() const;
    // The endgame tables of the directories in Chemin (empty: none), which
    // every search probes unless its request says otherwise; the largest
    // number of pieces they cover, 0 for none.  What the loading has to say
    // (table files left out, the prober's messages) goes to Dit, a line each.
    int32_t ChargeTablesFinales(const std::string& Chemin, const std::function<void(const std::string&)>& Dit = {});
    // The path last given.
    const std::string& CheminTablesFinales() const;
    static bool TablesFinalesCompilees();

    // --- looking at the game ----------------------------------------------------------
    std::string Fen() const;
    std::string Echiquier() const;  // 8 lines, rank 8 first
    uint64_t Cle() const;
    // Computed afresh, with a pawn table of its own: looking never changes
    // what a later search finds.
    TEvaluation Evalue() const;
    bool AvisTables(TAvisTables& Avis) const;
    // The leaves of the legal move tree of that depth, root move by root
    // move; stop and quit, heard through Ecouteur, end the count early.
    struct TPerft {
        uint64_t Total = 0;
        bool TropProfond = false;  // the depth does not fit the per-ply tables
        bool Arrete = false;       // stop or quit ended it before its end
        bool Quit = false;         // quit arrived
    };
    TPerft Perft(int32_t Profondeur, const std::function<void(const std::string&, uint64_t)>& Rapporte,
                 TEcouteur& Ecouteur);
    // The game's board, for the checks of the tests and the fuzz targets.
    const TPosition& Partie() const;

private:
    struct TEtat;
    std::unique_ptr<TEtat> Etat;
};

}  // namespace velkar
