// The engine object: the whole state of Velkar in fixed-size fields.
//
// Squares run 1..64 (a1 = 1, h1 = 8, a8 = 57, h8 = 64), colours are 1 (White)
// and 2 (Black), piece types 1 pawn .. 6 king.  The board holds piece
// *numbers* 1..32 (1..16 White, 17..32 Black, 16 and 32 the kings); a number
// names the same piece for the whole game, so hash keys, castling and several
// evaluation terms are tied to numbers rather than to types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bitboards.h"
#include "hashtab.h"
#include "tables.h"

namespace velkar {

// Capacities.  A game may run to DemiCoupsPartieMax plies; a search on top of
// it reaches at most ProfondeurMax iterations plus the extension room and the
// quiescence plies, so the per-ply tables never overflow.
constexpr int32_t DemiCoupsPartieMax = 2048;
constexpr int32_t NbDemiCoups = DemiCoupsPartieMax + 600 + 160;
constexpr int32_t CoupsParListe = 256;       // a position has at most 218 moves
constexpr int32_t EnregistrementsParDemiCoup = 36;
constexpr int32_t CoupsParLigne = 101;

constexpr int16_t HashVide = -32767;         // "no usable score" / empty pawn entry

struct sCoup {
    uint8_t Piece;     // number of the moving piece
    uint8_t Arrivee;   // destination square
    int8_t Promotion;  // 2..5, or -1
    int16_t Note;      // ordering score
};

struct ListeCoupsPly {
    int32_t NbCoups;
    sCoup Coups[CoupsParListe + 1];  // moves are 1..NbCoups; slot 0 unused
};

// One move of a principal variation.
struct CoupVP {
    int8_t Arrivee;
    int8_t Promotion;
    int8_t Depart;
};

struct LigneVP {
    int32_t NbCoups;
    CoupVP Coups[CoupsParLigne];
};
using pLigne = LigneVP*;

struct Enregistrement {
    int32_t* Adresse;
    int32_t Valeur;
};

struct JournalPly {
    int32_t Nombre;
    Enregistrement Entrees[EnregistrementsParDemiCoup + 1];
};

struct TPiece {
    int32_t CasePiece;   // -1 once captured
    int32_t TypePiece;
    int32_t ValeurPiece;
};

#pragma pack(push, 1)
struct Hash {
    uint64_t Marque;    // key quotient and generation (see hashtab.h)
    int16_t Profondeur;
    int8_t Drapeau;     // 0 exact, 1 upper bound, 2 lower bound
    int16_t Score;
    int8_t Coup[3];     // piece number, destination, promotion; piece -1 = none
};
struct HashPion {
    uint64_t Marque;
    int16_t Score;
};
#pragma pack(pop)
static_assert(sizeof(Hash) == 16, "a table entry is 16 bytes");
static_assert(sizeof(HashPion) == 10, "a pawn entry is 10 bytes");

using HashTab = TableHachage<Hash>;
using HashTabPion = TableHachage<HashPion>;

class TVelkar {
public:
    TVelkar();
    ~TVelkar() = default;
    TVelkar(const TVelkar&) = delete;
    TVelkar& operator=(const TVelkar&) = delete;

    // --- creation, reset, output -------------------------------------------
    void InitialiserDonnees();
    void InitialiserPartie();
    void EF(std::string_view Texte) const;
    void ViderTablesHash();        // both tables read as empty from now on
    // Resizes the transposition table; false (old table kept) when the
    // allocation is refused.
    bool RedimensionneHash(int64_t NbEntrees);

    // --- FEN and notation --------------------------------------------------
    bool PlaceFen(std::string_view Fen);
    std::string ChaineFen() const;
    std::string ChaineEchiquier() const;

    // --- attacks -----------------------------------------------------------
    bool RoiEchec(int32_t CampRoi);
    bool EchecRapide(int32_t CampRoi, int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee);
    bool EchecRapide2(int32_t CaseDepart, int32_t CaseArrivee);

    // --- move generation ---------------------------------------------------
    void GenereListeCoups();
    void GenereListeCaps();
    void AjouteCoup(int32_t Piece, int32_t CaseArrivee, int32_t Promotion);
    void BlocAjouteCoup(int32_t Direction, int32_t Piece, int32_t CampJoueur);
    void AjouteCap(int32_t Piece, int32_t CaseArrivee, int32_t Promotion);
    void BlocAjouteCap(int32_t Direction, int32_t Piece, int32_t CampJoueur);

    // --- making moves ------------------------------------------------------
    void Sauve(int32_t* Adresse);
    void EffectuerDeplacement(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    void EffectuerDeplacementQ(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    void FaireCoupNul();
    // Pieces of a move, shared by the full and the light move.
    void RetirePiece(int32_t X, int32_t s);
    void DeplacePiece(int32_t M, int32_t CaseDepart, int32_t CaseArrivee);
    int32_t PrendEnPassant(int32_t s);
    void Promeut(int32_t M, int32_t Promotion, int32_t s);
    void NoteEnPassant(int32_t T, int32_t CaseDepart, int32_t CaseArrivee);
    void PasseAuPlySuivant();
    void Restaure();
    bool Repetition() const;
    // Plays a move given in coordinates only if it is legal here; false otherwise.
    bool JoueCoupLegal(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    uint64_t Perft(int32_t Profondeur);

    // --- hash tables -------------------------------------------------------
    void HashEnregistre(int16_t Profondeur, int16_t Valeur, int8_t Drapeau, int8_t Piece,
                        int8_t Arrivee, int8_t Promotion);
    int16_t HashRecherche(int16_t Profondeur, int16_t Alpha, int16_t Beta, int8_t* Drapeau);
    int16_t HashRecherchePions();
    void HashEnregistrePions(int16_t Valeur);

    // --- evaluation --------------------------------------------------------
    int16_t Eval();
    int16_t StructurePions();  // S of the pawn structure, computed from the board
    int32_t Activite(int32_t Piece) const;
    // The occupied squares, all and by colour (by piece number).
    struct Occupation {
        Bitboard Tous;
        Bitboard Couleur[3];
    };
    Occupation Occupe() const;
    int32_t ActiviteSur(int32_t Piece, const Occupation& o) const;

    // --- search ------------------------------------------------------------
    int32_t NoteRapide(int32_t Indice, bool Indicateur) const;
    int32_t NoteRapideQ(int32_t Indice) const;
    void TrieListeCoups(bool Indicateur);
    void TrieListeCoupsQ();
    void QSTrieListeCoups(int32_t Bas, int32_t Haut);
    // Killer update after a cut-off by a capture or a root move (p, a, c),
    // with the board as it was before the move.
    void MetAJourTueurs(int32_t p, int32_t a, int32_t c);
    int16_t Quies(int16_t Alpha, int16_t Beta);
    int16_t AlphaBeta(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis,
                      bool Echec);
    int16_t AlphaBetaRacine(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne,
                            bool NulPermis, bool Echec);
    std::string Recherche(uint32_t SortieRecherche);
    int32_t CalculeTemps() const;
    bool VerifieTemps();
    // How long the first iteration may run before any root move is done.
    int64_t LimiteSansCoup() const;
    // After a search that ended by itself in infinite or ponder mode: waits
    // for stop, quit or ponderhit, still answering isready.
    void AttendFinRecherche();
    // Acts on a line read during a search; false when it stops the search.
    bool TraiteLigneRecherche(const std::string& Ligne);
    // True when the side to move has at least one legal move.
    bool ACoupLegal();
    std::string_view ChaineInfos(pLigne Ligne, int32_t Score, int32_t NumeroCoup,
                                 std::string_view TexteCoupCourant);
    std::string_view ChaineInfosPrimaire(int32_t NumeroCoup, std::string_view TexteCoupCourant);
    std::string_view ChaineInfosSimple();
    int32_t SurveilleEntree();
    std::string LitEntree(int32_t n);

    // Static score used by the search: Eval plus the material seen from the
    // side to move.
    int16_t EvalStatique() {
        int32_t e = Eval();
        return static_cast<int16_t>(Camp == 1 ? e + Materiel : e - Materiel);
    }

    // --- board -------------------------------------------------------------
    int32_t Rayons[65][10][74];
    int32_t DirectionEntre[65][65];
    int32_t Distance[65][65];
    TPiece Pieces[33];
    int32_t Echiquier[65];
    JournalPly Sauvegardes[NbDemiCoups + 1];
    uint64_t HistoriqueCle[NbDemiCoups + 2];
    uint64_t HistoriqueClePions[NbDemiCoups + 2];
    uint32_t Historique[NbDemiCoups + 1][7][65];
    int32_t HistoriqueMaxDemiCoup = NbDemiCoups;  // highest ply whose history may be non-zero
    uint64_t CleZobrist[33][65];
    ListeCoupsPly ListeCoups[NbDemiCoups + 1];
    bool EnEchec[NbDemiCoups + 1];
    char TexteCoup[NbDemiCoups + 1][6];
    int32_t Killers[NbDemiCoups + 1][4];
    int32_t CoupHash[NbDemiCoups + 1][3];
    int32_t NbPiecesBlanches, NbPiecesNoires;
    HashTab TableHash;
    HashTabPion TableHashPions;
    int32_t DirectionsFou[4] = {8, 2, 4, 6};
    int32_t DirectionsTour[4] = {5, 1, 7, 3};
    std::string ListeCoupsPartie;
    bool PartieDepuisDebut = true;  // the game on the board began at the start position
    int32_t Camp;
    int32_t NumDemiCoup;
    int32_t RoqueBlancPetit, RoqueBlancGrand, RoqueNoirPetit, RoqueNoirGrand;
    int32_t Compteur50;
    int32_t CaseEnPassant;
    int32_t BlancARoque, NoirARoque;
    int32_t PaireFousBlancs, PaireFousNoirs;
    int32_t NumeroCoupFen = 1;  // full-move number given by the last FEN (display only)
    int32_t CampFen = 1;        // side to move of the last FEN (display only)
    uint64_t Noeuds;

    // --- search bookkeeping -----------------------------------------------
    int32_t DemiCoupRacine, NbCoupsRacine, NumCoupRacine, Iteration, ProfondeurSel, DemiCoupMax;
    std::string DerniereVP;
    bool RacineAmelioree;  // a root move raised Alpha in the current root call

    uint64_t Cle, ClePions, CleCoupNul;
    uint64_t CleRoque[5];
    uint64_t CleTraitBlanc, CleTraitNoir;
    int32_t Materiel;

    // --- limits and clocks ------------------------------------------------
    int32_t TempsBlanc, TempsNoir, IncBlanc, IncNoir;
    bool Infini, TempsParCoupFixe;
    int32_t ProfondeurMax;
    int32_t ProfondeurLimite;
    bool EnPonder;
    uint32_t DebutRecherche, DebutPonder, DernierAffichage, DebutTemps;
    bool Arret, ArretDemande;
    bool QuitDemande;  // "quit" was read during the search
    int32_t TempsAlloue;
    uint32_t Sortie;
    uint32_t Entree;
    bool ModeConsole;
    int32_t TailleHash, NbEntreesHash, TailleHashPions, NbEntreesHashPions;
    uint64_t EntreesUtilisees;
    uint64_t LimiteNoeuds;  // go nodes: 0 for none
    bool EcouteEntree = true;  // a search looks at standard input (not during bench)

private:
    // Counts a node, with the periodic time check and progress line; false
    // when the search must stop.
    bool CompteNoeud();
    bool DonneEchec(int32_t p, int32_t s, int32_t a, bool Capture);
    // Narrows the window by the mate distance; true (with the value to
    // return) when nothing is left to search.
    static bool ElagueDistanceMat(int32_t Eloignement, int16_t& Alpha, int16_t& Beta, int16_t& Borne);
    void CopieLigne(pLigne Ligne, int32_t Depart, int32_t Arrivee, int32_t Promotion, const LigneVP& Enfant);
    // Plays the first move the first iteration would search.
    void CoupDeSecours();

    char TamponInfos[2048 + CoupsParLigne * 6];
    char* EcritCompteurs(char* p, bool AvecTemps);
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    char* AjouteInfos(char* p, const char* Format, ...);
};

}  // namespace velkar
