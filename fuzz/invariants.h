// Consistency checks of the engine object shared by the fuzz targets.  Any
// broken rule prints what broke and aborts, which libFuzzer reports as a
// crash with the input that caused it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fcntl.h>

#include "engine/velkar.h"

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

// A small transposition table (4 K entries) keeps resets and searches of
// each input cheap; the Hash option itself is capped by the targets.
inline void TablesReduites(TVelkar& v) { v.RedimensionneHash(4096); }

// The one engine of a fuzzing process, created once by LLVMFuzzerInitialize
// (the object is large and its tables take time to set up).
inline TVelkar* DemarreMoteur() {
    RedirigeEntreesSorties();
    static std::unique_ptr<TVelkar> Instance = std::make_unique<TVelkar>();
    TablesReduites(*Instance);
    return Instance.get();
}

inline bool EstBlanc(int32_t Piece) { return Piece >= 1 && Piece <= 16; }

// The position at rest: board and piece list agree, counts and material
// match a recount, castling rights have their pieces, tables are in range.
inline void VerifieEtat(TVelkar& v) {
    Exige(v.Camp == 1 || v.Camp == 2, "side to move", v.Camp);
    Exige(v.NumDemiCoup >= 1 && v.NumDemiCoup < NbDemiCoups, "NumDemiCoup in its tables", v.NumDemiCoup);
    Exige(v.Sauvegardes[v.NumDemiCoup].Nombre == 0, "journal of the current ply is empty",
          v.Sauvegardes[v.NumDemiCoup].Nombre);
    for (int32_t c = 1; c <= 64; ++c) {
        const int32_t p = v.Echiquier[c];
        Exige(p >= 0 && p <= 32, "board holds piece numbers", c);
        if (p != 0) Exige(v.Pieces[p].CasePiece == c, "board square names its piece's square", c);
    }
    int32_t Nombre[3] = {0, 0, 0};
    int32_t Materiel = 0;
    for (int32_t p = 1; p <= 32; ++p) {
        const TPiece& x = v.Pieces[p];
        if (x.CasePiece == -1) continue;
        Exige(x.CasePiece >= 1 && x.CasePiece <= 64, "piece square in range", p);
        Exige(v.Echiquier[x.CasePiece] == p, "piece stands on its board square", p);
        Exige(x.TypePiece >= 1 && x.TypePiece <= 6, "piece type", p);
        Exige(x.ValeurPiece == ValeursPieces[x.TypePiece], "piece value matches its type", p);
        Exige((x.TypePiece == 6) == (p == 16 || p == 32), "kings are numbers 16 and 32", p);
        ++Nombre[EstBlanc(p) ? 1 : 2];
        Materiel += EstBlanc(p) ? x.ValeurPiece : -x.ValeurPiece;
    }
    Exige(v.Pieces[16].CasePiece != -1 && v.Pieces[32].CasePiece != -1, "both kings on the board");
    Exige(Nombre[1] == v.NbPiecesBlanches, "White piece count", v.NbPiecesBlanches);
    Exige(Nombre[2] == v.NbPiecesNoires, "Black piece count", v.NbPiecesNoires);
    Exige(Materiel == v.Materiel, "material matches a recount", v.Materiel);

    auto Roque = [&](int32_t Droit, int32_t Roi, int32_t CaseRoi, int32_t CaseTour, const char* Nom) {
        Exige(Droit == 0 || Droit == -1, Nom, Droit);
        if (Droit == -1) return;
        const int32_t t = v.Echiquier[CaseTour];
        Exige(v.Echiquier[CaseRoi] == Roi, Nom, CaseRoi);
        Exige(t != 0 && EstBlanc(t) == EstBlanc(Roi) && v.Pieces[t].TypePiece == 4, Nom, CaseTour);
    };
    Roque(v.RoqueBlancPetit, 16, 5, 8, "White king-side castling right");
    Roque(v.RoqueBlancGrand, 16, 5, 1, "White queen-side castling right");
    Roque(v.RoqueNoirPetit, 32, 61, 64, "Black king-side castling right");
    Roque(v.RoqueNoirGrand, 32, 61, 57, "Black queen-side castling right");

    const int32_t e = v.CaseEnPassant;
    Exige(e == -1 || (e >= 1 && e <= 64 && CaseVersY[e] == (v.Camp == 1 ? 6 : 3) && v.Echiquier[e] == 0),
          "en-passant square", e);
    Exige(v.Compteur50 >= 0, "fifty-move counter", v.Compteur50);
    Exige(v.Cle == v.HistoriqueCle[v.NumDemiCoup], "key history holds the current key");
    Exige(v.ClePions == v.HistoriqueClePions[v.NumDemiCoup], "pawn-key history holds the current key");
    Exige(!v.RoiEchec(3 - v.Camp), "the side that just moved is not in check");
}

// Everything a move changes and its take-back must restore.
struct Cliche {
    int32_t Echiquier[65];
    TPiece Pieces[33];
    int32_t Scalaires[16];
    uint64_t Cles[2];

    explicit Cliche(const TVelkar& v) {
        std::memcpy(Echiquier, v.Echiquier, sizeof Echiquier);
        std::memcpy(Pieces, v.Pieces, sizeof Pieces);
        const int32_t s[16] = {v.Camp, v.NumDemiCoup, v.RoqueBlancPetit, v.RoqueBlancGrand,
                               v.RoqueNoirPetit, v.RoqueNoirGrand, v.Compteur50, v.CaseEnPassant,
                               v.BlancARoque, v.NoirARoque, v.PaireFousBlancs, v.PaireFousNoirs,
                               v.Materiel, v.NbPiecesBlanches, v.NbPiecesNoires,
                               v.Sauvegardes[v.NumDemiCoup].Nombre};
        std::memcpy(Scalaires, s, sizeof Scalaires);
        Cles[0] = v.Cle;
        Cles[1] = v.ClePions;
    }
    bool operator==(const Cliche& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

// perft 1: every generated move is played and taken back; it must be legal
// (the mover's king is not left in check, no king is captured), leave a
// consistent position, and its take-back must restore everything.
inline void VerifieCoups(TVelkar& v) {
    const int32_t Ply = v.NumDemiCoup;
    if (Ply + 1 >= NbDemiCoups) return;
    const bool EchecAvant = v.EnEchec[Ply];
    v.EnEchec[Ply] = v.RoiEchec(v.Camp);
    v.GenereListeCoups();
    v.EnEchec[Ply] = EchecAvant;
    const ListeCoupsPly Liste = v.ListeCoups[Ply];
    Exige(Liste.NbCoups >= 0 && Liste.NbCoups <= CoupsParListe, "move count", Liste.NbCoups);
    const Cliche Avant(v);
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup m = Liste.Coups[i];
        Exige(m.Piece >= 1 && m.Piece <= 32 && EstBlanc(m.Piece) == (v.Camp == 1), "mover belongs to the side",
              m.Piece);
        const int32_t Depart = v.Pieces[m.Piece].CasePiece;
        Exige(Depart >= 1 && Depart <= 64 && m.Arrivee >= 1 && m.Arrivee <= 64, "move squares", i);
        const int32_t Prise = v.Echiquier[m.Arrivee];
        Exige(Prise == 0 || (EstBlanc(Prise) != EstBlanc(m.Piece) && v.Pieces[Prise].TypePiece != 6),
              "a move takes only an enemy piece other than the king", i);
        v.EffectuerDeplacement(Depart, m.Arrivee, m.Promotion);
        VerifieEtat(v);
        v.Restaure();
        Exige(Cliche(v) == Avant, "take-back restores the position", i);
    }
}

}  // namespace velkar::fuzz
