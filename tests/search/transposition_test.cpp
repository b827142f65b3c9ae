// Transposition table: store and probe, mate scores, replacement, the lock
// check and the move check.
#include <gtest/gtest.h>

#include "search/transposition.h"
#include "tests/support/fixture.h"

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class TTTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        pos = SetGame(kStart);
    }
    TTEntry Probe() {
        TTEntry e{};
        e.depth = TT_MISS;
        ProbeTTable(pos, &e);
        return e;
    }
    Position* pos = nullptr;
};

TEST_F(TTTest, StoreThenProbeGivesEntry) {
    const uint16_t e2e4 = TextMove(pos, "e2e4");
    StoreTT(pos, 1, 7, -50, 50, 12, e2e4);
    TTEntry e = Probe();
    EXPECT_EQ(e.depth, 7);
    EXPECT_EQ(e.move, e2e4);
    EXPECT_EQ(e.score, 12);
    EXPECT_EQ(e.bound, BOUND_EXACT);
}

TEST_F(TTTest, DeepQuiescenceEntryReadsBackAndGivesWay) {
    StoreTT(pos, 60, -51, -50, 50, 0, 0);
    EXPECT_EQ(Probe().depth, -51);
    StoreTT(pos, 1, 2, -50, 50, 0, 0);
    EXPECT_EQ(Probe().depth, 2);
}

TEST_F(TTTest, BoundsClipTheScoreToTheWindow) {
    StoreTT(pos, 1, 3, -20, 20, -300, 0);
    TTEntry low = Probe();
    EXPECT_EQ(low.bound, BOUND_UPPER);
    EXPECT_EQ(low.score, -20);
    StoreTT(pos, 1, 4, -20, 20, 300, 0);
    TTEntry high = Probe();
    EXPECT_EQ(high.bound, BOUND_LOWER);
    EXPECT_EQ(high.score, 20);
}

TEST_F(TTTest, MateScoresAreStoredRelativeToTheNode) {
    // Mate in 10 plies from the root found at ply 5 is stored as 9994 and
    // read back at ply 3 as 9992.
    StoreTT(pos, 5, 6, -10000, 10000, 9990, 0);
    TTEntry e = Probe();
    EXPECT_EQ(e.score, 9994);
    EXPECT_EQ(ScoreFromTT(e.score, 3), 9992);
    StoreTT(pos, 5, 7, -10000, 10000, -9990, 0);
    EXPECT_EQ(Probe().score, -9994);
    EXPECT_EQ(ScoreFromTT(-9994, 3), -9992);
    EXPECT_EQ(ScoreToTT(500, 9), 500);
}

TEST_F(TTTest, TornEntryIsRejected) {
    StoreTT(pos, 1, 5, -100, 100, 33, TextMove(pos, "g1f3"));
    TTSlot* slot = TTWindow(pos);
    // A second writer changed the move but not the lock.
    StoreWord(slot->data, LoadWord(slot->data) ^ 0x1);
    EXPECT_EQ(Probe().depth, TT_TORN);
}

TEST_F(TTTest, MoveThatDoesNotFitTheBoardIsRejected) {
    StoreTT(pos, 1, 5, -100, 100, 0, MakeMoveWord(28, 36));  // e4e5: no piece on e4
    EXPECT_EQ(Probe().depth, TT_BAD_MOVE);
    StoreTT(pos, 1, 6, -100, 100, 0, MakeMoveWord(60, 52));  // the enemy king's move
    EXPECT_EQ(Probe().depth, TT_BAD_MOVE);
    StoreTT(pos, 1, 7, -100, 100, 0, MakeMoveWord(0, 8));  // onto an own piece
    EXPECT_EQ(Probe().depth, TT_BAD_MOVE);
}

TEST_F(TTTest, NoProbeOrStoreWithoutHash) {
    PBlock.use_hash.store(0);
    StoreTT(pos, 1, 5, -100, 100, 0, 0);
    EXPECT_EQ(Probe().depth, TT_MISS);
    PBlock.use_hash.store(1);
    EXPECT_EQ(Probe().depth, TT_MISS);
}

TEST_F(TTTest, ZeroSizeTableIsNeverTouched) {
    PBlock.hash_mb = 0;
    ASSERT_EQ(InitTTable(), 0);
    EXPECT_EQ(entries, 0u);
    StoreTT(pos, 1, 3, -100, 100, 0, 0);
    EXPECT_EQ(Probe().depth, TT_MISS);
    EXPECT_EQ(HashFill(), 0);
}

}  // namespace
