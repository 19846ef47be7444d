// The position: the board, its pieces and everything a move changes, with
// the per-ply traces that taking moves back needs (the undo journal, the key
// histories and the check flags).  Making and taking back moves, FEN, the
// attack tests and move generation work on it and touch nothing else; the
// rest of the engine changes it only through its verbs.
//
// Squares, colours, piece kinds and piece numbers are those of types.h; the
// numbers each side's starting pieces take are named below.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "bitboards.h"
#include "tables.h"

namespace velkar {

// The numbers of the starting set.  Each side numbers its pieces in the
// order eight pawns, two knights, two bishops, two rooks, the queen and the
// king: White 1..16, Black the same 16 higher.  Setting a FEN gives these
// numbers to the first pieces of each kind it places and a free pawn number
// to any piece beyond them (a second queen, a third knight), so a pawn
// number may hold any kind but the others always hold their own kind.  Two
// pieces of a kind take the number named and the one after it.
constexpr int32_t PionsParCamp = 8;
constexpr int32_t CavaliersBlancs = 9, CavaliersNoirs = 25;
constexpr int32_t FousBlancs = 11, FousNoirs = 27;
constexpr int32_t ToursBlanches = 13, ToursNoires = 29;
constexpr int32_t DameBlanche = 15, DameNoire = 31;
// A side's numbers run from the first of its pawns to its king.
constexpr int32_t PremierNumero(int32_t Camp) { return Camp == Blanc ? 1 : RoiBlanc + 1; }
// The colour of a piece (its number, not 0).
constexpr int32_t CouleurDe(int32_t Piece) { return EstBlanche(Piece) ? Blanc : Noir; }
// The numbers after a side's pawns always hold their own kind: two
// knights, two bishops, two rooks, the queen and the king.
constexpr int32_t GenresFixes[PionsParCamp] = {Cavalier, Cavalier, Fou, Fou, Tour, Tour, Dame, Roi};
// Calls Fais(n, Type) for each of those numbers of Camp, knights first (or
// the king first), each call with its kind known where the code is
// compiled, so that the work for each kind is the code of that kind alone.
template <bool RoiDAbord = false, class F>
[[gnu::always_inline]] inline void PourLesGenresFixes(int32_t Camp, F&& Fais) {
    const int32_t Premier = PremierNumero(Camp) + PionsParCamp;
    [&]<size_t... k>(std::index_sequence<k...>) __attribute__((always_inline)) {
        if constexpr (RoiDAbord)
            (Fais(Premier + PionsParCamp - 1 - static_cast<int32_t>(k), GenresFixes[PionsParCamp - 1 - k]), ...);
        else
            (Fais(Premier + static_cast<int32_t>(k), GenresFixes[k]), ...);
    }
    (std::make_index_sequence<PionsParCamp>{});
}

// Capacities.  A game may run to DemiCoupsPartieMax plies; a search on top of
// it reaches at most 600 iterations plus the extension room and the
// quiescence plies, so the per-ply tables never overflow.
constexpr int32_t DemiCoupsPartieMax = 2048;
// The fifty-move counter as a FEN may give it, kept below this bound.
constexpr int32_t Compteur50Max = 1000;
constexpr int32_t NbDemiCoups = DemiCoupsPartieMax + 600 + 160;
constexpr int32_t CoupsParListe = 256;  // a position has at most 218 moves
constexpr int32_t EnregistrementsParDemiCoup = 36;

// Where castling puts the king and the rook, by castling right (1 White
// short, 2 White long, 3 Black short, 4 Black long): g1 f1, c1 d1, g8 f8,
// c8 d8, wherever they started.
constexpr int32_t RoiApresRoque[5] = {0, 7, 3, 63, 59};
constexpr int32_t TourApresRoque[5] = {0, 6, 4, 62, 60};
// The corner squares of the castling rooks in standard chess.
constexpr int32_t CoinsRoque[5] = {0, 8, 1, 64, 57};

struct ListeCoupsPly {
    int32_t NbCoups;
    sCoup Coups[CoupsParListe + 1];  // moves are 1..NbCoups; slot 0 unused
};

struct TPiece {
    int32_t CasePiece;  // -1 once captured
    int32_t TypePiece;
    int32_t ValeurPiece;
};

// A field of the position saved by the undo journal: where it lies in the
// position object (in bytes from its start) and the value it had.  An
// offset rather than an address: it names the same field in any copy.
struct Enregistrement {
    int32_t Decalage;
    int32_t Valeur;
};

struct JournalPly {
    int32_t Nombre;
    Enregistrement Entrees[EnregistrementsParDemiCoup + 1];
};

class TPosition {
public:
    TPosition();
    // A copy is a position of its own at any moment, in the middle of a line
    // too: its journal names the saved fields by their place in the object,
    // so taking back the moves of the copy restores the copy.
    TPosition(const TPosition&) = default;
    TPosition& operator=(const TPosition&) = default;

    // --- setting up ------------------------------------------------------
    // The starting position, with the per-ply state cleared.
    void InitialiserPosition();
    // False (and the starting position) for a FEN that cannot be read or
    // that describes an impossible position.
    bool PlaceFen(std::string_view Fen);
    std::string ChaineFen() const;
    std::string ChaineEchiquier() const;

    // --- attacks -----------------------------------------------------------
    bool RoiEchec(int32_t CampRoi) const;
    // Is a move of Piece to CaseArrivee castling?  In standard chess the
    // king moves two files; in Chess960 the king goes onto a rook of its own
    // colour.  Asked before the move is made.
    bool EstRoque(int32_t Piece, int32_t CaseArrivee) const {
        if (Pieces[Piece].TypePiece != Roi) return false;
        if (Echecs960) {
            const int32_t Cible = Echiquier[CaseArrivee];
            return Cible != 0 && EstBlanche(Cible) == EstBlanche(Piece);
        }
        const int32_t Ecart = CaseArrivee - Pieces[Piece].CasePiece;
        return Ecart == 2 || Ecart == -2;
    }
    // Does a move of Piece to CaseArrivee take an enemy piece (not the own
    // rook a Chess960 king castles onto)?  Asked before the move is made.
    bool EstPrise(int32_t Piece, int32_t CaseArrivee) const {
        return Echiquier[CaseArrivee] != 0 && !(Echecs960 && EstRoque(Piece, CaseArrivee));
    }
    // Would the move of Piece from CaseDepart to CaseArrivee leave the king
    // of CampRoi attacked?  Relies on the check flag of the current ply.
    bool EchecRapide(int32_t CampRoi, int32_t Piece, int32_t CaseDepart, int32_t CaseArrivee);
    // Does the move just made from CaseDepart to CaseArrivee give check to
    // the side now to move, directly or by uncovering a line?  Castling,
    // double steps and en passant are not covered.
    bool EchecRapide2(int32_t CaseDepart, int32_t CaseArrivee) const;
    // Could a move of the side to move's piece on s (not its king) uncover
    // its king, the ply's check flag not set?  False when EchecRapide would
    // find every move of that piece legal: the piece stands on no line
    // through its king, or the first piece beyond it on that line is no
    // enemy that strikes along it.
    bool PeutDecouvrir(int32_t s) const;

    // --- move generation -----------------------------------------------------
    // Both rely on the check flag of the current ply, which the searches
    // note (NoteEchec) before they generate.
    void NoteEchec(bool Echec) { Traces.EnEchec[NumDemiCoup] = Echec; }
    void GenereListeCoups(ListeCoupsPly& Liste);
    void GenereListeCaps(ListeCoupsPly& Liste);
    // The legal moves, whatever the check flag of the ply says; the flag is
    // left as the searches noted it.
    void GenereCoupsLegaux(ListeCoupsPly& Liste);

    // --- making and taking back moves ------------------------------------------
    void EffectuerDeplacement(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    // The light move of the quiescence search: board, material and counts
    // only; the keys and their histories are left alone.
    void EffectuerDeplacementQ(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    void FaireCoupNul();
    void Restaure();
    bool Repetition() const;
    // Plays a move given in coordinates only if it is legal here; false otherwise.
    bool JoueCoupLegal(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion);
    // A game that reaches the end of the per-ply tables goes on from a lower
    // ply: the position, at rest, moves down with the key history the
    // fifty-move rule and repetitions need (never more than the plies since
    // the last capture or pawn move), so that a game of any length can be
    // followed.  Nothing happens below the end of the tables.
    void Recentre();
    int32_t CaseDe(const sCoup& m) const { return Pieces[m.Piece].CasePiece; }
    // Is the generated move m the one from Depart to Arrivee with that promotion?
    bool EstCoup(const sCoup& m, int32_t Depart, int32_t Arrivee, int32_t Promotion) const {
        return CaseDe(m) == Depart && m.Arrivee == Arrivee && m.Promotion == Promotion;
    }
    int32_t NbPieces(int32_t c) const { return c == Blanc ? NbPiecesBlanches : NbPiecesNoires; }

    // --- move-path enumeration -------------------------------------------------
    uint64_t Perft(int32_t Profondeur);
    // Perft of every root move, reported one by one, with the per-ply state
    // that later searches read put back afterwards.  0 when the depth does
    // not fit the per-ply tables.
    // Continuer, when given, is asked now and then whether to go on; once it
    // says no, the count ends (incomplete) and Interrompu is set.
    uint64_t PerftDivise(int32_t Profondeur, const std::function<void(const std::string&, uint64_t)>& Rapporte,
                         const std::function<bool()>& Continuer = {}, bool* Interrompu = nullptr);

    // --- consistency -----------------------------------------------------------
    // The first broken rule of a consistent position (board and piece list
    // agree, counts, material, kings, castling rights, en-passant square),
    // or nullptr.  AuRepos adds the rules of a position between searches:
    // the keys are those of the ply's history, its journal is empty and the
    // side that just moved is not in check.
    const char* Incoherence(bool AuRepos) const;
    // The piece part of the keys, recomputed from the board.
    uint64_t ClePieces(bool PionsSeulement) const;

    // --- the per-ply traces -----------------------------------------------------
    // A search leaves traces above the current ply: the check flags and the
    // key histories of the plies it visited (the journals of those plies are
    // empty again once it is back).  Later searches read some of them back
    // where they do not write them first: the quiescence search's light
    // moves write no keys, so its repetition test and its take-backs read
    // the keys a deeper search left at those plies.  What a search finds
    // therefore depends on the searches before it, and the bench signature
    // counts on the keys its earlier positions left.
    //  - Partie (a new game): the check flags and the journals of every ply
    //    are wiped, the key histories survive (the starting ply's is set
    //    again with the position), as they always have: the searches of a
    //    game, and the bench's positions, each a new game, depend on them.
    //  - Tout (Clear Hash, and the bench before its first position): the
    //    check flags, journals and key histories of every ply above the
    //    current one (below it lie the game's own moves), so that the next
    //    search is the one a freshly started engine makes.
    enum class TOubli { Partie, Tout };
    void OublieTraces(TOubli Quoi);
    // The traces of the current ply and the Plis above it, for whoever
    // plays moves only to look at them (a line extended to be shown): what
    // later searches read there must be put back as it was.
    template <int32_t Plis>
    struct TTracesPlis {
        int32_t Base, Nombre;
        bool EnEchec[Plis];
        uint64_t Cle[Plis], ClePions[Plis];
    };
    template <int32_t Plis>
    TTracesPlis<Plis> CopieTraces() const {
        TTracesPlis<Plis> t;
        t.Base = NumDemiCoup;
        t.Nombre = std::min(Plis, NbDemiCoups + 1 - NumDemiCoup);
        std::copy(Traces.EnEchec + t.Base, Traces.EnEchec + t.Base + t.Nombre, t.EnEchec);
        std::copy(Traces.HistoriqueCle + t.Base, Traces.HistoriqueCle + t.Base + t.Nombre, t.Cle);
        std::copy(Traces.HistoriqueClePions + t.Base, Traces.HistoriqueClePions + t.Base + t.Nombre, t.ClePions);
        return t;
    }
    template <int32_t Plis>
    void RemetTraces(const TTracesPlis<Plis>& t) {
        std::copy(t.EnEchec, t.EnEchec + t.Nombre, Traces.EnEchec + t.Base);
        std::copy(t.Cle, t.Cle + t.Nombre, Traces.HistoriqueCle + t.Base);
        std::copy(t.ClePions, t.ClePions + t.Nombre, Traces.HistoriqueClePions + t.Base);
    }
    // The key history of a ply (for the checks of the tests).
    uint64_t CleDuPly(int32_t Ply) const { return Traces.HistoriqueCle[Ply]; }
    uint64_t ClePionsDuPly(int32_t Ply) const { return Traces.HistoriqueClePions[Ply]; }

    // --- the position ----------------------------------------------------------
    // Fischer random chess: castling rooks may start on any file, castling is
    // written as the king taking its own rook ("e1h1", "b1a1") and the FEN
    // castling field names rook files.  Setting a position keeps the mode;
    // whoever changes it sets the position again afterwards.
    bool Chess960() const { return Echecs960; }
    void ChoisitChess960(bool Oui) { Echecs960 = Oui; }
    TPiece Pieces[33];
    int32_t Echiquier[65];
    int32_t NbPiecesBlanches, NbPiecesNoires;
    int32_t Camp;
    int32_t NumDemiCoup;
    // 0 while the right stands, -1 once lost; a right belongs to its rook's
    // starting square, TourRoque[1..4] in the order of the castling keys
    // (White short, White long, Black short, Black long): the corners in
    // standard chess, any file of the first rank in Chess960.
    int32_t RoqueBlancPetit, RoqueBlancGrand, RoqueNoirPetit, RoqueNoirGrand;
    int32_t TourRoque[5];
    int32_t Compteur50;
    int32_t CaseEnPassant;
    int32_t BlancARoque, NoirARoque;
    int32_t PaireFousBlancs, PaireFousNoirs;
    int32_t Materiel;  // White's material minus Black's
    // By colour, the pawn numbers that hold another kind, captured or not: a
    // promoted pawn, or a piece a FEN gives beyond the starting set.  While
    // it is 0 the evaluation need not look at that side's pawn numbers.
    int32_t Promus[3];
    // The same count from the pieces (an empty number's kind is -1).
    int32_t PromusDuPlateau(int32_t c) const;
    uint64_t Cle, ClePions;
    int32_t NumeroCoupFen = 1;  // full-move number given by the last FEN (display only)
    int32_t CampFen = Blanc;    // side to move of the last FEN (display only)

    // --- per ply ---------------------------------------------------------------
    // The occupied squares at each ply, the current ones at NumDemiCoup.  A
    // move writes those of the next ply; taking it back costs nothing.
    Bitboard Occupations[NbDemiCoups + 2];
    Bitboard Occupees() const { return Occupations[NumDemiCoup]; }
    // The occupied squares of the current ply, from the pieces.
    Bitboard OccupeesDuPlateau() const { return CasesDesPieces(1, RoiNoir); }
    // Beside them, kept the same way for the evaluation: White's occupied
    // squares (Black's are the others), and the piece-square values of
    // White's pieces less those of Black's, kings left out.
    Bitboard OccupationsBlanches[NbDemiCoups + 2];
    int32_t EcartsCases[NbDemiCoups + 2];
    Bitboard BlanchesDuPlateau() const { return CasesDesPieces(1, RoiBlanc); }
    int32_t EcartCasesDuPlateau() const;
    // The squares of pieces Premiere to Derniere that stand on the board.
    Bitboard CasesDesPieces(int32_t Premiere, int32_t Derniere) const;

private:
    bool Echecs960 = false;
    // The per-ply traces (see OublieTraces).
    struct TTraces {
        bool EnEchec[NbDemiCoups + 1];  // the side to move at that ply is in check
        uint64_t HistoriqueCle[NbDemiCoups + 2];
        uint64_t HistoriqueClePions[NbDemiCoups + 2];
        JournalPly Sauvegardes[NbDemiCoups + 1];  // the undo journal
    } Traces;
    // A perft that may be stopped: whom to ask, and whether it said stop.
    const std::function<bool()>* PerftContinuer = nullptr;
    bool PerftArrete = false;

    void Sauve(int32_t* Adresse);
    void EffaceRoque(int32_t& Droit, int32_t Indice);
    void EffaceRoquesDuCamp(int32_t CampRoi);
    void EffaceRoqueCoin(int32_t Case);
    void EffaceRoqueTour(int32_t Case);
    void Roque960(int32_t PieceRoi, int32_t PieceTour);
    // Pieces of a move, shared by the full and the light move.
    void RetirePiece(int32_t X, int32_t s);
    void DeplacePiece(int32_t M, int32_t CaseDepart, int32_t CaseArrivee);
    int32_t PrendEnPassant(int32_t s);
    void Promeut(int32_t M, int32_t Promotion, int32_t s);
    void NoteEnPassant(int32_t T, int32_t CaseDepart, int32_t CaseArrivee);
    void PasseAuPlySuivant();
    // The next ply's occupied squares and piece-square balance start as
    // this ply's; the move then changes what it changes.
    void RecopieAuPlySuivant() {
        Occupations[NumDemiCoup + 1] = Occupations[NumDemiCoup];
        OccupationsBlanches[NumDemiCoup + 1] = OccupationsBlanches[NumDemiCoup];
        EcartsCases[NumDemiCoup + 1] = EcartsCases[NumDemiCoup];
    }
    // The ply's occupied squares and piece-square balance counted from the
    // pieces, where a position is set rather than reached by a move.
    void CompteDuPlateau(int32_t Ply) {
        Occupations[Ply] = OccupeesDuPlateau();
        OccupationsBlanches[Ply] = BlanchesDuPlateau();
        EcartsCases[Ply] = EcartCasesDuPlateau();
    }
    // In the Debug build, checks when the move (or take-back) that created
    // it ends that the position is consistent and, with AvecCles, that the
    // keys moved by exactly what changed on the board, the keys of the
    // castling rights that ended, and Autres.  Nothing in other builds.
    class TControle {
    public:
#ifndef NDEBUG
        TControle(const TPosition& Pos, uint64_t Autres, bool AvecCles);
        ~TControle();

    private:
        const TPosition& Pos;
        const uint64_t Autres, Cle, ClePions, Pieces, Pions;
        const bool AvecCles;
        int32_t Roques[4];
#else
        TControle(const TPosition&, uint64_t, bool) {}
#endif
    };

    // Generation, piece by piece.
    void BlocAjouteCoup(ListeCoupsPly& Liste, int32_t Direction, int32_t Piece, bool Libre);
    void BlocAjouteCaps(ListeCoupsPly& Liste, int32_t Piece, int32_t s, Bitboard Premiers, const int32_t* Directions,
                        int32_t NbDirections);
    void GenereCoupsPion(ListeCoupsPly& Liste, int32_t n, int32_t s, bool Libre);
    void GenereRoques(ListeCoupsPly& Liste, int32_t s);
    void GenereRoques960(ListeCoupsPly& Liste, int32_t s);
    void GenereCapsPion(ListeCoupsPly& Liste, int32_t n, int32_t s);
    // The square of the enemy piece that would strike the king of CampRoi,
    // on K, along the line through s once s is emptied (d: the direction of
    // that line from the king), or 0: what pins the piece on s.
    int32_t Cloueur(int32_t CampRoi, int32_t K, int32_t s, int32_t& d) const;
    // A piece the side to move may take in the quiescence search: the
    // other colour and worth more than 50, which rules out the king.
    bool EstCapturable(int32_t Case) const;

    // FEN pieces.
    bool PlacePieces(std::string_view t, size_t& i);
    void LitChampsFen(std::string_view t, size_t i);
    void LitRoques960(std::string_view Champ);
};

// In the Debug build every move and take-back checks the position; a
// broken rule stops the program with its description.
#ifndef NDEBUG
void VerifieCoherence(const char* Regle, const char* Fichier, int32_t Ligne);
#define VELKAR_VERIFIE(Regle) ::velkar::VerifieCoherence((Regle), __FILE__, __LINE__)
#else
#define VELKAR_VERIFIE(Regle) ((void)0)
#endif

}  // namespace velkar
