// What one search is asked for (Limits) and what it hands back (SearchResult).
// Every caller builds a fresh Limits; the pool keeps a copy of the current
// search's record that the threads read while they run.
#pragma once
#include <cstdint>

#include "base/control.h"
#include "base/limits.h"

constexpr int MAX_ROOT_MOVES = 256;
constexpr double UNLIMITED_TIME = 1e7;  // seconds: a search that no clock ends

struct Limits {
    int depth = MAX_DEPTH;  // 0: the depth-0 score alone
    uint64_t nodes = 0;     // of all threads together, 0 for none
    int mate = 0;           // moves of the mate that ends the search, 0 for none
    TcMode tc_mode = TcMode::MoveTime;
    double move_time = 5.0;  // seconds; a console level's time per session
    double clock[2] = {0, 0}, increment = 0;
    int moves_to_go = 0;    // UCI movestogo
    int session_moves = 0;  // moves a console level's clock lasts
    uint16_t search_moves[MAX_ROOT_MOVES];  // the root moves searched, none for all
    int nsearch_moves = 0;
    PonderState kind = PonderState::Search;  // Search, Ponder or Analyse
    bool limit_strength = false;              // play at the strength level set
    bool own_book = false;                    // answer from the book where it has a move
    int multipv = 1;
    double info_delay = 0;  // seconds before lines are shown; SILENT_OUTPUT for none
    bool use_hash = true;
    bool show_wdl = false;  // UCI lines add "wdl W D L" after the score
};

struct SearchResult {
    uint16_t best, ponder;
    int score, depth;
    uint64_t nodes;
};

// The pool's copy of the current search's limits: InitSearch writes it before
// the threads are woken, and it stays as it is while they run.
extern Limits search_limits;
