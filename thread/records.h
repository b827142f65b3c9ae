// What a search thread owns: the ThreadRec with its copy of the game, its
// per-ply StackRec entries, move lists, ordering tables and caches.
#pragma once
#include <atomic>
#include <cstdint>

#include "base/control.h"
#include "board/legality.h"
#include "board/position.h"
#include "thread/caches.h"

// Room for a full list (at most 256 pseudo-legal moves, a hash-move entry,
// the terminator and the gap behind it) at every ply the search can reach.
constexpr int MOVE_BUFFER = MAX_DEPTH * 260;

struct StackRec {
    int16_t depth, eval, alpha, beta;
    uint8_t node_type;  // 0 plain, 1 PV, 2 expected cut, 3 expected all
    uint8_t iid;
    int16_t hung_value[2];
    uint8_t passer_sq[2];
    uint8_t king_attacked[2];
    uint16_t phase, searched, hash_move;
    uint16_t killer[2];
    uint16_t check_killer;
    MoveEntry* list;
    MoveEntry* cur;
    // The untried entries holding the score being picked, as bits from
    // pick_base on; 0 when the next pick has to look for the score again.
    uint64_t pick_bits;
    MoveEntry* pick_base;
    LegalInfo legal;       // of the node's side; risky is 0 until a pick first needs it
    CheckInfo check_info;  // for the node's moves once check_info_ready is set
    uint8_t check_info_ready;
    uint8_t crowded;  // another thread is in the node's move loop too: reduce more
};

// One per thread. Written only by its own thread while it searches; the main
// thread reads the atomic fields (counters, command, time factor, the pv root
// move) while the search runs.
struct ThreadRec {
    Position pos;
    HistRec hist[HIST_SIZE];
    StackRec stack[MAX_PLY];
    MoveEntry moves[MOVE_BUFFER];
    // The ordering score of each entry of moves, kept beside the entry's own
    // copy so that the picker compares sixteen at a time; 16 bytes of slack
    // let it read whole blocks past the last list.
    uint8_t move_scores[MOVE_BUFFER + 16];
    uint16_t history[64][16];  // stays within 0..4096
    uint16_t counter[64][16];
    EvalCaches caches;
    uint8_t index;
    // 0 idle, 1 run one search, 'c' terminate. The main thread writes 1 or 'c'
    // with release, the thread writes 0 with release once its results are in
    // place, so a reader that sees 0 (acquire) also sees those results.
    std::atomic<int8_t> command;
    std::atomic<int8_t> time_factor;
    std::atomic<int8_t> changes;
    std::atomic<int8_t> iter_depth;
    int16_t result_depth, result_score, root_eval;
    std::atomic<uint64_t> nodes;
    uint32_t noise_seed;
    std::atomic<uint64_t> tt_probes, tt_hits;
    std::atomic<uint64_t> iter_nodes[MAX_PLY];
    std::atomic<int16_t> seldepth;  // deepest ply a principal-variation node reached
    std::atomic<uint16_t> pv[MAX_PLY];
};

// Relaxed counter bump: only the owning thread writes, others just read.
inline void Bump(std::atomic<uint64_t>& c, uint64_t n = 1) {
    c.store(c.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
}

extern ThreadRec* ThreadData[MAX_THREADS + 1];

// Allocates a zeroed ThreadRec for thread index i with its position's hist,
// ss and thread fields pointing into it and the stack lists set up.
ThreadRec* NewThreadRec(int i);
// Gives td the game (a long history cut to its last records, as the search
// needs only those) on its own stack, for a search or a look that must leave
// the game record as it is.
void CopyGame(ThreadRec* td, const Position* game);
// Commands that play moves only to look at the position (perft, the book)
// play them on a copy of the game in search thread 1's record, idle between
// searches, so the game record and the moves that redo replays stay.
ThreadRec* LookingCopy(const Position* game);

inline ThreadRec& TD(const Position& pos) { return *ThreadData[pos.thread]; }
