// A searcher: one thread's search of a position, with the state that only
// it touches (its move lists, killers, histories, variations and counts).
// It shares the transposition table with the other searchers, and is given
// its duties (duties.h): the main searcher's keep the clock, hear the input
// and report; a helper's only watch the team's stop, the node limit and the
// iterations other threads finished.  Every searcher runs the same
// iterative deepening (Itere).
#pragma once

#include <atomic>
#include <cstdint>

#include "duties.h"
#include "hash.h"
#include "limits.h"
#include "partage.h"
#include "position.h"
#include "report.h"
#include "strength.h"

namespace velkar {

constexpr int32_t ProfondeurMax = 600;  // iterations of one search at most
// Extensions are granted only while the line stays within this many plies
// beyond the iteration's horizon.
constexpr int32_t RoomExtension = 32;
// Each iteration searches within this distance of the last score first.
constexpr int32_t Aspiration = 35;
// One ply above the horizon, late quiet moves are dropped when the static
// score is this far below Alpha.
constexpr int32_t MargeFutilite = 125;

class TTablesFinales;

class TChercheur {
public:
    // Pos is the board it searches: the game for the main searcher (lent by
    // the engine), a copy for a helper.
    // MemoireNulle: the searcher lies in memory known to be zero, which it
    // then leaves untouched until its searches reach it.
    TChercheur(TPosition& Pos, TTableTransposition& Transposition, TTablePions& Pions, bool MemoireNulle = false);
    TChercheur(const TChercheur&) = delete;
    TChercheur& operator=(const TChercheur&) = delete;

    // A new game: killers, histories and the last root move forgotten.
    void NouvellePartie();

    // --- one search ----------------------------------------------------------------
    // Sets up a search of the board within Limites (kept, unchanged, until
    // the search ends), looking for Variantes variations at the root and
    // calling Devoirs every Intervalle + 1 nodes; with MatCourt the root
    // searches on past a first mate for a shorter one.  A helper's searches
    // start Decalage plies deeper, and with Inverse take the root moves after
    // the first in the reverse order.
    void Prepare(const TLimites& Limites, int32_t Variantes, uint64_t Intervalle, TDevoirs& Devoirs,
                 bool MatCourt = false, int32_t Decalage = 0, bool Inverse = false);
    // True when the side to move has at least one legal move.
    bool ACoupLegal();
    // The root moves of go searchmoves that are legal here (the others are
    // reported and ignored; none left: every move), or those the main
    // searcher kept.
    void RetientCoupsRecherche(TRapporteur& Rapporteur);
    void RepriseCoupsRecherche(const TChercheur& Principal);
    // The move the endgame tables choose at the root, when they know the
    // position and nothing asks for a search among other moves.
    bool CoupDesTables();
    // A mate in Coups moves or fewer, the shortest, found by trying every
    // line to its end (no pruning can hide it), taken as the move to play.
    bool CoupDeMat(int32_t Coups);
    // Deeper and deeper, each iteration inside a window around the last
    // score, until the duties, the limits, a mate or the stop end it.
    // Nothing is searched when the tables already chose (Resolue).
    void Itere(bool Resolue);
    // After the iterations: the move of the first iteration when none was
    // chosen, and at a limited strength the one the level's draw picks
    // (true when that is not the search's best).
    bool Conclut(const TNiveau* Niveau);

    // --- what it found and counted -------------------------------------------------
    // The move chosen, in coordinates on the searched board, with its score
    // and the depth of the iteration that found it.
    TCoupUci CoupChoisi() const;
    int32_t ScoreChoisi() const { return ScoreCoupRacine; }
    int32_t ProfondeurChoisie() const { return ProfondeurCoupRacine; }
    // The variation of the answer: the last one reported with a score, or
    // the one the variations' order or the level's draw chose.
    const LigneVP& Variation() const { return DerniereVP; }
    // The variation of the last iteration that ended inside its window (the
    // one that chose the move), and whether this search chose one.
    const LigneVP& VariationFaite() const { return LigneFaite; }
    bool AChoisi() const { return Choisi; }
    uint64_t NoeudsCherches() const { return Noeuds; }
    uint64_t PositionsDesTables() const { return TbHits; }
    int32_t IterationEnCours() const { return Iteration; }
    int32_t ProfondeurSelective() const { return ProfondeurSel; }
    bool AvecTables() const { return PiecesFinales > 0; }
    // The endgame tables the next searches may probe (none: nullptr).
    void ChoisitTablesFinales(const TTablesFinales* Tables) { Finales = Tables; }
    const TTablesFinales* TablesFinales() const { return Finales; }
    // A root move of the current search has been searched to the end.
    bool DebutFait() const { return Iteration > 1 || RacineAmelioree; }
    const TPosition& Plateau() const { return Pos; }
    // The counts as other threads read them, published at every check.
    uint64_t NoeudsPublies() const { return Publies.Noeuds.load(std::memory_order_relaxed); }
    uint64_t TbHitsPublies() const { return Publies.TbHits.load(std::memory_order_relaxed); }
    const TCompteursPublies& Compteurs() const { return Publies; }
    void OublieCompteurs() {
        Publies.Noeuds.store(0, std::memory_order_relaxed);
        Publies.TbHits.store(0, std::memory_order_relaxed);
    }

    // --- parts of the search, open to the tests -------------------------------------
    int16_t EvalStatique();

private:
    TPosition& Pos;
    TTableTransposition& Transposition;
    TTablePions& Pions;
    TDevoirs* Devoirs = nullptr;
    const TLimites* Limites = nullptr;

    int16_t Quies(int16_t Alpha, int16_t Beta);
    int16_t AlphaBeta(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis, bool Echec);
    int16_t AlphaBetaRacine(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool Echec);
    // The table probe; its move is remembered as the last one any probe found.
    TSondage Sonde(int16_t Profondeur, int16_t Alpha, int16_t Beta);
    // A score as the table keeps it.  go mate keeps its mates as distances
    // from the node they were found at, not from the root, so that a
    // position reached at another ply (a transposition, a helper's deeper
    // start) reads the length of its own mate: a mate proved through the
    // table then has the length it says, and its line plays out to mate.
    // Other searches keep every score as it is.
    int16_t ScorePourTable(int16_t Score) const {
        return MatLePlusCourt ? DecaleMat(Score, Pos.NumDemiCoup - DemiCoupRacine) : Score;
    }
    // A mate score seen Plis further from the root (back with -Plis: the
    // scores the shift gave are the only ones it takes back).
    static int16_t DecaleMat(int32_t Score, int32_t Plis) {
        const int32_t Haut = Plis < 0 ? ScoreMat - Plis : ScoreMat, Bas = Plis < 0 ? SeuilMat - Plis : SeuilMat;
        if (Score > Bas && Score <= Haut) return static_cast<int16_t>(Score + Plis);
        if (Score < -Bas && Score >= -Haut) return static_cast<int16_t>(Score - Plis);
        return static_cast<int16_t>(Score);
    }
    // A probe that settled the node with an exact mate score (a bound
    // settles it with Alpha or Beta).  The table keeps a mate with no
    // variation: go mate searches such a node again, for the moves that
    // lead to it.
    static bool MatExactDeLaTable(const TSondage& t, int16_t Alpha, int16_t Beta) {
        return EstMat(t.Score) && t.Score != Alpha && t.Score != Beta;
    }
    // Counts a node, with the periodic check and progress report; false
    // when the search must stop.
    bool CompteNoeud(bool Quiescence);
    // The periodic check: the counts published for the other threads, and
    // the duties; false when the search must stop.
    bool Verifie();
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

    // Ordering (ordering.cpp): a note for every move of the ply's list, then
    // a sort in increasing order; the searches take the moves from the end.
    int32_t NoteRapide(int32_t Indice, const TCoupTable& CoupTable) const;
    int32_t NoteRapideQ(int32_t Indice) const;
    void TrieListeCoups(const TCoupTable& CoupTable);
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
    void QSTrieListeCoups(int32_t Bas, int32_t Haut);
    int32_t TriDiffere();
    // The notes of the current ply's moves, written without sorting.
    void NoteCoups(const TCoupTable& CoupTable);
    void NoteCoupsQ();
    // The best root move of the previous iteration, at its own root.
    bool EstCoupRacine(int32_t p, int32_t a) const;

    // The root (root.cpp).
    // A new best variation at the root: reported unless it is the last one
    // reported or a beginning of it.
    void NouvelleVariation(pLigne Ligne, int32_t Score, int32_t NumeroCoup);
    // Keeps, of the root's list, the moves of go searchmoves and not yet
    // shown as a variation of the current iteration.
    void FiltreRacine(ListeCoupsPly& Liste) const;
    // The variations after the first, each the best root move not yet
    // shown, then the lines of the iteration, best first.
    void VariationsSuivantes(int16_t Profondeur, bool Echec, const LigneVP& Premiere, int16_t Score);
    // Can the side to move mate in Coups moves or fewer, against every
    // defence?  Every legal move is tried; the root's mating move is kept.
    bool ForceMat(int32_t Coups);
    // A variation's move as the table keeps it, on the root's board.
    TCoupTable CoupTableDe(const TCoupUci& c) const {
        return TCoupTable{Pos.Echiquier[c.Depart], c.Arrivee, c.Promotion};
    }
    // Variation k becomes the search's answer: its move, score and line.
    void RetientVariation(int32_t k);
    // A variation as it is shown: it ends at the first move that repeats a
    // position of the game or of the line (the search counts that as a
    // draw, and an interface would see a line that goes on after a
    // threefold repetition); one of several cut short by a cut-off goes on,
    // up to Longueur moves (0: not at all), with the moves the table holds
    // for the positions it reaches (legal ones, up to a repetition or the
    // fifty-move rule), so that it is as long as the search knows it.  The
    // board and its per-ply state are as they were afterwards.
    void AjusteLigne(LigneVP& Ligne, int32_t Longueur);
    bool ChoisitCoupDuNiveau(const TNiveau& Niveau);
    // The move the first iteration searches first, with the static score.
    void CoupDeSecours();

    // Per ply.
    ListeCoupsPly ListeCoups[NbDemiCoups + 1];
    int32_t Killers[NbDemiCoups + 1][4];  // two moves (piece, destination) per ply
    uint32_t Historique[NbDemiCoups + 1][7][65];
    int32_t HistoriqueMaxDemiCoup = NbDemiCoups;  // highest ply whose history may be non-zero

    // The best root move of the last iteration that ended inside its window,
    // the ply of the root it was found at, its score and depth.  They outlive
    // the search: the ordering of the next search's first iteration reads
    // the move when its root is the same ply.
    TCoupTable CoupRacine;
    int32_t DemiCoupCoupRacine = -1;
    int32_t ScoreCoupRacine = 0, ProfondeurCoupRacine = 0;
    LigneVP DerniereVP{};  // see Variation()
    LigneVP LigneFaite{};  // see VariationFaite()
    int32_t ScoreDerniereVP = 0;

    // The current search.
    int32_t DemiCoupRacine = 0;
    int32_t DemiCoupMax = 0;  // the horizon ply of the current iteration
    int32_t Compteur = 0;     // the iteration count, which starts Decalage deeper for some helpers
    int32_t Iteration = 0, ProfondeurSel = 0;
    bool EchecRacine = false;
    uint64_t Noeuds = 0;
    uint64_t TbHits = 0;  // positions the endgame tables settled
    bool Arret = false;   // the search must stop: every node returns at once
    // go mate: the search looks for the shortest mate (root.cpp and
    // search.cpp say how), and ends on a mate scoring MatVise or more for
    // the side to move, or against it.
    bool MatLePlusCourt = false;
    // At a limited strength the root searches on past a first mate, so that
    // a shorter one is played (a mate in one rather than in two).
    bool MatCourtALaRacine = false;
    int16_t MatVise = 0;
    uint64_t IntervalleVerification = IntervallePrincipal;
    bool Choisi = false;  // an iteration (or the tables) chose a move
    TCompteursPublies Publies;
    // The order of the root moves after the first (a helper's may be reversed).
    enum TOrdre : int8_t { OrdreNormal, OrdreInverse };
    TOrdre Ordre = OrdreNormal;

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
    // The last complete set shown, best first, and its depth: a stop in the
    // middle of a set shows its other moves from there, so that an
    // interface gets a whole set, one line per move.
    int32_t NbPrecedentes = 0, ProfondeurPrecedentes = 0;
    LigneVP Precedentes[VariationsMax];
    int32_t ScoresPrecedents[VariationsMax];
    // The root moves the search may play (go searchmoves: those legal here).
    int32_t NbCoupsRecherche = 0;
    TCoupUci CoupsRecherche[TLimites::CoupsRechercheMax];
    int32_t NbCoupsRacineCherches = 0;  // root moves the search may play
    int32_t PiecesFinales = 0;          // pieces the endgame tables cover in this search, 0 without tables
    const TTablesFinales* Finales = nullptr;

    TCoupTable CoupDernierSondage;  // the move of the last probe anywhere in the search
    int32_t NbCoupsRacine = 0, NumCoupRacine = 0;
    TCoupUci CoupRacineCourant{};  // the root move being searched
    bool RacineAmelioree = false;  // a root move raised Alpha in the current root call
};

}  // namespace velkar
