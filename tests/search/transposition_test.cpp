// Transposition table: store and probe, mate scores, replacement, the lock
// check and the move check.
#include <gtest/gtest.h>

#include "search/transposition.h"
#include "tests/board/board_setup.h"
#include "tests/search/search_setup.h"

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class TTTest : public ::testing::Test {
protected:
    void SetUp() override {
        SearchTestSetup();
        pos = MainPosition(kStart);
        ClearTTable();
        PBlock.use_hash.store(1);
        PBlock.best_depth.store(0);
        PBlock.tt_age.store(0);
    }
    TTEntry Probe() {
        TTEntry e{};
        e.depth = TT_MISS;
        ProbeTTable(pos, &e);
        return e;
    }
    // A key with home slot `home` in the white half and high half j: all such
    // keys share one window and differ in their lock.
    static uint64_t WindowKey(uint64_t home, uint64_t j) { return home + (entries / 2) * (j << 32); }
    Position* pos = nullptr;
};

TEST_F(TTTest, EmptyTableMisses) {
    EXPECT_EQ(Probe().depth, TT_MISS);
    EXPECT_EQ(HashFill(), 0);
}

TEST_F(TTTest, StoreThenProbeGivesEntry) {
    const uint16_t e2e4 = GameMove("e2e4");
    StoreTT(pos, 1, 7, -50, 50, 12, e2e4);
    TTEntry e = Probe();
    EXPECT_EQ(e.depth, 7);
    EXPECT_EQ(e.move, e2e4);
    EXPECT_EQ(e.score, 12);
    EXPECT_EQ(e.bound, BOUND_EXACT);
    EXPECT_EQ(e.lock_hi, uint32_t(pos->hash >> 32));
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

TEST_F(TTTest, ProbeRefreshesTheAge) {
    StoreTT(pos, 1, 5, -10, 10, 0, 0);
    PBlock.tt_age.store(9);
    EXPECT_EQ(Probe().age, 9);
    PBlock.tt_age.store(0);
    EXPECT_EQ(Probe().age, 0);
}

TEST_F(TTTest, TornEntryIsRejected) {
    StoreTT(pos, 1, 5, -100, 100, 33, GameMove("g1f3"));
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

TEST_F(TTTest, ReplacesOldestThenShallowestThenEarliest) {
    const uint64_t home = 1234;
    auto store = [&](uint64_t j, int depth, int age) {
        PBlock.tt_age.store(uint16_t(age));
        pos->hash = WindowKey(home, j);
        StoreTT(pos, 1, depth, -100, 100, int(j), 0);
    };
    auto present = [&](uint64_t j) {
        pos->hash = WindowKey(home, j);
        TTSlot* slot = xhtable[0] + home;
        for (int i = 0; i < 4; i++)
            if (uint32_t(LoadWord(slot[i].lock) >> 32) == uint32_t(pos->hash >> 32)) return true;
        return false;
    };
    pos->side = 0;
    store(1, 9, 3);
    store(2, 2, 4);
    store(3, 5, 3);  // oldest and shallowest of the oldest
    store(4, 8, 4);
    store(5, 4, 4);
    EXPECT_FALSE(present(3));
    EXPECT_TRUE(present(1) && present(2) && present(4) && present(5));
    // Same age for all: the shallowest goes, the earliest slot on ties.
    ClearTTable();
    store(1, 6, 2);
    store(2, 3, 2);
    store(3, 3, 2);
    store(4, 7, 2);
    store(5, 3, 2);
    EXPECT_FALSE(present(2));
    EXPECT_TRUE(present(3));
    // The slot of the same position is reused whatever its age.
    PBlock.tt_age.store(2);
    pos->hash = WindowKey(home, 4);
    StoreTT(pos, 1, 3, -100, 100, 77, 0);
    TTEntry e{};
    e.depth = TT_MISS;
    ProbeTTable(pos, &e);
    EXPECT_EQ(e.score, 77);
    EXPECT_EQ(e.depth, 3);
}

TEST_F(TTTest, DeepEntryOfThisSearchSurvivesShallowStores) {
    PBlock.tt_age.store(5);
    StoreTT(pos, 1, 20, -100, 100, 1, 0);
    PBlock.best_depth.store(23);  // 20 >= 10 + 23 / 4 + 5
    StoreTT(pos, 1, 10, -100, 100, 2, 0);
    EXPECT_EQ(Probe().depth, 20);
    PBlock.best_depth.store(24);
    StoreTT(pos, 1, 10, -100, 100, 3, 0);
    EXPECT_EQ(Probe().depth, 10);
    // An entry of an earlier move is replaced at any depth.
    PBlock.tt_age.store(6);
    StoreTT(pos, 1, 2, -100, 100, 4, 0);
    EXPECT_EQ(Probe().depth, 2);
}

TEST_F(TTTest, FillCountsNewSlotsOnly) {
    StoreTT(pos, 1, 3, -100, 100, 0, 0);
    StoreTT(pos, 1, 4, -100, 100, 0, 0);
    EXPECT_EQ(ttcnt.load(), 1u);
    ClearTTable();
    EXPECT_EQ(ttcnt.load(), 0u);
    EXPECT_EQ(PBlock.hash_fill, 0);
}

TEST_F(TTTest, ZeroSizeTableIsNeverTouched) {
    PBlock.hash_mb = 0;
    ASSERT_EQ(InitTTable(), 0);
    EXPECT_EQ(entries, 0u);
    StoreTT(pos, 1, 3, -100, 100, 0, 0);
    EXPECT_EQ(Probe().depth, TT_MISS);
    EXPECT_EQ(HashFill(), 0);
    PBlock.hash_mb = 16;
    ASSERT_EQ(InitTTable(), 0);
    EXPECT_EQ(entries, 16u * 65536);
}

TEST_F(TTTest, HomeSlotIsKeyModHalfTheTable) {
    for (int mb : {16, 3}) {
        PBlock.hash_mb = int16_t(mb);
        ASSERT_EQ(InitTTable(), 0);
        const uint64_t half = entries / 2;
        for (uint64_t key : {0x0123456789ABCDEFull, 0xFFFFFFFFFFFFFFFFull, 0x8000000000000001ull}) {
            pos->hash = key;
            pos->side = uint8_t(key & 1);
            EXPECT_EQ(TTWindow(pos), xhtable[pos->side] + key % half) << mb;
        }
        pos->side = 1;
        EXPECT_EQ(xhtable[1] - xhtable[0], int64_t(half + 4));
    }
    PBlock.hash_mb = 16;
    ASSERT_EQ(InitTTable(), 0);
}

}  // namespace
