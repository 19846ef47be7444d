// The words every part of Velkar speaks: colours, piece kinds and piece
// numbers, squares and moves written in coordinates, scores and mates, and
// the forms a move takes on its way through the engine.
//
// Squares run 1..64 (a1 = 1, h1 = 8, a8 = 57, h8 = 64).  The board holds
// piece *numbers* 1..32 (1..16 White, 17..32 Black, 16 and 32 the kings); a
// number names the same piece for the whole game, so hash keys, castling and
// several evaluation terms are tied to numbers rather than to kinds.  -1
// stands for no square, no promotion and no move; 0 on the board for an
// empty square.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velkar {

// --- colours and piece kinds -------------------------------------------------
// The side to move (Camp) and the colour of a piece.  They stay plain
// integers so that tables can be indexed by them.
enum TCouleur : int32_t { Blanc = 1, Noir = 2 };
constexpr int32_t CampAdverse(int32_t Camp) { return 3 - Camp; }

// Piece kinds (TypePiece); a promotion names the kind the pawn becomes.
enum TGenrePiece : int32_t { Pion = 1, Cavalier = 2, Fou = 3, Tour = 4, Dame = 5, Roi = 6 };
constexpr int32_t SansPromotion = -1;

// --- piece numbers -----------------------------------------------------------
constexpr int32_t RoiBlanc = 16;
constexpr int32_t RoiNoir = 32;
constexpr int32_t NumeroRoi(int32_t Camp) { return Camp == Blanc ? RoiBlanc : RoiNoir; }
constexpr bool EstBlanche(int32_t Piece) { return Piece >= 1 && Piece <= RoiBlanc; }
// A piece of the other colour than Camp (the empty square, 0, is none).
constexpr bool EstAdverse(int32_t Piece, int32_t Camp) { return Camp == Blanc ? Piece > RoiBlanc : EstBlanche(Piece); }

// --- scores --------------------------------------------------------------------
// Scores are centipawns from the side to move's point of view, kept in 16
// bits by the search.  A mate is 14999 less the distance in plies from the
// root, so a side mated at the root scores -14999; every score beyond
// SeuilMat is a mate.  Mate values are the same on both sides of zero.
constexpr int32_t ScoreMat = 14999;
constexpr int32_t ValeurMat = 15000;    // mate in n moves: (ValeurMat - |score|) / 2
constexpr int32_t SeuilMat = 14500;     // scores beyond are mates, searched no further
constexpr int32_t SeuilMatNul = 14000;  // a null-move score beyond reveals a mate threat
constexpr int16_t ScoreInfini = 32767;  // the widest window is -ScoreInfini..ScoreInfini

// The score of mating Plis plies from the root (being mated there is its
// opposite).
constexpr int32_t MatEn(int32_t Plis) { return ScoreMat - Plis; }
// The lowest score of a mate in Coups moves or fewer for the side to move.
constexpr int32_t MatEnCoups(int32_t Coups) { return ScoreMat - (2 * Coups - 1); }
constexpr bool EstMat(int32_t Score) { return Score > SeuilMat || Score < -SeuilMat; }
// The moves to the mate a score announces: positive when the side to move
// mates, negative when it is mated (0: mated now).
constexpr int32_t CoupsAvantMat(int32_t Score) {
    const int32_t n = (ValeurMat - (Score < 0 ? -Score : Score)) / 2;
    return Score < 0 ? -n : n;
}

// --- moves -------------------------------------------------------------------
// A move of a move list: the piece that moves (its number), its destination,
// the promotion kind (or -1) and the note that orders the list.
struct sCoup {
    uint8_t Piece;
    uint8_t Arrivee;
    int8_t Promotion;
    int16_t Note;
};

// A move as the transposition table keeps it: piece number, destination,
// promotion; -1 for none.
struct TCoupTable {
    int32_t Piece = -1, Arrivee = -1, Promotion = -1;
    bool operator==(const TCoupTable&) const = default;
};

// A move in coordinates, as the interface writes it and the variations
// keep it: its squares and promotion (-1: none).
struct TCoupUci {
    int8_t Depart, Arrivee, Promotion;
    bool operator==(const TCoupUci&) const = default;
};

// A principal variation: up to CoupsParLigne moves in coordinates.
constexpr int32_t CoupsParLigne = 101;
struct LigneVP {
    int32_t NbCoups;
    TCoupUci Coups[CoupsParLigne];
};
using pLigne = LigneVP*;

// --- coordinates ---------------------------------------------------------------
extern const int32_t CaseVersX[65];       // file 1..8 of each square
extern const int32_t CaseVersY[65];       // rank 1..8 of each square
extern const char CaseVersChaine[65][3];  // "a1" .. "h8"

// Promotion letter of a promotion kind ("n", "b", "r", "q"), empty otherwise.
const char* PromotionVersChaine(int32_t Promotion);
// The square of a coordinate text ("e4"), -1 for any other text.
int32_t ChaineVersCase(const char* Texte, int32_t Longueur);
// A move in coordinates ("e2e4", "e7e8q"); false for any other text.
bool LitCoup(std::string_view Texte, int32_t& Depart, int32_t& Arrivee, int32_t& Promotion);
// A move in coordinates: written at Texte (room for six characters, no
// terminator), the length returned; or as a string.
int32_t EcritCoup(char* Texte, int32_t Depart, int32_t Arrivee, int32_t Promotion);
std::string TexteCoup(int32_t Depart, int32_t Arrivee, int32_t Promotion);
inline std::string TexteCoup(const TCoupUci& c) { return TexteCoup(c.Depart, c.Arrivee, c.Promotion); }

}  // namespace velkar
