// The bench signature: a reduced bench must count exactly the recorded nodes.
// A change of this number means the search or the evaluation changed; update
// it only for an intended change (and state the full bench count in the commit).
#include <gtest/gtest.h>

#include "search/bench.h"
#include "tests/support/fixture.h"

namespace {

constexpr uint64_t kReducedBenchNodes = 79743;  // first 8 positions at depth 6

using Bench = EngineTest;

TEST_F(Bench, ReducedBenchSignature) {
    UseThreads(1);
    EXPECT_EQ(BenchNodes(6, 8, 1, 0, nullptr), kReducedBenchNodes);
}

TEST_F(Bench, RepeatsAndRestoresTheEngine) {
    UseThreads(2);
    PBlock.hash_mb = 4;
    const uint64_t key = ThreadData[0]->pos.hash;
    EXPECT_EQ(BenchNodes(4, 3, 1, 0, nullptr), BenchNodes(4, 3, 1, 0, nullptr));
    EXPECT_EQ(PBlock.hash_mb, 4);
    EXPECT_EQ(PBlock.nthreads.load(), 2);
    EXPECT_EQ(ThreadData[0]->pos.hash, key);
}

}  // namespace
