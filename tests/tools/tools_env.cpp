// The tool tests' one-time engine set-up and per-test temporary directory.
#include "tests/tools/tools_env.h"

#include <climits>
#include <cstdio>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/records.h"
#include "tests/support/engine_process.h"

static int input_pipe[2] = {-1, -1};
static bool tables_ready;

void ToolsEngineSetUp() {
    if (!tables_ready) {
        tables_ready = true;
        if (pipe(input_pipe) == 0) dup2(input_pipe[0], STDIN_FILENO);
        pthread_mutex_init(&lock, nullptr);
        pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
        InitBitboards();
        InitKeys();
        InitKPK();
        SetPBlockDefaults();
        SetPersonalityDefaults();
        InitReductions();
        InitEval();
        if (!ThreadData[0]) ThreadData[0] = NewThreadRec(0);
        if (!ThreadData[1]) ThreadData[1] = NewThreadRec(1);  // depth 0 needs no running thread
    }
}

void ToolsSendInput(const std::string& text) {
    ASSERT_EQ(write(input_pipe[1], text.data(), text.size()), ssize_t(text.size()));
}

void ToolsTest::SetUp() {
    ToolsEngineSetUp();
    SetPBlockDefaults();
    PBlock.hash_mb = 2;
    PBlock.log_on.store(0);
    PBlock.quit.store(0);
    SetPersonalityDefaults();
    InitEval();
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_cwd_ = cwd;
    dir_ = own_dir_.path;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
}

void ToolsTest::TearDown() {
    ASSERT_EQ(chdir(old_cwd_.c_str()), 0);
}

void ToolsTest::Write(const std::string& name, const std::string& text) const {
    std::ofstream f(dir_ + "/" + name, std::ios::binary);
    f << text;
}

std::string ToolsTest::Read(const std::string& name) const { return ReadFile(dir_ + "/" + name); }

bool ToolsTest::Exists(const std::string& name) const {
    struct stat st;
    return stat((dir_ + "/" + name).c_str(), &st) == 0;
}
