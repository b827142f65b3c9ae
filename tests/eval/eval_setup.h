// The evaluation tests' helpers beside the shared fixture: evaluations of
// thread 1's position (index 1, so the report is filled).
#pragma once
#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "tests/board/board_setup.h"

inline Position* EvalPosition(const char* fen) {
    SetPosition(&ThreadData[1]->pos, fen);
    return &ThreadData[1]->pos;
}

// Evaluates fen for its side to move at ply 2 with empty caches, or at ply 1
// (never cached) with the report cleared first.
inline int EvalFen(const char* fen, int ply = 2) {
    ThreadRec* td = ThreadData[1];
    EvalPosition(fen);
    // A zero key would match a position without pawns; every entry must miss.
    for (auto& e : td->pcache) e.key = ~0ULL;
    for (auto& e : td->ecache) e.key = ~0ULL;
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
    return Evaluate(td, td->pos.side, ply, 0);
}

struct EvalTest : EngineTest {
    ThreadRec* td = nullptr;
    void SetUp() override {
        EngineTest::SetUp();
        td = ThreadData[1];
    }
    StackRec& Stack(int ply) { return td->stack[ply]; }
};
