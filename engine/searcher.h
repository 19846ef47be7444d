// A searcher: the state of one search (its board, move lists, killers,
// histories, variations, node count, time budget and the flags that stop
// it), apart from the tables it shares with other searchers.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "hash.h"
#include "limits.h"
#include "position.h"
#include "strength.h"

namespace velkar {

// printf-style argument checking where the compiler offers it.
#if defined(__GNUC__)
#define VELKAR_FORMAT_PRINTF(Format, Arguments) __attribute__((format(printf, Format, Arguments)))
#else
#define VELKAR_FORMAT_PRINTF(Format, Arguments)
#endif

constexpr int32_t ProfondeurMax = 600;  // iterations of one search at most
// Extensions are granted only while the line stays within this many plies
// beyond the iteration's horizon.
constexpr int32_t RoomExtension = 32;

// Each iteration searches within this distance of the last score first.
constexpr int32_t Aspiration = 35;

class TEquipe;

// What the interface's options set for every search.
struct TReglages {
    int32_t MultiPV = 1;       // variations searched and shown at the root
    int32_t MoveOverhead = 0;  // milliseconds the interface and the system lose per move
    bool AfficheWdl = false;   // every line with a score carries "wdl W D L"
    bool LimiteForce = false;  // play at the strength Elo asks (see strength.h)
    int32_t Elo = EloMax;
};

class TChercheur {
public:
    explicit TChercheur(TTablesPartagees& Tables) : TChercheur(Tables.Transposition, Tables.Pions) {}
    TChercheur(TTableTransposition& Transposition, TTablePions& Pions);
    TChercheur(const TChercheur&) = delete;
    TChercheur& operator=(const TChercheur&) = delete;

    // The board it searches; for the engine's searcher, the game.
    TPosition Pos;

    // A new game: killers, histories and the last root move forgotten.
    void NouvellePartie();

    // Searches Pos within Limites, writing information lines, then plays the
    // move it found on the board and returns it ("" when there is no legal
    // move).  Limites is kept and may be changed by stop and ponderhit.
    std::string Recherche();
    TLimites Limites;
    TReglages Reglages;
    // The line with a score for a search that wrote none (a very short
    // search), with the move it plays as its variation.
    std::string_view ChaineInfosFinale(std::string_view Coup);
    bool LigneAvecScore = false;  // the current search wrote a line with a score
    // The chances per mille of a win, a draw and a loss for the side to
    // move that a score gives in this position.
    void Wdl(int32_t Score, int32_t& Gain, int32_t& Nulle, int32_t& Perte) const;
    // After a search that ended by itself in infinite or ponder mode: waits
    // for stop, quit or ponderhit, still answering isready.
    void AttendFinRecherche();
    // After a search at a limited strength that spent its node budget early
    // on a clock or movetime: waits, answering the input as during a search,
    // until half its time is used, as a player of that level would.
    void AttendTempsNaturel();
    // Acts on a line read during a search; false when it stops the search.
    bool TraiteLigneRecherche(const std::string& Ligne);
    // Stop or quit: the search ends now, whatever its limits.
    void Arrete();
    // True when the side to move has at least one legal move.
    bool ACoupLegal();

    // The static score used by the search: Eval plus the material seen from
    // the side to move; a stopped search no longer evaluates.
    int16_t EvalStatique();

    // --- results and flags ----------------------------------------------------
    uint64_t Noeuds = 0;
    uint64_t TbHits = 0;        // positions the endgame tables settled
    std::string DerniereVP;     // the variation of the last line written, each move followed by a blank
    bool ArretDemande = false;  // stop or quit arrived, or the node limit was reached
    bool QuitDemande = false;   // "quit" was read during the search
    bool EcouteEntree = true;   // a search looks at standard input (not during bench)

    // --- several threads -------------------------------------------------------
    // The main searcher's helpers (none, or none started, with one thread):
    // they search while it does, and count in its nodes and tbhits.
    TEquipe* Equipe = nullptr;
    uint64_t NoeudsTotal() const;
    uint64_t TbHitsTotal() const;
    // Makes this searcher a helper, which ends its search when Arret is set
    // (it looks every 256 nodes, so that the main searcher waits for it no
    // longer than a fraction of a millisecond); its search (see threads.cpp),
    // and its counts as the main searcher reads them.
    void DevientAuxiliaire(const std::atomic<bool>* Arret, const TEquipe* Principal) {
        ArretEquipe = Arret;
        EquipeDuPrincipal = Principal;
        IntervalleVerification = 255;
    }
    void RechercheAuxiliaire(int32_t Numero);
    std::atomic<uint64_t> NoeudsPublies{0}, TbHitsPublies{0};

    // --- parts of the search, open to the tests -------------------------------
    int32_t NoteRapide(int32_t Indice, const TCoupTable& CoupTable) const;
    int32_t NoteRapideQ(int32_t Indice) const;
    void TrieListeCoups(const TCoupTable& CoupTable);
    void TrieListeCoupsQ();
    // The same notes, with the sort put off while the search needs only the
    // best move (see TriDiffere): the index of that move, which the search
    // takes first, or 0 when the list is already sorted.  A search that
    // goes on to a second move sorts the list (CoupAPrendre).
    int32_t NoteListeCoups(const TCoupTable& CoupTable);
    int32_t NoteListeCoupsQ();
    // Where the search, counting i down from n, finds its next move: the
    // waiting best move first, then (the sort done at the second move) the
    // sorted list.
    int32_t CoupAPrendre(int32_t i, int32_t n, int32_t& Differe) {
        if (Differe == 0) return i;
        if (i == n) return Differe;
        QSTrieListeCoups(1, n);
        Differe = 0;
        return i;
    }
    int32_t CalculeTemps() const;
    bool VerifieTemps();
    std::string_view ChaineInfos(pLigne Ligne, int32_t Score, int32_t NumeroCoup, std::string_view TexteCoupCourant);
    std::string_view ChaineInfosPrimaire(int32_t NumeroCoup, std::string_view TexteCoupCourant);
    std::string_view ChaineInfosSimple();
    std::string_view ChaineInfosMultiPV(int32_t Numero, const LigneVP& Ligne, int32_t Score);

    ListeCoupsPly ListeCoups[NbDemiCoups + 1];
    int32_t Killers[NbDemiCoups + 1][4];  // two moves (piece, destination) per ply
    uint32_t Historique[NbDemiCoups + 1][7][65];
    // The best root move of the last iteration that ended inside its window,
    // the ply of the root it was found at, its score and depth.
    TCoupTable CoupRacine;
    int32_t DemiCoupCoupRacine = -1;
    int32_t ScoreCoupRacine = 0, ProfondeurCoupRacine = 0;
    int32_t DemiCoupMax = 0;  // the horizon ply of the current iteration
    int32_t Iteration = 0, ProfondeurSel = 0;
    int32_t TempsAlloue = 0;
    uint32_t DebutRecherche = 0, DebutTemps = 0, DebutPonder = 0;

private:
    TTableTransposition& Transposition;
    TTablePions& Pions;

    int16_t Quies(int16_t Alpha, int16_t Beta);
    int16_t AlphaBeta(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis, bool Echec);
    int16_t AlphaBetaRacine(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool Echec);
    // The table probe; its move is remembered as the last one any probe found.
    TSondage Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta);
    // Counts a node, with the periodic time check and progress line; false
    // when the search must stop.
    bool CompteNoeud(bool Quiescence);
    // The progress line, at most once a second.
    void Progression(bool Quiescence, int32_t NumeroCoup);
    bool DonneEchec(int32_t p, int32_t s, int32_t a, bool Capture);
    // Narrows the window by the mate distance; true (with the value to
    // return) when nothing is left to search.
    static bool ElagueDistanceMat(int32_t Eloignement, int16_t& Alpha, int16_t& Beta, int16_t& Borne);
    void CopieLigne(pLigne Ligne, int32_t Depart, int32_t Arrivee, int32_t Promotion, const LigneVP& Enfant);
    // Killer update after a cut-off by a capture or a root move (p, a, c),
    // with the board as it was before the move.
    void MetAJourTueurs(int32_t p, int32_t a, int32_t c);
    void NoteHistorique(int32_t Type, int32_t a, uint32_t Bonus);
    // The result of a full-width node, stored at its end.
    void EnregistreResultat(int16_t Profondeur, int16_t Alpha, int16_t AlphaEntree, const TCoupTable& Meilleur);
    void QSTrieListeCoups(int32_t Bas, int32_t Haut);
    int32_t TriDiffere();
    // The notes of the current ply's moves, written without sorting.
    void NoteCoups(const TCoupTable& CoupTable);
    void NoteCoupsQ();
    // The best root move of the previous iteration, at its own root.
    bool EstCoupRacine(int32_t p, int32_t a) const;
    // How long the first iteration may run before any root move is done.
    int64_t LimiteSansCoup() const;
    // Plays the first move the first iteration would search.
    void CoupDeSecours();
    // Keeps, of the root's list, the moves of go searchmoves and not yet
    // shown as a variation of the current iteration.
    void FiltreRacine(ListeCoupsPly& Liste) const;
    // Keeps the moves of go searchmoves that are legal here (all moves when
    // none is), saying which were not.
    void RetientCoupsRecherche();
    // At a limited strength: the move the level's draw picks among the
    // variations of the last iteration, in place of the best.
    void ChoisitCoupDuNiveau(const TNiveau& Niveau);
    // While a search waits for its reply: acts on one line of input, or
    // waits up to Millisecondes (forever when negative) for one.
    void EcouteEntreeAttente(int32_t Millisecondes);
    // The variations after the first, each the best root move not yet
    // shown, then the lines of the iteration, best first.
    void VariationsSuivantes(int16_t Profondeur, bool Echec, const LigneVP& Premiere, int16_t Score);
    size_t TexteVariation(const LigneVP& Ligne, char* Texte) const;
    // A variation's move as the table keeps it, on the root's board.
    TCoupTable CoupTableDe(const TCoupUci& c) const {
        return TCoupTable{Pos.Echiquier[c.Depart], c.Arrivee, c.Promotion};
    }
    // Variation k becomes the search's answer: its move, score and text.
    void RetientVariation(int32_t k);

    // MultiPV: the variations of the current iteration and their scores,
    // and the root moves already shown (piece, destination, promotion).
    static constexpr int32_t VariationsMax = 256;
    LigneVP Variations[VariationsMax];
    int32_t ScoresVariations[VariationsMax];
    int32_t NbExclus = 0;
    TCoupTable Exclus[VariationsMax];
    int32_t Variantes = 1;  // variations this search looks for: MultiPV, or more at a limited strength
    // The variations of the last iteration as shown, best first (indices
    // into Variations).
    int32_t NbCandidats = 0;
    int32_t Candidats[VariationsMax];
    bool NiveauLimite = false;          // this search plays at a limited strength
    uint64_t BudgetNoeuds = 0;          // its node budget; 0 for none
    int32_t NbCoupsRacineCherches = 0;  // root moves the search may play (searchmoves)
    int32_t PiecesFinales = 0;          // pieces the endgame tables cover in this search, 0 without tables
    // The move the endgame tables choose at the root, when they know the
    // position and nothing asks for a search among other moves.
    bool CoupDesTables();
    void EF(std::string_view Texte) const;

    TCoupTable CoupDernierSondage;  // the move of the last probe anywhere in the search
    int32_t DemiCoupRacine = 0, NbCoupsRacine = 0, NumCoupRacine = 0;
    char TexteCoupRacine[6] = {};                 // the root move being searched, as text
    bool RacineAmelioree = false;                 // a root move raised Alpha in the current root call
    int32_t HistoriqueMaxDemiCoup = NbDemiCoups;  // highest ply whose history may be non-zero
    uint32_t DernierAffichage = 0;
    bool Arret = false;
    uint32_t Sortie;
    const std::atomic<bool>* ArretEquipe = nullptr;  // a helper's stop flag; none for the main searcher
    const TEquipe* EquipeDuPrincipal = nullptr;      // a helper's team, for the node limit
    uint64_t IntervalleVerification = 4095;  // the clock (or the stop flag) is looked at every so many nodes, less one
    // The order of the root moves after the first (a helper's may be reversed).
    enum TOrdre : int8_t { OrdreNormal, OrdreInverse };
    TOrdre Ordre = OrdreNormal;

    char TamponInfos[2048 + CoupsParLigne * 6];
    char* EcritCompteurs(char* p, bool AvecTemps);
    char* EcritScore(char* p, int32_t Score);
    VELKAR_FORMAT_PRINTF(3, 4) char* AjouteInfos(char* p, const char* Format, ...);
};

}  // namespace velkar
