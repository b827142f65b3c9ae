// The control block PBlock that the command handlers and every search thread
// share, with the named states of a run, its two locks and the summed
// statistics. The states of a run change in engine/main_loop.cpp and
// search/batch.cpp (the main loop's and the batch runs'); the search itself
// only asks for its stop through the functions at the end of this file.
#pragma once
#include <atomic>
#include <cstdint>
#include <pthread.h>

#include "base/limits.h"

// Why a search ends. Report keeps the best result found so far, Abort throws
// the unfinished iteration away, NoMoves marks a root without a legal move,
// Kill ends the search threads themselves.
enum class StopReason : uint8_t { None = 0, Report = 1, Abort = 2, NoMoves = 3, Kill = 'c' };
// What the main loop is doing with a search: nothing, a search it answers when
// it ends, a ponder search waiting for ponderhit or stop, or a console
// analysis that runs until a line is typed.
enum class PonderState : uint8_t { Idle = 0, Search = 1, Ponder = 2, Analyse = 3 };
// How the time of a move is found: from a clock that must last the game, a
// fixed time per move, or a clock that must last a number of moves (the
// console's level N, or UCI's movestogo).
enum class TcMode : uint8_t { SuddenDeath = 0, MoveTime = 1, Session = 2 };
// Which command set the input speaks; Silent ignores every line.
enum class Protocol : int16_t { Console = 0, Uci = 2, Silent = 1 };

// The info_delay of a run that shows no search output at all (the bench, the
// tuner, -quiet); any other delay shows the lines of a search that lasts longer.
constexpr double SILENT_OUTPUT = 9999.0;
inline bool OutputSilent(double info_delay) { return info_delay == SILENT_OUTPUT; }

template <class T>
using Shared = std::atomic<T>;

// Fields that more than one thread touches while a search runs are atomics
// read and written with relaxed order.
struct PBlockRec {
    Shared<int8_t> nthreads;
    Shared<uint8_t> quit;
    Shared<int8_t> best_depth, done_depth;
    int16_t root_eval, root_qscore;
    Shared<int16_t> best_score;
    Shared<StopReason> stop;
    Shared<double> target_time, elapsed, overhead;
    Shared<PonderState> ponder_state, next_ponder_state;
    Shared<uint8_t> use_hash;
    int16_t ponder, hash_fill;
    Shared<uint16_t> tt_age;
    Shared<double> info_delay;
    Shared<int16_t> log_on;
    Shared<int16_t> multipv;            // the setting that searches take their MultiPV from
    Shared<int16_t> show_wdl;           // and whether their lines show win/draw/loss chances
    Shared<uint16_t> best_pv[MAX_PLY];  // written under spinlock1
    char book_name[256];
    uint16_t expected_move;
    Shared<int16_t> draw_score[2];
    Shared<Protocol> protocol;
    int16_t debug;
};

extern PBlockRec PBlock;
extern uint64_t sstats[7];  // nodes, evals, eval_hits, tt_probes, tt_hits, pawn_probes, pawn_hits
extern int uci_extra, show_extra;
extern pthread_mutex_t lock;          // search output
extern pthread_spinlock_t spinlock1;  // best result; never held together with lock
// Set while a batch run (EPD analysis, tuning, a book build, the bench) works
// on the game position and the search records: input other than "quit" is
// refused meanwhile.
extern bool batch_run;
extern double start;  // monotonic seconds at which the current search started

// Clears the block and sets every default (one thread, 66 plies,
// five seconds a move, overhead 0.025, book "vell.opn", MultiPV 1, UCI).
void SetPBlockDefaults();

// The search's own stop requests. RequestStop keeps the first reason given;
// SetStop replaces whatever stopped the search before.
inline void RequestStop(StopReason why) {
    StopReason none = StopReason::None;
    PBlock.stop.compare_exchange_strong(none, why, std::memory_order_relaxed, std::memory_order_relaxed);
}
inline void SetStop(StopReason why) { PBlock.stop.store(why, std::memory_order_relaxed); }
// A search being set up starts with no stop and in the state its caller asked for.
inline void EnterState(PonderState kind) {
    PBlock.stop.store(StopReason::None, std::memory_order_relaxed);
    PBlock.ponder_state.store(kind, std::memory_order_relaxed);
}

inline bool UciMode() { return PBlock.protocol.load(std::memory_order_relaxed) == Protocol::Uci; }
inline bool Stopped() { return PBlock.stop.load(std::memory_order_relaxed) != StopReason::None; }
