// Start-up under a tight address-space limit: a table that cannot be
// allocated ends the engine with status 1, nothing on standard output and the
// reason on standard error; a log another engine holds stays that engine's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

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
    // flock(1) holds the lock an engine running in the folder would hold.
    std::string cmd = "cd '" + dir.path + "' && flock vell.log sh -c 'echo quit | " VELL_BINARY " -nolog > out.txt 2>&1'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "out.txt"), "log file in use\n\n");
    EXPECT_EQ(ReadFile(dir / "vell.log"), "the other engine's log\n");
}
