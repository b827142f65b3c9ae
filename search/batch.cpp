// Runs of the search outside the main loop and the stop requests: the one
// place besides the main loop's session where the state of a run changes.
#include "search/batch.h"

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
#include "search/wdl.h"
#include "thread/records.h"

namespace {

}  // namespace

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

Limits BatchLimits(int depth) {
    Limits l;
    l.depth = depth;
    l.tc_mode = TcMode::MoveTime;
    l.move_time = UNLIMITED_TIME;
    l.kind = PonderState::Idle;
    l.multipv = PBlock.multipv.load(R);
    l.show_wdl = PBlock.show_wdl.load(R) != 0;
    l.info_delay = PBlock.info_delay.load(R);
    l.use_hash = PBlock.use_hash.load(R) != 0;
    return l;
}

SearchResult SearchOutcome() {
    SearchResult r{};
    r.best = PBlock.best_pv[1].load(R);
    r.ponder = r.best ? PBlock.best_pv[2].load(R) : 0;
    r.score = PBlock.best_score.load(R);
    r.depth = PBlock.best_depth.load(R);
    const int n = PBlock.nthreads.load(R);
    for (int i = 1; i <= n; i++)
        if (ThreadData[i]) r.nodes += ThreadData[i]->nodes.load(R);
    return r;
}

SearchResult RunBatchSearch(const Limits& limits) {
    start = GetTime();
    PBlock.elapsed.store(0, R);
    InitSearch(limits);
    if (search_limits.depth > 0) {
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
    return SearchOutcome();
}

void ShowEvalInfo() {
    std::memset(&eval_report, 0, sizeof eval_report);
    eval_report.draw_factor = 1.0;
    PBlock.draw_score[0].store(0, R);
    PBlock.draw_score[1].store(0, R);
    InitSearch(BatchLimits(0));
    SearchDepthZero();

    static char text[4096];
    const int len = FormatEvalInfo(ThreadData[0]->pos, text, sizeof text);
    const Wdl w = WinDrawLoss(PBlock.root_qscore, MaterialLeft(ThreadData[0]->pos));
    std::snprintf(text + len, sizeof text - size_t(len), "win/draw/loss per mille for the side to move: %d %d %d\n",
                  w.win, w.draw, w.loss);
    std::printf("%s\n", text);
    std::fflush(stdout);
    if (PBlock.log_on.load(R) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}
