// Set-up helpers for the search tests.
#include "tests/search/search_setup.h"

#include <cstring>
#include <string>
#include <unistd.h>

#include "board/makemove.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "tests/board/board_setup.h"

void SearchTestSetup(int threads) {
    static bool done = false;
    BoardTestSetup();
    if (!done) {
        SetPersonalityDefaults();
        InitEval();
        InitKPK();
        PBlock.hash_mb = 16;
        InitTTable();
        pthread_mutex_init(&lock, nullptr);
        pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
        PBlock.info_delay.store(9999.0);
        PBlock.log_on.store(0);
        done = true;
    }
    const int running = PBlock.nthreads.load();
    static bool started = false;
    if (!started || running != threads) {
        if (started) KillThreadPool(running);
        PBlock.nthreads.store(int8_t(threads));
        StartThreadPool(threads);
        started = true;
    }
}

uint16_t GameMove(const char* coord) { return FindMove(&ThreadData[0]->pos, coord); }

SearchResult SearchFen(const char* fen, int depth, const char* moves) {
    SearchTestSetup(PBlock.nthreads.load());
    Position* pos = MainPosition(fen);
    if (moves) {
        std::string text = moves;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            std::string word = text.substr(at, end - at);
            if (!word.empty()) MakeMove(pos, GameMove(word.c_str()));
            at = end + 1;
        }
        pos->ply = 1;
    }
    return SearchGame(depth);
}

SearchResult SearchGame(int depth) {
    ClearTTable();
    PBlock.max_depth.store(int8_t(depth));
    PBlock.tc_mode.store(1);
    PBlock.move_time.store(1e7);
    PBlock.next_ponder_state.store(0);
    InitSearch();
    WakeSearchThreads();
    while (SearchThreadsBusy()) usleep(100);
    SearchResult r{};
    for (int i = 1; i <= PBlock.nthreads.load(); i++) r.nodes += ThreadData[i]->nodes.load();
    r.best = PBlock.best_pv[1].load();
    r.ponder = PBlock.best_pv[2].load();
    r.score = PBlock.best_score.load();
    r.depth = PBlock.best_depth.load();
    r.stop = PBlock.stop.load();
    return r;
}
