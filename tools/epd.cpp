// EPD analysis: searches each position of a suite, counts the best moves found
// and sums the prediction error; at depth 0 it is the tuner's error function.
#include "tools/epd.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <sys/stat.h>

#include "base/messages.h"
#include "base/platform.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "eval/params.h"
#include "game/game.h"
#include "search/output.h"
#include "search/batch.h"
#include "search/limits.h"
#include "search/transposition.h"
#include "thread/records.h"

static constexpr int LINE_CHUNK = 255;  // fgets size: lines keep at most 254 characters
static constexpr auto rlx = std::memory_order_relaxed;

struct EpdTotals {
    const Limits* limits;  // of every position's search
    int positions, correct;
    double time, depth_sum, bf_sum, error_sum;
    uint64_t nodes;
};

double PredictionError(double target, int score) {
    return std::fabs(target - 1.0 / (1.0 + std::pow(10.0, -1.05 * score / 400.0)));
}

static bool Quiet(const EpdTotals& t) { return OutputSilent(t.limits->info_delay); }

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
    std::strncpy(num, t + 5, 7);
    num[7] = 0;
    char* end;
    double r = std::strtod(num, &end);
    if (end == num || !std::isfinite(r)) return 0.5;
    return r;
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
                 MoveToStr(PBlock.best_pv[1].load(rlx), UserMoveStyle(), mv), elapsed,
                 PBlock.best_score.load(rlx), nodes, nodes / (elapsed + 0.001) * 0.001);
}

// Searches and scores the position now set on the main thread's board; line
// is its text (shown unless quiet; its "bm" is read at depths above 0).
static void ScorePosition(const char* line, double target, EpdTotals& t) {
    t.positions++;
    const int depth = t.limits->depth;
    PBlock.expected_move = END_OF_LIST;
    if (depth > 0) PBlock.expected_move = ExpectedMove(line);
    if (depth > 1) ClearTTable();
    if (!Quiet(t)) {
        ShowMessagef("pos= %d", t.positions);
        ShowMessage(line);
        ShowBoard(&ThreadData[0]->pos);
    }
    RunBatchSearch(*t.limits);
    if (depth <= 0 && t.positions % 16 == 0) BatchPoll();
    t.time += PBlock.elapsed.load(rlx);
    t.nodes += sstats[0];
    t.depth_sum += PBlock.best_depth.load(rlx);
    t.bf_sum += BranchingFactor();
    // A position without a legal move has no best move to match, not even a
    // "bm" that failed to parse.
    const uint16_t best = PBlock.best_pv[1].load(rlx);
    if (best != 0 && best == PBlock.expected_move) t.correct++;
    t.error_sum += PredictionError(target, PBlock.best_score.load(rlx));
    if (!Quiet(t)) ShowPositionResult();
}

// The positions of the last file read by a quiet depth-0 run, so that the
// tuner's many passes over one unchanged file skip reading and checking it.
// Valid only for the same file, unchanged, with the same position keys.
struct CachedPosition {
    Position pos;
    double target;
};
static struct {
    std::vector<CachedPosition> items;
    bool valid;
    struct stat file;
} cache;
static constexpr size_t CACHE_MAX = 200000;  // about 80 MB

static bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

static bool CacheFits(const struct stat& file) {
    if (!cache.valid || !SameFile(cache.file, file)) return false;
    // New keys (a changed hash size redraws them) leave the stored keys stale.
    return cache.items.empty() || ComputeHash(&cache.items[0].pos) == cache.items[0].pos.hash;
}

static void RunFromCache(EpdTotals& t) {
    ThreadRec* td = ThreadData[0];
    for (const CachedPosition& c : cache.items) {
        td->pos = c.pos;
        std::memset(td->hist, 0, 2 * sizeof(HistRec));  // as setting a position leaves them
        ScorePosition("", c.target, t);
        if (PBlock.quit.load(rlx)) break;
    }
}

static bool KeepPosition(double target) {
    if (cache.items.size() >= CACHE_MAX) return false;
    try {
        cache.items.push_back({ThreadData[0]->pos, target});
    } catch (const std::bad_alloc&) {
        return false;  // the run goes on uncached
    }
    return true;
}

// Reads the file line by line; with file (its state when opened) given, the
// positions are kept in the cache on the way.
static void RunFromFile(FILE* f, const struct stat* file, EpdTotals& t) {
    bool keep = file != nullptr;
    cache.valid = false;
    cache.items.clear();
    char line[LINE_CHUNK + 1], why[256];
    while (ReadLine(f, line)) {
        if (line[0] == ' ' || line[0] == '#' || line[0] == ';' || std::strlen(line) <= 9) continue;
        line[std::strcspn(line, "\r\n")] = 0;
        if (!LoadFen(&ThreadData[0]->pos, line, Chess960(), why)) {
            if (!Quiet(t)) ShowMessagef("skipped: %s (%s)", line, why);
            continue;
        }
        double target = TuneTarget(line);
        keep = keep && KeepPosition(target);
        ScorePosition(line, target, t);
        if (PBlock.quit.load(rlx)) {
            keep = false;
            break;
        }
    }
    cache.valid = keep;
    if (keep)
        cache.file = *file;
    else
        std::vector<CachedPosition>().swap(cache.items);
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

// The derived tables and the evaluation and pawn caches hold what the
// parameters of their time gave; the tuner changes a parameter between runs,
// so every run starts afresh.
void RefreshEvaluation() {
    InitEval();
    for (int i = 0; i <= PBlock.nthreads.load(rlx); i++) {
        if (!ThreadData[i]) continue;
        std::memset(ThreadData[i]->caches.ecache, 0, sizeof ThreadData[i]->caches.ecache);
        std::memset(ThreadData[i]->caches.pcache, 0, sizeof ThreadData[i]->caches.pcache);
    }
}

// A farm sets dozens of weights in a row: the tables and caches are brought
// up to date once, before whatever evaluates next.
bool evaluation_changed;

void MarkEvaluationChanged() { evaluation_changed = true; }

void RefreshChangedEvaluation() {
    if (!evaluation_changed) return;
    evaluation_changed = false;
    RefreshEvaluation();
}

bool EpdFileThere(const char* name, const char* why) {
    FILE* f = OpenRegularFile(name, "r");
    if (!f) {
        ShowMessagef("can't open %s%s", name, why);
        return false;
    }
    std::fclose(f);
    return true;
}

double Analyze_EPD_File(const char* name, const Limits& limits) {
    FILE* f = OpenRegularFile(name, "r");
    if (!f) return 1.0;
    VELL_ASSERT(ThreadData[0] != NULL && ThreadData[1] != NULL);
    RefreshEvaluation();
    ShowMessagef("Analyzing %s...", name);
    // Shallow searches of unrelated positions gain nothing from the table.
    Limits run = limits;
    if (run.depth <= 1) run.use_hash = false;
    EpdTotals t{};
    t.limits = &run;
    struct stat file;
    bool tuning = run.depth <= 0 && Quiet(t) && fstat(fileno(f), &file) == 0;
    if (tuning && CacheFits(file))
        RunFromCache(t);
    else
        RunFromFile(f, tuning ? &file : nullptr, t);
    ShowSummary(t);
    std::fclose(f);
    return t.positions ? t.error_sum / t.positions : 0;
}
