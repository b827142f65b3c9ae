// Scripted UCI sessions against the built engine: identification and options,
// search limits, stop and ponder, positions and bad input.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

int Count(const Lines& lines, const std::string& prefix) {
    int n = 0;
    for (auto& l : lines) n += StartsWith(l, prefix);
    return n;
}

// An engine in UCI mode without logging, so no command echo mixes in.
struct Uci : EngineProcess {
    Uci() : EngineProcess({"-nolog"}) {}

    // Lines up to and including the one that starts with prefix.
    Lines Until(const std::string& prefix, double timeout = 10) {
        Lines seen;
        bool found = WaitFor(prefix, timeout, &seen);
        EXPECT_TRUE(found) << "no line starting with '" << prefix << "'";
        return seen;
    }
    std::string BestMove(double timeout = 10) {
        Lines seen = Until("bestmove", timeout);
        return seen.empty() ? "" : seen.back();
    }
};

}  // namespace

TEST(UciIdentify, BlockFollowsTheEchoedCommand) {
    EngineProcess e;  // logging on by default: the first command is echoed
    e.Send("uci");
    Lines seen;
    ASSERT_TRUE(e.WaitFor("uciok", 10, &seen));
    Lines expected = {
        "CMD: uci",
        "id name Vell 2.00",
        "id author Quorvik",
        "option name Hash type spin default 64 min 0 max 8192",
        "option name Threads type spin default 1 min 1 max 64",
        "option name Ponder type check default true",
        "option name Clear Hash type button",
        "option name Communication Overhead type spin default 25 min 0 max 5000",
        "option name OwnBook type check default false",
        "option name BookFile type string default vell.opn",
        "option name Log type check default false",
        "option name MultiPV type spin default 1 min 1 max 256",
        "uciok",
    };
    EXPECT_EQ(seen, expected);
    // "uci" switched logging off: no more echo.
    e.Send("isready");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 10));
    EXPECT_EQ(line, "readyok");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciIdentify, NothingIsPrintedBeforeTheFirstCommand) {
    Uci e;
    EXPECT_TRUE(e.Drain(0.3).empty());
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

// (A Hash value above 8192 is clamped the same way; it is not sent here
// because an 8 GB table takes far too long to clear for a unit test.)
TEST(UciOptions, RepliesAndClamping) {
    Uci e;
    e.Send("setoption name Hash value -1");
    e.Send("setoption name Hash value 16");
    e.Send("setoption name Threads value 4");
    e.Send("setoption name Threads value 4");
    e.Send("setoption name Threads value 0");
    e.Send("setoption name Threads value 1000");
    e.Send("setoption name Ponder value True");
    e.Send("setoption name OwnBook value true");
    e.Send("setoption name OwnBook value false");
    e.Send("setoption name Log value false");
    e.Send("setoption name Communication Overhead value 9999");
    e.Send("setoption name Clear Hash");
    e.Send("setoption name NoSuchOption value 3");
    e.Send("isready");
    Lines seen = e.Until("readyok", 60);
    Lines expected = {
        "info string Hash size set to 0M bytes",
        "info string Hash size set to 16M bytes",
        "info string Threads set to 4",
        "info string Threads set to 4",
        "info string Threads set to 1",
        "info string Threads set to 64",
        "info string OwnBook set to 1",
        "info string OwnBook set to 0",
        "info string Log set to 0",
        "info string Communication Overhead set to 5000",
        "Hash table cleared",
        "readyok",
    };
    EXPECT_EQ(seen, expected);
    // The engine still searches with the new thread pool.
    e.Send("setoption name Threads value 2");
    e.Send("position startpos");
    e.Send("go depth 3");
    EXPECT_TRUE(StartsWith(e.BestMove(), "bestmove "));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciSearch, IsreadyIsAnsweredDuringAnInfiniteSearch) {
    Uci e;
    e.Send("position startpos");
    e.Send("go infinite");
    e.Send("isready");
    Lines seen = e.Until("readyok", 5);
    EXPECT_EQ(Count(seen, "bestmove"), 0);
    ReadFor(e, 0.2);
    e.Send("stop");
    std::string best = e.BestMove();
    EXPECT_TRUE(StartsWith(best, "bestmove ")) << best;
    // A second stop while idle prints nothing, in particular no bestmove.
    e.Send("stop");
    e.Send("isready");
    Lines after = e.Until("readyok", 5);
    EXPECT_EQ(after, Lines{"readyok"});
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciSearch, PonderHoldsTheMoveUntilPonderhit) {
    Uci e;
    e.Send("position startpos moves e2e4");
    e.Send("go ponder depth 3");
    Lines early = ReadFor(e, 0.7);
    EXPECT_EQ(Count(early, "bestmove"), 0);
    e.Send("ponderhit");
    EXPECT_TRUE(StartsWith(e.BestMove(), "bestmove "));
    e.Send("isready");
    EXPECT_EQ(Count(e.Until("readyok"), "bestmove"), 0);
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciSearch, StopEndsPondering) {
    Uci e;
    e.Send("position startpos");
    e.Send("go ponder wtime 60000 btime 60000");
    EXPECT_EQ(Count(ReadFor(e, 0.5), "bestmove"), 0);
    e.Send("stop");
    EXPECT_TRUE(StartsWith(e.BestMove(), "bestmove "));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciSearch, EachGoStartsFromFreshLimits) {
    Uci e;
    e.Send("position startpos");
    e.Send("go depth 2");
    Lines first = e.Until("bestmove");
    EXPECT_GT(Count(first, "info depth 2 "), 0);
    EXPECT_EQ(Count(first, "info depth 3 "), 0);
    e.Send("go wtime 100000 btime 100000");
    EXPECT_GT(Count(e.Until("bestmove", 30), "info depth 4 "), 0);
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciSearch, MovetimeGivesAFixedShortMove) {
    Uci e;
    e.Send("position startpos");
    e.Send("isready");
    e.Until("readyok");  // start-up is over
    double t0 = Now();
    e.Send("go movetime 100");
    EXPECT_TRUE(StartsWith(e.BestMove(3), "bestmove "));
    EXPECT_LT(Now() - t0, 1.0);
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciPosition, BadFenIsRefusedAndThePositionKept) {
    Uci e;
    e.Send("position startpos moves e2e4");
    e.Send("position fen 8/8/8/8/8/8/8/8 w - -");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_TRUE(StartsWith(line, "info string ")) << line;
    // Still the position after 1.e4: black moves a piece from rank 7 or 8.
    e.Send("go depth 2");
    std::string best = e.BestMove();
    ASSERT_GE(best.size(), 13u);
    EXPECT_TRUE(best[10] == '7' || best[10] == '8') << best;
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciPosition, IllegalMoveEndsTheList) {
    Uci e;
    e.Send("position startpos moves e2e4 e7e5 e1e3 g1f3");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "info string illegal move e1e3");
    // White is to move after 1.e4 e5: the move starts on rank 1 or 2, or on e4.
    e.Send("go depth 2");
    std::string best = e.BestMove();
    ASSERT_GE(best.size(), 13u);
    std::string from = best.substr(9, 2);
    EXPECT_TRUE(from[1] == '1' || from[1] == '2' || from == "e4") << best;
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciPosition, PseudoLegalAndMalformedMovesAreRefused) {
    Uci e;
    // e1f2 is no king move here, the castling passes through check, "e2" is too short.
    e.Send("position fen 4k3/8/8/8/8/8/5r2/R3K2R w KQ - moves e1g1");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "info string illegal move e1g1");
    e.Send("position startpos moves e2");
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "info string illegal move e2");
    e.Send("position startpos moves e7e8q");
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "info string illegal move e7e8q");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciPosition, ThousandsOfPliesOfKnightMovesFitTheHistory) {
    Uci e;
    // 3000 plies of knights going back and forth, far beyond the history
    // array, then a pawn move: the position reached is the start position with
    // e2-e4 played, and the engine answers for black from there.
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string cmd = "position startpos moves";
    for (int i = 0; i < 3000; i++) cmd += std::string(" ") + cycle[i % 4];
    e.Send(cmd);
    e.Send("go depth 3");
    // Past the fifty-move rule nothing is searched, yet a legal move is given.
    std::string drawn = e.BestMove();
    EXPECT_TRUE(StartsWith(drawn, "bestmove ") && drawn.size() >= 13 && drawn != "bestmove 0000") << drawn;
    e.Send(cmd + " e2e4");
    e.Send("go depth 3");
    std::string best = e.BestMove();
    EXPECT_TRUE(StartsWith(best, "bestmove ") && best != "bestmove null") << best;
    // The move must be black's: from the start position with e4 played.
    e.Send("position startpos moves e2e4 " + best.substr(9, 4));
    e.Send("isready");
    Lines seen = e.Until("readyok");
    EXPECT_EQ(seen.size(), 1u) << seen[0];
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciPosition, OverlongLineIsDroppedWithAMessage) {
    Uci e;
    e.Send("position startpos moves" + std::string(70000, ' '));
    e.Send("isready");
    Lines seen = e.Until("readyok");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(StartsWith(seen[0], "info string ")) << seen[0];
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciRobustness, GarbageNeverCrashesOrHangs) {
    Uci e;
    e.SendRaw(std::string("\x01\x02\xff\xfe garbage\n", 14));
    e.Send(std::string(300, 'z'));
    e.Send("position");
    e.Send("position fen");
    e.Send("position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - moves");
    e.Send("position startpos moves");
    e.Send("setoption");
    e.Send("setoption name");
    e.Send("setoption value 5 name Hash");
    e.Send("setoption name Hash value abc");
    e.Send("go depth abc");
    e.Send("stop");
    e.Send("isready");
    Lines seen = e.Until("readyok");
    EXPECT_EQ(Count(seen, "info string Hash size set to 0M bytes"), 2);
    e.Drain(0.2);
    for (const char* go : {"go movestogo 0 wtime 0 btime 0", "go wtime -5000 btime -5000 winc -1",
                           "go movetime 0", "go movetime -100", "go depth 0", "go depth 1000", "go wtime",
                           "go movestogo", "go nodes 1000 depth 1", "go infinite ponder"}) {
        e.Send("position startpos");
        e.Send(go);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        e.Send("stop");  // ends the searches that would run long; nothing for the others
        std::string best = e.BestMove(10);
        EXPECT_TRUE(StartsWith(best, "bestmove ")) << go;
    }
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciRobustness, CrLfLinesWork) {
    Uci e;
    e.SendRaw("isready\r\nposition startpos moves e2e4 e7e5\r\ngo depth 2\r\n");
    Lines seen = e.Until("bestmove");
    EXPECT_EQ(seen.front(), "readyok");
    e.SendRaw("quit\r\n");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciEndOfInput, SearchEndsThenTheEngineExits) {
    Uci e;
    e.Send("position startpos");
    e.Send("go depth 3");
    e.CloseInput();
    EXPECT_TRUE(StartsWith(e.BestMove(), "bestmove "));
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciEndOfInput, InfiniteSearchIsStoppedWhenInputEnds) {
    Uci e;
    e.Send("position startpos");
    e.Send("go infinite");
    ReadFor(e, 0.3);
    e.CloseInput();
    EXPECT_TRUE(StartsWith(e.BestMove(), "bestmove "));
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(UciEndOfInput, IdleEngineExitsAtOnce) {
    Uci e;
    e.CloseInput();
    EXPECT_EQ(e.Wait(5), 0);
}

TEST(UciSearch, NoLegalMoveGivesNullMoveTextAfterARealMove) {
    Uci e;
    e.Send("position startpos moves e2e4");
    e.Send("go depth 2");
    EXPECT_NE(e.BestMove(), "bestmove null");
    // Mated, then stalemated: never a move left over from the search before.
    e.Send("position fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
    e.Send("go depth 3");
    EXPECT_EQ(e.BestMove(), "bestmove 0000");
    e.Send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - -");
    e.Send("go movetime 100");
    EXPECT_EQ(e.BestMove(), "bestmove 0000");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}
