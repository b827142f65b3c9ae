// Set-up shared by the search tests (being folded into tests/support/fixture.h).
#pragma once
#include "tests/support/fixture.h"

void SearchTestSetup(int threads = 1);
SearchResult SearchFen(const char* fen, int depth, const char* moves = nullptr);
uint16_t GameMove(const char* coord);
