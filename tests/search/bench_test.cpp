// The bench signature: a reduced bench must count exactly the recorded nodes.
// A change of this number means the search or the evaluation changed; update
// it only for an intended change (and state the full bench count in the commit).
#include <gtest/gtest.h>

#include "search/bench.h"
#include "search/transposition.h"
#include "tests/search/search_setup.h"

namespace {

constexpr uint64_t kReducedBenchNodes = 79743;  // first 8 positions at depth 6

TEST(Bench, ReducedBenchSignature) {
    SearchTestSetup(1);
    const uint64_t nodes = BenchNodes(6, 8, 1, 0, nullptr);
    EXPECT_EQ(nodes, kReducedBenchNodes);
}

TEST(Bench, RepeatsAndRestoresTheEngine) {
    SearchTestSetup(2);
    PBlock.hash_mb = 4;
    ASSERT_EQ(InitTTable(), 0);
    const uint64_t key = ThreadData[0]->pos.hash;
    const uint64_t a = BenchNodes(4, 3, 1, 0, nullptr);
    const uint64_t b = BenchNodes(4, 3, 1, 0, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(PBlock.hash_mb, 4);
    EXPECT_EQ(entries, 4u * 65536);
    EXPECT_EQ(PBlock.nthreads.load(), 2);
    EXPECT_EQ(ThreadData[0]->pos.hash, key);
}

}  // namespace
