// Search information lines, the statistics sums and the end-of-search lines.
#pragma once
#include <atomic>
#include <cstdint>

#include "board/notation.h"

// How moves go out to the user now: in the protocol's coordinates, castling by
// the rules pos was set up under (a line's later moves are written as their
// words stand, so they need no position).
MoveStyle UserMoveStyle(const Position* pos = nullptr);

// Sums the counters of thread records 0..nthreads into sstats.
void Collect();
// One information line. flag: 0 intermediate, 1 end of an iteration or MultiPV
// line, 2 final. Callers hold lock (the main thread after the search needs
// not). The pv runs from index 1 to the first 0.
// Under UCI, bound (BOUND_LOWER or BOUND_UPPER, 0 for an exact score) marks a
// score that only bounds the true one, and multipv_line numbers the line.
void DisplaySearchInfo(int thread, int flag, int depth, int score, const uint16_t* pv, int bound = 0,
                       int multipv_line = 1);
void DisplaySearchInfo(int thread, int flag, int depth, int score, const std::atomic<uint16_t>* pv,
                       int bound = 0, int multipv_line = 1);
// The UCI line naming the root move being searched and its number.
void DisplayCurrentMove(int depth, uint16_t move, int number);
// The final line after the search, when there is a result to show and output
// is allowed (call Collect first; no lock needed once the threads are idle).
void ShowFinalSearchInfo();
// Console end of search: sets hash_fill and shows the move/time/score line
// and the hash statistics line.
void ShowSearchSummary();
// The best move's score from the side to move's view, as the search lines show it.
int BestShownScore();
// The console's score: centipawns, or #N / #-N for a mate in N moves for or
// against the side to move.
void ConsoleScore(int score, char* out, size_t size);
