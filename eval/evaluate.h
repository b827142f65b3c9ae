// The static evaluation: a position's score for the side to move, with the
// by-products the search reads from the ply's stack entry.
#pragma once
#include <cstdint>

#include "board/position.h"
#include "thread/records.h"

// Scores pos for `side` (the side to move) at `ply` with a thread's caches;
// fills ss->eval and the hung_value, passer_sq and king_attacked by-products,
// and at the root the "ev" report when the caches are the ones that fill it.
// In check it answers -9999 at once.
int Evaluate(const Position& pos, EvalCaches& caches, StackRec* ss, int side, int ply, int in_check);

// The same for a search thread's own position and stack entry.
inline int Evaluate(ThreadRec* td, int side, int ply, int in_check) {
    return Evaluate(td->pos, td->caches, &td->stack[ply], side, ply, in_check);
}

// Pieces of `side` that stand alone between its single queen and an enemy
// bishop (diagonal) or rook (line); empty unless the side has exactly one queen.
uint64_t PinnedToQueen(const Position* pos, int side);
