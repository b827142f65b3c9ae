// The static evaluation: a position's score for the side to move, with the
// by-products the search reads from the ply's stack entry.
#pragma once
#include <cstdint>

#include "board/position.h"

struct ThreadRec;

// Scores td->pos for `side` (the side to move) at `ply`; fills
// td->stack[ply].eval and the hung_value, passer_sq and king_attacked
// by-products. In check it answers -9999 at once.
int Evaluate(ThreadRec* td, int side, int ply, int in_check);

// Pieces of `side` that stand alone between its single queen and an enemy
// bishop (diagonal) or rook (line); empty unless the side has exactly one queen.
uint64_t PinnedToQueen(const Position* pos, int side);
