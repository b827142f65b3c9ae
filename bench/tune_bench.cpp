// The tuner's inner loop: depth-0 EPD analysis (load, quiescence, error) over
// labelled positions, timed in positions per second.
//   tune_bench [file.epd] [passes]
// The default file holds about 2000 positions that the PGN scanner wrote
// from engine games; the path is tried from the source root and from build/.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <unistd.h>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/batch.h"
#include "search/selectivity.h"
#include "search/transposition.h"
#include "thread/records.h"
#include "tools/epd.h"

static const char* const default_files[] = {"tests/data/tools/tune_positions.epd",
                                            "../tests/data/tools/tune_positions.epd"};

static int CountPositions(const char* name) {
    FILE* f = std::fopen(name, "r");
    if (!f) return -1;
    int n = 0;
    char line[512];
    while (std::fgets(line, sizeof line, f))
        if (line[0] != ' ' && line[0] != '#' && line[0] != ';' && std::strlen(line) > 9) n++;
    std::fclose(f);
    return n;
}

// Processor time of this process: on a machine shared with other jobs it
// tells more than the wall clock.
static double CpuTime() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

static void SetUpEngine() {
    pthread_mutex_init(&lock, nullptr);
    pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
    InitBitboards();
    InitKPK();
    SetPBlockDefaults();
    PBlock.log_on.store(0);
    SetPersonalityDefaults();
    SetSelectivityDefaults();
    InitKeys();
    if (InitTTable(1) != 0) std::exit(1);
    ThreadData[0] = NewThreadRec(0);
    ThreadData[1] = NewThreadRec(1);  // depth 0 runs on this thread with thread 1's record
    if (!ThreadData[0] || !ThreadData[1]) std::exit(1);
}

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : nullptr;
    int passes = argc > 2 ? std::atoi(argv[2]) : 10;
    if (passes < 1) passes = 1;
    int n = -1;
    if (file) {
        n = CountPositions(file);
    } else {
        for (const char* f : default_files)
            if ((n = CountPositions(f)) >= 0) {
                file = f;
                break;
            }
    }
    if (n < 0) {
        std::printf("cannot read %s\n", file ? file : default_files[0]);
        return 1;
    }
    SetUpEngine();
    Limits limits = BatchLimits(0);
    limits.info_delay = SILENT_OUTPUT;
    // The analysis prints its summary each pass; keep only ours on screen.
    FILE* saved = std::fopen("/dev/null", "w");
    int out = dup(fileno(stdout));
    std::fflush(stdout);
    dup2(fileno(saved), fileno(stdout));
    double err = 0, t0 = GetTime(), c0 = CpuTime();
    for (int i = 0; i < passes; i++) err = Analyze_EPD_File(file, limits);
    double t = GetTime() - t0, c = CpuTime() - c0;
    std::fflush(stdout);
    dup2(out, fileno(stdout));
    std::fclose(saved);
    double total = double(n) * passes;
    std::printf("positions= %.0f (%d x %d), time= %.3f s, cpu= %.3f s, error= %0.5f\n", total, n, passes, t,
                c, err);
    std::printf("positions/s= %.0f (per cpu second %.0f)\n", total / (t > 0 ? t : 1e-9),
                total / (c > 0 ? c : 1e-9));
    return 0;
}
