// The control block starts with the engine's documented defaults.
#include <gtest/gtest.h>

#include <cstring>

#include "search/records.h"

TEST(Records, ControlBlockDefaults) {
    SetPBlockDefaults();
    EXPECT_EQ(PBlock.hash_mb, 64);
    EXPECT_EQ(PBlock.nthreads.load(), 1);
    EXPECT_EQ(PBlock.max_depth.load(), 66);
    EXPECT_EQ(PBlock.tc_mode.load(), 1);
    EXPECT_DOUBLE_EQ(PBlock.move_time.load(), 5.0);
    EXPECT_DOUBLE_EQ(PBlock.overhead.load(), 0.025);
    EXPECT_STREQ(PBlock.book_name, "vell.opn");
    EXPECT_EQ(PBlock.multipv.load(), 1);
    EXPECT_EQ(PBlock.protocol.load(), 2);
}
