// Entry point: start-up, the command line, the main loop that starts,
// watches and finishes searches, and shutdown.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sys/time.h>
#include <unistd.h>

#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "engine/options.h"
#include "engine/parameters.h"
#include "engine/shell.h"
#include "engine/uci.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/bench.h"
#include "search/output.h"
#include "search/batch.h"
#include "search/selectivity.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "thread/records.h"
#include "tools/annotate.h"
#include "tools/epd.h"
#include "tools/pgnscan.h"
#include "tools/tune.h"

namespace {

// Batch runs asked for on the command line; each runs once, in this order,
// whatever order the options came in.
enum Batch : unsigned { EPD = 1, SCAN = 2, TUNE = 4, BENCH = 8, ANNOTATE = 16 };

struct Options {
    unsigned batch = 0;
    char scan_file[140] = "";
    int scan_mode = 0;
    int bench_depth = 8;  // a few seconds on one thread
    char epd_file[256] = "";
    char params_file[256] = "";  // weights to apply once the threads are up
    bool spsa = false;
    char annotate_file[256] = "";
    int depth = 0;           // -d, 0 when not given
    double move_time = 0;    // -t, 0 when not given
};

bool IsNumber(const char* s) {
    char* end;
    std::strtol(s, &end, 10);
    return *s && !*end;
}

void NoLog() {
    char msg[8];
    SetOption(OptionId::Log, "false", msg, sizeof msg);
}

// Options are matched whole and case-sensitively; a value-taking option with
// nothing after it is ignored.
void ReadCommandLine(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        auto is = [a](const char* name) { return !std::strcmp(a, name); };
        if (is("-uci")) {
            SetProtocol(Protocol::Uci);
        } else if (is("-c")) {
            SetProtocol(Protocol::Console);
        } else if (is("-nolog")) {
            NoLog();
        } else if (is("-quiet")) {
            PBlock.info_delay.store(SILENT_OUTPUT, R);
            NoLog();
        } else if (is("-uci_extra")) {
            uci_extra = 1;
        } else if (is("-tune")) {
            o->batch |= TUNE;
        } else if (is("-spsa")) {
            o->spsa = true;
        } else if (is("-bench") || is("bench")) {  // the bare word is what test farms send
            o->batch |= BENCH;
            if (v && IsNumber(v)) o->bench_depth = int(std::clamp<long>(std::atol(argv[++i]), 1, MAX_DEPTH));
        } else if (!v) {
            continue;  // the options below need a value
        } else if (is("-noise")) {
            PBlock.info_delay.store(std::atof(argv[++i]), R);
        } else if (is("-d")) {
            Limits& l = ConsoleLimits();
            l.depth = int(std::clamp<long>(std::atol(argv[++i]), 0, MAX_DEPTH));
            o->depth = l.depth;
            l.move_time = 10000;
            l.tc_mode = TcMode::MoveTime;
            SetGoDefaults(l.depth, 10000);
        } else if (is("-t")) {
            Limits& l = ConsoleLimits();
            l.move_time = std::atof(argv[++i]);
            o->move_time = l.move_time;
            l.tc_mode = TcMode::MoveTime;
            SetGoDefaults(l.depth, l.move_time);
        } else if (is("-hash")) {
            PresetOption(OptionId::Hash, argv[++i]);
        } else if (is("-threads")) {
            PresetOption(OptionId::Threads, argv[++i]);
        } else if (is("-params")) {
            std::snprintf(o->params_file, sizeof o->params_file, "%s", argv[++i]);
        } else if (is("-anepd")) {
            std::snprintf(o->epd_file, sizeof o->epd_file, "%s", argv[++i]);
            o->batch |= EPD;
        } else if (is("-annotate")) {
            std::snprintf(o->annotate_file, sizeof o->annotate_file, "%s", argv[++i]);
            o->batch |= ANNOTATE;
        } else if (is("-scan_pgn1") || is("-scan_pgn2")) {
            o->scan_mode = a[9] - '0';
            std::snprintf(o->scan_file, sizeof o->scan_file, "%s", argv[++i]);
            o->batch |= SCAN;
        }
    }
}

void SeedRandom() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    std::srand(uint32_t(tv.tv_sec) * 1000u + uint32_t(tv.tv_usec / 1000));
}

// A log left by an earlier run is replaced unless -nolog (or -quiet) was
// given. Why there is none is said at the console; a GUI hears it only when
// it asks for the log, as nothing may come before the reply to uci.
void StartLog() {
    if (!PBlock.log_on.load(R)) return;
    char why[160];
    if (!OpenLog(why, sizeof why) && !UciMode()) ShowMessagef("no log: %s", why);
}

void MainLoop() {
    for (;;) {
        if (PBlock.quit.load(R)) return;
        // A requested search starts before the next line is read, and an
        // answer that is due goes out before it, so replies keep their order.
        if (SearchRequested()) {
            StartSearch();
            continue;
        }
        if (SearchAnswerDue()) FinishSearch();
        // Input and the clock are polled while a search runs too.
        PollInput(1);
    }
}

void Shutdown() {
    FreeBook();
    KillThreadPool(PBlock.nthreads.load(R));
    pthread_mutex_destroy(&lock);
    pthread_spin_destroy(&spinlock1);
    FreeTTable();
    if (fdlog) {
        std::fclose(fdlog);
        fdlog = nullptr;
    }
}

void RunBatch(const Options& o) {
    RefreshChangedEvaluation();
    BeginBatch();
    if ((o.batch & EPD) && EpdFileThere(o.epd_file)) {
        // The command line's depth and time (-d, -t) limit each position.
        Limits l = ConsoleSearchLimits();
        l.kind = PonderState::Idle;
        l.limit_strength = false;
        Analyze_EPD_File(o.epd_file, l);
    }
    if (o.batch & ANNOTATE) {
        InitEval();
        if (!AnnotateFile(o.annotate_file, AnnotateSettingsFor(o.depth, o.move_time)))
            std::fprintf(stderr, "can't open %s\n", o.annotate_file);
    }
    if (o.batch & SCAN) Scan_PGN_File(o.scan_file, o.scan_mode);
    if (o.batch & TUNE) RunTuningPass();
    if (o.batch & BENCH) {
        InitEval();
        SetPosition(&ThreadData[0]->pos, fen_opn);
        RunBench(o.bench_depth);
    }
    EndBatch();
}

}  // namespace

int main(int argc, char** argv) {
    SeedRandom();
    for (auto& td : ThreadData) td = nullptr;
    ThreadData[0] = NewThreadRec(0);
    if (!ThreadData[0]) return 1;
    InitBitboards();
    InitKeys();  // once: the table may change size, the keys of the game may not
    InitKPK();
    SetPBlockDefaults();
    ResetOptions();
    SetPersonalityDefaults();
    SetSelectivityDefaults();
    SetProtocol(Protocol::Uci);
    Options opt;
    ReadCommandLine(argc, argv, &opt);
    StartLog();
    if (InitTTable(int(OptionNumber(OptionId::Hash))) != 0) {
        std::fprintf(stderr, "cannot allocate a %ldM byte hash table\n", OptionNumber(OptionId::Hash));
        return 1;
    }
    PBlock.nthreads.store(int8_t(OptionNumber(OptionId::Threads)), R);
    InitBook();
    if (pthread_mutex_init(&lock, nullptr) != 0) return 1;
    if (pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE) != 0) return 1;
    if (const int wanted = PBlock.nthreads.load(R), started = StartSearchThreads(); started < wanted) {
        if (started == 0) {
            std::fprintf(stderr, "cannot start a search thread\n");
            return 1;
        }
        std::fprintf(stderr, "no memory for more than %d threads\n", started);
        char n[16];
        std::snprintf(n, sizeof n, "%d", started);
        PresetOption(OptionId::Threads, n);
        std::fprintf(stderr, "Threads set to %ld\n", OptionNumber(OptionId::Threads));
    }
    if (opt.params_file[0]) LoadParameters(opt.params_file);
    if (opt.spsa) {
        ShowSpsaInput();
        Shutdown();
        return 0;
    }
    // The system timer needs no raising here: the 1 ms waits are already short.
    if (opt.batch) {
        RunBatch(opt);
        Shutdown();
        return 0;
    }
    ThreadRec* TD = ThreadData[0];
    VELL_ASSERT(TD != NULL);
    VELL_ASSERT(ThreadData[1] != NULL);
    InitEval();
    SetPosition(&TD->pos, fen_opn);
    if (!UciMode()) {
        ShowMessagef("%s: type help for the commands, play to start a game", version);
        ShowBoard(&TD->pos);
    } else if (isatty(STDIN_FILENO)) {
        // No GUI types at a terminal: a person does, and may want the console.
        std::fprintf(stderr, "%s speaks UCI for chess GUIs; to play or analyse here, run %s -c\n", version,
                     argv[0]);
    }
    DropSearchRequest();
    PBlock.quit.store(0, R);
    MainLoop();
    Shutdown();
    return 0;
}
