// The static evaluation: a position's score for the side to move, with the
// by-products the search reads from the ply's stack entry.
#pragma once
#include <cstdint>

#include "board/position.h"
#include "eval/endgame.h"
#include "thread/records.h"

// The evaluation proper of a position out of check that the cache does not
// hold (or at the root, where the cache is not asked).
int EvaluateAfresh(const Position& pos, EvalCaches& caches, StackRec* ss, int side, int ply);

// The by-products as they stand before the evaluation finds any; a cache hit
// sets them all from its entry.
inline void ResetByProducts(StackRec* ss) {
    ss->hung_value[0] = ss->hung_value[1] = 0;
    ss->king_attacked[0] = ss->king_attacked[1] = 0;
    ss->passer_sq[WHITE] = 0;
    ss->passer_sq[BLACK] = 63;
}

// Scores pos for `side` (the side to move) at `ply` with a thread's caches;
// fills ss->eval and the hung_value, passer_sq and king_attacked by-products,
// and at the root the "ev" report when the caches are the ones that fill it.
// In check it answers -MATE_BOUND at once. That answer and a cache hit, about a
// third of all calls, come without a call.
inline int Evaluate(const Position& pos, EvalCaches& caches, StackRec* ss, int side, int ply, int in_check) {
    if (in_check) {
        ResetByProducts(ss);
        ss->eval = -MATE_BOUND;
        return -MATE_BOUND;
    }
    Bump(caches.evals);
    if (ply > 1) {
        const EvalCacheEntry& ce = caches.ecache[pos.hash & (EVAL_CACHE_SIZE - 1)];
        if (ce.key == pos.hash) {
            Bump(caches.eval_hits);
            for (int c = 0; c < 2; c++) {
                ss->king_attacked[c] = ce.passer_king[c] >> 7;
                ss->passer_sq[c] = ce.passer_king[c] & 63;
                ss->hung_value[c] = ce.hung_value[c];
            }
            const int out = ScaledScore(&pos, ss, ce.score, side);
            ss->eval = int16_t(out);
            return out;
        }
    }
    return EvaluateAfresh(pos, caches, ss, side, ply);
}

// The same for a search thread's own position and stack entry.
inline int Evaluate(ThreadRec* td, int side, int ply, int in_check) {
    return Evaluate(td->pos, td->caches, &td->stack[ply], side, ply, in_check);
}

// Pieces of `side` that stand alone between its single queen and an enemy
// bishop (diagonal) or rook (line); empty unless the side has exactly one queen.
uint64_t PinnedToQueen(const Position* pos, int side);
