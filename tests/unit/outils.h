// Shared helpers of the unit tests: one board and its tables per test
// process, positions set as the decoder sets them, move texts and the EPD
// data files.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/eval.h"
#include "engine/hash.h"
#include "engine/position.h"
#include "engine/velkar.h"

namespace velkar::essais {

// The board and the tables the tests of the position and the evaluation
// work on: one of each per test process, with a small transposition table
// so that a reset stays cheap.
struct TBanc {
    TTablesPartagees Tables{TVelkar::HashMin};
    TPosition Position;
};

inline TBanc& Moteur() {
    static std::unique_ptr<TBanc> b = [] {
        auto m = std::make_unique<TBanc>();
        m->Tables.Transposition.Alloue(4096);
        m->Position.InitialiserPosition();
        return m;
    }();
    return *b;
}

inline TPosition& Plateau() { return Moteur().Position; }
inline TTablePions& Pions() { return Moteur().Tables.Pions; }
// A new game on the board, as the engine starts one: the start position
// and both tables emptied.
inline void NouvellePartie() {
    Moteur().Position.InitialiserPosition();
    Moteur().Tables.Vide();
}

// Sets a position on the board exactly as "position fen" does.
inline bool Pose(TPosition& v, std::string_view Fen) {
    NouvellePartie();
    const bool Ok = v.PlaceFen(Fen);
    Moteur().Tables.Reinitialise();
    return Ok;
}

inline std::string Texte(const TPosition& v, const sCoup& m) { return TexteCoup(v.CaseDe(m), m.Arrivee, m.Promotion); }

// The legal moves (or the captures and promotions) of the side to move, in
// generation order, generated as the search does: check flag stored first.
inline ListeCoupsPly Liste(TPosition& v, bool Captures = false) {
    ListeCoupsPly l;
    v.NoteEchec(v.RoiEchec(v.Camp));
    if (Captures) v.GenereListeCaps(l);
    else
        v.GenereListeCoups(l);
    return l;
}
inline std::vector<std::string> Coups(TPosition& v, bool Captures = false) {
    const ListeCoupsPly l = Liste(v, Captures);
    std::vector<std::string> r;
    for (int32_t i = 1; i <= l.NbCoups; ++i) r.push_back(Texte(v, l.Coups[i]));
    return r;
}

inline int32_t Case(const char* t) { return ChaineVersCase(t, 2); }

// Plays a move given as text ("e2e4", "e7e8q") with the full move.
inline void Joue(TPosition& v, std::string_view c) {
    int32_t Depart, Arrivee, Promotion;
    ASSERT_TRUE(LitCoup(c, Depart, Arrivee, Promotion)) << c;
    v.EffectuerDeplacement(Depart, Arrivee, Promotion);
}

// Lines of a data file; the FEN of an EPD line is its first four fields.
inline std::vector<std::string> Lignes(const std::string& Fichier) {
    std::ifstream f(std::string(VELKAR_DATA_DIR) + "/" + Fichier);
    std::vector<std::string> r;
    for (std::string l; std::getline(f, l);)
        if (!l.empty() && l[0] != '#') r.push_back(l);
    return r;
}

inline std::string FenEpd(const std::string& Ligne) {
    size_t p = 0;
    for (int k = 0; k < 4 && p != std::string::npos; ++k) p = Ligne.find(' ', p + 1);
    return Ligne.substr(0, p);
}

// The whole game state that a move and its take-back must leave unchanged.
struct Etat {
    std::array<int32_t, 65> Echiquier;
    std::array<int32_t, 3 * 33> Pieces;
    std::array<int32_t, 16> Scalaires;
    uint64_t Cle, ClePions;
    bool operator==(const Etat&) const = default;
};

inline Etat Photo(const TPosition& v) {
    Etat e{};
    for (int i = 0; i < 65; ++i) e.Echiquier[i] = v.Echiquier[i];
    for (int i = 0; i < 33; ++i) {
        e.Pieces[3 * i] = v.Pieces[i].CasePiece;
        e.Pieces[3 * i + 1] = v.Pieces[i].TypePiece;
        e.Pieces[3 * i + 2] = v.Pieces[i].ValeurPiece;
    }
    // clang-format off
    e.Scalaires = {v.Camp, v.NumDemiCoup, v.RoqueBlancPetit, v.RoqueBlancGrand,
                   v.RoqueNoirPetit, v.RoqueNoirGrand, v.Compteur50, v.CaseEnPassant,
                   v.BlancARoque, v.NoirARoque, v.PaireFousBlancs, v.PaireFousNoirs,
                   v.NbPiecesBlanches, v.NbPiecesNoires, v.Materiel, 0};
    // clang-format on
    e.Cle = v.Cle;
    e.ClePions = v.ClePions;
    return e;
}

}  // namespace velkar::essais
