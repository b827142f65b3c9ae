// Evaluation speed: uncached evaluations per second over fixed middlegame and
// endgame positions, and the start-up cost of the bitbase and tables.
#include <cstdio>
#include <ctime>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "thread/records.h"

static const char* const positions[] = {
    // middlegames
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - -",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - -",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq -",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - -",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - -",
    "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - -",
    "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - -",
    "2r1nrk1/p2q1ppp/bp1p4/n1pPp3/P1P1P3/2PBB1N1/4QPPP/R4RK1 w - -",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - -",
    "r1bqr1k1/pp3ppp/1bp5/3n4/3B4/2N2P1P/PPP1B1P1/R2Q1RK1 b - -",
    "r5k1/pppb3p/2np1n2/8/3PqNpP/3Q2P1/PPP5/R4RK1 w - -",
    "2rqrn1k/pb4pp/1p2pp2/n2P4/2P3N1/P2B2Q1/1B3PPP/2R1R1K1 w - -",
    "r1b2rk1/1p1n1ppp/p1p2q2/4p3/P1B1Pn2/1QN2N2/1P3PPP/3R1RK1 b - -",
    // endgames
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - -",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - -",
    "8/k1b5/P4p2/1Pp2p1p/K1P2P1P/8/3B4/8 w - -",
    "8/5pk1/6p1/7p/P6P/6P1/5PK1/8 b - -",
    "8/8/3k4/3p4/3P4/3K4/8/8 w - -",
    "6k1/5ppp/8/8/8/8/1R3PPP/6K1 w - -",
    "8/2p5/3k4/8/1P6/3K4/8/8 b - -",
    "8/6k1/8/3r4/8/3R4/5K2/8 w - -",
};
constexpr int NPOS = int(sizeof positions / sizeof positions[0]);

int main() {
    double t0 = GetTime();
    InitBitboards();
    InitKPK();
    double t1 = GetTime();
    SetPersonalityDefaults();
    InitEval();
    double t2 = GetTime();
    InitKeys();
    SetPBlockDefaults();
    std::printf("InitKPK: %.1f ms, SetPersonalityDefaults+InitEval: %.3f ms\n", (t1 - t0) * 1e3,
                (t2 - t1) * 1e3);

    // Thread index 0 at ply 1: neither cache is probed and no report is
    // written, so every call is a full evaluation.
    ThreadRec* td = NewThreadRec(0);
    ThreadData[0] = td;
    Position boards[NPOS];
    for (int i = 0; i < NPOS; i++) {
        SetPosition(&td->pos, positions[i]);
        boards[i] = td->pos;
    }
    const long rounds = 100000;
    long sum = 0;
    double wall0 = GetTime();
    std::clock_t cpu0 = std::clock();
    for (long n = 0; n < rounds; n++)
        for (int i = 0; i < NPOS; i++) {
            td->pos = boards[i];
            sum += Evaluate(td, td->pos.side, 1, 0);
        }
    double secs = GetTime() - wall0;
    double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    double evals = double(rounds) * NPOS;
    // CPU time too: on a busy machine the wall-clock rate understates the evaluation.
    std::printf(
        "positions %d, evaluations %.0f, seconds %.3f (cpu %.3f), evals/s %.0f (per cpu second %.0f)"
        " checksum %ld\n",
        NPOS, evals, secs, cpu, evals / secs, evals / cpu, sum);
    return 0;
}
