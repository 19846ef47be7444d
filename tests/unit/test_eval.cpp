// Piece activity, pawn structure and the static evaluation.
#include <cctype>
#include <sstream>
#include <tuple>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

// The same position with the colours exchanged: ranks reversed, piece
// letters and castling letters in the other case, the other side to move.
std::string Miroir(const std::string& Fen) {
    std::istringstream In(Fen);
    std::string Plateau, Trait, Roques = "-", EnPassant = "-";
    In >> Plateau >> Trait >> Roques >> EnPassant;
    std::vector<std::string> Rangees;
    for (size_t d = 0, f; d <= Plateau.size(); d = f + 1) {
        f = Plateau.find('/', d);
        if (f == std::string::npos) f = Plateau.size();
        Rangees.push_back(Plateau.substr(d, f - d));
    }
    auto Inverse = [](std::string s) {
        for (char& c : s)
            if (std::isalpha(static_cast<unsigned char>(c)))
                c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
        return s;
    };
    std::string r;
    for (auto it = Rangees.rbegin(); it != Rangees.rend(); ++it) {
        if (!r.empty()) r += '/';
        r += Inverse(*it);
    }
    if (EnPassant.size() == 2) EnPassant[1] = static_cast<char>('1' + '8' - EnPassant[1]);
    return r + (Trait == "w" ? " b " : " w ") + (Roques == "-" ? Roques : Inverse(Roques)) + " " + EnPassant + " 0 1";
}

// The activity of one piece, the occupied squares counted from the pieces.
int32_t Activite(const TPosition& v, int32_t Piece) {
    Occupation o{};
    o.Tous = v.OccupeesDuPlateau();
    o.Couleur[Blanc] = v.BlanchesDuPlateau();
    o.Couleur[Noir] = o.Tous & ~o.Couleur[Blanc];
    return ActiviteSur(v, Piece, o);
}

int16_t EvalDe(const char* Fen) {
    TPosition& v = Plateau();
    EXPECT_TRUE(Pose(v, Fen)) << Fen;
    return Eval(v, Pions());
}

}  // namespace

TEST(Evaluation, PositionDeDepart) {
    TPosition& v = Plateau();
    NouvellePartie();
    EXPECT_EQ(Eval(v, Pions()), -15);
    int32_t Blanche = 0, Noire = 0;
    for (int32_t n = CavaliersBlancs; n <= RoiBlanc; ++n) Blanche += Activite(v, n);
    for (int32_t n = CavaliersNoirs; n <= RoiNoir; ++n) Noire += Activite(v, n);
    EXPECT_EQ(Blanche, 4);
    EXPECT_EQ(Noire, 4);
    EXPECT_EQ(Activite(v, ToursBlanches), 0);
    EXPECT_EQ(Activite(v, PremierNumero(Blanc)), 0);
    EXPECT_EQ(EvalDe("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 15);
    NouvellePartie();
    v.Compteur50 = 99;
    EXPECT_EQ(Eval(v, Pions()), -15);
    v.Compteur50 = 100;  // fifty moves without capture or pawn move: a draw
    EXPECT_EQ(Eval(v, Pions()), 0);
}

TEST(Activite, Exemples) {
    TPosition& v = Plateau();
    ASSERT_TRUE(Pose(v, "7k/8/8/8/8/8/8/N3K3 w - - 0 1"));
    EXPECT_EQ(Activite(v, CavaliersBlancs), 2);
    EXPECT_EQ(Activite(v, CavaliersBlancs + 1), 0);  // not on the board
    ASSERT_TRUE(Pose(v, "8/8/8/8/k7/8/8/N3K3 w - - 0 1"));
    EXPECT_EQ(Activite(v, CavaliersBlancs), 5 + 2);
    ASSERT_TRUE(Pose(v, "8/8/8/8/8/1k6/8/N3K3 b - - 0 1"));
    EXPECT_EQ(Activite(v, CavaliersBlancs), 15 + 5);  // the enemy king's own square weighs 15
    ASSERT_TRUE(Pose(v, "7k/8/8/8/8/2K5/8/R7 w - - 0 1"));
    EXPECT_EQ(Activite(v, ToursBlanches), 14);
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/8/K7 w - - 0 1"));
    EXPECT_EQ(Activite(v, RoiBlanc), 3);
    EXPECT_EQ(Activite(v, RoiNoir), 5);

    // The original queen weighs the Black rook that ends its file (next to
    // the king: 5); a promoted queen on the same square counts only the
    // empty squares.
    ASSERT_TRUE(Pose(v, "4k3/3r4/8/8/8/8/8/3QK3 w - - 0 1"));
    EXPECT_EQ(Activite(v, DameBlanche), 3 + 3 + 5 + 4 + 5);
    ASSERT_TRUE(Pose(v, "Q3k3/3r4/8/8/8/8/8/3QK3 b - - 0 1"));
    ASSERT_EQ(v.Echiquier[Case("d1")], PremierNumero(Blanc));  // a pawn's number
    EXPECT_EQ(Activite(v, PremierNumero(Blanc)), 3 + 3 + 5 + 4);
    // A Black bishop on its own: the weight of a White piece at the end of a ray.
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/1b6/N3K3 b - - 0 1"));
    EXPECT_EQ(Activite(v, FousNoirs), 1 + 6 + 1 + ValeursDistance[4]);
}

// The looked-up squares of a bishop and a rook are those found by walking
// the rays, on every square, for occupations from empty to nearly full: a
// wrong multiplier or mask would send two different sets to one entry.
TEST(Activite, TablesDesGlissadesEgalesAuxRayons) {
    uint64_t Graine = 0x2545F4914F6CDD1Dull;
    auto Hasard = [&Graine] {
        Graine ^= Graine << 13;
        Graine ^= Graine >> 7;
        Graine ^= Graine << 17;
        return Graine;
    };
    for (int32_t s = 1; s <= 64; ++s)
        for (int32_t k = 0; k < 3000; ++k) {
            // Sparse, medium and dense boards in turn.
            Bitboard Occupees = Hasard();
            if (k % 3 == 0) Occupees &= Hasard() & Hasard();
            if (k % 3 == 1) Occupees &= Hasard();
            ASSERT_EQ(AttaquesFou(s, Occupees), AttaquesParRayons(s, Occupees, DirectionsFou)) << s << " " << Occupees;
            ASSERT_EQ(AttaquesTour(s, Occupees), AttaquesParRayons(s, Occupees, DirectionsTour))
                << s << " " << Occupees;
        }
}

TEST(Pions, PionLibreSoutienEtPionDevant) {
    TPosition& v = Plateau();
    // e7, alone: free 36 + 21 = 57, isolated -31, unsupported -17.
    ASSERT_TRUE(Pose(v, "k7/4P3/8/8/8/8/8/K7 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), 57 - 31 - 17);
    // e4 against e6: neither is free, the rest cancels.
    ASSERT_TRUE(Pose(v, "k7/8/4p3/8/4P3/8/8/K7 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), 0);
    // Own pawn in front: e4 is held back by e5; a pawn straight behind
    // supports nothing.  Doubled -41, both isolated and unsupported.
    ASSERT_TRUE(Pose(v, "k7/8/8/4P3/4P3/8/8/K7 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), (10 + 21) - 41 - 2 * 31 - 2 * 17);
    // a4 with b3: a4 is supported, b3 is not; both free (-1 + 21 each).
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/P7/1P6/8/4K3 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), -17 + 40);
    // a4 with h3: both isolated and unsupported.
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/P7/7P/8/4K3 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), -62 - 34 + 40);
    // The same for Black: a5 and b6.
    ASSERT_TRUE(Pose(v, "4k3/8/1p6/p7/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(StructurePions(v), 17 - 40);
    // The pawn term enters the score divided by 4, truncated toward zero.
    ASSERT_TRUE(Pose(v, "7k/7p/8/8/8/8/8/N6K w - - 0 1"));
    EXPECT_EQ(StructurePions(v), 27);
}

TEST(Evaluation, NullesParLeMateriel) {
    // King and knight against king and pawn: -21 stays (activity 5 - 2,
    // pawns 27 div 4, knight square -30); on e5 the score would be positive,
    // and a king and one minor cannot win.
    EXPECT_EQ(EvalDe("7k/7p/8/8/8/8/8/N6K w - - 0 1"), -21);
    EXPECT_EQ(EvalDe("7k/7p/8/4N3/8/8/8/7K w - - 0 1"), 0);
    EXPECT_EQ(EvalDe("r3k3/8/8/8/8/8/8/R3K3 w - - 0 1"), 0);
    EXPECT_EQ(EvalDe("r3k3/8/8/8/8/8/8/R3K3 b - - 0 1"), 0);
    EXPECT_EQ(EvalDe("q3k3/8/8/8/8/8/8/Q3K3 w - - 0 1"), 0);
    EXPECT_EQ(EvalDe("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 0);
    EXPECT_EQ(EvalDe("8/8/3k4/8/8/8/8/K7 b - - 0 1"), 0);
    // A queen won by promotion is not the start queen: no draw rule.
    TPosition& v = Plateau();
    ASSERT_TRUE(Pose(v, "4k3/8/8/8/8/8/1p6/Q3K3 b - - 0 1"));
    Joue(v, "b2b1q");
    EXPECT_EQ(v.NbPiecesNoires, 2);
    EXPECT_NE(Eval(v, Pions()), 0);
}

// Properties over many positions of the data files: the pawn structure is
// symmetric between the colours, the pawn hash gives what a fresh
// computation gives, and the score is antisymmetric in the side to move
// when neither draw nor lone-king rules apply.  Setting a FEN keeps the
// start position's pawn key, so every position here probes the same pawn
// entry: it is forgotten before each new position.
TEST(Evaluation, ProprietesSurLesFichiers) {
    TPosition& v = Plateau();
    int n = 0, Antisymetriques = 0;
    std::vector<std::string> Fens;
    for (const char* f : {"wac.epd", "openings_8moves_v3_sample250.epd", "sts.epd"})
        for (const std::string& l : Lignes(f)) Fens.push_back(FenEpd(l));
    for (const std::string& l : Lignes("perftsuite.epd")) Fens.push_back(l.substr(0, l.find(';')));
    NouvellePartie();
    for (const std::string& Fen : Fens) {
        if (!v.PlaceFen(Fen)) continue;
        ++n;
        Pions().HashEnregistrePions(v.ClePions, HashVide);
        const int16_t S = StructurePions(v);
        const int16_t e = Eval(v, Pions());
        EXPECT_EQ(Pions().HashRecherchePions(v.ClePions), S) << Fen;
        EXPECT_EQ(Eval(v, Pions()), e) << Fen;  // now from the pawn hash
        Pions().HashEnregistrePions(v.ClePions, HashVide);
        EXPECT_EQ(Eval(v, Pions()), e) << Fen;  // recomputed

        if (v.NbPiecesBlanches > 2 && v.NbPiecesNoires > 2) {
            const std::string Autre = Fen.substr(0, Fen.find(' ')) + (v.Camp == Blanc ? " b - - 0 1" : " w - - 0 1");
            if (v.PlaceFen(Autre)) {
                EXPECT_EQ(Eval(v, Pions()), -e) << Fen;
                ++Antisymetriques;
            }
        }
        ASSERT_TRUE(v.PlaceFen(Miroir(Fen))) << Miroir(Fen);
        EXPECT_EQ(StructurePions(v), -S) << Fen;
    }
    EXPECT_GT(n, 2000);
    EXPECT_GT(Antisymetriques, 1500);
}

// Terms switched on and off through the state they read.
TEST(Evaluation, DeveloppementRoqueFousEtRoiSeul) {
    TPosition& v = Plateau();
    NouvellePartie();
    Joue(v, "g1f3");  // Black to move: White has three minors at home, Black four
    v.NumDemiCoup = 19;
    const int16_t Avant = Eval(v, Pions());
    v.NumDemiCoup = 20;
    EXPECT_EQ(Avant - Eval(v, Pions()), -44 + 33);
    v.BlancARoque = 1;
    v.NumDemiCoup = 39;
    const int16_t Ouverture = Eval(v, Pions());
    v.NumDemiCoup = 40;
    EXPECT_EQ(Ouverture - Eval(v, Pions()), -50);  // only Black has not castled

    NouvellePartie();
    v.PaireFousNoirs = 0;
    EXPECT_EQ(Eval(v, Pions()), -15 + 54);
    v.PaireFousBlancs = 0;
    EXPECT_EQ(Eval(v, Pions()), -15);

    // King and rook against the lone king: activity 15 - 3, rook square -5,
    // and the lone king pulled 16 * (3 + 3 + 7) toward the edge and our king.
    EXPECT_EQ(EvalDe("7k/8/8/8/8/8/8/R3K3 w - - 0 1"), 12 - 5 - 16 * 13);
    // The lone king to move counts its own activity 16 times.
    EXPECT_EQ(EvalDe("7k/8/8/8/8/8/8/R3K3 b - - 0 1"), -12 + 5 + 16 * 3);
}

TEST(Evaluation, TablesDesCases) {
    const int32_t(&T)[7][3][65] = TabCasePiece.Valeurs;
    // A few White cells (the listings read rank 8 first).
    for (auto [t, c, Valeur] : std::vector<std::tuple<int, const char*, int>>{{Pion, "d7", 36},
                                                                              {Pion, "c4", 2},
                                                                              {Fou, "h5", -50},
                                                                              {Fou, "c1", -45},
                                                                              {Tour, "a2", -10},
                                                                              {Dame, "e1", -20}})
        EXPECT_EQ(T[t][Blanc][Case(c)], Valeur) << c;
    // Black's tables mirror White's but for a few squares.
    const std::vector<std::tuple<int, const char*, int>> Exceptions = {
        {Cavalier, "b3", 0}, {Cavalier, "g3", 0}, {Cavalier, "b4", -6}, {Cavalier, "g4", -6}, {Fou, "a1", 0},
        {Fou, "h1", 0},      {Fou, "f8", -10},    {Fou, "g8", -45},     {Dame, "d8", -20},    {Dame, "e8", 0}};
    for (int32_t t = Pion; t <= Roi; ++t)
        for (int32_t c = 1; c <= 64; ++c) {
            int32_t Attendu = T[t][Blanc][(8 - CaseVersY[c]) * 8 + CaseVersX[c]];
            for (const auto& [et, ec, ev] : Exceptions)
                if (et == t && Case(ec) == c) Attendu = ev;
            EXPECT_EQ(T[t][Noir][c], Attendu) << t << " " << CaseVersChaine[c];
            if (t == Roi) {
                EXPECT_EQ(T[t][Blanc][c], 0);
            }
        }
}
