// Start-up and shutdown of the built engine: the log file rules, exit codes
// and the command line.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/support/engine_process.h"

namespace {

// Limits on the address space do not mix with the sanitizers' shadow memory.
#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer) || \
    __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs the engine through the shell with input from a file; returns its exit status.
int RunShell(const std::string& dir, const std::string& args, const std::string& input,
             const std::string& limit = "") {
    std::string cmd = "cd '" + dir + "' && printf '" + input + "' > in.txt && " + limit + "'" + VELL_BINARY +
                      "' " + args + " < in.txt > out.txt 2>&1";
    int status = std::system(("sh -c \"" + cmd + "\"").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// file "<path>uci.cpp", line <n>, <tail>
bool IsAssertLine(const std::string& text, const std::string& tail) {
    size_t at = text.find("uci.cpp\", line ");
    if (text.compare(0, 6, "file \"") != 0 || at == std::string::npos) return false;
    size_t digits = at + 15, end = digits;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) end++;
    return end > digits && text.compare(end, std::string::npos, ", " + tail) == 0;
}

}  // namespace

TEST(StartupLog, NologLeavesAnEmptyLog) {
    EngineProcess e({"-nolog"});
    e.Send("isready");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 10));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
    ASSERT_TRUE(Exists(e.Dir() + "/vell.log"));
    EXPECT_EQ(ReadFile(e.Dir() + "/vell.log"), "");
}

TEST(StartupLog, LoggedCommandsAndRepliesUntilUci) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/vell.log") << "left over from an earlier run\n";
    EngineProcess e({}, dir);
    e.Send("isready");
    e.Send("uci");
    e.Send("isready");
    ASSERT_TRUE(e.WaitFor("uciok", 10));
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 10));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
    std::string log = ReadFile(dir + "/vell.log");
    const std::string head = "CMD: isready\nreadyok\nCMD: uci\nid name Vell 2.00\n";
    EXPECT_EQ(log.substr(0, head.size()), head);
    EXPECT_NE(log.find("\nuciok\n"), std::string::npos);
    EXPECT_EQ(log.find("left over"), std::string::npos);
    EXPECT_EQ(log.find("CMD: isready", 20), std::string::npos);  // logging is off after "uci"
}

TEST(StartupLog, LogThatCannotBeReplacedIsReported) {
    std::string dir = MakeTempDir();
    mkdir((dir + "/vell.log").c_str(), 0755);  // a directory cannot be removed like a file
    EngineProcess e({}, dir);
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 10));
    EXPECT_EQ(line, "log file in use");
    ASSERT_TRUE(e.ReadLine(line, 10));
    EXPECT_EQ(line, "");
    e.Send("isready");
    ASSERT_TRUE(e.WaitFor("readyok", 10));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(StartupExit, QuitAndEndOfInputExitWithZero) {
    std::string dir = MakeTempDir();
    EXPECT_EQ(RunShell(dir, "-nolog", "quit\\n"), 0);
    EXPECT_EQ(RunShell(dir, "-nolog -threads 0 -hash -5 -d 80 -t", "isready\\n"), 0);
    EXPECT_EQ(ReadFile(dir + "/out.txt"), "readyok\n");
}

TEST(StartupExit, TableThatCannotBeAllocatedExitsWithOne) {
    if (kSanitized) GTEST_SKIP() << "address-space limit under a sanitizer";
    std::string dir = MakeTempDir();
    // About 600 MB of address space: the engine fits, a 4 GB table does not.
    EXPECT_EQ(RunShell(dir, "-nolog -hash 4096", "quit\\n", "ulimit -v 600000; "), 1);
    EXPECT_EQ(ReadFile(dir + "/out.txt"), "");
}

TEST(StartupOptions, DepthOptionLimitsTheSearch) {
    EngineProcess e({"-nolog", "-d", "2", "-threads", "2"});
    e.Send("position startpos");
    e.Send("go");
    std::vector<std::string> seen;
    ASSERT_TRUE(e.WaitFor("bestmove", 20, &seen));
    for (auto& l : seen) EXPECT_EQ(l.find("info depth 3 "), std::string::npos) << l;
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(StartupBatch, BenchPrintsItsNodeCountAndExits) {
    std::string dir = MakeTempDir();
    EXPECT_EQ(RunShell(dir, "-nolog -bench 2", ""), 0);
    std::string out = ReadFile(dir + "/out.txt");
    EXPECT_NE(out.find("\nnodes "), std::string::npos) << out;
}

TEST(StartupBatch, PgnScanRunsInsteadOfTheMainLoop) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/games.pgn")
        << "[Event \"x\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n";
    // Input that would keep the main loop busy: a batch run never reads it.
    EXPECT_EQ(RunShell(dir, "-nolog -scan_pgn1 games.pgn", "go infinite\\n"), 0);
}

TEST(StartupExit, FailedAssertionWritesAssertLog) {
    if (kSanitized) GTEST_SKIP() << "address-space limit under a sanitizer";
    std::string dir = MakeTempDir();
    // About 400 MB of address space: room for the engine, not for 64 thread stacks.
    EXPECT_EQ(RunShell(dir, "-nolog -hash 1", "setoption name Threads value 64\\n", "ulimit -v 400000; "),
              255);
    EXPECT_TRUE(IsAssertLine(ReadFile(dir + "/out.txt"), "assertion \"err == 0\" failed\n"))
        << ReadFile(dir + "/out.txt");
    EXPECT_TRUE(IsAssertLine(ReadFile(dir + "/assert.log"), "assertion \" err == 0 \" failed\n\n"))
        << ReadFile(dir + "/assert.log");
}
