// The board, evaluation and book tests' helper beside the shared fixture.
#pragma once
#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "tests/support/fixture.h"

inline void ExpectKeysFromScratch(const Position* pos) {
    EXPECT_TRUE(pos->hash == ComputeHash(pos) && pos->pawnhash == ComputePawnHash(pos)) << Epd(pos);
}

