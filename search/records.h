// The search's shared records: the per-thread ThreadRec with its per-ply
// StackRec, the move-list entry, the control block PBlock shared by all
// threads and the command interpreter, and the locks around them.
#pragma once
#include <atomic>
#include <cstdint>
#include <pthread.h>

#include "board/legality.h"
#include "board/position.h"
#include "eval/caches.h"

constexpr int MAX_THREADS = 64;
// Room for a full list (at most 256 pseudo-legal moves, a hash-move entry,
// the terminator and the gap behind it) at every ply the search can reach.
constexpr int MOVE_BUFFER = 66 * 260;

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
    LegalInfo legal;  // of the node's side; risky is 0 until a pick first needs it
    CheckInfo check_info;  // for the node's moves once check_info_ready is set
    uint8_t check_info_ready;
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
    EvalCacheEntry ecache[EVAL_CACHE_SIZE];
    PawnCacheEntry pcache[PAWN_CACHE_SIZE];
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
    std::atomic<uint64_t> evals, eval_hits, tt_probes, tt_hits, pawn_probes, pawn_hits;
    std::atomic<uint64_t> iter_nodes[MAX_PLY];
    std::atomic<int16_t> seldepth;  // deepest ply a principal-variation node reached
    std::atomic<uint16_t> pv[MAX_PLY];
};

// Relaxed counter bump: only the owning thread writes, others just read.
inline void Bump(std::atomic<uint64_t>& c, uint64_t n = 1) {
    c.store(c.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
}

template <class T>
using Shared = std::atomic<T>;

// The control block. Fields that more than one thread touches while a search
// runs are atomics read and written with relaxed order.
struct PBlockRec {
    Shared<int8_t> nthreads;
    Shared<uint8_t> quit;
    Shared<int8_t> best_depth, done_depth;
    int16_t root_eval, root_qscore;
    Shared<int16_t> best_score;
    Shared<uint8_t> stop;  // 0 search, 1 report best so far, 2 abort, 3 no legal root move, 'c' kill threads
    Shared<int8_t> max_depth;
    Shared<uint8_t> tc_mode;
    Shared<double> move_time, increment;
    Shared<double> clock[2];
    Shared<int16_t> moves_to_go;
    Shared<double> target_time, elapsed, overhead;
    Shared<uint8_t> ponder_state, next_ponder_state;
    uint8_t own_book;
    Shared<uint8_t> use_hash;
    int16_t ponder, hash_mb, hash_fill;
    Shared<uint16_t> tt_age;
    Shared<double> info_delay;
    Shared<int16_t> log_on;
    Shared<int16_t> multipv;
    Shared<uint64_t> node_limit;  // nodes of all threads together, 0 for none
    Shared<int16_t> mate_limit;   // moves of the mate that ends the search, 0 for none
    Shared<uint16_t> best_pv[MAX_PLY];  // written under spinlock1
    char epd_name[256];
    char book_name[256];
    uint16_t expected_move;
    Shared<int16_t> draw_score[2];
    Shared<int16_t> protocol;  // 2 UCI, 0 console; anything else ignores all input
    int16_t debug;
    EvalReport report;
};

extern PBlockRec PBlock;
extern ThreadRec* ThreadData[MAX_THREADS + 1];
extern uint64_t sstats[7];  // nodes, evals, eval_hits, tt_probes, tt_hits, pawn_probes, pawn_hits
extern int uci_extra, show_extra;
extern pthread_mutex_t lock;       // search output
extern pthread_spinlock_t spinlock1;  // best result; never held together with lock

// Clears the block and sets every default (hash 64 MB, one thread, 66 plies,
// five seconds a move, overhead 0.025, book "vell.opn", MultiPV 1, UCI).
void SetPBlockDefaults();
// Allocates a zeroed ThreadRec for thread index i with its position's hist,
// ss and thread fields pointing into it and the stack lists set up.
ThreadRec* NewThreadRec(int i);

inline ThreadRec& TD(const Position& pos) { return *ThreadData[pos.thread]; }
