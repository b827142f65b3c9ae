// Cost of a large table: setting its size, waiting for it to be ready, and a
// fixed-depth search right after the size change, right after clearing
// (a new game), and on an empty table whose pages were all written before.
// Usage: hash_bench [megabytes] [depth]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/platform.h"
#include "bench/engine_setup.h"
#include "board/fen.h"
#include "search/batch.h"
#include "search/timecontrol.h"

static double CpuTime() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

static void Report(const char* what, double t0, double c0) {
    std::printf("%-34s %7.3f s (cpu %.3f s)\n", what, GetTime() - t0, CpuTime() - c0);
}

static Limits limits;

static void Search(const char* what) {
    SetPosition(&ThreadData[0]->pos, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    const double t0 = GetTime(), c0 = CpuTime();
    InitSearch(limits);
    WakeSearchThreads();
    WaitSearchThreads();
    Report(what, t0, c0);
}

int main(int argc, char** argv) {
    const int mb = argc > 1 ? std::atoi(argv[1]) : 1024;
    const int depth = argc > 2 ? std::atoi(argv[2]) : 13;
    if (!StartSearchEngine()) return 1;
    limits = BatchLimits(depth);
    limits.info_delay = SILENT_OUTPUT;
    std::printf("table %d MB, start position to depth %d\n", mb, depth);

    double t0 = GetTime(), c0 = CpuTime();
    if (InitTTable(mb) != 0) return 1;
    Report("set the size", t0, c0);
    t0 = GetTime(), c0 = CpuTime();
    WaitTTableMapped();
    Report("ready (as isready waits)", t0, c0);
    Search("first search on the new table");

    t0 = GetTime(), c0 = CpuTime();
    ClearTTable();
    Report("clear (a new game)", t0, c0);
    t0 = GetTime(), c0 = CpuTime();
    WaitTTableMapped();
    Report("ready (as isready waits)", t0, c0);
    Search("first search after clearing");

    // The reference: an empty table whose every page the process has written.
    std::memset(static_cast<void*>(hashtable), 0, (entries + 16) * sizeof(TTSlot));
    ClearTTable();
    WaitTTableMapped();
    std::memset(static_cast<void*>(hashtable), 0, (entries + 16) * sizeof(TTSlot));
    Search("same search, every page written");
    KillThreadPool(1);
    FreeTTable();
    return 0;
}
