// Search set-up and the time check: the target time per move from the
// clock, and the stop once the target, widened by root unrest, is used up.
#include "search/timecontrol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/relaxed.h"
#include "board/fen.h"
#include "eval/params.h"
#include "search/root.h"
#include "search/strength.h"
#include "search/tablebase.h"
#include "search/transposition.h"
#include "thread/records.h"

Limits search_limits;

// Times come from outside: NaN reads as 0 and everything is kept finite, so
// the arithmetic below can neither trap nor run forever.
static double Seconds(double x) {
    if (std::isnan(x)) return 0;
    return std::clamp(x, -1e9, 1e9);
}

// Moves the clock must last for.
static int MovesToGo(TcMode mode, int nhist) {
    int n;
    if (mode == TcMode::SuddenDeath) {
        n = nhist < 30 ? 38 - nhist / 2 : 24;
    } else if (UciMode()) {
        n = search_limits.moves_to_go;
    } else {
        const int session = std::max(search_limits.session_moves, 1);
        n = session - (nhist / 2) % session;
    }
    // "movestogo 0" or a negative count is read as one move to go.
    return std::max(n, 1);
}

static double TargetTime(int side, int nhist) {
    Limits& l = search_limits;
    const TcMode mode = l.tc_mode;
    if (mode == TcMode::MoveTime) {
        double t = Seconds(l.move_time);
        l.clock[side] = t;
        return t;
    }
    const int n = MovesToGo(mode, nhist);
    VELL_ASSERT(n > 0);
    l.moves_to_go = std::min(n, 32767);
    const double c = Seconds(l.clock[side]);
    double t = c / (n + 1) + Seconds(l.increment);
    t *= (PBlock.ponder != 0 && n > 2) ? 1.1 : 0.85;
    t = std::min(t, 0.65 * c);
    return std::max(t, 0.002);
}

static void ResetCounters(ThreadRec* td) {
    td->iter_depth.store(0, R);
    td->result_depth = td->result_score = 0;
    td->nodes.store(0, R);
    EvalCaches& e = td->caches;
    for (auto* c : {&e.evals, &e.eval_hits, &td->tt_probes, &td->tt_hits, &e.pawn_probes, &e.pawn_hits})
        c->store(0, R);
    td->time_factor.store(0, R);
    td->changes.store(0, R);
    td->seldepth.store(0, R);
    td->pos.ply = 1;
    td->pv[1].store(0, R);
}

static void ReportStart(const Position* game, double clock, double target) {
    if (OutputSilent(search_limits.info_delay)) return;
    char fen[128];
    MakeEPD(game, fen);
    if (!UciMode()) {
        ShowMessagef("fen %s", fen);
        ShowMessagef("Ply= %d, Clock= %0.2fs  Target time= %0.2fs", game->nhist + game->ncut, clock, target);
        return;
    }
    if (!PBlock.log_on.load(R)) return;
    char line[256];
    std::snprintf(line, sizeof line, "info string fen %s", fen);
    LogMessage(line);
    std::snprintf(line, sizeof line, "info string ply= %d, trg_time= %0.3f sec", game->nhist + game->ncut,
                  target);
    LogMessage(line);
}

void InitSearch(const Limits& limits) {
    ThreadRec* main_td = ThreadData[0];
    const Position* game = &main_td->pos;
    const int side = game->side;
    search_limits = limits;
    search_limits.depth = std::clamp(limits.depth, 0, MAX_DEPTH);
    search_limits.multipv = std::max(limits.multipv, 1);
    LimitRootMoves(limits.search_moves, limits.nsearch_moves);
    LimitStrength(limits.limit_strength);
    // 1. No result yet.
    EnterState(limits.kind);
    PBlock.best_score.store(NO_SCORE, R);
    PBlock.best_depth.store(0, R);
    PBlock.best_pv[1].store(0, R);
    PBlock.done_depth.store(0, R);
    // 2-4. Draw scores, table age, kind of search.
    PBlock.draw_score[side].store(Personality.contempt, R);
    PBlock.draw_score[side ^ 1].store(int16_t(-Personality.contempt), R);
    // A long game's record is cut, but its age and move count go on.
    const int played = game->nhist + game->ncut;
    PBlock.tt_age.store(uint16_t(played), R);
    search_limits.use_hash = limits.use_hash && TTableMegabytes() >= 1;
    // 5. Target time.
    const double target = TargetTime(side, played);
    PBlock.target_time.store(target, R);
    // 6-7. Every search thread gets the game and clean counters.
    const int n = PBlock.nthreads.load(R);
    for (int i = 1; i <= n; i++)
        if (ThreadData[i]) CopyGame(ThreadData[i], game);
    for (int i = 0; i <= n; i++)
        if (ThreadData[i]) ResetCounters(ThreadData[i]);
    // 7b. Endgame tables narrow the root moves before the threads see them.
    PrepareTablebaseRoot(game);
    // 8. Where and how long.
    ReportStart(game, Seconds(search_limits.clock[side]), target);
}

// The largest unrest of the threads; disagreeing threads count as unsettled.
static int TimeFactor() {
    const int n = PBlock.nthreads.load(R);
    const ThreadRec* first = ThreadData[1];
    int f = 0;
    for (int i = 1; i <= n; i++)
        if (ThreadData[i]) f = std::max<int>(f, ThreadData[i]->time_factor.load(R));
    if (f <= 1 && first)
        for (int i = 2; i <= n; i++)
            if (ThreadData[i] && ThreadData[i]->pv[1].load(R) != first->pv[1].load(R)) return 2;
    return f;
}

void TimeCheck() {
    const PonderState ponder_state = PBlock.ponder_state.load(R);
    const int mate = search_limits.mate;
    if (mate > 0 && PBlock.best_score.load(R) >= MATE - 2 * mate) RequestStop(StopReason::Report);
    if (ponder_state == PonderState::Ponder) return;
    const int side = ThreadData[0]->pos.side;
    const double c = Seconds(search_limits.clock[side]);
    const double elapsed = PBlock.elapsed.load(R), overhead = Seconds(PBlock.overhead.load(R));
    const double limit = PBlock.target_time.load(R) + TimeFactor() * 0.01 * (c - elapsed) - overhead;
    const bool clock_low = search_limits.tc_mode == TcMode::Session && c - elapsed < 10 * overhead;
    if (!clock_low && !(elapsed >= limit)) return;
    if (PBlock.best_depth.load(R) <= 0) return;
    RequestStop(ponder_state == PonderState::Search ? StopReason::Report : StopReason::Abort);
}

void NodeLimitCheck() {
    const int n = PBlock.nthreads.load(R);
    uint64_t nodes = 0;
    for (int i = 1; i <= n && i <= MAX_THREADS; i++)
        if (ThreadData[i]) nodes += ThreadData[i]->nodes.load(R);
    if (nodes < search_limits.nodes || PBlock.best_depth.load(R) <= 0) return;
    RequestStop(StopReason::Report);
}
