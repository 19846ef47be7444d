// The pieces of the search that can be checked on their own: move ordering,
// the time budget and the information lines.
#include <algorithm>
#include <limits>

#include "interface/interface.h"
#include "outils.h"
#include "platform/plateforme.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

struct Ordre : ::testing::Test {
    TChercheur& c = Moteur().Chercheur;
    TPosition& v = c.Pos;
    TCoupTable CoupTable;
    // The searcher's list of the ply, generated as the search does.
    ListeCoupsPly& ListeDuPly() {
        ListeCoupsPly& l = c.ListeCoups[v.NumDemiCoup];
        l = Liste(v);
        return l;
    }
    // Scores of the listed moves by their text, as the search would order them.
    int32_t Note(const std::string& Coup) {
        const ListeCoupsPly& l = ListeDuPly();
        for (int32_t i = 1; i <= l.NbCoups; ++i)
            if (Texte(v, l.Coups[i]) == Coup) return c.NoteRapide(i, CoupTable);
        ADD_FAILURE() << Coup;
        return 0;
    }
    std::vector<std::string> Trie() {
        const ListeCoupsPly& l = ListeDuPly();
        c.TrieListeCoups(CoupTable);
        std::vector<std::string> r;
        for (int32_t i = 1; i <= l.NbCoups; ++i) {
            if (i > 1) {
                EXPECT_LE(l.Coups[i - 1].Note, l.Coups[i].Note);
            }
            r.push_back(Texte(v, l.Coups[i]));
        }
        return r;
    }
    // The best root move of the previous iteration, at this ply.
    void CoupRacine(int32_t Piece, const char* Arrivee) {
        c.CoupRacine = TCoupTable{Piece, Case(Arrivee), -1};
        c.DemiCoupCoupRacine = v.NumDemiCoup;
    }
};

}  // namespace

TEST_F(Ordre, PremiereIterationDepuisLeDepart) {
    NouvellePartie();
    c.DemiCoupMax = 1;
    EXPECT_EQ(Note("e2e4"), -2 - 8);
    EXPECT_EQ(Note("g1f3"), -45 - (-6));
    const std::vector<std::string> l = Trie();
    EXPECT_GT(std::find(l.begin(), l.end(), "e2e4"), std::find(l.begin(), l.end(), "g1f3"));
    EXPECT_EQ(Trie(), l);  // the same list always sorts the same way

    // Black's moves are scored on Black's tables.
    ASSERT_TRUE(Pose(v, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"));
    c.DemiCoupMax = 1;
    EXPECT_EQ(Note("e7e5"), -10);
    EXPECT_EQ(Note("g8f6"), -39);

    // Later iterations add the history, capped at 512, and divide by 8
    // truncating toward zero.
    NouvellePartie();
    c.DemiCoupMax = 3;
    EXPECT_EQ(Note("e2e4"), -1);
    c.Historique[1][1][Case("e4")] = 100000;
    EXPECT_EQ(Note("e2e4"), (-10 + 512) / 8);
}

TEST_F(Ordre, CoupDeTableTueursEtCoupRacine) {
    NouvellePartie();
    c.DemiCoupMax = 5;
    const int32_t p = v.NumDemiCoup;
    CoupTable = TCoupTable{10, Case("f3"), -1};  // g1f3 from the table
    const int32_t Tueurs[4] = {9, Case("c3"), 4, Case("d4")};
    std::copy(Tueurs, Tueurs + 4, c.Killers[p]);
    CoupRacine(9, "c3");  // c3 is also last iteration's root move
    EXPECT_EQ(Note("g1f3"), 8192);
    EXPECT_EQ(Note("b1c3"), 1024);  // the killer rule comes first
    EXPECT_EQ(Note("d2d4"), 512);
    CoupRacine(5, "e4");
    EXPECT_EQ(Note("e2e4"), 2048);
    c.DemiCoupCoupRacine = p + 1;  // the root move of another ply is not this one
    EXPECT_LT(Note("e2e4"), 512);
    CoupRacine(5, "e4");
    const std::vector<std::string> l = Trie();
    EXPECT_EQ(l.back(), "g1f3");
    EXPECT_EQ(l[l.size() - 2], "e2e4");
    EXPECT_EQ(l[l.size() - 3], "b1c3");

    // Promotions add 100 times their type, whatever rule gave the base; the
    // squares are read on the pawn's table.
    ASSERT_TRUE(Pose(v, "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"));
    c.DemiCoupMax = 1;
    CoupTable = TCoupTable{};
    EXPECT_EQ(Note("b7b8q"), 32 - 64 + 500);
    EXPECT_EQ(Note("b7b8n"), 32 - 64 + 200);
    c.Killers[v.NumDemiCoup][0] = 1;
    c.Killers[v.NumDemiCoup][1] = Case("b8");
    EXPECT_EQ(Note("b7b8q"), 1024 + 500);
    EXPECT_EQ(Note("b7b8n"), 1024 + 200);
    EXPECT_EQ(Trie().back(), "b7b8q");
    CoupTable = TCoupTable{1, Case("b8"), -1};
    EXPECT_EQ(Note("b7b8r"), 8192 + 400);
}

TEST_F(Ordre, CapturesDuRepos) {
    ASSERT_TRUE(Pose(v, "4k3/8/8/3q3p/4P3/8/8/3QK3 w - - 0 1"));
    c.ListeCoups[v.NumDemiCoup] = Liste(v, true);
    const std::vector<std::string> l = Coups(v, true);
    auto NoteQ = [&](const std::string& Coup) {
        const auto it = std::find(l.begin(), l.end(), Coup);
        EXPECT_NE(it, l.end()) << Coup;
        return c.NoteRapideQ(static_cast<int32_t>(it - l.begin()) + 1);
    };
    EXPECT_EQ(NoteQ("e4d5"), 8 + 975 - 10 + (975 - 100) / 64);
    EXPECT_EQ(NoteQ("d1h5"), 0 + 100 - 0 + (100 - 975) / 64);
    EXPECT_EQ(NoteQ("d1d5"), 0 + 975 - 16);
    c.TrieListeCoupsQ();
    const ListeCoupsPly& t = c.ListeCoups[v.NumDemiCoup];
    EXPECT_EQ(Texte(v, t.Coups[t.NbCoups]), "e4d5");
    EXPECT_EQ(Texte(v, t.Coups[1]), "d1h5");
}

TEST(Temps, Budgets) {
    TChercheur& c = Moteur().Chercheur;
    TPosition& v = c.Pos;
    NouvellePartie();
    auto Budget = [&](int32_t wt, int32_t bt, int32_t wi, int32_t bi) {
        c.Limites.TempsBlanc = wt;
        c.Limites.TempsNoir = bt;
        c.Limites.IncBlanc = wi;
        c.Limites.IncNoir = bi;
        return c.CalculeTemps();
    };
    c.Limites = TLimites{};
    EXPECT_EQ(Budget(40000, 40000, 1000, 1000), 1914);
    EXPECT_EQ(Budget(60000, 60000, 0, 0), 1463);
    EXPECT_EQ(Budget(2090, 2090, 0, 0), 50);
    EXPECT_EQ(Budget(32000, 0, 0, 500), 32000 / 32 * 87 / 100);  // either increment counts
    // Little time and a large increment: never more than three quarters of the clock.
    EXPECT_EQ(Budget(100, 100, 2000, 2000), 75);
    EXPECT_GT(Budget(2147483647, 2147483647, 2147483647, 2147483647), 1000000000);
    EXPECT_EQ(Budget(2147483647, 0, 0, 0), 2147483647 / 41);

    // Black to move, three pieces fewer: the game will last, divide by 42.
    v.Camp = 2;
    v.NbPiecesNoires = 12;
    v.NbPiecesBlanches = 15;
    EXPECT_EQ(Budget(0, 42000, 500, 0), 1000 * 87 / 100);
    v.NbPiecesNoires = 13;
    EXPECT_EQ(Budget(0, 42000, 500, 0), 42000 / 32 * 87 / 100);

    // go depth sets every clock field to 1000; the cap does not apply.
    c.Limites.Profondeur = 5;
    v.NbPiecesNoires = 12;
    EXPECT_EQ(Budget(1000, 1000, 1000, 1000), 846);
    v.NbPiecesNoires = 15;
    EXPECT_EQ(Budget(1000, 1000, 1000, 1000), 853);
    c.Limites.Profondeur = 0;
    // go movetime is planned as the mover's increment, with no clock.
    v.Camp = 1;
    c.Limites.TempsParCoupFixe = true;
    c.Limites.TempsParCoup = 1000;
    EXPECT_EQ(Budget(50000, 50000, 0, 0), 826);
    v.Camp = 2;
    EXPECT_EQ(Budget(50000, 50000, 0, 0), 826);
    // Move Overhead comes off the fixed time, and off the clock once per
    // move the clock is divided into; never below an eighth of either.
    c.Reglages.MoveOverhead = 100;
    EXPECT_EQ(Budget(0, 0, 0, 0), 900 * 95 / 100 * 87 / 100);
    c.Limites.TempsParCoup = 50;
    EXPECT_EQ(Budget(0, 0, 0, 0), 6 * 95 / 100 * 87 / 100);
    c.Limites = TLimites{};
    EXPECT_EQ(Budget(60000, 60000, 0, 0), (60000 - 41 * 100) / 41);
    EXPECT_EQ(Budget(60000, 60000, 1000, 1000), (950 + (60000 - 32 * 100) / 32) * 87 / 100);
    EXPECT_EQ(Budget(1000, 1000, 0, 0), 1000 / 8 / 41);
    c.Reglages.MoveOverhead = 0;
    c.Limites = TLimites{};
    NouvellePartie();
}

TEST(Temps, VerificationDuTemps) {
    TChercheur& v = Moteur().Chercheur;
    v.Limites = TLimites{};
    v.EcouteEntree = false;  // the test's own standard input plays no part
    v.DebutTemps = static_cast<uint32_t>(plateforme::GetTickCount());
    v.TempsAlloue = 40;  // 40 ms or less left is never enough
    v.Iteration = 1;
    EXPECT_TRUE(v.VerifieTemps());  // the clock never ends the first iteration
    v.Iteration = 2;
    EXPECT_FALSE(v.VerifieTemps());
    v.Limites.Profondeur = 5;
    EXPECT_TRUE(v.VerifieTemps());
    v.Limites.Profondeur = 0;
    v.Limites.Infini = true;
    EXPECT_TRUE(v.VerifieTemps());
    v.Limites.Infini = false;
    v.TempsAlloue = 100000000;
    EXPECT_TRUE(v.VerifieTemps());
}

TEST(Temps, Ponderhit) {
    // Heard during the search, ponderhit adds half of the time spent
    // pondering to the budget; heard when nothing is pondered, nothing.
    TChercheur& v = Moteur().Chercheur;
    const int64_t Maintenant = static_cast<int64_t>(plateforme::GetTickCount());
    v.DebutPonder = 0;
    v.TempsAlloue = 3000;
    v.Limites.Ponder = true;
    EXPECT_TRUE(v.TraiteLigneRecherche("ponderhit"));
    EXPECT_FALSE(v.Limites.Ponder);
    EXPECT_GE(v.TempsAlloue, 3000 + Maintenant / 2);
    EXPECT_LE(v.TempsAlloue, 3000 + static_cast<int64_t>(plateforme::GetTickCount()) / 2);
    const int32_t Budget = v.TempsAlloue;
    EXPECT_TRUE(v.TraiteLigneRecherche("ponderhit"));
    EXPECT_EQ(v.TempsAlloue, Budget);
    EXPECT_FALSE(v.TraiteLigneRecherche("stop"));
    EXPECT_TRUE(v.ArretDemande);
    v.ArretDemande = false;
}

TEST(Infos, LignesDeVariation) {
    TChercheur& v = Moteur().Chercheur;
    TTableTransposition& Table = Moteur().Tables.Transposition;
    v.DerniereVP.clear();
    v.Iteration = 7;
    v.ProfondeurSel = 12;
    v.Noeuds = 5000;
    Table.RemetRemplissage();
    v.DebutRecherche = static_cast<uint32_t>(plateforme::GetTickCount());
    LigneVP l{};
    auto Ligne = [&](std::vector<TCoupUci> c, int32_t Score) {
        l.NbCoups = static_cast<int32_t>(c.size());
        std::copy(c.begin(), c.end(), l.Coups);
        return std::string(v.ChaineInfos(&l, Score, 1, "e2e4"));
    };
    const TCoupUci e2e4{13, 29, -1}, e7e5{53, 37, -1}, g1f3{7, 22, -1}, c7c5{51, 35, -1};
    std::string s = Ligne({e2e4, e7e5, g1f3}, 14499);
    EXPECT_EQ(s.rfind("info depth 7 seldepth 12 currmove e2e4 currmovenumber 1 score cp 14499 time ", 0), 0u) << s;
    EXPECT_NE(s.find(" nodes 5000 "), std::string::npos) << s;
    EXPECT_TRUE(s.ends_with(" hashfull 0 pv e2e4 e7e5 g1f3 ")) << s;
    EXPECT_EQ(v.DerniereVP, "e2e4 e7e5 g1f3 ");

    // Nothing new: the same variation, or a beginning of it, whatever the score.
    EXPECT_EQ(Ligne({e2e4, e7e5, g1f3}, 50), "");
    EXPECT_EQ(Ligne({e2e4, e7e5}, 50), "");
    EXPECT_EQ(v.DerniereVP, "e2e4 e7e5 g1f3 ");
    EXPECT_NE(Ligne({e2e4, c7c5}, 14998).find(" score mate 1 time "), std::string::npos);
    EXPECT_NE(Ligne({g1f3}, -14997).find(" score mate -1 "), std::string::npos);
    EXPECT_NE(Ligne({e7e5}, 14996).find(" score mate 2 "), std::string::npos);
    EXPECT_NE(Ligne({c7c5}, -14995).find(" score mate -2 "), std::string::npos);

    // A promotion carries its letter; the table never shows more than full.
    Table.EntreesUtilisees = 10 * Table.NbEntrees();
    s = Ligne({TCoupUci{53, 61, 5}, e7e5}, 0);
    EXPECT_NE(s.find(" score cp 0 time "), std::string::npos) << s;
    EXPECT_TRUE(s.ends_with(" hashfull 1000 pv e7e8q e7e5 ")) << s;
    s = v.ChaineInfosPrimaire(4, "g1f3");
    EXPECT_EQ(s.rfind("info depth 7 seldepth 12 currmove g1f3 currmovenumber 4 time ", 0), 0u) << s;
    EXPECT_TRUE(s.ends_with(" hashfull 1000")) << s;
    s = v.ChaineInfosSimple();
    EXPECT_EQ(s.rfind("info depth 7 seldepth 12 nodes 5000", 0), 0u) << s;
    Table.RemetRemplissage();
}

// A second searcher on the same tables searches as the first does, and sees
// what the first stored there.
TEST(Chercheurs, DeuxiemeChercheurSurLesMemesTables) {
    constexpr std::string_view Fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
    TVelkar& m = Moteur();
    auto Second = std::make_unique<TChercheur>(m.Tables);
    auto Cherche = [&](TChercheur& c) {
        c.Pos.InitialiserPosition();
        c.NouvellePartie();
        EXPECT_TRUE(c.Pos.PlaceFen(Fen));
        c.EcouteEntree = false;
        c.Limites = TLimites{};
        c.Limites.Profondeur = 5;
        c.ArretDemande = false;
        const std::string Coup = c.Recherche();
        c.EcouteEntree = true;
        return std::make_pair(Coup, c.Noeuds);
    };
    m.Tables.Vide();
    const auto Premier = Cherche(m.Chercheur);
    m.Tables.Vide();
    const auto Second1 = Cherche(*Second);
    EXPECT_EQ(Second1, Premier);
    // The table now holds the second searcher's results: the first one
    // finds the same move with fewer nodes.
    const auto Encore = Cherche(m.Chercheur);
    EXPECT_EQ(Encore.first, Premier.first);
    EXPECT_LT(Encore.second, Premier.second);
    NouvellePartie();
}

TEST(Limites, LectureDuGo) {
    TLimites l = LitLimites(" wtime 60000 btime 500 winc 10 binc 20 movestogo 30 ponder");
    EXPECT_EQ(std::vector<int32_t>({l.TempsBlanc, l.TempsNoir, l.IncBlanc, l.IncNoir}),
              std::vector<int32_t>({60000, 500, 10, 20}));
    EXPECT_TRUE(l.Ponder);
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
}
