// Start-up shared by the benchmarks that search: tables, defaults, the
// evaluation, the transposition table and one search thread, output silenced.
#pragma once
#include <pthread.h>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/selectivity.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "thread/records.h"

inline bool StartSearchEngine() {
    InitBitboards();
    SetPBlockDefaults();
    SetPersonalityDefaults();
    SetSelectivityDefaults();
    InitEval();
    InitKPK();
    PBlock.log_on.store(0);
    ThreadData[0] = NewThreadRec(0);
    InitKeys();
    if (!ThreadData[0] || InitTTable(64) != 0) return false;
    pthread_mutex_init(&lock, nullptr);
    pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
    return StartThreadPool(1) == 0;
}
