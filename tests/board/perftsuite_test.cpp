// A broad perft suite: every position to the depth whose count stays under
// a quarter of a million.
#include <gtest/gtest.h>

#include "tests/board/board_setup.h"

TEST(PerftSuite, ExcerptAtShallowDepths) {
    auto cases = ReadPerftFile(std::string(VELL_TEST_DATA) + "/perftsuite_excerpt.epd");
    ASSERT_EQ(cases.size(), 63u);
    int checked = 0;
    for (const PerftCase& c : cases) {
        ASSERT_FALSE(c.counts.empty()) << c.fen;
        for (size_t d = 1; d <= c.counts.size() && c.counts[d - 1] < 250000; d++) {
            MainPosition(c.fen.c_str());
            ASSERT_EQ(PerftNodes(int(d)), c.counts[d - 1]) << c.fen << " depth " << d;
            checked++;
        }
    }
    EXPECT_GT(checked, 200);
}
