// The bench: a fixed search of built-in positions whose total node count is
// the signature of the whole search.  Any change of that count is a change
// of what the engine searches.
#include <string>

#include "interface/interface.h"
#include "platform/plateforme.h"

namespace velkar {

namespace {

// Openings, middlegames (tactical and quiet) and endgames.
// clang-format off
const char* const PositionsBench[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rn2kb1r/pp3ppp/2p1pn2/3p3b/8/1P1P1NPP/PBPqPPB1/RN2K2R w KQkq - 0 1",
    "r1bqk2r/p3npbp/1pnpp1p1/2p5/4PP2/N1PP1NP1/PP4BP/R1BQK2R w KQkq - 0 1",
    "rn1qk2r/pbpp1ppp/1p6/8/1bP5/5NP1/PP2PPBP/R1BQK2R w KQkq - 0 1",
    "rn1q1rk1/pp3pbp/3pbnp1/2p3B1/2P5/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1",
    "r1bq1rk1/ppp1npbp/2np2p1/8/3NP3/2N1B2P/PPPQ1PP1/R3KB1R w KQ - 0 1",
    "r1bq1rk1/1ppnbppp/4pn2/p2p4/2PP4/P4NP1/1P1NPPBP/R1BQ1RK1 w - - 0 1",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "1r3r2/4q1kp/b1pp2p1/5p2/pPn1N3/6P1/P3PPBP/2QRR1K1 w - - 0 1",
    "r1b2rk1/2p1qnbp/p1pp2p1/5p2/2PQP3/1PN2N1P/PB3PP1/3R1RK1 w - - 0 1",
    "r6k/p1Q4p/2p1b1rq/4p3/B3P3/4P3/PPP3P1/4RRK1 b - - 0 1",
    "3r1rk1/q4ppp/p1Rnp3/8/1p6/1N3P2/PP3QPP/3R2K1 b - - 0 1",
    "8/8/2Kp4/3P1B2/2P2k2/5p2/8/8 w - - 0 1",
    "r5k1/pppb3p/2np1n2/8/3PqNpP/3Q2P1/PPP5/R4RK1 w - - 0 1",
    "r1b1qrk1/1p3ppp/p1p5/3Nb3/5N2/P7/1P4PQ/K1R1R3 w - - 0 1",
    "5rk1/p1p2r1p/2pp2p1/4p3/PPPnP3/3Pq1P1/1Q1R1R1P/4NK2 b - - 0 1",
    "6k1/p1B1b2p/2b3r1/2p5/4p3/1PP1N1Pq/P2R1P2/3Q2K1 b - - 0 1",
    "1kr5/3n4/q3p2p/p2n2p1/PppB1P2/5BP1/1P2Q2P/3R2K1 w - - 0 1",
    "4r1k1/pbq2rpp/1p2p3/4P2P/P1p4Q/1nP1B3/R1B2PP1/1R4K1 w - - 0 1",
    "r6r/1q1bbkp1/p1p1pn2/5p1p/N2Bp3/2Q3P1/PPP2PBP/R2R2K1 b - - 0 1",
    "3rr3/p3b1kp/2p2pp1/1q1npb2/4N1PB/1NP2Q2/PP3P1P/R2R2K1 b - - 0 1",
    "rn1q1rk1/1b2bppp/1p1pp1n1/pN6/P2pP3/2PB1NP1/1P2QP1P/R1B2RK1 w - - 0 1",
    "4r1k1/p4bpp/1p6/1P6/2PQ4/4rPq1/PR2PRB1/6K1 b - - 0 1",
    "2r2rk1/1pqn3p/p2p1npb/N2Pp3/2P2p2/Q4PP1/PP2BBKP/3RR3 w - - 0 1",
    "3rbk2/5p1p/1p2p3/pP1nr1p1/P2RN1P1/3BP3/3K3P/3R4 b - - 0 1",
    "r4rk1/pb1p2pp/1q1Ppn2/2p5/2P2P2/3BB3/PP2Q1PP/R3K2R b KQ - 0 1",
    "3r2k1/p2n1p1p/2p1p1p1/P7/3P4/P2B4/5PPP/1R4K1 w - - 0 1",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - - 0 1",
    "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - - 0 1",
    "3rr3/2pq2pk/p2p1pnp/8/2QBPP2/1P6/P5PP/4RRK1 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "8/5k2/8/3K4/8/8/4P3/8 w - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"};
// clang-format on

// A listener that hears nothing: the signature must not depend on what
// arrives meanwhile, so lines sent during the bench wait until it is over.
class TSourd final : public TEcouteur {
public:
    TEvenement Ecoute(int32_t) override { return Rien; }
};

// The bench shows the lines of its iterations, and not the line with the
// move a search too short to have shown a score plays.
class TRapporteurBench final : public TRapporteur {
public:
    explicit TRapporteurBench(const TSession& S) : Uci(S.Ecrit, S.AfficheWdl) {}
    void Infos(const TInfos& i) override {
        if (i.Genre != TInfos::Finale) Uci.Infos(i);
    }
    void CoupRechercheIllegal(const TCoupUci&) override {}

private:
    TRapporteurUci Uci;
};

constexpr int32_t HashBench = 128;  // MB

}  // namespace

uint64_t Bench(TSession& S, int32_t Profondeur) {
    // The bench searches as a freshly started engine does, whatever this
    // session's options say: its request asks for one thread at full
    // strength, one variation and no endgame tables; standard chess and the
    // table size of the signature (128 MB, also where the default is
    // smaller, as in a web page) are set for it.  Its node count is the
    // signature of the search.  The session's kind of chess, table size and
    // game are put back afterwards.
    const int32_t Hash = S.Moteur.TailleHash();
    const bool Chess960 = S.Moteur.Chess960();
    if (Hash != HashBench) S.Moteur.RedimensionneHash(HashBench);
    if (Chess960) S.Moteur.ChangeChess960(false);
    const std::string DebutPartie = S.DebutPartie, CoupsJoues = S.CoupsJoues;

    uint64_t Total = 0;
    // The tables' memory is mapped in before the clock starts, as an
    // interface's isready does before a game: the bench times the search,
    // not the system zeroing fresh pages at the first store into each.
    S.Moteur.PrepareTables();
    // What earlier searches of this session left behind (the per-ply traces
    // above the game, what the searchers learned) is forgotten first, so
    // that the count is a freshly started engine's.
    NouvellePartie(S);
    S.Moteur.ViderTables();
    const uint64_t Debut = plateforme::GetTickCount();
    TRequete Requete{LitLimites("depth " + std::to_string(Profondeur)), TReglages{}, false};
    Requete.AvecTablesFinales = false;
    TRapporteurBench Rapporteur(S);
    TSourd Sourd;
    for (const char* Fen : PositionsBench) {
        // Each position as a new game of its own.
        NouvellePartie(S);
        DecodeCommande(S, std::string("position fen ") + Fen);
        Total += S.Moteur.Cherche(Requete, Rapporteur, Sourd).Noeuds;
    }
    const uint64_t Duree = plateforme::GetTickCount() - Debut;

    if (Chess960) S.Moteur.ChangeChess960(true);
    if (Hash != HashBench) S.Moteur.RedimensionneHash(Hash);
    S.DebutPartie = DebutPartie;
    S.CoupsJoues = CoupsJoues;
    ReprendPartie(S);
    S.Ecrit("");
    S.Ecrit("Nodes searched: " + std::to_string(Total));
    S.Ecrit("Nodes/second: " + std::to_string(Duree > 0 ? Total * 1000 / Duree : Total));
    return Total;
}

}  // namespace velkar
