// The root of the search: iterative deepening with aspiration windows, the
// root move loop, MultiPV and the shared best result.
#pragma once

#include "search/limits.h"
#include <atomic>
#include <cstdint>

#include "thread/records.h"

// One whole search of thread thread_index on its copy of the root position;
// returns when the iterations end or PBlock.stop is set. With a depth limit
// (search_limits.depth) below 1 it only fills result_score and root_eval.
void SearchIterations(int thread_index);
// Offers the thread's result_score, result_depth and pv to PBlock's best
// result: deeper wins unless the best is a mate, equal depth needs a higher
// score.
void NewBestMove(ThreadRec* td);
// Room for every legal move of any position.

// Root moves the search threads read while the main thread set them before
// the search; an empty set allows every move.
struct RootMoveSet {
    std::atomic<uint16_t> moves[MAX_ROOT_MOVES];
    std::atomic<int> count{0};
    void Set(const uint16_t* list, int n);  // n = 0 allows every move again
    bool Allows(uint16_t move) const;
};

// Limits the root of the following searches to moves[0..n-1] (all legal
// here); n = 0 searches every move again. Call only while no search runs.
void LimitRootMoves(const uint16_t* moves, int n);
// True when the limit set by LimitRootMoves lets the search play move.
bool RootMoveAllowed(uint16_t move);
