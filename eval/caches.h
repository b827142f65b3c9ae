// Per-thread evaluation and pawn caches, and the report fields that the
// evaluation fills for the "ev" command. Kept apart so the thread record can
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

// Filled by evaluations at ply 0 or 1 and read by the evaluation report.
struct EvalReport {
    int16_t square_score[64];     // contribution of the piece on each square
    int16_t type_total[2][8];     // by colour: passed pawns (0), pawns .. king (1..6)
    int16_t material[2], positional[2];
    uint64_t hanging, pinned;
    uint8_t passer_sq[2];
    double draw_factor;
};
