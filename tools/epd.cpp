// EPD analysis: searches each position of a suite, counts the best moves found
// and sums the prediction error; at depth 0 it is the tuner's error function.
#include "tools/epd.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/notation.h"
#include "board/position.h"
#include "engine/input.h"
#include "engine/messages.h"
#include "engine/platform.h"
#include "engine/shell.h"
#include "eval/params.h"
#include "search/output.h"
#include "search/records.h"
#include "search/root.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"

static constexpr int LINE_CHUNK = 255;  // fgets size: lines keep at most 254 characters
static constexpr auto rlx = std::memory_order_relaxed;

struct EpdTotals {
    int positions, correct;
    double time, depth_sum, bf_sum, error_sum;
    uint64_t nodes;
};

double PredictionError(double target, int score) {
    return std::fabs(target - 1.0 / (1.0 + std::pow(10.0, -1.05 * score / 400.0)));
}

static bool Quiet() { return PBlock.info_delay.load(rlx) == 9999.0; }

// Reads the next line, keeping at most 254 characters of it; the rest of an
// over-long line is dropped so it cannot be mistaken for a position.
static bool ReadLine(FILE* f, char* line) {
    if (!std::fgets(line, LINE_CHUNK, f)) return false;
    if (!std::strchr(line, '\n')) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {
        }
    }
    return true;
}

// The first move after "bm" (up to ";" or a blank): 0 when it does not parse
// (it then never matches), END_OF_LIST when the line has no "bm" at all.
static uint16_t ExpectedMove(const char* line) {
    const char* bm = std::strstr(line, "bm ");
    if (!bm) return END_OF_LIST;
    const char* p = bm + 3;
    while (*p == ' ') p++;
    char text[16];
    size_t n = 0;
    while (p[n] && p[n] != ';' && p[n] != ' ' && p[n] != '\r' && n < sizeof text - 2) {
        text[n] = p[n];
        n++;
    }
    // Mate and comment marks are no part of the move ("Ra8#", "Nf6!?").
    while (n > 0 && std::strchr("#!?", text[n - 1])) n--;
    text[n] = 0;  // IsValidMove may append one more character
    uint16_t move = 0;
    if (n == 0 || !IsValidMove(text, &move)) return 0;
    return move;
}

// The "tune" target: the number after "tune " (at most seven characters);
// 0.5 when the field is missing or holds no finite number.
static double TuneTarget(const char* line) {
    const char* t = std::strstr(line, "tune ");
    if (!t) return 0.5;
    char num[8];
    std::snprintf(num, sizeof num, "%s", t + 5);
    char* end;
    double r = std::strtod(num, &end);
    if (end == num || !std::isfinite(r)) return 0.5;
    return r;
}

// One input poll. A batch run goes on when standard input ends (only a typed
// "quit" ends it early); once nothing more can arrive, the poll is just the
// time check that the input reader would have run.
static void PollInput() {
    if (InputExhausted()) {
        PBlock.elapsed.store(GetTime() - start, rlx);
        TimeCheck();
        return;
    }
    bool quit_before = PBlock.quit.load(rlx) != 0;
    UserInput();
    if (!quit_before && InputExhausted()) PBlock.quit.store(0, rlx);
}

// Searches with the pool until every thread is idle again; input is polled
// throughout, without sleeping until the search is past its first iterations.
static void SearchWithThreads() {
    WakeSearchThreads();
    while (SearchThreadsBusy()) {
        PollInput();
        if (PBlock.best_depth.load(rlx) > 1 && PBlock.done_depth.load(rlx) > 0) SleepMs(1);
    }
}

// Depth 0: the root's quiescence value, found on this thread with search
// thread 1's record (that thread stays idle meanwhile).
static void ScoreByQuiescence(int count) {
    SearchIterations(1);
    const ThreadRec* td = ThreadData[1];
    PBlock.best_score.store(td->result_score, rlx);
    PBlock.root_qscore = td->result_score;
    PBlock.root_eval = td->root_eval;
    PBlock.elapsed.store(GetTime() - start, rlx);
    if (count % 16 == 0) PollInput();
}

static double BranchingFactor() {
    int d = PBlock.done_depth.load(rlx);
    const ThreadRec* td = ThreadData[1];
    if (d > 5 && d < MAX_PLY) {
        uint64_t a = td->iter_nodes[d].load(rlx), b = td->iter_nodes[d - 2].load(rlx);
        uint64_t c = td->iter_nodes[d - 4].load(rlx);
        if (a && b && c) return std::pow(double(a) / double(c), 0.25);
    }
    return 2.0;
}

static void ShowPositionResult() {
    ShowFinalSearchInfo();
    char mv[8];
    double elapsed = PBlock.elapsed.load(rlx);
    double nodes = double(sstats[0]);
    ShowMessagef("move= %s, time= %0.3f, score= %d, nodes= %0.0f, %0.0fK nps\n",
                 MoveToStr(PBlock.best_pv[1].load(rlx), mv), elapsed, PBlock.best_score.load(rlx),
                 nodes, nodes / (elapsed + 0.001) * 0.001);
}

// Sets up, searches and scores one position line; false when the line holds
// no usable position (it is then not counted).
static bool AnalyzeLine(char* line, EpdTotals& t) {
    Position* pos = &ThreadData[0]->pos;
    char why[256];
    if (!LoadFen(pos, line, why)) {
        if (!Quiet()) ShowMessagef("skipped: %s (%s)", line, why);
        return false;
    }
    t.positions++;
    int depth = PBlock.max_depth.load(rlx);
    PBlock.expected_move = END_OF_LIST;
    if (depth > 0) PBlock.expected_move = ExpectedMove(line);
    if (depth > 1) ClearTTable();
    if (!Quiet()) {
        ShowMessagef("pos= %d", t.positions);
        ShowMessage(line);
        ShowBoard(pos);
    }
    double target = TuneTarget(line);
    start = GetTime();
    PBlock.elapsed.store(0, rlx);
    InitSearch();
    if (depth > 0)
        SearchWithThreads();
    else
        ScoreByQuiescence(t.positions);
    Collect();
    t.time += PBlock.elapsed.load(rlx);
    t.nodes += sstats[0];
    t.depth_sum += PBlock.best_depth.load(rlx);
    t.bf_sum += BranchingFactor();
    if (PBlock.best_pv[1].load(rlx) == PBlock.expected_move) t.correct++;
    t.error_sum += PredictionError(target, PBlock.best_score.load(rlx));
    if (!Quiet()) ShowPositionResult();
    PBlock.ponder_state.store(0, rlx);
    return true;
}

static void ShowSummary(const EpdTotals& t) {
    int n = t.positions;
    double rate = double(t.nodes) / (t.time + 0.01);
    double avg_depth = n ? t.depth_sum / n : 0;
    double avg_nodes = n ? double(t.nodes / uint64_t(n)) : 0;
    double avg_bf = n ? t.bf_sum / n : 0;
    double avg_error = n ? t.error_sum / n : 0;
    ShowMessagef("%d / %d correct best moves", t.correct, n);
    ShowMessagef("total nodes= %0.0f", double(t.nodes));
    ShowMessagef("total time= %0.2f seconds", t.time);
    ShowMessagef("avg depth= %0.1f", avg_depth);
    ShowMessagef("avg nodes= %0.1f", avg_nodes);
    ShowMessagef("node_rate= %0.0f", rate);
    ShowMessagef("avg bf= %0.2f", avg_bf);
    ShowMessagef("avg error= %0.5f\n", avg_error);
}

// The evaluation and pawn caches hold scores made with the parameters of
// their time; the tuner changes a parameter between runs, so every run
// starts with empty caches.
static void ClearEvalCaches() {
    for (int i = 0; i <= PBlock.nthreads.load(rlx); i++) {
        if (!ThreadData[i]) continue;
        std::memset(ThreadData[i]->ecache, 0, sizeof ThreadData[i]->ecache);
        std::memset(ThreadData[i]->pcache, 0, sizeof ThreadData[i]->pcache);
    }
}

double Analyze_EPD_File() {
    FILE* f = std::fopen(PBlock.epd_name, "r");
    if (!f) return 1.0;
    VELL_ASSERT(ThreadData[0] != NULL && ThreadData[1] != NULL);
    InitEval();
    ClearEvalCaches();
    ShowMessagef("Analyzing %s...", PBlock.epd_name);
    if (PBlock.max_depth.load(rlx) <= 1) PBlock.use_hash.store(0, rlx);
    EpdTotals t{};
    char line[LINE_CHUNK + 1];
    while (ReadLine(f, line)) {
        if (line[0] == ' ' || line[0] == '#' || line[0] == ';' || std::strlen(line) <= 9) continue;
        line[std::strcspn(line, "\r\n")] = 0;
        if (!AnalyzeLine(line, t)) continue;
        if (PBlock.quit.load(rlx)) break;
    }
    ShowSummary(t);
    std::fclose(f);
    return t.positions ? t.error_sum / t.positions : 0;
}
