// Per-thread evaluation and pawn caches. Kept apart so the thread record can
// embed them without seeing the evaluation itself.
#pragma once
#include <cstdint>

struct EvalCacheEntry {
    int16_t score;  // final score before scaling, side to move's view
    uint8_t king_attacked[2];
    uint8_t passer_sq[2];
    int16_t hung_value[2];
    uint64_t key;
};

struct PawnCacheEntry {
    int16_t opening[2], ending[2];
    uint16_t files[2];
    uint64_t span[2];
    uint64_t passers[2];
    uint64_t key;
};

constexpr int EVAL_CACHE_SIZE = 16384;
constexpr int PAWN_CACHE_SIZE = 8192;
