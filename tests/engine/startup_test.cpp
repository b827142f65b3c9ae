// Start-up under a tight address-space limit: a table that cannot be
// allocated ends the engine with status 1, nothing on standard output and the
// reason on standard error; a log another engine holds stays that engine's.
// Then the engine in folders and files it may not write or read, run as
// another user: as root, who reads and writes everything, they prove nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/fixture.h"

#ifndef __has_feature
#define __has_feature(x) 0
#endif

TEST(Startup, TableThatCannotBeAllocatedExitsWithOne) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer) || \
    __has_feature(thread_sanitizer)
    GTEST_SKIP() << "address-space limits do not mix with a sanitizer's shadow memory";
#endif
    TempDir dir;
    // About 600 MB of address space: the engine fits, a 4 GB table does not.
    std::string cmd = "cd '" + dir.path + "' && ulimit -v 600000 && echo quit | '" VELL_BINARY
                      "' -nolog -hash 4096 > out.txt 2> err.txt";
    int status = std::system(("sh -c \"" + cmd + "\"").c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_EQ(ReadFile(dir / "out.txt"), "");
    EXPECT_EQ(ReadFile(dir / "err.txt"), "cannot allocate a 4096M byte hash table\n");
}

TEST(Startup, LogHeldByAnotherEngineStaysWhole) {
    TempDir dir;
    WriteFile(dir / "vell.log", "the other engine's log\n");
    // flock(1) holds the lock an engine running in the folder would hold;
    // nothing is said until the log is asked for.
    std::string cmd = "cd '" + dir.path + "' && flock vell.log sh -c 'printf \"isready\\nsetoption name Log value " +
                      "true\\n\" | " VELL_BINARY " > out.txt 2>&1'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "out.txt"),
              "CMD: isready\nreadyok\nCMD: setoption name Log value true\n"
              "info string vell.log is in use by another engine, Log stays off\n");
    EXPECT_EQ(ReadFile(dir / "vell.log"), "the other engine's log\n");
}

namespace {

// The engine with input, in a folder the shell commands setup prepare (run
// by the test's user, in the same shell, so a ulimit holds for the engine).
struct FolderCase {
    const char* name;
    const char* setup;
    bool other_user;  // the engine runs as nobody
    const char *args, *input;
    std::string out;  // regex for the whole of standard output
    std::string err;  // and standard error
    const char *file, *text;  // a file of the folder and what it holds afterwards
};

constexpr const char* kBoard = "Vell 2.00: type help[\\s\\S]*";
const FolderCase kFolders[] = {
    {"ReadOnlyLogSaysNothingUnasked", "echo old > vell.log && chmod 444 vell.log && chmod 777 .", true, "",
     "isready\nsetoption name Log value true\n",
     "CMD: isready\nreadyok\nCMD: setoption name Log value true\n"
     "info string can't write vell\\.log: Permission denied, Log stays off\n",
     "", "vell.log", "old\n"},
    {"UnwritableFolderSaysWhyThereIsNoLog", "chmod 555 .", true, "-nolog", "setoption name Log value true\n",
     "info string can't write vell\\.log: Permission denied, Log stays off\n", "", "vell.log", ""},
    {"ConsoleSaysWhyThereIsNoLog", "chmod 555 .", true, "-c", "quit\n",
     "no log: can't write vell\\.log: Permission denied\n" + std::string(kBoard), "", "vell.log", ""},
    {"NoLogLeavesTheLogAsItIs", "echo old > vell.log", false, "-nolog", "quit\n", "", "", "vell.log", "old\n"},
    {"MkbookNeverReplacesABookItCannotRead",
     "printf '[Result \"1-0\"]\\n\\n1. e4 e5 1-0\\n' > book.pgn && echo records > book.opn && "
     "chmod 600 book.opn && chmod 777 .",
     true, "-c -nolog", "mkbook\n",
     "[\\s\\S]*\ncan't read book\\.opn: Permission denied\nmkbook stopped; the failed step changed no file\n"
     "[\\s\\S]*",
     "", "book.opn", "records\n"},
    {"ThreadsTheMemoryHoldsAreReported", "ulimit -v 600000", false, "-nolog -threads 64", "quit\n", "",
     "no memory for more than (\\d+) threads\nThreads set to \\1\n", "vell.log", ""},
};

class Folders : public testing::TestWithParam<FolderCase> {};

TEST_P(Folders, Run) {
    const FolderCase& c = GetParam();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer) || \
    __has_feature(thread_sanitizer)
    if (std::strstr(c.setup, "ulimit")) GTEST_SKIP() << "address-space limits do not mix with a sanitizer";
#endif
    if (c.other_user && (geteuid() != 0 || std::system("runuser -u nobody -- true 2> /dev/null") != 0))
        GTEST_SKIP() << "needs root, runuser and a user nobody";
    TempDir dir;
    WriteFile(dir / "in.txt", c.input);
    // The build folder may be closed to other users: nobody runs a copy of
    // the engine that sits in the test's own folder.
    const std::string engine = c.other_user ? "./vell" : VELL_BINARY;
    if (c.other_user) {
        ASSERT_EQ(std::system(("cp '" VELL_BINARY "' '" + dir.path + "/vell'").c_str()), 0);
    }
    const std::string cmd = "cd '" + dir.path + "' && " + c.setup + " && " +
                            (c.other_user ? "runuser -u nobody -- " : "") + engine + " " + c.args +
                            " < in.txt > out.txt 2> err.txt";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    const std::string out = ReadFile(dir / "out.txt"), err = ReadFile(dir / "err.txt");
    EXPECT_TRUE(std::regex_match(out, std::regex(c.out))) << out;
    EXPECT_TRUE(std::regex_match(err, std::regex(c.err))) << err;
    EXPECT_EQ(ReadFile(dir / c.file), c.text);
}

INSTANTIATE_TEST_SUITE_P(T, Folders, testing::ValuesIn(kFolders),
                         [](const testing::TestParamInfo<FolderCase>& i) { return std::string(i.param.name); });

}  // namespace
