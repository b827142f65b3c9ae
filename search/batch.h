// Every run of the search outside the main loop (the bench, EPD analysis and
// tuning, the "ev" report): its start, its wait with the quit-only poll of a
// batch run, the depth-0 score, and the settings it borrows and gives back.
#pragma once
#include <cstdint>

#include "base/control.h"

// Withdraws a search request that has not started yet.
void DropSearchRequest();

// A batch run refuses every input line but "quit" while it works on the game
// position and the search records; standard input ending does not end it.
void BeginBatch();
void EndBatch();
// One input poll of a batch run: the time check, then at most one line.
void BatchPoll();

// Searches the main thread's position under the current limits: with the
// search threads and the batch poll above depth 0, else the depth-0 score.
// The statistics are summed afterwards.
void RunBatchSearch();
// The root's quiescence value, found on this thread with search thread 1's
// record (that thread stays idle meanwhile): sets best_score, root_qscore and
// root_eval. InitSearch has run.
void SearchDepthZero();

// The limits and flags a run outside the main loop changes, so that the engine
// carries on as before it.
struct RunSettings {
    int8_t nthreads, max_depth;
    TcMode tc_mode;
    uint8_t use_hash;
    PonderState next_ponder_state, ponder_state;
    double move_time, info_delay;
    int16_t multipv;
};
void SaveRunSettings(RunSettings* s);
void RestoreRunSettings(const RunSettings* s);

// The "ev" command: a depth-0 search of the game position fills the report,
// which is printed and logged.
void ShowEvalInfo();
