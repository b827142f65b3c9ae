// The shared in-process fixture, temporary folders and the stdout capture.
#include "tests/support/fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "base/linereader.h"
#include "board/bitboard.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "book/book.h"
#include "engine/options.h"
#include "eval/endgame.h"
#include "engine/main_loop.h"
#include "eval/params.h"
#include "search/limits.h"
#include "search/selectivity.h"
#include "search/threads.h"
#include "search/transposition.h"

static int input_pipe[2] = {-1, -1};

void UseThreads(int n) {
    KillThreadPool(MAX_THREADS);
    PBlock.stop.store(StopReason::None);
    PBlock.nthreads.store(int8_t(n));
    ASSERT_EQ(StartThreadPool(n), 0);
}

void EngineTables() {
    static bool tables = [] {
        InitBitboards();
        InitKPK();
        pthread_mutex_init(&lock, nullptr);
        pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
        // Standard input becomes a pipe nobody writes to, so input polls see nothing.
        if (pipe(input_pipe) == 0) dup2(input_pipe[0], STDIN_FILENO);
        return true;
    }();
    (void)tables;
}

void SendInput(const std::string& text) {
    ASSERT_EQ(write(input_pipe[1], text.data(), text.size()), ssize_t(text.size()));
}

void ResetEngine() {
    EngineTables();
    // Every live search thread ends, also those a test started itself (the bench does).
    KillThreadPool(MAX_THREADS);
    FreeBook();
    ResetInput();
    SetPBlockDefaults();
    ResetOptions();
    search_limits = Limits{};
    ResetConsoleLimits();
    SetChess960(false);
    SetPersonalityDefaults();
    SetSelectivityDefaults();
    InitEval();
    seed = 54321;  // the keys of start-up
    InitKeys();
    InitTTable(16);
    PBlock.info_delay.store(9999);
    PBlock.log_on.store(0);
    selfplay = 0;
    computer = 2;
    uci_extra = show_extra = 0;
    for (int i = 0; i <= 1; i++) {
        std::free(ThreadData[i]);
        ThreadData[i] = NewThreadRec(i);
    }
    SetPosition(&ThreadData[0]->pos, fen_opn);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    path = std::string(base && *base ? base : "/tmp") + "/vell-test-XXXXXX";
    if (!mkdtemp(path.data())) ADD_FAILURE() << "mkdtemp failed";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ZeroedTable(const std::string& name) {
    std::string t = ReadFile(std::string(VELL_TEST_DATA "/syzygy/") + name);
    std::fill(t.begin() + long(t.size() / 4), t.end(), '\0');
    return t;
}

std::string CutTable(const std::string& name, size_t keep) {
    std::string t = ReadFile(std::string(VELL_TEST_DATA "/syzygy/") + name);
    const std::string sum = t.substr(t.size() - 16);
    t.resize(keep - 16, '\0');
    return t + sum;
}

std::string PatchedTable(const std::string& name, size_t at, char value) {
    std::string t = ReadFile(std::string(VELL_TEST_DATA "/syzygy/") + name);
    t[at] = value;
    return t;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

std::string Printed(const std::function<void()>& f) {
    TempDir dir;
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int fd = open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDOUT_FILENO);
    close(fd);
    f();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return ReadFile(dir / "out");
}

void EngineTest::SetUp() {
    ResetEngine();
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
}

void EngineTest::TearDown() {
    KillThreadPool(MAX_THREADS);
    FreeBook();
    std::filesystem::current_path(old_cwd_);
}

std::string Coord(uint16_t move) {
    if (!move) return "0000";
    std::string s = std::string(sq_name[MoveFrom(move)]) + sq_name[MoveTo(move)];
    if (move & PROMO_MASK) s += move & PROMO_N ? 'n' : move & PROMO_B ? 'b' : move & PROMO_R ? 'r' : 'q';
    return s;
}

std::string Epd(const Position* pos) {
    char buf[100];
    MakeEPD(pos, buf);
    return buf;
}

uint16_t TextMove(Position* pos, const char* coord) {
    uint16_t moves[256];
    for (int i = 0, n = LegalMoveList(pos, moves); i < n; i++)
        if (Coord(moves[i]) == coord) return moves[i];
    return 0;
}

Position* SetGame(const char* fen, const char* moves, bool chess960) {
    Position* pos = &ThreadData[0]->pos;
    SetPosition(pos, fen, chess960);
    std::istringstream words(moves ? moves : "");
    for (std::string w; words >> w;) {
        uint16_t m;
        EXPECT_EQ(ParseMove(pos, w.c_str(), &m), 1) << w;
        if (m) MakeMove(pos, m);
    }
    pos->ply = 1;
    return pos;
}
