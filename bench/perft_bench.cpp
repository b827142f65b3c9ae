// Perft speed, single-threaded: start position to depth 6 and Kiwipete to
// depth 5, with their known counts checked ("quick": one depth less each).
// "perft_bench chess960 FILE [DEPTH]" checks every line of a Chess960 perft
// file ("FEN ; D1 n ; D2 n ...") up to DEPTH (default: all depths given).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/chess960.h"
#include "board/makemove.h"
#include "thread/movelist.h"
#include "thread/records.h"

struct BenchCase {
    const char* name;
    const char* fen;
    int depth;
    uint64_t expected;
    uint64_t expected_one_less;
};

static const BenchCase kCases[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 6, 119060324, 4865609},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 5, 193690690, 4085603},
};

// Processor time of this process: on a shared machine it tells more than the clock.
static double CpuTime() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static uint64_t Count(ThreadRec* td, int depth) {
    td->nodes = 0;
    Perft(td, td->pos.side, 1, depth);
    return td->nodes.load();
}

// Every line and depth of the file; prints the lines that disagree.
static int CheckChess960File(ThreadRec* td, const char* path, int max_depth) {
    FILE* f = std::fopen(path, "r");
    if (!f) {
        std::printf("cannot open %s\n", path);
        return 1;
    }
    char line[512];
    int lines = 0, failures = 0;
    uint64_t total = 0;
    double t0 = CpuTime();
    while (std::fgets(line, sizeof line, f)) {
        char* semi = std::strchr(line, ';');
        if (!semi) continue;
        *semi = 0;
        lines++;
        for (char* p = semi + 1; (p = std::strchr(p, 'D'));) {
            int depth = std::atoi(p + 1);
            char* q = p + 1;
            while (*q >= '0' && *q <= '9') q++;
            uint64_t expect = std::strtoull(q, &p, 10);
            if (depth < 1 || depth > max_depth) continue;
            SetPosition(&td->pos, line, true);
            uint64_t n = Count(td, depth);
            total += n;
            if (n != expect) {
                failures++;
                std::printf("WRONG %s depth %d: %" PRIu64 " instead of %" PRIu64 "\n", line, depth, n,
                            expect);
            }
        }
    }
    std::fclose(f);
    double cpu = CpuTime() - t0;
    std::printf("chess960: %d positions, %" PRIu64 " nodes in %.3f s cpu, %d wrong counts\n", lines, total,
                cpu, failures);
    return failures || !lines;
}

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
    InitBitboards();
    InitKeys();
    SetPBlockDefaults();
    ThreadRec* td = ThreadData[0] = NewThreadRec(0);
    if (!td) return 1;
    if (argc > 2 && std::strcmp(argv[1], "chess960") == 0)
        return CheckChess960File(td, argv[2], argc > 3 ? std::atoi(argv[3]) : 99);
    int failures = 0;
    for (const BenchCase& c : kCases) {
        int depth = quick ? c.depth - 1 : c.depth;
        uint64_t expected = quick ? c.expected_one_less : c.expected;
        SetPosition(&td->pos, c.fen);
        td->nodes = 0;
        double t0 = GetTime(), c0 = CpuTime();
        Perft(td, td->pos.side, 1, depth);
        double secs = GetTime() - t0, cpu = CpuTime() - c0;
        uint64_t n = td->nodes.load();
        bool ok = n == expected;
        failures += !ok;
        std::printf("perft %-8s depth %d: %" PRIu64 " nodes in %.3f s, %.1f Mnps (cpu %.3f s, %.1f Mnps)%s\n",
                    c.name, depth, n, secs, n / secs / 1e6, cpu, n / cpu / 1e6, ok ? "" : "  WRONG COUNT");
    }
    return failures ? 1 : 0;
}
