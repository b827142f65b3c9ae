// Target times for given clocks, the time check, and bad clock input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/game.h"
#include "search/timecontrol.h"
#include "tests/board/board_setup.h"
#include "tests/search/search_setup.h"

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class TimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SearchTestSetup();
        MainPosition(kStart);
        PBlock.protocol.store(2);
        PBlock.ponder = 1;
        PBlock.increment.store(0);
        PBlock.overhead.store(0.025);
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
    // Runs the time check at `elapsed` with a result in place.
    int StopAt(double elapsed, int best_depth = 3) {
        PBlock.stop.store(0);
        PBlock.best_depth.store(int8_t(best_depth));
        PBlock.elapsed.store(elapsed);
        TimeCheck();
        return PBlock.stop.load();
    }
};

TEST_F(TimeTest, GameStartWithPonder) {
    EXPECT_NEAR(Target(0, 60.0), 60.0 / 39 * 1.1, 1e-9);
    EXPECT_EQ(PBlock.moves_to_go.load(), 38);
}

TEST_F(TimeTest, LaterInTheGameWithIncrement) {
    PBlock.increment.store(0.1);
    EXPECT_NEAR(Target(0, 10.0, 30), 0.55, 1e-9);
    EXPECT_EQ(PBlock.moves_to_go.load(), 24);
    EXPECT_NEAR(Target(0, 10.0, 29), (10.0 / 25 + 0.1) * 1.1, 1e-9);  // 38 - 14 = 24 as well
    EXPECT_NEAR(Target(0, 10.0, 20), (10.0 / 29 + 0.1) * 1.1, 1e-9);
}

TEST_F(TimeTest, MovesPerPeriodOnTheConsole) {
    PBlock.protocol.store(0);
    PBlock.info_delay.store(9999.0);
    Target(40, 100.0, 20);
    EXPECT_EQ(PBlock.moves_to_go.load(), 30);
    Target(40, 100.0, 80);
    EXPECT_EQ(PBlock.moves_to_go.load(), 40);
}

TEST_F(TimeTest, MovesToGoFromTheInterface) {
    PBlock.moves_to_go.store(10);
    EXPECT_NEAR(Target(40, 22.0, 50), 22.0 / 11 * 1.1, 1e-9);
}

TEST_F(TimeTest, PonderOffOrFewMovesUseTheSmallerFactor) {
    PBlock.ponder = 0;
    EXPECT_NEAR(Target(0, 60.0), 60.0 / 39 * 0.85, 1e-9);
    PBlock.ponder = 1;
    PBlock.moves_to_go.store(2);
    EXPECT_NEAR(Target(40, 60.0), 60.0 / 3 * 0.85, 1e-9);
}

TEST_F(TimeTest, NeverMoreThanTwoThirdsOfTheClock) {
    PBlock.moves_to_go.store(1);
    PBlock.increment.store(0.5);
    EXPECT_NEAR(Target(40, 1.0), 0.65, 1e-9);
}

TEST_F(TimeTest, FixedTimePerMove) {
    PBlock.move_time.store(2.0);
    EXPECT_DOUBLE_EQ(Target(1, 50.0), 2.0);
    EXPECT_DOUBLE_EQ(PBlock.clock[0].load(), 2.0);
}

TEST_F(TimeTest, BadClocksGiveTheMinimumTarget) {
    PBlock.moves_to_go.store(0);  // "movestogo 0"
    EXPECT_DOUBLE_EQ(Target(40, 5.0), 0.65 * 5.0 < 5.0 / 2 * 0.85 ? 0.65 * 5.0 : 5.0 / 2 * 0.85);
    EXPECT_EQ(PBlock.moves_to_go.load(), 1);
    PBlock.moves_to_go.store(-7);
    EXPECT_GE(Target(40, 5.0), 0.002);
    EXPECT_DOUBLE_EQ(Target(0, -3.0), 0.002);
    EXPECT_DOUBLE_EQ(Target(0, 0.0), 0.002);
    EXPECT_DOUBLE_EQ(Target(0, std::numeric_limits<double>::quiet_NaN()), 0.002);
    const double huge = Target(0, 1e300);
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_GT(huge, 1e6);
    PBlock.increment.store(-1e9);
    EXPECT_DOUBLE_EQ(Target(0, 60.0), 0.002);
}

TEST_F(TimeTest, StopsAtTheTargetOnlyWithAResult) {
    const double t = Target(0, 60.0);
    const double limit = t - 0.025;
    EXPECT_EQ(StopAt(limit - 0.001), 0);
    EXPECT_EQ(StopAt(limit + 0.001), 1);
    EXPECT_EQ(StopAt(limit + 5.0, 0), 0);  // no result yet: keep searching
}

TEST_F(TimeTest, UnsettledRootGetsMoreTime) {
    const double t = Target(0, 30.0);
    ThreadData[1]->time_factor.store(20);
    // limit = t + 0.2 * (30 - elapsed) - overhead
    const double at = (t + 6.0 - 0.025) / 1.2;
    EXPECT_EQ(StopAt(at - 0.001), 0);
    EXPECT_EQ(StopAt(at + 0.001), 1);
    ThreadData[1]->time_factor.store(0);
}

TEST_F(TimeTest, PonderingIsNeverStoppedByTime) {
    PBlock.next_ponder_state.store(2);
    Target(0, 1.0);
    EXPECT_EQ(StopAt(1e6), 0);
    PBlock.ponder_state.store(1);  // ponderhit: the same clock applies
    EXPECT_EQ(StopAt(1e6), 1);
}

TEST_F(TimeTest, OtherSearchesStopWithCodeTwo) {
    PBlock.next_ponder_state.store(3);
    PBlock.move_time.store(0.2);
    Target(1, 0.0);
    EXPECT_EQ(StopAt(0.5), 2);
}

TEST_F(TimeTest, LowClockInMovesPerPeriodStopsAtOnce) {
    PBlock.moves_to_go.store(40);
    Target(40, 0.2);
    EXPECT_EQ(StopAt(0.0), 1);  // 0.2 s left < 10 x overhead
}

TEST_F(TimeTest, AnEarlierStopCodeIsKept) {
    Target(0, 1.0);
    PBlock.best_depth.store(1);
    PBlock.stop.store(3);
    PBlock.elapsed.store(100.0);
    TimeCheck();
    EXPECT_EQ(PBlock.stop.load(), 3);
}

TEST_F(TimeTest, ACutGameRecordKeepsCountingPlies) {
    const double later = Target(0, 60.0, 402);
    MainPosition(kStart);
    const char* dance[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 402; i++) PlayGameMove(GameMove(dance[i % 4]));
    ASSERT_LT(ThreadData[0]->pos.nhist, 402);
    EXPECT_EQ(Target(0, 60.0, ThreadData[0]->pos.nhist), later);
    EXPECT_EQ(PBlock.tt_age.load(), 402);
}

TEST_F(TimeTest, SetUpResetsTheResultAndDrawScores) {
    PBlock.best_depth.store(9);
    PBlock.best_score.store(55);
    PBlock.stop.store(1);
    Target(1, 5.0, 17);
    EXPECT_EQ(PBlock.best_depth.load(), 0);
    EXPECT_EQ(PBlock.best_score.load(), -10000);
    EXPECT_EQ(PBlock.stop.load(), 0);
    EXPECT_EQ(PBlock.tt_age.load(), 17);
    EXPECT_EQ(PBlock.ponder_state.load(), 1);
    EXPECT_EQ(ThreadData[1]->pos.thread, 1);
    EXPECT_EQ(ThreadData[1]->pos.hist, ThreadData[1]->hist);
    EXPECT_EQ(ThreadData[1]->pos.hash, ThreadData[0]->pos.hash);
}

}  // namespace
