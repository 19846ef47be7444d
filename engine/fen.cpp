// Setting a position from a FEN string, and writing the board back as text.
#include <algorithm>
#include <cstring>

#include "position.h"

namespace velkar {

namespace {

constexpr std::string_view FenDepart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The letter of each piece kind, Black's (White's in upper case); an empty
// square is a dot on the text board.
constexpr std::string_view LettresGenres = ".pnbrqk";

// The kind a FEN letter names, or 0.
int32_t TypeDeLettre(char Lettre) {
    const char Minuscule = (Lettre >= 'A' && Lettre <= 'Z') ? static_cast<char>(Lettre + ('a' - 'A')) : Lettre;
    const size_t Genre = LettresGenres.find(Minuscule, Pion);
    return Genre == std::string_view::npos ? 0 : static_cast<int32_t>(Genre);
}

// Does a piece of that kind and colour stand on Case?
bool EstPieceDe(const TPosition& v, int32_t Case, int32_t Genre, int32_t CampPiece) {
    const int32_t p = v.Echiquier[Case];
    return p != 0 && v.Pieces[p].TypePiece == Genre && CouleurDe(p) == CampPiece;
}

}  // namespace

// The piece placement, up to the blank that ends it (at t[i]); false for a
// placement that cannot be read.
bool TPosition::PlacePieces(std::string_view t, size_t& i) {
    std::memset(Echiquier, 0, sizeof Echiquier);
    for (int32_t p = 1; p <= RoiNoir; ++p) Pieces[p] = TPiece{-1, -1, -1};

    // Next free number of each kind, per side.  Pieces beyond the start set
    // (a second queen, a third rook...) share the pawn range.
    int32_t Prochain[3][7] = {};
    // clang-format off
    const int32_t Premier[3][7] = {
        {0},
        {0, PremierNumero(Blanc), CavaliersBlancs, FousBlancs, ToursBlanches, DameBlanche, RoiBlanc},
        {0, PremierNumero(Noir), CavaliersNoirs, FousNoirs, ToursNoires, DameNoire, RoiNoir}};
    // clang-format on
    const int32_t Nombre[7] = {0, PionsParCamp, 2, 2, 2, 1, 1};
    int32_t Places[3] = {0, 0, 0};

    // Eight ranks of eight squares each, rank 8 first, and nothing else: a
    // placement that says more or less would shift the board.
    int32_t Case = 57;
    int32_t NbRangees = 1;
    int32_t Colonne = 0;  // squares already described on the current rank
    for (i = 0;; ++i) {
        if (i + 1 >= t.size()) return false;
        const char c = t[i];
        if (c == '/') {
            if (Colonne != 8 || NbRangees == 8) return false;
            ++NbRangees;
            Case = 65 - 8 * NbRangees;
            Colonne = 0;
        } else if (c >= '1' && c <= '8') {
            Case += c - '0';
            Colonne += c - '0';
            if (Colonne > 8) return false;  // a rank of more than eight squares
        } else if (int32_t Type = TypeDeLettre(c); Type != 0) {
            const int32_t CampPiece = (c >= 'a') ? Noir : Blanc;
            if (Colonne >= 8 || Case < 1 || Echiquier[Case] != 0) return false;
            int32_t n;
            if (Prochain[CampPiece][Type] < Nombre[Type] && Type != Pion) {
                n = Premier[CampPiece][Type] + Prochain[CampPiece][Type]++;
            } else if (Type == Roi) {
                return false;  // a second king
            } else {
                if (Prochain[CampPiece][Pion] >= PionsParCamp) return false;
                n = Premier[CampPiece][Pion] + Prochain[CampPiece][Pion]++;
            }
            Pieces[n] = TPiece{Case, Type, ValeursPieces[Type]};
            Echiquier[Case] = n;
            ++Places[CampPiece];
            ++Case;
            ++Colonne;
        } else if (c == ' ') {
            if (NbRangees != 8 || Colonne != 8) return false;
            if (Prochain[Blanc][Roi] == 0 || Prochain[Noir][Roi] == 0) return false;
            if (t.size() - (i + 1) < 4) return false;
            if (t[i + 1] != 'w' && t[i + 1] != 'b') return false;
            break;
        } else {
            return false;
        }
    }
    NbPiecesBlanches = Places[Blanc];
    NbPiecesNoires = Places[Noir];
    Materiel = 0;
    for (int32_t p = 1; p <= RoiNoir; ++p) {
        if (Pieces[p].CasePiece == -1) continue;
        Materiel += EstBlanche(p) ? Pieces[p].ValeurPiece : -Pieces[p].ValeurPiece;
    }
    for (int32_t c = Blanc; c <= Noir; ++c) Promus[c] = PromusDuPlateau(c);
    return true;
}

// The castling field of a Chess960 FEN, the board already placed.  A letter
// names the file of a rook (Shredder-FEN: "HAha", upper case for White);
// K and Q name the outermost rook on that side of the king (X-FEN).  A right
// stands only with the king on its first rank and a rook of its colour on
// the named square; the side of the king the rook stands on says which
// right it is, and the first letter for a right wins.
void TPosition::LitRoques960(std::string_view Champ) {
    int32_t* const Droits[5] = {nullptr, &RoqueBlancPetit, &RoqueBlancGrand, &RoqueNoirPetit, &RoqueNoirGrand};
    for (int32_t k = 1; k <= 4; ++k) *Droits[k] = -1;
    for (const char c : Champ) {
        if (c == '-') continue;
        const int32_t CampTour = (c >= 'a') ? Noir : Blanc;
        const char Lettre = static_cast<char>(CampTour == Noir ? c : c + ('a' - 'A'));
        const int32_t Base = CampTour == Blanc ? 0 : 56;
        const int32_t CaseRoi = Pieces[NumeroRoi(CampTour)].CasePiece;
        if (CaseVersY[CaseRoi] != (CampTour == Blanc ? 1 : 8)) continue;
        const int32_t ColonneRoi = CaseVersX[CaseRoi];
        int32_t Colonne = 0;
        if (Lettre == 'k') {
            for (int32_t f = 8; f > ColonneRoi && Colonne == 0; --f)
                if (EstPieceDe(*this, Base + f, Tour, CampTour)) Colonne = f;
        } else if (Lettre == 'q') {
            for (int32_t f = 1; f < ColonneRoi && Colonne == 0; ++f)
                if (EstPieceDe(*this, Base + f, Tour, CampTour)) Colonne = f;
        } else {
            Colonne = Lettre - 'a' + 1;
        }
        if (Colonne == 0 || Colonne == ColonneRoi || !EstPieceDe(*this, Base + Colonne, Tour, CampTour)) continue;
        const int32_t k = (CampTour == Blanc ? 1 : 3) + (Colonne > ColonneRoi ? 0 : 1);
        if (*Droits[k] == 0) continue;
        *Droits[k] = 0;
        TourRoque[k] = Base + Colonne;
    }
}

// The fields after the placement, which begins the side to move at t[i + 1].
void TPosition::LitChampsFen(std::string_view t, size_t i) {
    Camp = t[i + 1] == 'w' ? Blanc : Noir;
    RoqueBlancPetit = RoqueBlancGrand = RoqueNoirPetit = RoqueNoirGrand = -1;
    for (int32_t k = 1; k <= 4; ++k) TourRoque[k] = CoinsRoque[k];
    // In standard chess the rook files of Shredder-FEN name the corner
    // rooks too: H and A are K and Q (h and a, k and q); other files name
    // no standard castling rook.
    size_t Pos = i + 3;
    while (Pos < t.size()) {
        const char c = t[Pos];
        // clang-format off
        if (c == 'K' || (!Echecs960 && c == 'H')) RoqueBlancPetit = 0;
        else if (c == 'Q' || (!Echecs960 && c == 'A')) RoqueBlancGrand = 0;
        else if (c == 'k' || (!Echecs960 && c == 'h')) RoqueNoirPetit = 0;
        else if (c == 'q' || (!Echecs960 && c == 'a')) RoqueNoirGrand = 0;
        else if ((c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h')) {}
        else if (c != '-') break;
        // clang-format on
        ++Pos;
    }
    if (Echecs960) LitRoques960(t.substr(i + 3, Pos - (i + 3)));
    CaseEnPassant = -1;
    if (Pos + 2 < t.size() && t[Pos + 1] >= 'a' && t[Pos + 1] <= 'h' && t[Pos + 2] >= '1' && t[Pos + 2] <= '8')
        CaseEnPassant = ChaineVersCase(t.data() + Pos + 1, 2);

    // The halfmove clock counts toward the fifty-move rule as the game's own
    // reversible moves would (kept below a bound the rule never needs); the
    // move number only serves to write the position back.
    CampFen = Camp;
    size_t k = i + 1;
    auto ChampSuivant = [&]() {
        while (k < t.size() && t[k] != ' ') ++k;
        while (k < t.size() && t[k] == ' ') ++k;
        int32_t n = 0;
        size_t Chiffres = 0;
        for (size_t j = k; j < t.size() && t[j] >= '0' && t[j] <= '9' && Chiffres < 6; ++j, ++Chiffres)
            n = n * 10 + (t[j] - '0');
        return Chiffres > 0 ? n : -1;
    };
    ChampSuivant();  // castling
    ChampSuivant();  // en passant
    Compteur50 = std::clamp(ChampSuivant(), 0, Compteur50Max);
    const int32_t Numero = ChampSuivant();
    NumeroCoupFen = Numero > 0 ? Numero : 1;
}

bool TPosition::PlaceFen(std::string_view Fen) {
    const std::string_view t = Fen.size() < 12 ? FenDepart : Fen;
    size_t i = 0;
    bool Valide = PlacePieces(t, i);
    if (Valide) {
        LitChampsFen(t, i);
        CompteDuPlateau(NumDemiCoup);
        // Positions that cannot arise in a game are refused: a pawn on the
        // first or last rank, or the side that just moved standing in check.
        for (int32_t p = 1; p <= RoiNoir && Valide; ++p)
            Valide = !(Pieces[p].TypePiece == Pion &&
                       (CaseVersY[Pieces[p].CasePiece] == 1 || CaseVersY[Pieces[p].CasePiece] == 8));
        Valide = Valide && !RoiEchec(CampAdverse(Camp));
    }
    if (!Valide) {
        // Never leave a half-filled board behind: fall back to the start.
        InitialiserPosition();
        return false;
    }

    // An en-passant square stands only where a pawn can just have passed.
    if (CaseEnPassant != -1) {
        const int32_t e = CaseEnPassant;
        const int32_t Avance = Camp == Blanc ? 8 : -8;  // the way the side to move's pawns go
        const bool Possible = CaseVersY[e] == (Camp == Blanc ? 6 : 3) && Echiquier[e] == 0 &&
                              Echiquier[e + Avance] == 0 && EstPieceDe(*this, e - Avance, Pion, CampAdverse(Camp));
        if (!Possible) CaseEnPassant = -1;
    }
    // A castling right stands only with the king and that rook at home (in
    // Chess960 the castling field was read against the board already).
    if (Echecs960) return true;
    const bool RoiBlancChezLui = Pieces[RoiBlanc].CasePiece == 5, RoiNoirChezLui = Pieces[RoiNoir].CasePiece == 61;
    if (!RoiBlancChezLui || !EstPieceDe(*this, 8, Tour, Blanc)) RoqueBlancPetit = -1;
    if (!RoiBlancChezLui || !EstPieceDe(*this, 1, Tour, Blanc)) RoqueBlancGrand = -1;
    if (!RoiNoirChezLui || !EstPieceDe(*this, 64, Tour, Noir)) RoqueNoirPetit = -1;
    if (!RoiNoirChezLui || !EstPieceDe(*this, 57, Tour, Noir)) RoqueNoirGrand = -1;
    return true;
}

std::string TPosition::ChaineFen() const {
    std::string Fen;
    for (int32_t r = 8; r >= 1; --r) {
        int32_t Vides = 0;
        for (int32_t f = 1; f <= 8; ++f) {
            int32_t p = Echiquier[(r - 1) * 8 + f];
            if (p == 0) {
                ++Vides;
                continue;
            }
            if (Vides) Fen += static_cast<char>('0' + Vides);
            Vides = 0;
            const char l = LettresGenres[Pieces[p].TypePiece];
            Fen += EstBlanche(p) ? static_cast<char>(l - 32) : l;
        }
        if (Vides) Fen += static_cast<char>('0' + Vides);
        if (r > 1) Fen += '/';
    }
    Fen += Camp == Blanc ? " w " : " b ";
    std::string Roques;
    if (Echecs960) {
        // Shredder-FEN: the file of each castling rook, upper case for White.
        const int32_t Droits[5] = {0, RoqueBlancPetit, RoqueBlancGrand, RoqueNoirPetit, RoqueNoirGrand};
        for (int32_t k = 1; k <= 4; ++k)
            if (Droits[k] == 0) Roques += static_cast<char>((k <= 2 ? 'A' : 'a') + CaseVersX[TourRoque[k]] - 1);
    } else {
        if (RoqueBlancPetit == 0) Roques += 'K';
        if (RoqueBlancGrand == 0) Roques += 'Q';
        if (RoqueNoirPetit == 0) Roques += 'k';
        if (RoqueNoirGrand == 0) Roques += 'q';
    }
    Fen += Roques.empty() ? "-" : Roques;
    Fen += ' ';
    Fen += CaseEnPassant >= 1 && CaseEnPassant <= 64 ? CaseVersChaine[CaseEnPassant] : "-";
    const int32_t Joues = NumDemiCoup - 1 + (CampFen == Noir ? 1 : 0);
    Fen += ' ' + std::to_string(Compteur50) + ' ' + std::to_string(NumeroCoupFen + Joues / 2);
    return Fen;
}

std::string TPosition::ChaineEchiquier() const {
    std::string Texte;
    for (int32_t r = 8; r >= 1; --r) {
        for (int32_t f = 1; f <= 8; ++f) {
            int32_t p = Echiquier[(r - 1) * 8 + f];
            const char l = LettresGenres[p ? Pieces[p].TypePiece : 0];
            Texte += EstBlanche(p) ? static_cast<char>(l - 32) : l;
            if (f < 8) Texte += ' ';
        }
        Texte += '\n';
    }
    return Texte;
}

}  // namespace velkar
