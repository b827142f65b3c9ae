// Search information lines in the UCI and console formats, the statistics
// sums, and the lines printed when a search ends.
#include "search/output.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/relaxed.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "game/game.h"
#include "search/limits.h"
#include "search/search.h"
#include "search/tablebase.h"
#include "search/strength.h"
#include "search/transposition.h"
#include "search/wdl.h"
#include "thread/gameend.h"
#include "thread/records.h"

static constexpr int MAX_PV_MOVES = MAX_DEPTH;

static void Sum(uint64_t* sum) {
    const int n = PBlock.nthreads.load(R);
    for (int i = 0; i <= n && i <= MAX_THREADS; i++) {
        const ThreadRec* td = ThreadData[i];
        if (!td) continue;
        sum[0] += td->nodes.load(R);
        sum[1] += td->caches.evals.load(R);
        sum[2] += td->caches.eval_hits.load(R);
        sum[3] += td->tt_probes.load(R);
        sum[4] += td->tt_hits.load(R);
        sum[5] += td->caches.pawn_probes.load(R);
        sum[6] += td->caches.pawn_hits.load(R);
    }
}

void Collect() {
    uint64_t sum[7] = {};
    Sum(sum);
    std::memcpy(sstats, sum, sizeof sum);
}

MoveStyle UserMoveStyle(const Position* pos) {
    return {UciMode() ? Notation::Uci : Notation::Console, pos && pos->frc};
}

// Moves pv[1], pv[2] ... up to the first 0, at most max_moves of them.
static void LineText(const uint16_t* pv, int max_moves, char* out, size_t size) {
    const MoveStyle style = UserMoveStyle();
    size_t len = 0;
    out[0] = 0;
    for (int i = 1; i < MAX_PLY && i <= max_moves && pv[i]; i++) {
        char move[16];
        MoveToStr(pv[i], style, move);
        int w = std::snprintf(out + len, size - len, "%s%s", len ? " " : "", move);
        if (w < 0 || size_t(w) >= size - len) break;
        len += size_t(w);
    }
}

// How many moves of pv the game would see: a line stops at the move after which
// the game ends by the rules (a threefold repetition, the fifty-move rule, mate,
// no mating material), and before a move that is not legal. The thread's
// position is the root when it is at ply 1; otherwise the line is taken whole.
static int MovesBeforeGameEnd(int thread, const uint16_t* pv) {
    const ThreadRec* td = thread >= 0 && thread <= MAX_THREADS ? ThreadData[thread] : nullptr;
    if (!td || td->pos.ply != 1) return MAX_PLY;
    // Repetitions and the fifty-move count reach back only to the last capture
    // or pawn move, so that part of the history is enough.
    HistRec hist[256 + MAX_PLY];
    Position pos = td->pos;
    const int keep = std::min<int>(pos.fifty, pos.nhist);
    std::memcpy(hist, pos.hist + pos.nhist - keep, size_t(keep) * sizeof(HistRec));
    pos.hist = hist;
    pos.nhist = uint16_t(keep);
    int n = 0;
    for (int i = 1; i < MAX_PLY && pv[i]; i++) {
        if (!IsLegalMove(&pos, pv[i])) break;
        MakeMove(&pos, pv[i]);
        n++;
        if (GameEnd(&pos).kind != GameEndKind::None) break;
    }
    return n;
}

// Writes the line in one piece so that no other output lands inside it.
static void WriteLine(const char* text) {
    std::fprintf(stdout, "%s\n", text);
    std::fflush(stdout);
    if (PBlock.log_on.load(R) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}

// Mate scores as moves to the mate (negative when mated), others in centipawns.
static void ScoreText(int score, int bound, char* out, size_t size) {
    const char* b = bound == BOUND_LOWER ? " lowerbound" : bound == BOUND_UPPER ? " upperbound" : "";
    if (score > MATE_SCORE)
        std::snprintf(out, size, "mate %d%s", (MATE - score + 1) / 2, b);
    else if (score < -MATE_SCORE)
        std::snprintf(out, size, "mate %d%s", -(MATE + score) / 2, b);
    else
        std::snprintf(out, size, "cp %d%s", score, b);
}

// Deepest ply any thread's principal variation reached, counted from the root.
static int SelectiveDepth(int depth) {
    const int n = PBlock.nthreads.load(R);
    int most = 0;
    for (int i = 1; i <= n && i <= MAX_THREADS; i++)
        if (ThreadData[i]) most = std::max<int>(most, ThreadData[i]->seldepth.load(R) - 1);
    return std::max(most, depth);
}

// The console's score: centipawns, or #N / #-N for a mate in N moves for or
// against the side to move.
void ConsoleScore(int score, char* out, size_t size) {
    if (score > MATE_SCORE)
        std::snprintf(out, size, "#%d", (MATE - score + 1) / 2);
    else if (score < -MATE_SCORE)
        std::snprintf(out, size, "#-%d", (MATE + score) / 2);
    else if (score > TB_WIN_SCORE - MAX_PLY)
        std::snprintf(out, size, "tbwin");  // the tables' win: its number counts no pawns
    else if (score < -TB_WIN_SCORE + MAX_PLY)
        std::snprintf(out, size, "tbloss");
    else
        std::snprintf(out, size, "%d", score);
}

void DisplaySearchInfo(int thread, int flag, int depth, int score, const uint16_t* pv, int bound,
                       int multipv_line) {
    // The sums stay local: search threads print while the main thread may
    // be collecting into sstats.
    uint64_t sum[7] = {};
    Sum(sum);
    score = ShownScore(score, pv[1]);
    const bool uci = UciMode();
    // A root the tables know shows their result unless the search found a mate.
    int tb_score;
    if (TablebaseRootScore(&tb_score) && std::abs(score) <= MATE_SCORE) {
        score = tb_score;
        bound = 0;
    }
    char line_text[MAX_PV_MOVES * 8 + 8];
    LineText(pv, std::min(uci ? MAX_PV_MOVES : 10, MovesBeforeGameEnd(thread, pv)), line_text,
             sizeof line_text);
    const double nodes = double(sum[0]), e = PBlock.elapsed.load(R);
    const double nps = e > 0.001 ? nodes / e : 0;
    const char c = flag ? '.' : ' ';
    char line[sizeof line_text + 200];
    if (!uci) {
        char score_text[16];
        ConsoleScore(score, score_text, sizeof score_text);
        std::snprintf(line, sizeof line, "%02d] %02d%c %5.1f %7.0fK %5s  %s", thread, depth, c, e,
                      nodes * 0.001, score_text, line_text);
        WriteLine(line);
        return;
    }
    char tag[16] = "";
    if (uci_extra) std::snprintf(tag, sizeof tag, " [%02d%c]", thread, c);
    char score_text[40];
    ScoreText(score, bound, score_text, sizeof score_text);
    if (search_limits.show_wdl) {
        // The main thread holds the root position while the others search.
        const Wdl w = WinDrawLoss(score, MaterialLeft(ThreadData[0]->pos));
        const size_t n = std::strlen(score_text);
        std::snprintf(score_text + n, sizeof score_text - n, " wdl %d %d %d", w.win, w.draw, w.loss);
    }
    // Counted only while tables are open, so that lines without them stay as they were.
    char tb_text[40] = "";
    if (tb_cardinality.load(R))
        std::snprintf(tb_text, sizeof tb_text, " tbhits %llu", (unsigned long long)TablebaseHits());
    std::snprintf(
        line, sizeof line,
        "info%s depth %d seldepth %d multipv %d time %.0f score %s nodes %.0f nps %.0f hashfull %d%s pv %s",
        tag, depth, SelectiveDepth(depth), multipv_line, e * 1000, score_text, nodes, nps, HashFullPermille(),
        tb_text, line_text);
    WriteLine(line);
}

void DisplayCurrentMove(int depth, uint16_t move, int number) {
    char text[16], line[80];
    std::snprintf(line, sizeof line, "info depth %d currmove %s currmovenumber %d", depth,
                  MoveToStr(move, UserMoveStyle(), text), number);
    WriteLine(line);
}

void DisplaySearchInfo(int thread, int flag, int depth, int score, const std::atomic<uint16_t>* pv, int bound,
                       int multipv_line) {
    uint16_t copy[MAX_PLY];
    for (int i = 0; i < MAX_PLY; i++) copy[i] = pv[i].load(R);
    DisplaySearchInfo(thread, flag, depth, score, copy, bound, multipv_line);
}

void ShowFinalSearchInfo() {
    const double delay = search_limits.info_delay;
    if (OutputSilent(delay)) return;
    if (!Stopped() && PBlock.elapsed.load(R) < delay) return;
    if (PBlock.best_depth.load(R) == 0 || PBlock.best_pv[1].load(R) == 0) return;
    // With several lines the best may come from any of them, and a GUI would
    // show it in place of the first.
    if (search_limits.multipv > 1 && UciMode()) return;
    pthread_mutex_lock(&lock);
    DisplaySearchInfo(0, 2, PBlock.best_depth.load(R), PBlock.best_score.load(R), PBlock.best_pv);
    pthread_mutex_unlock(&lock);
}

// Effective branching factor over the last four iterations of thread 1.
static double BranchingFactor() {
    const int d = PBlock.done_depth.load(R);
    const ThreadRec* td = ThreadData[1];
    if (d <= 5 || d >= MAX_PLY || !td) return 2.0;
    const double now = double(td->iter_nodes[d].load(R)), before = double(td->iter_nodes[d - 4].load(R));
    if (now == 0 || td->iter_nodes[d - 2].load(R) == 0 || before == 0) return 2.0;
    return std::pow(now / before, 0.25);
}

int BestShownScore() {
    // As the lines show it: a root the tables know shows their result unless the search found a mate.
    int score = ShownScore(PBlock.best_score.load(R), PBlock.best_pv[1].load(R)), tb_score;
    if (TablebaseRootScore(&tb_score) && std::abs(score) <= MATE_SCORE) score = tb_score;
    return score;
}

void ShowSearchSummary() {
    Collect();
    PBlock.hash_fill = int16_t(HashFill());
    const double e = PBlock.elapsed.load(R), nodes = double(sstats[0]);
    char move[16];
    MoveToStr(PBlock.best_pv[1].load(R), UserMoveStyle(), move);
    char score[16];
    ConsoleScore(BestShownScore(), score, sizeof score);
    ShowMessagef("move= %s, time= %0.3f, score= %s, nodes= %0.0f, nps= %0.0fK ebf= %0.2f", move, e, score,
                 nodes, nodes / (e + 0.001) * 0.001, BranchingFactor());
    ShowMessagef("Hash fill= %d%%, Hash hits: main= %0.1f%%, pawn= %0.1f%%, eval= %0.1f%%", PBlock.hash_fill,
                 double(sstats[4]) * 100 / double(sstats[3] + 1),
                 double(sstats[6]) * 100 / double(sstats[5] + 1),
                 double(sstats[2]) * 100 / double(sstats[1] + 1));
}
