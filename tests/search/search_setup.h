// Set-up shared by the search tests: a started engine (tables, defaults,
// evaluation, a 16 MB table, locks and a search thread pool) and a helper
// that searches one position to a fixed depth.
#pragma once
#include <cstdint>

#include "board/position.h"
#include "search/records.h"

// Builds everything once per process and makes sure `threads` search threads
// run; search output is silenced.
void SearchTestSetup(int threads = 1);

struct SearchResult {
    uint64_t nodes;  // summed over the search threads
    uint16_t best;   // PBlock.best_pv[1]
    uint16_t ponder;  // PBlock.best_pv[2]
    int score, depth, stop;
};
// Sets the game position from fen, plays the moves (coordinate text,
// separated by blanks) and searches it to depth with a cleared table.
SearchResult SearchFen(const char* fen, int depth, const char* moves = nullptr);
// Searches the game position as it stands to depth with a cleared table.
SearchResult SearchGame(int depth);
// The move with this coordinate text in the game position, 0 if none.
uint16_t GameMove(const char* coord);
