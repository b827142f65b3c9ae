// Every run of the search outside the main loop (the bench, EPD analysis and
// tuning, the "ev" report): its start, its wait with the quit-only poll of a
// batch run, the depth-0 score and the result it hands back.
#pragma once
#include <cstdint>

#include "base/control.h"
#include "search/limits.h"

// A batch run refuses every input line but "quit" while it works on the game
// position and the search records; standard input ending does not end it.
void BeginBatch();
void EndBatch();
// One input poll of a batch run: the time check, then at most one line.
void BatchPoll();

// The limits a batch run starts from: a search of depth plies that no clock
// ends, answered by nobody (kind Idle), with the MultiPV setting and the
// output delay in effect.
Limits BatchLimits(int depth);
// Searches the main thread's position under limits: with the search threads
// and the batch poll above depth 0, else the depth-0 score. The statistics
// are summed afterwards.
SearchResult RunBatchSearch(const Limits& limits);
// The root's quiescence value, found on this thread with search thread 1's
// record (that thread stays idle meanwhile): sets best_score, root_qscore and
// root_eval. InitSearch has run.
void SearchDepthZero();
// What the search just ended found.
SearchResult SearchOutcome();

// The "ev" command: a depth-0 search of the game position fills the report,
// which is printed and logged.
void ShowEvalInfo();
