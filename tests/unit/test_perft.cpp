// Leaf counts of the legal move tree against published values.  Each line of
// a perft file reads "<FEN> ;D1 n ;D2 n ..."; only the depths whose count
// stays small are run here, so that the whole file takes seconds (the deep
// counts belong to the slow tests).
#include <sstream>

#include "outils.h"

using namespace velkar;
using namespace velkar::essais;

namespace {

constexpr uint64_t FeuillesMax = 200000;

class Perft : public ::testing::TestWithParam<const char*> {};

TEST_P(Perft, ComptesPublies) {
    TPosition& v = Plateau();
    int Positions = 0, Comptes = 0;
    for (const std::string& l : Lignes(GetParam())) {
        const std::string Fen = l.substr(0, l.find(';'));
        ASSERT_TRUE(Pose(v, Fen)) << Fen;
        ++Positions;
        std::istringstream Suite(l.substr(l.find(';')));
        std::string Champ;
        uint64_t Attendu;
        while (Suite >> Champ >> Attendu) {
            ASSERT_EQ(Champ.substr(0, 2), ";D") << l;
            if (Attendu > FeuillesMax) break;
            const int32_t Profondeur = std::stoi(Champ.substr(2));
            const Etat e = Photo(v);
            EXPECT_EQ(v.Perft(Profondeur), Attendu) << Fen << " depth " << Profondeur;
            ASSERT_TRUE(Photo(v) == e) << Fen;
            ++Comptes;
        }
    }
    EXPECT_GT(Positions, 0);
    EXPECT_GT(Comptes, 0);
}

INSTANTIATE_TEST_SUITE_P(Fichiers, Perft,
                         ::testing::Values("perftsuite.epd", "perft_tricky.epd", "perft_double_checks.epd",
                                           "perft_cpw_deep.epd"),
                         [](const auto& info) {
                             std::string n = info.param;
                             return n.substr(0, n.find('.'));
                         });

}  // namespace
