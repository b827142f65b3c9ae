// The key generator's sequence and the keys of known positions.
#include <gtest/gtest.h>

#include "board/makemove.h"
#include "tests/board/board_setup.h"

TEST(Keys, FirstDrawFromTheStartState) {
    BoardTestSetup();  // draws the tables from the start state 54321
    EXPECT_EQ(rtable[0], 0x90F7C18E13CBB7A7ull);
    EXPECT_EQ(rtable[1], 0xF6F077CC2525E90Dull);
    EXPECT_EQ(rtable2[0], 0xF6ECFD9ABCAFF2C3ull);
    EXPECT_EQ(rtable2[64], 0x2F48DF1A5E543643ull);
    EXPECT_EQ(keys_discarded, 18);
}

TEST(Keys, StartPositionKeys) {
    Position* pos = MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(pos->hash, 0x1DA527AC61069B9Cull);
    EXPECT_EQ(pos->pawnhash, 0x318537B0B45881D0ull);
}

TEST(Keys, NoTwoKeysTooClose) {
    BoardTestSetup();
    for (int i = 0; i < 1024; i++)
        for (int j = 0; j < i; j++) {
            uint64_t x = rtable[i] ^ rtable[j];
            ASSERT_GT(__builtin_popcount(uint32_t(x >> 32)), 4) << i << " " << j;
            ASSERT_GT(__builtin_popcount(uint32_t(x)), 4) << i << " " << j;
        }
}

TEST(Keys, RedrawContinuesTheSequence) {
    BoardTestSetup();
    uint64_t first0 = rtable[0], first64 = rtable2[64];
    InitKeys();
    EXPECT_NE(rtable[0], first0);
    EXPECT_NE(rtable2[64], first64);
    seed = 54321;  // back to the first tables for any later test in this process
    InitKeys();
    EXPECT_EQ(rtable[0], first0);
}

TEST(Keys, EmptyBoard) {
    Position* pos = MainPosition("8/8/8/8/8/8/8/8 w - -");
    EXPECT_EQ(pos->hash, (rtable2[64] ^ rtable2[0]) & ~1ull);
    EXPECT_EQ(pos->pawnhash, 0u);
}
