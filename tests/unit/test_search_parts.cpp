// The pieces of the search that can be checked on their own: the time
// budget and the clock, the reading of go, the UCI text of the reports, and
// two searchers on the same tables.
#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

#include "engine/duties.h"
#include "engine/searcher.h"
#include "engine/time.h"
#include "interface/interface.h"
#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

TEST(Temps, Budgets) {
    TLimites L;
    int32_t Camp = Blanc, Miens = 16, Siens = 16, Overhead = 0;
    auto Budget = [&](int32_t wt, int32_t bt, int32_t wi, int32_t bi) {
        L.TempsBlanc = wt;
        L.TempsNoir = bt;
        L.IncBlanc = wi;
        L.IncNoir = bi;
        return CalculeTemps(L, Camp, Miens, Siens, Overhead);
    };
    EXPECT_EQ(Budget(40000, 40000, 1000, 1000), 1914);
    EXPECT_EQ(Budget(60000, 60000, 0, 0), 1463);
    EXPECT_EQ(Budget(2090, 2090, 0, 0), 50);
    EXPECT_EQ(Budget(32000, 0, 0, 500), 32000 / 32 * 87 / 100);  // either increment counts
    // Little time and a large increment: never more than three quarters of the clock.
    EXPECT_EQ(Budget(100, 100, 2000, 2000), 75);
    EXPECT_GT(Budget(2147483647, 2147483647, 2147483647, 2147483647), 1000000000);
    EXPECT_EQ(Budget(2147483647, 0, 0, 0), 2147483647 / 41);

    // Black to move, three pieces fewer: the game will last, divide by 42.
    Camp = Noir;
    Miens = 12;
    Siens = 15;
    EXPECT_EQ(Budget(0, 42000, 500, 0), 1000 * 87 / 100);
    Miens = 13;
    EXPECT_EQ(Budget(0, 42000, 500, 0), 42000 / 32 * 87 / 100);

    // go depth sets every clock field to 1000; the cap does not apply.
    L.Profondeur = 5;
    Miens = 12;
    EXPECT_EQ(Budget(1000, 1000, 1000, 1000), 846);
    Miens = 15;
    EXPECT_EQ(Budget(1000, 1000, 1000, 1000), 853);
    L.Profondeur = 0;
    // go movetime is planned as the mover's increment, with no clock.
    Camp = Blanc;
    L.TempsParCoupFixe = true;
    L.TempsParCoup = 1000;
    EXPECT_EQ(Budget(50000, 50000, 0, 0), 826);
    Camp = Noir;
    EXPECT_EQ(Budget(50000, 50000, 0, 0), 826);
    // Move Overhead comes off the fixed time, and off the clock once per
    // move the clock is divided into; never below an eighth of either.
    Overhead = 100;
    EXPECT_EQ(Budget(0, 0, 0, 0), 900 * 95 / 100 * 87 / 100);
    L.TempsParCoup = 50;
    EXPECT_EQ(Budget(0, 0, 0, 0), 6 * 95 / 100 * 87 / 100);
    L = TLimites{};
    Camp = Blanc;
    EXPECT_EQ(Budget(60000, 60000, 0, 0), (60000 - 41 * 100) / 41);
    EXPECT_EQ(Budget(60000, 60000, 1000, 1000), (950 + (60000 - 32 * 100) / 32) * 87 / 100);
    EXPECT_EQ(Budget(1000, 1000, 0, 0), 1000 / 8 / 41);
}

TEST(Temps, FinDuTemps) {
    // A budget of 40 ms: 50 ms or less left is never enough, but the clock
    // does not end the first iteration before a root move is done (up to an
    // eighth of the clock).
    TLimites L;
    L.TempsBlanc = L.TempsNoir = 41 * 40;
    TPendule p;
    p.Demarre(L, 0, Blanc, 16, 16);
    EXPECT_EQ(p.Alloue(), 40);
    EXPECT_FALSE(p.Ecoule(false, false));
    EXPECT_TRUE(p.Ecoule(true, false));
    EXPECT_FALSE(p.Ecoule(true, true));  // pondering: no time counts
    // No time counts either in an infinite or a depth search.
    L.Infini = true;
    p.Demarre(L, 0, Blanc, 16, 16);
    EXPECT_FALSE(p.Ecoule(true, false));
    EXPECT_FALSE(p.Epuise(false));
    L.Infini = false;
    L.Profondeur = 5;
    p.Demarre(L, 0, Blanc, 16, 16);
    EXPECT_FALSE(p.Ecoule(true, false));
    L.Profondeur = 0;
    L.TempsBlanc = 2000000000;
    p.Demarre(L, 0, Blanc, 16, 16);
    EXPECT_FALSE(p.Ecoule(true, false));
    EXPECT_FALSE(p.Epuise(false));
}

// A control that repeats (movestogo): the clock is planned over the moves
// left when they are fewer than it is otherwise divided by, and one move
// never plans more than four fifths of the clock less Move Overhead.
TEST(Temps, AvantLeControle) {
    TLimites L;
    int32_t Overhead = 0;
    auto Budget = [&](int32_t Temps, int32_t Inc, int32_t Coups) {
        L.TempsBlanc = L.TempsNoir = Temps;
        L.IncBlanc = L.IncNoir = Inc;
        L.CoupsAvantControle = Coups;
        return CalculeTemps(L, Blanc, 16, 16, Overhead);
    };
    // 40 moves or more before the control: as without it (41 without an
    // increment, 32 with one); fewer: the clock shared among them.
    for (int32_t Coups : {0, 41, 60}) EXPECT_EQ(Budget(20000, 0, Coups), 20000 / 41) << Coups;
    EXPECT_EQ(Budget(20000, 0, 40), 20000 / 40);
    EXPECT_EQ(Budget(20000, 0, 10), 2000);
    EXPECT_EQ(Budget(20000, 0, 2), 10000);
    EXPECT_EQ(Budget(32000, 500, 40), Budget(32000, 500, 0));
    EXPECT_EQ(Budget(32000, 500, 4), (475 + 8000) * 87 / 100);
    // The last move before the control: four fifths of the clock, and less
    // with an increment (three quarters) or a large Move Overhead.
    EXPECT_EQ(Budget(10000, 0, 1), 8000);
    EXPECT_EQ(Budget(1000, 0, 1), 800);
    EXPECT_EQ(Budget(1000, 1000, 1), 750);
    Overhead = 100;
    EXPECT_EQ(Budget(1000, 0, 1), 720);
    EXPECT_EQ(Budget(3000, 0, 3), (3000 - 3 * 100) / 3);
    EXPECT_EQ(Budget(60000, 0, 0), (60000 - 41 * 100) / 41);  // Move Overhead as before
    Overhead = 500;
    // The overhead never leaves less than an eighth of the clock, so that
    // the move is still searched.
    EXPECT_EQ(Budget(400, 0, 1), 400 / 8 * 4 / 5);
    // A fixed time per move knows no control.
    Overhead = 0;
    L.TempsParCoupFixe = true;
    L.TempsParCoup = 1000;
    EXPECT_EQ(Budget(5000, 0, 1), 826);
    L.TempsParCoupFixe = false;

    // The first iteration may overrun the budget, but not the cap: with a
    // clock of 30 ms of which Move Overhead takes 20, the cap is 8 ms.
    L.TempsBlanc = L.TempsNoir = 30;
    L.IncBlanc = L.IncNoir = 0;
    L.CoupsAvantControle = 1;
    TPendule p;
    p.Demarre(L, 20, Blanc, 16, 16);
    EXPECT_EQ(p.Alloue(), 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(p.Ecoule(false, false));
}

TEST(Limites, LectureDuGo) {
    TLimites l = LitLimites(" wtime 60000 btime 500 winc 10 binc 20 movestogo 30 ponder");
    EXPECT_EQ(std::vector<int32_t>({l.TempsBlanc, l.TempsNoir, l.IncBlanc, l.IncNoir}),
              std::vector<int32_t>({60000, 500, 10, 20}));
    EXPECT_TRUE(l.Ponder);
    EXPECT_EQ(l.CoupsAvantControle, 30);
    EXPECT_FALSE(l.Infini || l.TempsParCoupFixe || l.Profondeur || l.Noeuds);
    l = LitLimites(" wtime 60000");  // the other clock defaults to one second
    EXPECT_EQ(l.TempsNoir, 1000);
    // movetime overrides depth, which overrides the clocks.
    l = LitLimites(" wtime 5000 depth 9 movetime 300");
    EXPECT_TRUE(l.TempsParCoupFixe);
    EXPECT_EQ(l.TempsParCoup, 300);
    EXPECT_EQ(l.Profondeur, 0);
    EXPECT_EQ(l.TempsBlanc, 0);
    l = LitLimites(" wtime 5000 depth 0 infinite");
    EXPECT_EQ(l.Profondeur, 1);
    EXPECT_EQ(l.TempsBlanc + l.TempsNoir + l.IncBlanc + l.IncNoir, 4000);
    EXPECT_TRUE(l.Infini);
    // A node count alone has no clock; with a clock it keeps it.
    EXPECT_EQ(LitLimites(" nodes 5000").TempsBlanc, std::numeric_limits<int32_t>::max());
    l = LitLimites(" btime 700 nodes 5000");
    EXPECT_EQ(l.Noeuds, 5000u);
    EXPECT_EQ(l.TempsBlanc, 1000);
    // Odd lines: the first value of a field counts, a field without a
    // number takes its default, other words are skipped.
    l = LitLimites(" searchmoves e2e4 wtime 100 wtime 200 mate 3 btime winc 7 nodes -5");
    EXPECT_EQ(std::vector<int32_t>({l.TempsBlanc, l.TempsNoir, l.IncBlanc}), std::vector<int32_t>({100, 1000, 7}));
    EXPECT_EQ(l.Noeuds, 0u);
    EXPECT_EQ(LitLimites(" movestogo 5 wtime 9000 movestogo 9").CoupsAvantControle, 5);
    for (const char* Go : {" wtime 9000 movestogo", " wtime 9000 movestogo -3", " movetime 500 movestogo 2"})
        EXPECT_EQ(LitLimites(Go).CoupsAvantControle, 0) << Go;
}

namespace {

std::vector<std::string> Ecrites;
void Capture(std::string_view Ligne) { Ecrites.emplace_back(Ligne); }

}  // namespace

// The reports as UCI text: the fields in their order, scores in centipawns
// or moves to mate, promotions, and the counters.
TEST(Infos, LignesUci) {
    TRapporteurUci Rapporteur(Capture, false);
    const TCoupUci e2e4{13, 29, -1}, e7e5{53, 37, -1}, g1f3{7, 22, -1}, e7e8q{53, 61, Dame};
    LigneVP l{};
    auto Ligne = [&](std::vector<TCoupUci> c, int32_t Score, TInfos::TGenre Genre = TInfos::Variation) {
        l.NbCoups = static_cast<int32_t>(c.size());
        std::copy(c.begin(), c.end(), l.Coups);
        TInfos i;
        i.Genre = Genre;
        i.Profondeur = 7;
        i.ProfondeurSel = 12;
        i.Coup = e2e4;
        i.NumeroCoup = 1;
        i.NumeroVariation = 2;
        i.Score = Score;
        i.Temps = 10;
        i.Noeuds = 5000;
        i.Remplissage = 3;
        i.Ligne = &l;
        Ecrites.clear();
        Rapporteur.Infos(i);
        return Ecrites.at(0);
    };
    EXPECT_EQ(Ligne({e2e4, e7e5, g1f3}, 14499),
              "info depth 7 seldepth 12 currmove e2e4 currmovenumber 1 score cp 14499 time 10 nodes 5000 nps 500000 "
              "hashfull 3 pv e2e4 e7e5 g1f3 ");
    EXPECT_NE(Ligne({e2e4}, 14998).find(" score mate 1 time "), std::string::npos);
    EXPECT_NE(Ligne({g1f3}, -14997).find(" score mate -1 "), std::string::npos);
    EXPECT_NE(Ligne({e7e5}, 14996).find(" score mate 2 "), std::string::npos);
    EXPECT_EQ(
        Ligne({e7e8q, e7e5}, -20, TInfos::MultiPV),
        "info depth 7 seldepth 12 multipv 2 score cp -20 time 10 nodes 5000 nps 500000 hashfull 3 pv e7e8q e7e5 ");
    EXPECT_EQ(Ligne({e7e8q}, 0, TInfos::Finale),
              "info depth 7 seldepth 12 score cp 0 time 10 nodes 5000 nps 500000 hashfull 3 pv e7e8q");
    EXPECT_EQ(Ligne({}, 0, TInfos::CoupCourant),
              "info depth 7 seldepth 12 currmove e2e4 currmovenumber 1 time 10 nodes 5000 nps 500000 hashfull 3");
    EXPECT_EQ(Ligne({}, 0, TInfos::Progression), "info depth 7 seldepth 12 nodes 5000 nps 500000 hashfull 3");
    EXPECT_EQ(Ligne({}, -ScoreMat, TInfos::SansCoup), "info depth 0 score mate 0");
}

namespace {

// A searcher's duties in a test: a fixed depth, nothing else.
struct TJusqua final : TDevoirs {
    int32_t Profondeur;
    explicit TJusqua(int32_t p) : Profondeur(p) {}
    bool FinIteration(const TChercheur& c) override { return c.IterationEnCours() == Profondeur; }
};

}  // namespace

// A second searcher on the same tables searches as the first does, and sees
// what the first stored there.
TEST(Chercheurs, DeuxiemeChercheurSurLesMemesTables) {
    constexpr std::string_view Fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
    TTablesPartagees& Tables = Moteur().Tables;
    auto Premiere = std::make_unique<TPosition>(), Seconde = std::make_unique<TPosition>();
    auto Un = std::make_unique<TChercheur>(*Premiere, Tables.Transposition, Tables.Pions);
    auto Deux = std::make_unique<TChercheur>(*Seconde, Tables.Transposition, Tables.Pions);
    const TLimites Limites = LitLimites("depth 5");
    auto Cherche = [&](TChercheur& c, TPosition& v) {
        v.InitialiserPosition();
        c.NouvellePartie();
        EXPECT_TRUE(v.PlaceFen(Fen));
        TJusqua Devoirs(5);
        EXPECT_TRUE(c.ACoupLegal());
        c.Prepare(Limites, 1, IntervallePrincipal, Devoirs);
        c.Itere(false);
        c.Conclut(nullptr);
        return std::make_pair(TexteCoup(c.CoupChoisi()), c.NoeudsCherches());
    };
    Tables.Vide();
    const auto Resultat1 = Cherche(*Un, *Premiere);
    Tables.Vide();
    const auto Resultat2 = Cherche(*Deux, *Seconde);
    EXPECT_EQ(Resultat2, Resultat1);
    // The table now holds the second searcher's results: the first one
    // finds the same move with fewer nodes.
    const auto Encore = Cherche(*Un, *Premiere);
    EXPECT_EQ(Encore.first, Resultat1.first);
    EXPECT_LT(Encore.second, Resultat1.second);
    NouvellePartie();
}
