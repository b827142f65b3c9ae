// Polyglot opening books (".bin", the format most GUIs and engines share):
// the position key, and the weighted choice among a position's entries.
#pragma once
#include <cstdint>

#include "board/position.h"

extern const uint64_t PG_Random[781];

// 1 when the book file name is a Polyglot book's (it ends in ".bin", in either case).
int IsPolyglotName(const char* name);
uint64_t PolyglotKey(const Position* pos);
// A move of the book file's entries for pos (0 when it has none), chosen
// with probability proportional to its weight. verbose prints each legal
// entry with its weight and share.
uint16_t PolyglotCandidates(Position* pos, const char* file, int verbose);
