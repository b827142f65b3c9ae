// Set-up helpers for the search tests.
#include "tests/search/search_setup.h"

void SearchTestSetup(int threads) {
    ResetEngine();
    UseThreads(threads);
}

uint16_t GameMove(const char* coord) { return TextMove(&ThreadData[0]->pos, coord); }

SearchResult SearchFen(const char* fen, int depth, const char* moves) { return Search(fen, depth, moves); }
