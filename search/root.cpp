// Iterative deepening, the root move loop with aspiration windows and
// MultiPV, root move ordering between iterations, and the shared best result.
#include "search/root.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/bitboard.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "search/output.h"
#include "search/search.h"
#include "search/tablebase.h"
#include "search/strength.h"
#include "search/transposition.h"
#include "thread/movelist.h"

// The line may be shown: not silenced, and stopped or past info_delay.
static int DisplayAllowed() {
    const double delay = search_limits.info_delay;
    return !OutputSilent(delay) && (Stopped() || PBlock.elapsed.load(R) >= delay);
}

void RootMoveSet::Set(const uint16_t* list, int n) {
    n = std::clamp(n, 0, MAX_ROOT_MOVES);
    for (int i = 0; i < n; i++) moves[i].store(list[i], R);
    count.store(n, R);
}

bool RootMoveSet::Allows(uint16_t move) const {
    const int n = count.load(R);
    if (n == 0) return true;
    for (int i = 0; i < n; i++)
        if (moves[i].load(R) == move) return true;
    return false;
}

// The root moves a search is limited to ("go searchmoves").
static RootMoveSet only_moves;

void LimitRootMoves(const uint16_t* moves, int n) { only_moves.Set(moves, n); }

bool RootMoveAllowed(uint16_t move) { return only_moves.Allows(move); }

void NewBestMove(ThreadRec* td) {
    const int score = td->result_score, depth = td->result_depth;
    pthread_spin_lock(&spinlock1);
    const int best_score = PBlock.best_score.load(R), best_depth = PBlock.best_depth.load(R);
    const bool accept = (score > MATE_SCORE && score >= best_score) ||
                        (depth > best_depth && best_score < MATE_SCORE) ||
                        (depth == best_depth && score > best_score);
    if (!accept) {
        pthread_spin_unlock(&spinlock1);
        return;
    }
    PBlock.best_score.store(int16_t(score), R);
    PBlock.best_depth.store(int8_t(depth), R);
    for (int i = 0; i < MAX_PLY; i++) PBlock.best_pv[i].store(td->pv[i].load(R), R);
    pthread_spin_unlock(&spinlock1);
    if (depth < 2 || search_limits.multipv > 1) return;
    pthread_mutex_lock(&lock);
    if (DisplayAllowed() && depth != 0 && td->pv[1].load(R))
        DisplaySearchInfo(td->index, 0, depth, score, td->pv);
    pthread_mutex_unlock(&lock);
}

// An aspiration failure shows the move alone, so a user sees what the
// search is struggling with; its score is only a bound.
static void ShowMoveAlone(int thread, int depth, int score, uint16_t move, int bound) {
    uint16_t line[3] = {0, move, 0};
    pthread_mutex_lock(&lock);
    // The display takes off the move's bias, which this bound does not hold.
    if (DisplayAllowed()) DisplaySearchInfo(thread, 0, depth, Biased(score, RootBias(move)), line, bound);
    pthread_mutex_unlock(&lock);
}

static void ShowIterationLine(ThreadRec* td, int depth, int multipv_line) {
    pthread_mutex_lock(&lock);
    if (DisplayAllowed() && td->pv[1].load(R))
        DisplaySearchInfo(td->index, 1, depth, td->result_score, td->pv, 0, multipv_line);
    pthread_mutex_unlock(&lock);
}

// A GUI shows "multipv 1" as the best line, but line k of an iteration only
// leaves out the first k moves of the current order, so a later line can score
// higher. Under UCI thread 1 keeps the lines of an iteration and prints them
// best first when the iteration ends; only thread 1 touches these.
struct KeptLine {
    int16_t score;
    uint16_t pv[MAX_PLY];
};
static KeptLine kept[MAX_ROOT_MOVES];
static int nkept;

static void KeepIterationLine(const ThreadRec* td) {
    if (!td->pv[1].load(R) || nkept >= MAX_ROOT_MOVES) return;
    KeptLine& k = kept[nkept++];
    k.score = td->result_score;
    for (int i = 0; i < MAX_PLY; i++) k.pv[i] = td->pv[i].load(R);
}

static void ShowKeptLines(int thread, int depth) {
    std::stable_sort(kept, kept + nkept,
                     [](const KeptLine& a, const KeptLine& b) { return a.score > b.score; });
    pthread_mutex_lock(&lock);
    if (DisplayAllowed())
        for (int i = 0; i < nkept; i++)
            DisplaySearchInfo(thread, 1, depth, kept[i].score, kept[i].pv, 0, i + 1);
    pthread_mutex_unlock(&lock);
    nkept = 0;
}

// Once a search has run a while, a user wants to see it is still moving.
static void ShowCurrentMove(const ThreadRec* td, int depth, uint16_t move, int number) {
    if (td->index != 1 || !UciMode() || PBlock.elapsed.load(R) < 3.0) return;
    pthread_mutex_lock(&lock);
    if (DisplayAllowed()) DisplayCurrentMove(depth, move, number);
    pthread_mutex_unlock(&lock);
}

static void SetLine(ThreadRec* td, uint16_t move, const uint16_t* child) {
    td->pv[1].store(move, R);
    for (int i = 2; i < MAX_PLY; i++) {
        td->pv[i].store(child[i], R);
        if (!child[i]) break;
    }
}

// State of one root iteration shared by its steps.
struct RootIteration {
    ThreadRec* td;
    Position* pos;
    int side, depth, k, in_check, single;
    int s;  // result of the previous iteration
    int best, c, changes_now;
    uint16_t best_move;
    int score[MAX_ROOT_MOVES];
};

// The first move searched: aspiration window around the last score, widened
// on failure until the value fits. The value returned is without the bias,
// but the last score holds it.
static int SearchFirstMove(RootIteration& it, uint16_t move, int cd, uint16_t* cpv, int bias) {
    Position* pos = it.pos;
    const int opp = it.side ^ 1;
    const int s = Biased(it.s, -bias);
    const int w = std::abs(s) / 16 + 50;
    int lo = s - w, hi = s + w, delta = w;
    if (lo < -WINDOW_EDGE) lo = WINDOW_BOTTOM;
    if (hi > WINDOW_EDGE) hi = WINDOW_TOP;
    int v = -Search(pos, opp, 2, cd, -hi, -lo, NODE_PV, cpv);
    while ((v <= lo || v >= hi) && !Stopped()) {
        if (v >= hi) {
            if (hi >= WINDOW_TOP) break;  // nothing left to widen: a mate at the edge of the window
            if (it.single) ShowMoveAlone(it.td->index, it.depth, v, move, BOUND_LOWER);
            delta *= 2;
            hi += delta;
            if (hi > WINDOW_EDGE) hi = WINDOW_TOP;
        } else {
            if (lo <= WINDOW_BOTTOM) break;
            it.td->time_factor.store(20, R);
            if (it.single) ShowMoveAlone(it.td->index, it.depth, v, move, BOUND_UPPER);
            delta *= 2;
            lo -= delta;
            if (lo < -WINDOW_EDGE) lo = WINDOW_BOTTOM;
        }
        v = -Search(pos, opp, 2, cd, -hi, -lo, NODE_PV, cpv);
    }
    return v;
}

// A later move: a null window at best proves it worse; a move that beats
// best is re-searched with a window opening upwards. The move's bias lowers
// the bar it has to pass.
static int SearchLaterMove(RootIteration& it, int i, uint16_t move, int cd, int r, uint16_t* cpv, int bias) {
    Position* pos = it.pos;
    const int opp = it.side ^ 1, best = Biased(it.best, -bias), b = it.best - best;
    int v = -Search(pos, opp, 2, cd - r, -(best + 1), -best, NODE_CUT, cpv);
    if (v >= best + 1 && !Stopped()) {
        int delta = 75, hi = best + 1;
        for (;;) {
            hi += delta;
            if (hi > WINDOW_EDGE) hi = WINDOW_TOP;
            it.td->time_factor.store(10, R);
            v = -Search(pos, opp, 2, cd, -hi, -best, NODE_PV, cpv);
            if (v < hi || Stopped() || hi >= WINDOW_TOP) break;
            if (it.single) ShowMoveAlone(it.td->index, it.depth, v, move, BOUND_LOWER);
            delta *= 2;
        }
        it.c = 0;
    }
    return v > best ? Biased(v, b) : -13000 - i;
}

// Quiet, harmless late root moves after the first few are searched one ply
// shallower.
static int RootReduction(RootIteration& it, const MoveEntry* e) {
    if (it.depth < 6 || !it.best_move || it.best < it.s - 25) return 0;
    Position* pos = it.pos;
    const int to = MoveTo(e->move);
    if (e->captured || IsEnPassant(pos, e)) return 0;
    if (PieceType(e->piece) == PAWN && RelSq(to, it.side) > 39) return 0;
    if (MoveGivesCheck(pos, it.side, e) || MoveIsThreat(pos, e)) return 0;
    return ++it.c > 7 ? 1 : 0;
}

static void UpdateRootHistory(RootIteration& it, const MoveEntry* e, int value) {
    if (e->captured || it.in_check) return;
    uint16_t& h = it.td->history[MoveTo(e->move)][e->piece];
    if (it.best >= value)
        h = uint16_t(h - (h + 128) / 256);
    else
        h = uint16_t(h + (4096 - h) / 128);
}

static void SetTimeFactor(RootIteration& it) {
    const int a = std::abs(it.s) / 16 + 20;
    const int drop1 = it.s - a, drop2 = it.s - 2 * a;
    int f;
    if (it.best < drop2)
        f = 15;
    else if (it.best >= drop1)
        f = (it.changes_now >= 2 || it.td->changes.load(R) >= 2) ? 2 : 0;
    else
        f = 6;
    it.td->time_factor.store(int8_t(f), R);
}

static int RootMoveCount(const MoveEntry* list) {
    int n = 0;
    while (list[n].move != END_OF_LIST) n++;
    return n;
}

// Ordering for the next iteration: by this iteration's values, with a little
// noise in threads 2 and up so that the helpers explore different trees.
static void OrderRootMoves(RootIteration& it, MoveEntry* list, int n) {
    ThreadRec* td = it.td;
    if (td->index >= 2)
        for (int i = it.k; i < n; i++) {
            td->noise_seed = td->noise_seed * 63 + 987654321u;
            it.score[i] += int(td->noise_seed & 15);
        }
    bool taken[MAX_ROOT_MOVES] = {};
    for (int rank = 0; rank < n - it.k; rank++) {
        int pick = -1;
        for (int i = it.k; i < n; i++)
            if (!taken[i] && (pick < 0 || it.score[i] > it.score[pick])) pick = i;
        taken[pick] = true;
        list[pick].score = uint8_t(255 - rank);
    }
}

static void SelectRootMove(MoveEntry* list, int i, int n) {
    int best = i;
    for (int j = i + 1; j < n; j++)
        if (list[j].score > list[best].score) best = j;
    if (best != i) std::swap(list[i], list[best]);
}

// One iteration at depth d over the root moves from index k on.
static void SearchRoot(ThreadRec* td, int d, int k) {
    Position* pos = &td->pos;
    StackRec* root = &pos->ss[1];
    RootIteration it{};
    it.td = td;
    it.pos = pos;
    it.side = pos->side;
    it.depth = d;
    it.k = k;
    // With several lines a bound of the first would stand in for the best line.
    it.single = k == 0 && d >= 4 && PBlock.nthreads.load(R) == 1 && search_limits.multipv == 1;
    it.s = td->result_score;
    it.best = -MATE;
    root->node_type = NODE_PV;
    root->alpha = -MATE;
    root->beta = MATE;
    root->depth = int16_t(d);
    td->time_factor.store(td->changes.load(R) < 2 ? 0 : 2, R);
    it.in_check = SqAtakd(pos, KingSq(*pos, it.side), it.side ^ 1);

    MoveEntry* list = root->list;
    const int n = std::min(RootMoveCount(list), MAX_ROOT_MOVES);
    uint16_t cpv[MAX_PLY];
    for (int i = 0; i < n; i++) {
        SelectRootMove(list, i, n);
        it.score[i] = -15000 - i;
        if (i < k) continue;
        MoveEntry* e = &list[i];
        const uint16_t m = e->move;
        const int ext = it.in_check ? 0 : Extension(pos, it.side, e);
        const int r = RootReduction(it, e);
        ShowCurrentMove(td, d, m, i + 1);
        MakeMove(pos, m);
        const int cd = d + ext - 1;
        cpv[2] = 0;
        const int bias = RootBias(m);
        int value;
        if (d == 1)
            value = Biased(-Search(pos, it.side ^ 1, 2, ext, -MATE, MATE, NODE_PV, cpv), bias);
        else if (!it.best_move)
            value = Biased(SearchFirstMove(it, m, cd, cpv, bias), bias);
        else
            value = SearchLaterMove(it, i, m, cd, r, cpv, bias);
        UnmakeMove(pos);
        if (Stopped()) return;
        it.score[i] = value;
        UpdateRootHistory(it, e, value);
        if (value > it.best) {
            it.best = value;
            it.best_move = m;
            td->result_score = int16_t(value);
            SetLine(td, m, cpv);
            td->result_depth = int16_t(d);
            NewBestMove(td);
            it.changes_now++;
            it.c = 0;
        }
        SetTimeFactor(it);
    }
    td->changes.store(int8_t(it.changes_now), R);
    td->time_factor.store(0, R);
    if (k == 0 && !it.best_move) {
        // No legal move: mate or stalemate, and nothing to play.
        td->pv[1].store(0, R);
        td->result_score = int16_t(it.in_check ? -MATE_BOUND : 0);
        td->result_depth = int16_t(d);
        NewBestMove(td);
        SetStop(StopReason::NoMoves);
        return;
    }
    if (Stopped()) return;
    OrderRootMoves(it, list, n);
}

static void ClearThreadTables(ThreadRec* td) {
    for (auto& m : td->pv) m.store(0, R);
    for (auto& n : td->iter_nodes) n.store(0, R);
    for (StackRec& s : td->stack) s.hash_move = s.killer[0] = s.killer[1] = s.check_killer = 0;
    for (auto& row : td->history)
        for (uint16_t& h : row) h = 1024;
    std::memset(td->counter, 0, sizeof td->counter);
}

// Legal root moves, captures first by victim and attacker.
static int BuildRootList(Position* pos) {
    MoveEntry* list = pos->ss[1].list;
    GenerateAll(pos);
    int n = 0;
    for (MoveEntry* e = list; e->move != END_OF_LIST; e++) {
        if (!MoveIsLegal(pos, pos->side, e->move) || !RootMoveAllowed(e->move) ||
            !TablebaseRootKeeps(e->move))
            continue;
        e->score = e->captured ? uint8_t(PieceType(e->captured) * 16 - PieceType(e->piece)) : 0;
        list[n++] = *e;
    }
    list[n].move = END_OF_LIST;
    return n;
}

// A thread that would only repeat a depth that half of the other threads are
// already searching goes one deeper instead: the table then holds the deeper
// results sooner, and the threads together reach each depth sooner.
static bool DepthTaken(int t, int d) {
    const int n = PBlock.nthreads.load(R);
    int others = 0, there = 0;
    for (int i = 1; i <= n; i++)
        if (i != t && ThreadData[i]) {
            others++;
            there += ThreadData[i]->iter_depth.load(R) >= d;
        }
    return others > 0 && 2 * there >= others;
}

void SearchIterations(int t) {
    ThreadRec* td = ThreadData[t];
    Position* pos = &td->pos;
    const int side = pos->side;
    // 1. A fresh start for this thread's tables.
    pos->ply = 1;
    td->stack[1].node_type = NODE_PV;
    td->iter_depth.store(0, R);
    ClearThreadTables(td);
    // 2. Static and quiescence value of the root.
    const int in_check = SqAtakd(pos, KingSq(*pos, side), side ^ 1);
    const int e = Evaluate(td, side, 1, in_check);
    td->result_score = td->root_eval = int16_t(e);
    td->stack[0].eval = int16_t(-e);
    td->stack[1].eval = int16_t(e);
    if (!in_check) {
        uint16_t line[MAX_PLY] = {};
        td->result_score = int16_t(Q_Search(pos, side, 1, 0, -MATE, MATE, NODE_PV, line));
        for (int i = 1; i < MAX_PLY; i++) td->pv[i].store(line[i], R);
    }
    if (search_limits.depth < 1) return;
    // 3. Root moves; helpers beyond the second wait until the others are deep enough.
    const int nroot = BuildRootList(pos);
    if (t > 2)
        while (PBlock.done_depth.load(R) <= 5 && !Stopped()) SleepMs(1);
    // 4. The iterations.
    const int max_depth = search_limits.depth;
    for (int d = 1; d <= max_depth; d++) {
        // The first thread too, unless it shows every depth's lines (MultiPV).
        if (d > 4 && d < max_depth && (t >= 2 || search_limits.multipv == 1) && DepthTaken(t, d)) continue;
        td->iter_depth.store(int8_t(d), R);
        td->iter_nodes[d].store(0, R);
        const int multipv = search_limits.multipv;
        if (multipv > 1) {
            const int lines = std::min(multipv, std::max(nroot, 1));
            // Under UCI only thread 1 shows lines, best first and without the
            // console's empty line after them, which strict GUIs refuse.
            const bool uci = UciMode();
            for (int k = 0; k < lines; k++) {
                SearchRoot(td, d, k);
                if (Stopped()) break;
                if (!uci)
                    ShowIterationLine(td, d, k + 1);
                else if (t == 1)
                    KeepIterationLine(td);
            }
            if (uci) {
                if (t == 1) ShowKeptLines(t, d);
            } else {
                pthread_mutex_lock(&lock);
                if (DisplayAllowed()) {
                    std::fputs("\n", stdout);
                    std::fflush(stdout);
                    if (PBlock.log_on.load(R)) LogMessage("");
                }
                pthread_mutex_unlock(&lock);
            }
        } else {
            SearchRoot(td, d, 0);
            if (d == 1 && t == 1 && !Stopped()) ShowIterationLine(td, d, 1);
        }
        if (Stopped()) break;
        td->iter_nodes[d].store(td->nodes.load(R), R);
        int8_t done = PBlock.done_depth.load(R);
        if (done < d) PBlock.done_depth.store(int8_t(d), R);
        const int score = td->result_score;
        if (score >= MATE_BOUND - d || score < d - MATE_BOUND) break;
    }
    // 5. The first thread to finish ends the search for all.
    RequestStop(StopReason::Report);
}
