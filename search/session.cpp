// Runs of the search outside the main loop and the stop requests: the one
// place besides the main loop's session where the state of a run changes.
#include "search/session.h"

#include <cstdio>
#include <cstring>

#include "base/linereader.h"
#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "eval/report.h"
#include "search/output.h"
#include "search/root.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "thread/records.h"

namespace {

}  // namespace

void DropSearchRequest() { PBlock.next_ponder_state.store(PonderState::Idle, R); }

void BeginBatch() { batch_run = true; }

void EndBatch() { batch_run = false; }

void BatchPoll() {
    PBlock.elapsed.store(GetTime() - start, R);
    TimeCheck();
    // Once nothing more can arrive, the poll is just the time check.
    if (InputExhausted()) return;
    ReadWaiting(0);
    char line[MAX_LINE + 2];
    if (!TakeLine(line, sizeof line)) return;
    if (!IsQuit(line)) {
        if (line[0]) Complain("busy with a batch run, only quit is taken");
        return;
    }
    if (UciMode() && PBlock.log_on.load(R)) ShowMessagef("CMD: %s", line);
    PBlock.stop.store(StopReason::Abort, R);
    PBlock.quit.store(1, R);
}

void SearchDepthZero() {
    SearchIterations(1);
    const ThreadRec* td = ThreadData[1];
    PBlock.best_score.store(td->result_score, R);
    PBlock.root_qscore = td->result_score;
    PBlock.root_eval = td->root_eval;
}

void RunBatchSearch() {
    start = GetTime();
    PBlock.elapsed.store(0, R);
    InitSearch();
    if (PBlock.max_depth.load(R) > 0) {
        WakeSearchThreads();
        // Input is polled throughout, without sleeping until the search is
        // past its first iterations.
        while (SearchThreadsBusy()) {
            BatchPoll();
            if (PBlock.best_depth.load(R) > 1 && PBlock.done_depth.load(R) > 0) SleepMs(1);
        }
    } else {
        SearchDepthZero();
        PBlock.elapsed.store(GetTime() - start, R);
    }
    Collect();
}

void SaveRunSettings(RunSettings* s) {
    s->nthreads = PBlock.nthreads.load(R);
    s->max_depth = PBlock.max_depth.load(R);
    s->tc_mode = PBlock.tc_mode.load(R);
    s->use_hash = PBlock.use_hash.load(R);
    s->next_ponder_state = PBlock.next_ponder_state.load(R);
    s->ponder_state = PBlock.ponder_state.load(R);
    s->move_time = PBlock.move_time.load(R);
    s->info_delay = PBlock.info_delay.load(R);
    s->multipv = PBlock.multipv.load(R);
}

void RestoreRunSettings(const RunSettings* s) {
    PBlock.nthreads.store(s->nthreads, R);
    PBlock.max_depth.store(s->max_depth, R);
    PBlock.tc_mode.store(s->tc_mode, R);
    PBlock.use_hash.store(s->use_hash, R);
    PBlock.next_ponder_state.store(s->next_ponder_state, R);
    PBlock.ponder_state.store(s->ponder_state, R);
    PBlock.move_time.store(s->move_time, R);
    PBlock.info_delay.store(s->info_delay, R);
    PBlock.multipv.store(s->multipv, R);
}

void ShowEvalInfo() {
    std::memset(&eval_report, 0, sizeof eval_report);
    eval_report.draw_factor = 1.0;
    PBlock.draw_score[0].store(0, R);
    PBlock.draw_score[1].store(0, R);
    const int8_t depth = PBlock.max_depth.load(R);
    PBlock.max_depth.store(0, R);
    InitSearch();
    SearchDepthZero();
    PBlock.max_depth.store(depth, R);

    static char text[4096];
    FormatEvalInfo(ThreadData[0]->pos, text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    if (PBlock.log_on.load(R) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}
