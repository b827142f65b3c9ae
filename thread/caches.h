// Per-thread evaluation and pawn caches. Kept apart so the thread record can
// embed them without seeing the evaluation itself.
#pragma once
#include <atomic>
#include <cstdint>

// Sixteen bytes on a sixteen-byte boundary: a probe touches one cache line.
struct alignas(16) EvalCacheEntry {
    uint64_t key;
    int16_t score;  // final score before scaling, side to move's view
    int16_t hung_value[2];
    uint8_t passer_king[2];  // the passer square, and 128 when the king is attacked
};
static_assert(sizeof(EvalCacheEntry) == 16);

struct PawnCacheEntry {
    int16_t opening[2], ending[2];
    uint16_t files[2];
    uint64_t span[2];
    uint64_t passers[2];
    uint64_t key;
};

constexpr int EVAL_CACHE_SIZE = 524288;
constexpr int PAWN_CACHE_SIZE = 8192;

// What the evaluation keeps of a thread: its two caches and their counters,
// which only the owning thread writes and the main thread reads for the
// statistics.
struct EvalCaches {
    // The counters first: bumped at nearly every node, they share a line
    // instead of sitting megabytes away from the rest of the thread's record.
    std::atomic<uint64_t> evals, eval_hits, pawn_probes, pawn_hits;
    // Set for search thread 1 alone: it fills the "ev" report when it
    // evaluates the root (other threads evaluating the root would race on it).
    bool fills_report;
    EvalCacheEntry ecache[EVAL_CACHE_SIZE];
    PawnCacheEntry pcache[PAWN_CACHE_SIZE];
};
