// Set-up of the evaluation tests: tables, defaults and the bitbase, and
// thread 1's record (index 1, so the report is filled) to evaluate on.
#pragma once
#include <gtest/gtest.h>

#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "tests/board/board_setup.h"

inline ThreadRec* EvalTestSetup() {
    BoardTestSetup();
    static bool done = (SetPersonalityDefaults(), InitEval(), InitKPK(), true);
    (void)done;
    if (!ThreadData[1]) ThreadData[1] = NewThreadRec(1);
    return ThreadData[1];
}

inline Position* EvalPosition(const char* fen) {
    Position* pos = &EvalTestSetup()->pos;
    SetPosition(pos, fen);
    return pos;
}

// Evaluates fen for its side to move at ply 2 with empty caches, or at ply 1
// (never cached) with the report cleared first.
inline int EvalFen(const char* fen, int ply = 2) {
    ThreadRec* td = EvalTestSetup();
    EvalPosition(fen);
    // A zero key would match a position without pawns; every entry must miss.
    for (auto& e : td->pcache) e.key = ~0ULL;
    for (auto& e : td->ecache) e.key = ~0ULL;
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
    return Evaluate(td, td->pos.side, ply, 0);
}

// Default weights and no contempt before and after each test.
struct EvalTest : ::testing::Test {
    ThreadRec* td = EvalTestSetup();
    void SetUp() override { TearDown(); }
    void TearDown() override {
        SetPersonalityDefaults();
        InitEval();
        PBlock.draw_score[0] = PBlock.draw_score[1] = 0;
    }
    StackRec& Stack(int ply) { return td->stack[ply]; }
};
