// Consistency checks shared by the fuzz targets: the position's own rules
// and the make and take-back of every move.  Any broken rule prints what
// broke and aborts, which libFuzzer reports as a crash with the input that
// caused it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>

#include "engine/position.h"
#include "engine/report.h"

namespace velkar::fuzz {

inline void Exige(bool Condition, const char* Regle, int32_t Detail = 0) {
    if (Condition) return;
    std::fprintf(stderr, "invariant broken: %s (%d)\n", Regle, Detail);
    std::abort();
}

// Search output goes to fd 1 through the engine's own writer; the input
// watch of a search reads fd 0.  Both go to /dev/null, so a search sees the
// end of input (as a quit) instead of waiting.
inline void RedirigeEntreesSorties() {
    const int Nul = open("/dev/null", O_RDWR);
    if (Nul < 0) return;
    dup2(Nul, 0);
    dup2(Nul, 1);
    close(Nul);
}

// What a search hears while fuzzed: nothing while it searches, so that a
// run repeats exactly; a stop once it waits for one (infinite, ponder).
class TEcouteurFuzz final : public TEcouteur {
public:
    TEvenement Ecoute(int32_t Millisecondes) override { return Millisecondes == 0 ? Rien : Stop; }
};

// The position at rest obeys every rule of a consistent position.
inline void VerifieEtat(const TPosition& v) {
    const char* Regle = v.Incoherence(true);
    Exige(Regle == nullptr, Regle ? Regle : "");
}

// Everything a move changes and its take-back must restore, and what no
// move may change (the castling rooks' squares, the Chess960 flag).
struct Cliche {
    int32_t Echiquier[65];
    TPiece Pieces[33];
    int32_t Scalaires[20];
    uint64_t Cles[2];

    explicit Cliche(const TPosition& v) {
        std::memcpy(Echiquier, v.Echiquier, sizeof Echiquier);
        std::memcpy(Pieces, v.Pieces, sizeof Pieces);
        // clang-format off
        const int32_t s[20] = {v.Camp, v.NumDemiCoup, v.RoqueBlancPetit, v.RoqueBlancGrand,
                               v.RoqueNoirPetit, v.RoqueNoirGrand, v.Compteur50, v.CaseEnPassant,
                               v.BlancARoque, v.NoirARoque, v.PaireFousBlancs, v.PaireFousNoirs,
                               v.Materiel, v.NbPiecesBlanches, v.NbPiecesNoires, v.TourRoque[1],
                               v.TourRoque[2], v.TourRoque[3], v.TourRoque[4], v.Chess960() ? 1 : 0};
        // clang-format on
        std::memcpy(Scalaires, s, sizeof Scalaires);
        Cles[0] = v.Cle;
        Cles[1] = v.ClePions;
    }
    bool operator==(const Cliche& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

// perft 1: every generated move is played and taken back; it must be legal
// (the mover's king is not left in check, no king is captured), leave a
// consistent position, and its take-back must restore everything.
inline void VerifieCoups(TPosition& v) {
    if (v.NumDemiCoup + 1 >= NbDemiCoups) return;
    ListeCoupsPly Liste;
    v.GenereCoupsLegaux(Liste);
    Exige(Liste.NbCoups >= 0 && Liste.NbCoups <= CoupsParListe, "move count", Liste.NbCoups);
    const Cliche Avant(v);
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup m = Liste.Coups[i];
        Exige(m.Piece >= 1 && m.Piece <= RoiNoir && EstBlanche(m.Piece) == (v.Camp == Blanc),
              "mover belongs to the side", m.Piece);
        const int32_t Depart = v.CaseDe(m);
        Exige(Depart >= 1 && Depart <= 64 && m.Arrivee >= 1 && m.Arrivee <= 64, "move squares", i);
        const int32_t Prise = v.Echiquier[m.Arrivee];
        // Chess960 castling is written as the king taking its own rook.
        const bool Roque960 = v.Chess960() && v.EstRoque(m.Piece, m.Arrivee) && v.Pieces[Prise].TypePiece == Tour;
        Exige(Prise == 0 || Roque960 || (EstBlanche(Prise) != EstBlanche(m.Piece) && v.Pieces[Prise].TypePiece != Roi),
              "a move takes only an enemy piece other than the king", i);
        v.EffectuerDeplacement(Depart, m.Arrivee, m.Promotion);
        VerifieEtat(v);
        v.Restaure();
        Exige(Cliche(v) == Avant, "take-back restores the position", i);
    }
}

}  // namespace velkar::fuzz
