#include <gtest/gtest.h>

#include <memory>

#include "engine/velkar.h"

using namespace velkar;

TEST(Placeholder, StartPerft) {
    auto v = std::make_unique<TVelkar>();
    v->InitialiserPartie();
    EXPECT_EQ(v->Perft(3), 8902u);
}
