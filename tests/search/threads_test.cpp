// The thread pool and whole searches driven as the main loop drives them:
// several threads, stop, MultiPV output.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "engine/platform.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "tests/board/board_setup.h"
#include "tests/search/search_setup.h"

namespace {

constexpr const char* kMiddle = "r1bq1rk1/pp2ppbp/2np2p1/2n5/P3PP2/N1P2N2/1PB3PP/R1B1QRK1 b - -";

TEST(Threads, PoolOfFourSearchesAndShrinksToOne) {
    SearchTestSetup(4);
    EXPECT_EQ(SearchThreadsBusy(), 0);
    for (int i = 1; i <= 4; i++) EXPECT_EQ(ThreadData[i]->index, i);
    SearchResult r = SearchFen(kMiddle, 7);
    EXPECT_NE(r.best, 0);
    EXPECT_GE(r.depth, 7);
    for (int i = 1; i <= 4; i++) EXPECT_EQ(ThreadData[i]->command.load(), 0);
    ThreadData[1]->noise_seed = 42;  // a fresh record would start from 123
    SearchTestSetup(1);
    EXPECT_EQ(PBlock.nthreads.load(), 1);
    EXPECT_EQ(ThreadData[1]->noise_seed, 123u);  // the new thread made its own record
    r = SearchFen(kMiddle, 5);
    EXPECT_NE(r.best, 0);
}

TEST(Threads, TwoThreadsAgreeOnAClearMove) {
    SearchTestSetup(2);
    SearchResult r = SearchFen("4k3/8/8/3q4/8/8/3R4/4K3 w - -", 8);
    EXPECT_EQ(r.best, MakeMoveWord(11, 35));
}

TEST(Threads, KillThreadPoolEndsARunningSearch) {
    SearchTestSetup(2);
    MainPosition(kMiddle);
    PBlock.max_depth.store(66);
    PBlock.move_time.store(1e7);
    InitSearch();
    WakeSearchThreads();
    usleep(50 * 1000);
    KillThreadPool(2);
    EXPECT_EQ(SearchThreadsBusy(), 0);
    EXPECT_EQ(StartThreadPool(2), 0);
    SearchResult r = SearchFen(kMiddle, 4);
    EXPECT_NE(r.best, 0);
}

// Standard output of a search with MultiPV 3 to depth 7.
std::string MultiPVOutput() {
    std::fflush(stdout);
    FILE* file = std::tmpfile();
    int saved = dup(fileno(stdout));
    dup2(fileno(file), fileno(stdout));
    PBlock.info_delay.store(0);
    PBlock.multipv.store(3);
    SearchFen(kMiddle, 7);
    PBlock.multipv.store(1);
    PBlock.info_delay.store(9999.0);
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(file);
    for (int ch; (ch = std::fgetc(file)) != EOF;) text += char(ch);
    std::fclose(file);
    return text;
}

TEST(Threads, MultiPVPrintsEachLineThenABlankLine) {
    SearchTestSetup(1);
    PBlock.protocol.store(2);
    const std::string out = MultiPVOutput();
    for (const char* depth : {"info depth 6 ", "info depth 7 "}) {
        size_t at = out.find(depth);
        ASSERT_NE(at, std::string::npos) << out;
        int lines = 0;
        std::string first_moves[3];
        while (at < out.size() && out.compare(at, 13, depth) == 0) {
            size_t end = out.find('\n', at);
            size_t pv = out.find(" pv ", at);
            first_moves[lines % 3] = out.substr(pv + 4, 4);
            lines++;
            at = end + 1;
        }
        EXPECT_EQ(lines, 3) << out;
        EXPECT_EQ(out.compare(at, 1, "\n"), 0) << out;
        // Each line starts with a different root move.
        EXPECT_NE(first_moves[0], first_moves[1]);
        EXPECT_NE(first_moves[1], first_moves[2]);
        EXPECT_NE(first_moves[0], first_moves[2]);
    }
}

TEST(Threads, SingleThreadPrintsTheFirstIteration) {
    SearchTestSetup(1);
    PBlock.protocol.store(2);
    std::fflush(stdout);
    FILE* file = std::tmpfile();
    int saved = dup(fileno(stdout));
    dup2(fileno(file), fileno(stdout));
    PBlock.info_delay.store(0);
    SearchFen(kMiddle, 3);
    PBlock.info_delay.store(9999.0);
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(file);
    for (int ch; (ch = std::fgetc(file)) != EOF;) text += char(ch);
    std::fclose(file);
    EXPECT_EQ(text.rfind("info depth 1 ", 0), 0u) << text;
    EXPECT_NE(text.find("info depth 3 "), std::string::npos) << text;
}

}  // namespace
