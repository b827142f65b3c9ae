// The root of the search: iterative deepening with aspiration windows, the
// root move loop, MultiPV and the shared best result.
#pragma once

#include "search/records.h"

// One whole search of thread thread_index on its copy of the root position;
// returns when the iterations end or PBlock.stop is set. With max_depth below
// 1 it only fills result_score (quiescence) and root_eval.
void SearchIterations(int thread_index);
// Offers the thread's result_score, result_depth and pv to PBlock's best
// result: deeper wins unless the best is a mate, equal depth needs a higher
// score.
void NewBestMove(ThreadRec* td);
