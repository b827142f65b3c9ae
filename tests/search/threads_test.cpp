// The thread pool under whole searches as the main loop drives them: several
// threads, a changed pool, a pool ended mid-search. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <unistd.h>

#include "search/threads.h"
#include "search/timecontrol.h"
#include "tests/support/fixture.h"

namespace {

constexpr const char* kMiddle = "r1bq1rk1/pp2ppbp/2np2p1/2n5/P3PP2/N1P2N2/1PB3PP/R1B1QRK1 b - -";

using Threads = EngineTest;

// A pool of two finds the right move (the UCI transcripts search on four); a
// pool ended mid-search leaves no thread busy and a new pool searches again.
TEST_F(Threads, PoolsSearchAndEndMidSearch) {
    UseThreads(2);
    EXPECT_EQ(Coord(Search("4k3/8/8/3q4/8/8/3R4/4K3 w - -", 8).best), "d2d5");
    EXPECT_EQ(SearchThreadsBusy(), 0);
    SetGame(kMiddle);
    PBlock.max_depth.store(66);
    PBlock.move_time.store(1e7);
    InitSearch();
    WakeSearchThreads();
    usleep(50 * 1000);
    KillThreadPool(2);
    EXPECT_EQ(SearchThreadsBusy(), 0);
    UseThreads(2);
    EXPECT_NE(Search(kMiddle, 4).best, 0);
}

}  // namespace
