// The fixed benchmark behind "vell -bench": its node count is the engine's
// signature, its speed the nodes per second.
#include "search/bench.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "search/batch.h"
#include "search/output.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "thread/records.h"

static constexpr int BENCH_HASH_MB = 16;

// Openings, middlegames with tactics and quiet play, and endgames.
static const char* const bench_fens[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - -",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - -",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq -",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - -",
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - -",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - -",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - -",
    "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - -",
    "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - -",
    "2r1nrk1/p2q1ppp/bp1p4/n1pPp3/P1P1P3/2PBB1N1/4QPPP/R4RK1 w - -",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - -",
    "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - -",
    "rnb2r1k/pp2p2p/2pp2p1/q2P1p2/8/1Pb2NP1/PB2PPBP/R2Q1RK1 w - -",
    "2r3k1/1p2q1pp/2b1pr2/p1pp4/6Q1/1P1PP1R1/P1PN2PP/5RK1 w - -",
    "r1bqkb1r/4npp1/p1p4p/1p1pP1B1/8/1B6/PPPN1PPP/R2Q1RK1 w kq -",
    "r2q1rk1/1ppnbppp/p2p1nb1/3Pp3/2P1P1P1/2N2N1P/PPB1QP2/R1B2RK1 b - -",
    "r1bq1rk1/pp2ppbp/2np2p1/2n5/P3PP2/N1P2N2/1PB3PP/R1B1QRK1 b - -",
    "3rr3/2pq2pk/p2p1pnp/8/2QBPP2/1P6/P5PP/4RRK1 b - -",
    "r4k2/pb2bp1r/1p1qp2p/3pNp2/3P1P2/2N3P1/PPP1Q2P/2KRR3 w - -",
    "3rn2k/ppb2rpp/2ppqp2/5N2/2P1P3/1P5Q/PB3PPP/3RR1K1 w - -",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - -",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq -",
    "r2qnrnk/p2b2b1/1p1p2pp/2pPpp2/1PP1P3/PRNBB3/3QNPPP/5RK1 w - -",
};
static constexpr int NUM_BENCH = int(sizeof bench_fens / sizeof bench_fens[0]);

int BenchSize() { return NUM_BENCH; }

// What the bench changes beyond its own search: the table size and keys it
// needs and the game position it searches from (apart from an emptied hash
// table, the engine carries on as before). Its limits are its own record.
struct BenchBorrowed {
    int16_t hash_mb;
    Position game;
    HistRec hist[HIST_SIZE];
};

static void Borrow(BenchBorrowed* s) {
    s->hash_mb = int16_t(TTableMegabytes());
    s->game = ThreadData[0]->pos;
    std::memcpy(s->hist, ThreadData[0]->hist, sizeof s->hist);
}

static void GiveBack(const BenchBorrowed* s) {
    InitTTable(s->hash_mb);
    ThreadData[0]->pos = s->game;
    std::memcpy(ThreadData[0]->hist, s->hist, sizeof s->hist);
}

// The pool must hold `threads` threads; a larger pool lends its first ones.
static void SizePool(int threads, int running) {
    if (threads > running) {
        KillThreadPool(running);
        StartThreadPool(threads);
    }
    PBlock.nthreads.store(int8_t(threads), R);
}

static void RestorePool(int threads, int running) {
    if (threads > running) KillThreadPool(threads);
    PBlock.nthreads.store(int8_t(running), R);
    if (threads > running) StartThreadPool(running);
}

// One position from an empty table, so that every position counts the same
// nodes whatever ran before it (and whatever chess the game plays).
static uint64_t SearchOne(const char* fen, const Limits& limits, int threads, uint16_t* best,
                          double* seconds) {
    SetPosition(&ThreadData[0]->pos, fen);
    ClearTTable();
    for (int i = 1; i <= threads; i++) {
        std::memset(ThreadData[i]->caches.ecache, 0, sizeof ThreadData[i]->caches.ecache);
        std::memset(ThreadData[i]->caches.pcache, 0, sizeof ThreadData[i]->caches.pcache);
    }
    const double t0 = GetTime();
    InitSearch(limits);
    WakeSearchThreads();
    WaitSearchThreads();
    *seconds += GetTime() - t0;
    uint64_t nodes = 0;
    for (int i = 1; i <= threads; i++) nodes += ThreadData[i]->nodes.load(R);
    *best = PBlock.best_pv[1].load(R);
    return nodes;
}

uint64_t BenchNodes(int depth, int count, int threads, int verbose, double* seconds) {
    if (count <= 0 || count > NUM_BENCH) count = NUM_BENCH;
    threads = std::clamp(threads, 1, MAX_THREADS);
    depth = std::clamp(depth, 1, MAX_DEPTH);
    auto saved = std::make_unique<BenchBorrowed>();
    Borrow(saved.get());
    const int running = PBlock.nthreads.load(R);
    SizePool(threads, running);
    // A fixed table size makes the count independent of earlier hash-size
    // changes (the keys are the ones drawn at start-up).
    InitTTable(BENCH_HASH_MB);
    Limits limits = BatchLimits(depth);
    limits.info_delay = SILENT_OUTPUT;
    limits.multipv = 1;
    limits.use_hash = true;

    uint64_t total = 0;
    double time = 0;
    for (int i = 0; i < count; i++) {
        uint16_t best;
        const uint64_t nodes = SearchOne(bench_fens[i], limits, threads, &best, &time);
        total += nodes;
        if (verbose) {
            char move[16];
            ShowMessagef("bench %2d: nodes %10llu  best %-6s %s", i + 1, (unsigned long long)nodes,
                         MoveToStr(best, UserMoveStyle(), move), bench_fens[i]);
        }
    }
    RestorePool(threads, running);
    GiveBack(saved.get());
    if (seconds) *seconds = time;
    return total;
}

static double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The speed per CPU second beside the wall-clock one: on a busy machine the
// wall clock also counts the time other programs had the processor.
int RunBench(int depth) {
    double seconds = 0;
    const double cpu0 = CpuSeconds();
    const uint64_t nodes = BenchNodes(depth, NUM_BENCH, 1, 1, &seconds);
    const double cpu = CpuSeconds() - cpu0;
    ShowMessagef("bench: %d positions, depth %d, 1 thread, %d MB hash", NUM_BENCH, depth, BENCH_HASH_MB);
    ShowMessagef("time %.3f s, cpu %.3f s", seconds, cpu);
    ShowMessagef("nps %.0f, per cpu second %.0f", seconds > 0 ? double(nodes) / seconds : 0.0,
                 cpu > 0 ? double(nodes) / cpu : 0.0);
    // The signature comes last, where scripts look for it.
    ShowMessagef("nodes %llu", (unsigned long long)nodes);
    return 0;
}
