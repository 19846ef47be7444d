// Several threads on one table and one search.  These run under
// ThreadSanitizer too, where a data race fails them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>

#include "engine/hash.h"
#include "engine/velkar.h"
#include "interface/interface.h"

namespace velkar {
namespace {

// Every store of a key carries a score and a move made from the key; a probe
// that hits must read them back whole, whatever other threads wrote into
// the same entry meanwhile.
TEST(Fils, EntreesMeleesLuesCommeAbsentes) {
    TTableTransposition Table;
    ASSERT_TRUE(Table.Alloue(64));
    auto Travail = [&Table](uint64_t Graine) {
        uint64_t x = Graine;
        for (int32_t k = 0; k < 200000; ++k) {
            x = x * 6364136223846793005u + 1442695040888963407u;
            const uint64_t Cle = (x >> 33) % 4096 * 0x9E3779B97F4A7C15u;
            const auto Score = static_cast<int16_t>(Cle % 20000 - 10000);
            const TCoupTable Coup{static_cast<int32_t>(Cle >> 60), static_cast<int32_t>(Cle >> 58 & 63) + 1, -1};
            if (k % 2 == 0) {
                Table.HashEnregistre(Cle, static_cast<int16_t>(x >> 59), Score, BorneExacte, Coup);
            } else {
                const TSondage r = Table.HashRecherche(Cle, 0, -20000, 20000);
                if (!r.Coupure) continue;
                ASSERT_EQ(r.Score, Score);
                ASSERT_EQ(r.Coup.Piece, Coup.Piece);
                ASSERT_EQ(r.Coup.Arrivee, Coup.Arrivee);
            }
        }
    };
    std::thread Autre(Travail, 1);
    Travail(2);
    Autre.join();
}

struct TSourd final : TEcouteur {
    TEvenement Ecoute(int32_t) override { return Rien; }
};

struct TMuet final : TRapporteur {
    void Infos(const TInfos&) override {}
    void CoupRechercheIllegal(const TCoupUci&) override {}
};

// A search with helpers: it ends at its depth and at its node limit, which
// counts every thread's nodes, and the thread count changes between
// searches.
TEST(Fils, RecherchesAvecAuxiliaires) {
    auto Moteur = std::make_unique<TVelkar>();
    ASSERT_TRUE(Moteur->RedimensionneHash(TVelkar::HashMin));
    TSourd Sourd;
    TMuet Muet;
    auto Cherche = [&](const TLimites& l) {
        EXPECT_TRUE(Moteur->PlaceFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
        return Moteur->Cherche(TRequete{l, TReglages{}, true}, Muet, Sourd);
    };
    const TLimites Profondeur = LitLimites("depth 6");
    const TLimites Noeuds = LitLimites("nodes 300000");
    for (int32_t Fils : {3, 1, 2}) {
        ASSERT_EQ(Moteur->ChangeFils(Fils), Fils);
        TResultat r = Cherche(Profondeur);
        EXPECT_FALSE(r.SansCoup);
        EXPECT_EQ(TexteCoup(r.Coup).size(), 4u);
        r = Cherche(Noeuds);
        EXPECT_EQ(TexteCoup(r.Coup).size(), 4u);
        EXPECT_GE(r.Noeuds, Noeuds.Noeuds);
        // Every thread stops at its first look at the total past the limit:
        // the main searcher looks every 4096 of its nodes, a helper every 256.
        EXPECT_LE(r.Noeuds, Noeuds.Noeuds + 2 * 4096 + 512 * static_cast<uint64_t>(Fils));
    }
}

}  // namespace
}  // namespace velkar
