// Transposition table: store and probe, mate scores, replacement, the lock
// check and the move check.
#include <gtest/gtest.h>

#include "board/fen.h"
#include "search/limits.h"
#include "search/transposition.h"
#include "tests/support/fixture.h"

namespace {

using TTTest = EngineTest;

TTEntry Probe(Position* pos) {
    TTEntry e{};
    e.depth = TT_MISS;
    ProbeTTable(pos, &e);
    return e;
}

// Each row stores into the slot of the start position, then probes it.
TEST_F(TTTest, StoreThenProbe) {
    Position* pos = SetGame(fen_opn);
    const uint16_t e2e4 = MakeMoveWord(12, 28);
    const struct {
        int ply, depth, alpha, beta, score;
        uint16_t move;
        int want_depth, want_score, want_bound;
        bool keep = false;  // store over the row before instead of into an empty table
    } rows[] = {
        {1, 7, -50, 50, 12, e2e4, 7, 12, BOUND_EXACT},
        {60, -51, -50, 50, 0, 0, -51, 0, BOUND_EXACT},   // a deep quiescence entry reads back
        {1, 2, -50, 50, 0, 0, 2, 0, BOUND_EXACT, true},  // and gives way
        {1, 3, -20, 20, -300, 0, 3, -20, BOUND_UPPER},   // bounds clip the score to the window
        {1, 4, -20, 20, 300, 0, 4, 20, BOUND_LOWER},
        // Mate in 10 plies from the root found at ply 5 is stored as 9994.
        {5, 6, -10000, 10000, 9990, 0, 6, 9994, BOUND_EXACT},
        {5, 7, -10000, 10000, -9990, 0, 7, -9994, BOUND_EXACT},
        {1, 5, -100, 100, 0, MakeMoveWord(28, 36), TT_BAD_MOVE, 0, 0},  // e4e5: no piece on e4
        {1, 6, -100, 100, 0, MakeMoveWord(60, 52), TT_BAD_MOVE, 0, 0},  // the enemy king's move
        {1, 7, -100, 100, 0, MakeMoveWord(0, 8), TT_BAD_MOVE, 0, 0},    // onto an own piece
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.depth);
        if (!r.keep) ClearTTable();
        StoreTT(pos, r.ply, r.depth, r.alpha, r.beta, r.score, r.move);
        TTEntry e = Probe(pos);
        ASSERT_EQ(e.depth, r.want_depth);
        if (r.want_depth == TT_BAD_MOVE) continue;
        EXPECT_EQ(e.score, r.want_score);
        EXPECT_EQ(e.bound, r.want_bound);
        EXPECT_EQ(e.move, r.move);
    }
    // ... and read back at ply 3 as 9992.
    EXPECT_EQ(ScoreFromTT(9994, 3), 9992);
    EXPECT_EQ(ScoreFromTT(-9994, 3), -9992);
}

// (A search on a zero-size table is a UCI transcript, started with -hash -5.)
TEST_F(TTTest, TornEntryAndNoHash) {
    Position* pos = SetGame(fen_opn);
    StoreTT(pos, 1, 5, -100, 100, 33, TextMove(pos, "g1f3"));
    TTSlot* slot = TTWindow(pos);
    // A second writer changed the move but not the lock.
    StoreWord(slot->data, LoadWord(slot->data) ^ 0x1);
    EXPECT_EQ(Probe(pos).depth, TT_TORN);
    // Without hash nothing is stored or probed.
    ClearTTable();
    search_limits.use_hash = false;
    StoreTT(pos, 1, 5, -100, 100, 0, 0);
    EXPECT_EQ(Probe(pos).depth, TT_MISS);
    search_limits.use_hash = true;
    EXPECT_EQ(Probe(pos).depth, TT_MISS);
}

}  // namespace
