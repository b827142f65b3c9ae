// Target times for given clocks as a table of hand-worked cases, and the
// time check's stop codes.
#include <gtest/gtest.h>

#include <cmath>

#include "game/game.h"
#include "search/timecontrol.h"
#include "tests/support/fixture.h"

namespace {

constexpr TcMode SD = TcMode::SuddenDeath, SESSION = TcMode::Session;

struct TimeTest : EngineTest {
    Limits limits_;
    // Target for white with nhist game plies behind the position.
    double Target(TcMode mode, double clock, int nhist = 0) {
        ThreadData[0]->pos.nhist = uint16_t(nhist);
        limits_.tc_mode = mode;
        limits_.clock[0] = clock;
        InitSearch(limits_);
        return PBlock.target_time.load();
    }
    StopReason StopAt(double elapsed, int best_depth = 3) {
        PBlock.stop.store(StopReason::None);
        PBlock.best_depth.store(int8_t(best_depth));
        PBlock.elapsed.store(elapsed);
        TimeCheck();
        return PBlock.stop.load();
    }
};

TEST_F(TimeTest, Targets) {
    const struct {
        TcMode mode;
        double clock, inc;
        int moves_to_go, ponder, nhist;
        double target;
        int level = 0;  // moves of a console level; 0: the interface's movestogo
    } kCases[] = {
        {SD, 60.0, 0, 0, 1, 0, 60.0 / 39 * 1.1},             // game start, pondering
        {SD, 60.0, 0, 0, 0, 0, 60.0 / 39 * 0.85},            // no pondering
        {SD, 10.0, 0.1, 0, 1, 20, (10.0 / 29 + 0.1) * 1.1},  // later, with increment
        {SESSION, 22.0, 0, 10, 1, 50, 22.0 / 11 * 1.1},      // movestogo from the interface
        {SESSION, 1.0, 0.5, 1, 1, 0, 0.65},                  // never more than two thirds of the clock
        {SESSION, 60.0, 0, 0, 1, 50, 60.0 / 16 * 1.1, 40},   // level 40: 25 moves played, 15 to go
        {SD, -3.0, 0, 0, 1, 0, 0.002},                       // bad clocks: the minimum
        {SD, std::nan(""), 0, 0, 1, 0, 0.002},
        {SD, 60.0, -1e9, 0, 1, 0, 0.002},
    };
    for (auto& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.mode) << " " << c.clock << " " << c.inc << " " << c.moves_to_go);
        limits_.increment = c.inc;
        limits_.moves_to_go = c.moves_to_go;
        PBlock.ponder = int16_t(c.ponder);
        PBlock.protocol.store(c.level ? Protocol::Console : Protocol::Uci);
        limits_.session_moves = c.level;
        EXPECT_NEAR(Target(c.mode, c.clock, c.nhist), c.target, 1e-9);
    }
    // A game record cut to its last plies still counts every ply played (the table's age).
    const char* dance[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 402; i++) PlayGameMove(TextMove(GamePos(), dance[i % 4]));
    ASSERT_LT(GamePos()->nhist, 402);
    Target(SD, 60.0, GamePos()->nhist);
    EXPECT_EQ(PBlock.tt_age.load(), 402);
    limits_.move_time = 2.0;
    EXPECT_DOUBLE_EQ(Target(TcMode::MoveTime, 50.0), 2.0);  // fixed time a move
    EXPECT_TRUE(std::isfinite(Target(SD, 1e300)));
}

TEST_F(TimeTest, StopCodes) {
    const double limit = Target(SD, 60.0) - PBlock.overhead.load();
    EXPECT_EQ(StopAt(limit - 0.001), StopReason::None);
    EXPECT_EQ(StopAt(limit + 0.001), StopReason::Report);
    EXPECT_EQ(StopAt(limit + 5.0, 0), StopReason::None);  // no result yet: keep searching
    limits_.kind = PonderState::Ponder;
    Target(SD, 1.0);
    EXPECT_EQ(StopAt(1e6), StopReason::None);        // pondering is never stopped by the clock
    PBlock.ponder_state.store(PonderState::Search);  // ponderhit: the same clock applies
    EXPECT_EQ(StopAt(1e6), StopReason::Report);
    limits_.kind = PonderState::Search;
    limits_.moves_to_go = 40;
    Target(SESSION, 0.2);
    EXPECT_EQ(StopAt(0.0), StopReason::Report);  // 0.2 s left in a period is too little to think
    PBlock.stop.store(StopReason::NoMoves);
    PBlock.elapsed.store(100.0);
    TimeCheck();
    EXPECT_EQ(PBlock.stop.load(), StopReason::NoMoves);  // an earlier stop code is kept
}

}  // namespace
