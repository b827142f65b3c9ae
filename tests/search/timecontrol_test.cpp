// Target times for given clocks as a table of hand-worked cases, and the
// time check's stop codes.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/game.h"
#include "search/timecontrol.h"
#include "tests/support/fixture.h"

namespace {

struct TimeTest : EngineTest {
    void SetUp() override {
        EngineTest::SetUp();
        PBlock.next_ponder_state.store(1);
    }
    // Target for white with nhist game plies behind the position.
    double Target(int mode, double clock, int nhist = 0) {
        ThreadData[0]->pos.nhist = uint16_t(nhist);
        PBlock.tc_mode.store(uint8_t(mode));
        PBlock.clock[0].store(clock);
        InitSearch();
        return PBlock.target_time.load();
    }
    int StopAt(double elapsed, int best_depth = 3) {
        PBlock.stop.store(0);
        PBlock.best_depth.store(int8_t(best_depth));
        PBlock.elapsed.store(elapsed);
        TimeCheck();
        return PBlock.stop.load();
    }
};

TEST_F(TimeTest, Targets) {
    const struct {
        int mode;
        double clock, inc;
        int moves_to_go, ponder, nhist;
        double target;
    } kCases[] = {
        {0, 60.0, 0, 0, 1, 0, 60.0 / 39 * 1.1},          // game start, pondering
        {0, 60.0, 0, 0, 0, 0, 60.0 / 39 * 0.85},         // no pondering
        {0, 10.0, 0.1, 0, 1, 20, (10.0 / 29 + 0.1) * 1.1},  // later, with increment
        {40, 22.0, 0, 10, 1, 50, 22.0 / 11 * 1.1},       // movestogo from the interface
        {40, 1.0, 0.5, 1, 1, 0, 0.65},                   // never more than two thirds of the clock
        {0, -3.0, 0, 0, 1, 0, 0.002},                    // bad clocks: the minimum
        {0, std::nan(""), 0, 0, 1, 0, 0.002},
        {0, 60.0, -1e9, 0, 1, 0, 0.002},
    };
    for (auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.clock << " " << c.inc << " " << c.moves_to_go);
        PBlock.increment.store(c.inc);
        PBlock.moves_to_go.store(int16_t(c.moves_to_go));
        PBlock.ponder = int16_t(c.ponder);
        EXPECT_NEAR(Target(c.mode, c.clock, c.nhist), c.target, 1e-9);
    }
    // A game record cut to its last plies still counts every ply played (the table's age).
    const char* dance[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 402; i++) PlayGameMove(TextMove(GamePos(), dance[i % 4]));
    ASSERT_LT(GamePos()->nhist, 402);
    Target(0, 60.0, GamePos()->nhist);
    EXPECT_EQ(PBlock.tt_age.load(), 402);
    PBlock.move_time.store(2.0);
    EXPECT_DOUBLE_EQ(Target(1, 50.0), 2.0);  // fixed time a move
    EXPECT_TRUE(std::isfinite(Target(0, 1e300)));
}

TEST_F(TimeTest, StopCodes) {
    const double limit = Target(0, 60.0) - PBlock.overhead.load();
    EXPECT_EQ(StopAt(limit - 0.001), 0);
    EXPECT_EQ(StopAt(limit + 0.001), 1);
    EXPECT_EQ(StopAt(limit + 5.0, 0), 0);  // no result yet: keep searching
    PBlock.next_ponder_state.store(2);
    Target(0, 1.0);
    EXPECT_EQ(StopAt(1e6), 0);  // pondering is never stopped by the clock
    PBlock.ponder_state.store(1);  // ponderhit: the same clock applies
    EXPECT_EQ(StopAt(1e6), 1);
    PBlock.next_ponder_state.store(1);
    PBlock.ponder_state.store(0);
    PBlock.moves_to_go.store(40);
    Target(40, 0.2);
    EXPECT_EQ(StopAt(0.0), 1);  // 0.2 s left in a period is too little to think
    PBlock.stop.store(3);
    PBlock.elapsed.store(100.0);
    TimeCheck();
    EXPECT_EQ(PBlock.stop.load(), 3);  // an earlier stop code is kept
}

}  // namespace
