// Multi-threaded searches driven through UCI, the way a GUI changes the
// thread count between games; run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

struct Engine : EngineProcess {
    Engine() : EngineProcess({"-nolog"}) {
        Send("uci");
        EXPECT_TRUE(WaitFor("uciok", 20));
        Send("setoption name Hash value 8");
        EXPECT_TRUE(WaitFor("info string Hash size set to 8M bytes", 20));
    }
    void Threads(int n) {
        Send("setoption name Threads value " + std::to_string(n));
        EXPECT_TRUE(WaitFor("info string Threads set to " + std::to_string(n), 20));
    }
    // Runs go infinite for a moment, stops it and checks for one legal-looking bestmove.
    void InfiniteThenStop(const std::string& position) {
        Send(position);
        Send("go infinite");
        Lines seen;
        EXPECT_TRUE(WaitFor("info depth 3", 20, &seen));
        Send("isready");
        EXPECT_TRUE(WaitFor("readyok", 20, &seen));
        Send("stop");
        std::string best;
        EXPECT_TRUE(WaitFor("bestmove ", 20, &seen, &best));
        EXPECT_NE(best, "bestmove null");
        Send("isready");
        seen.clear();
        EXPECT_TRUE(WaitFor("readyok", 20, &seen));
        for (auto& l : seen) EXPECT_FALSE(StartsWith(l, "bestmove")) << "second bestmove: " << l;
    }
};

const char* kMiddlegame =
    "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - moves a1c1";

}  // namespace

TEST(ThreadsSession, TwoAndFourThreadsSearchAndStop) {
    Engine e;
    e.Threads(2);
    e.InfiniteThenStop("position startpos moves e2e4 c7c5");
    e.Send("ucinewgame");
    e.Threads(4);
    e.InfiniteThenStop(kMiddlegame);
    e.Threads(1);
    e.Send(kMiddlegame);
    e.Send("go depth 6");
    EXPECT_TRUE(e.WaitFor("bestmove ", 60));
    e.Send("quit");
    EXPECT_EQ(e.Wait(20), 0);
}

TEST(ThreadsSession, ThreadCountChangedDuringASearch) {
    Engine e;
    e.Threads(2);
    e.Send(kMiddlegame);
    e.Send("go infinite");
    EXPECT_TRUE(e.WaitFor("info depth 2", 20));
    // The search is ended first, then the pool is rebuilt.
    e.Threads(3);
    e.Send("go depth 5");
    EXPECT_TRUE(e.WaitFor("bestmove ", 60));
    e.Send("quit");
    EXPECT_EQ(e.Wait(20), 0);
}

TEST(ThreadsSession, QuitDuringASearch) {
    Engine e;
    e.Threads(4);
    e.Send(kMiddlegame);
    e.Send("go infinite");
    EXPECT_TRUE(e.WaitFor("info depth 2", 20));
    e.Send("quit");
    EXPECT_EQ(e.Wait(20), 0);
}

TEST(ThreadsSession, PonderThenPonderhitWithThreads) {
    Engine e;
    e.Threads(2);
    e.Send("position startpos moves d2d4 g8f6");
    e.Send("go ponder wtime 3000 btime 3000 winc 10 binc 10");
    EXPECT_TRUE(e.WaitFor("info depth 2", 20));
    e.Send("ponderhit");
    EXPECT_TRUE(e.WaitFor("bestmove ", 20));
    e.Send("quit");
    EXPECT_EQ(e.Wait(20), 0);
}
