// Perft counts of well-known positions: the generators, the legality test
// and make/unmake together must reproduce the published leaf counts.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/board/board_setup.h"

static const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
static const char* kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";

TEST(Perft, StartPosition) {
    const uint64_t expected[] = {20, 400, 8902, 197281};
    for (int d = 1; d <= 4; d++) {
        MainPosition(kStart);
        EXPECT_EQ(PerftNodes(d), expected[d - 1]) << "depth " << d;
    }
}

TEST(Perft, Kiwipete) {
    const uint64_t expected[] = {48, 2039, 97862};
    for (int d = 1; d <= 3; d++) {
        MainPosition(kKiwipete);
        EXPECT_EQ(PerftNodes(d), expected[d - 1]) << "depth " << d;
    }
}

// Positions 3 to 6 of the classic list (4 also mirrored), to the depth
// where the count stays under half a million.
TEST(Perft, ClassicPositions) {
    auto cases = ReadPerftFile(std::string(VELL_TEST_DATA) + "/perft_cpw.epd");
    ASSERT_EQ(cases.size(), 7u);
    for (size_t i = 2; i < cases.size(); i++)
        for (size_t d = 1; d <= cases[i].counts.size() && cases[i].counts[d - 1] < 500000; d++) {
            Position* pos = MainPosition(cases[i].fen.c_str());
            ASSERT_EQ(pos->ply, 1);
            EXPECT_EQ(PerftNodes(int(d)), cases[i].counts[d - 1]) << cases[i].fen << " depth " << d;
        }
}

TEST(Perft, DepthZeroAddsNothing) {
    MainPosition(kStart);
    EXPECT_EQ(PerftNodes(0), 0u);
    EXPECT_EQ(PerftNodes(-3), 0u);
}

TEST(Perft, LeavesPositionUnchanged) {
    Position* pos = MainPosition(kKiwipete);
    Position before = *pos;
    PerftNodes(2);
    EXPECT_EQ(std::memcmp(pos->board, before.board, sizeof pos->board), 0);
    EXPECT_EQ(std::memcmp(pos->bb, before.bb, sizeof pos->bb), 0);
    EXPECT_EQ(pos->hash, before.hash);
    EXPECT_EQ(pos->nhist, 0);
    EXPECT_EQ(pos->ply, 1);
}
