// Scripted console sessions against the built engine: typed moves, take-back
// and redo, time controls, selectivity, perft, the exchange test, PGN save and
// load, test positions and bad input.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

const char* const START_EPD = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
// A command whose reply marks the end of what came before it.
const char* const MARK = "set LMR_depth 3";  // its start-up value
const char* const MARK_REPLY = "set LMR_depth to 3";

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

struct Console : EngineProcess {
    explicit Console(std::string dir = "") : EngineProcess({"-c", "-nolog"}, dir) {
        Lines board = Mark();  // the start board comes at once
        EXPECT_FALSE(board.empty());
        if (!board.empty()) {
            EXPECT_EQ(board.front(), START_EPD);
        }
    }
    // Everything the engine prints before the marker's reply.
    Lines Mark(double timeout = 10) {
        Send(MARK);
        Lines seen;
        EXPECT_TRUE(WaitFor(MARK_REPLY, timeout, &seen));
        if (!seen.empty()) seen.pop_back();
        return seen;
    }
    Lines Do(const std::string& cmd) {
        Send(cmd);
        return Mark();
    }
    // The EPD line of the next board shown.
    std::string Board(const Lines& lines) {
        for (size_t i = 0; i + 9 < lines.size(); i++)
            if (lines[i + 9] == "white" || lines[i + 9] == "black") return lines[i];
        return "";
    }
    ~Console() {
        Send("quit");
        EXPECT_EQ(Wait(10), 0);
    }
};

}  // namespace

TEST(ConsoleStart, BoardIsShownAtOnce) {
    EngineProcess e({"-c", "-nolog"});
    Lines expected = {
        START_EPD,          " r n b q k b n r", " o o o o o o o o", " - + - + - + - +", " + - + - + - + -",
        " - + - + - + - +", " + - + - + - + -", " P P P P P P P P", " R N B Q K B N R", "white",
    };
    Lines seen;
    ASSERT_TRUE(e.WaitFor("white", 10, &seen));
    EXPECT_EQ(seen, expected);
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(ConsoleStart, LaterProtocolOptionWins) {
    EngineProcess e({"-c", "-uci", "-nolog"});
    EXPECT_TRUE(e.Drain(0.3).empty());
    e.Send("isready");
    std::string line;
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "readyok");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST(ConsoleStart, UciLineSwitchesProtocol) {
    Console c;
    c.Send("uci");
    Lines seen;
    ASSERT_TRUE(c.WaitFor("uciok", 10, &seen));
    EXPECT_EQ(seen.front(), "id name Vell 2.00");
    c.Send("isready");
    std::string line;
    ASSERT_TRUE(c.ReadLine(line, 5));
    EXPECT_EQ(line, "readyok");
}

TEST(ConsoleMoves, TypedMoveThenTheSameMoveAgain) {
    Console c;
    Lines first = c.Do("e2e4");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0], "1. move e2e4");
    EXPECT_TRUE(StartsWith(c.Board(first), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq"));
    EXPECT_TRUE(c.Do("e2e4").empty());  // illegal now: silently ignored
    Lines reply = c.Do("e5");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], "1. move e5");
    Lines third = c.Do("move Nf3");
    ASSERT_FALSE(third.empty());
    EXPECT_EQ(third[0], "2. move Nf3");
}

TEST(ConsoleMoves, UndoRedoAndJump) {
    Console c;
    EXPECT_TRUE(c.Do("undo").empty());  // nothing to take back at the start
    c.Do("e2e4");
    c.Do("e7e5");
    c.Do("g1f3");
    EXPECT_TRUE(StartsWith(c.Board(c.Do("undo")), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq"));
    Lines redo = c.Do("]");
    ASSERT_FALSE(redo.empty());
    EXPECT_EQ(redo[0], "2. move g1f3");
    EXPECT_TRUE(c.Do("]").empty());  // end of the record
    Lines start = c.Do("jump 0");
    EXPECT_EQ(c.Board(start), START_EPD);
    Lines end = c.Do("jump 99");
    EXPECT_TRUE(StartsWith(c.Board(end), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq"));
}

TEST(ConsoleMoves, RedoNeverReplaysAStaleIllegalMove) {
    Console c;
    c.Do("e2e4");
    c.Do("d7d5");
    c.Do("e4d5");
    c.Do("undo");
    c.Do("undo");
    c.Do("e7e5");  // the record still holds exd5 behind it, which is no move now
    EXPECT_TRUE(c.Do("]").empty());
    Lines jump = c.Do("jump 5");
    EXPECT_TRUE(StartsWith(c.Board(jump), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq"));
}

TEST(ConsoleSettings, LevelReplies) {
    Console c;
    EXPECT_EQ(c.Do("level 40 5:00 0"), Lines{"set level to 40 moves in 300.00 seconds, inc 0.00"});
    EXPECT_EQ(c.Do("level 0 10 1"), Lines{"set level to 0 moves in 10.00 seconds, inc 1.00"});
    for (const char* bad : {"level", "level x 5 0", "level 40 abc 0", "level 40 5:xx 0", "level 40 5 y"}) {
        Lines reply = c.Do(bad);
        ASSERT_EQ(reply.size(), 1u) << bad;
        EXPECT_FALSE(StartsWith(reply[0], "set level")) << bad;
    }
}

TEST(ConsoleSettings, SetSelectivity) {
    Console c;
    EXPECT_EQ(c.Do("set LMR_depth 2"), Lines{"set LMR_depth to 2"});
    EXPECT_EQ(c.Do("set NMP_depth 5"), Lines{"set NMP_depth to 5"});
    EXPECT_EQ(c.Do("set"), Lines{"set selectivity to default"});
    EXPECT_EQ(c.Do("set bogus 3"), Lines{"set selectivity to default"});
}

TEST(ConsoleSettings, GarbageNumbersChangeNothing) {
    Console c;
    for (const char* bad : {"time abc", "sd x", "noise ?"}) {
        Lines reply = c.Do(bad);
        EXPECT_EQ(reply.size(), 1u) << bad;
    }
    EXPECT_TRUE(c.Do("time 12.5").empty());
    EXPECT_TRUE(c.Do("sd 80").empty());
}

TEST(ConsoleTools, PerftReplyFormat) {
    Console c;
    Lines reply = c.Do("perft 3");
    ASSERT_EQ(reply.size(), 1u);
    double seconds = -1, nps = -1;
    int used = 0;
    ASSERT_EQ(
        std::sscanf(reply[0].c_str(), "visited 8902 nodes in %lf seconds, nps= %lf%n", &seconds, &nps, &used),
        2)
        << reply[0];
    EXPECT_EQ(size_t(used), reply[0].size());
    EXPECT_EQ(reply[0].find('.'), reply[0].find(" seconds") - 4) << "three decimals: " << reply[0];
    EXPECT_GE(seconds, 0);
    EXPECT_GT(nps, 0);
}

TEST(ConsoleTools, SwapListsWinningCaptures) {
    Console c;
    c.Do("fen 4k3/8/8/3p4/4P3/8/8/4K3 w - -");
    EXPECT_EQ(c.Do("swap"), (Lines{"sq= e4, swap= 100", "sq= d5, swap= 100"}));
    // A defended pawn attacked by a pawn: the capture wins nothing.
    c.Do("fen 4k3/8/2p5/3p4/4P3/8/8/4K3 w - -");
    EXPECT_EQ(c.Do("swap"), (Lines{"sq= e4, swap= 100"}));
}

TEST(ConsoleFiles, SaveTwiceThenLoadTheSecondGame) {
    Console c;
    c.Do("e2e4");
    c.Do("e7e5");
    c.Do("save");
    c.Do("new");
    c.Do("d2d4");
    c.Do("save");
    std::string saved = ReadFile(c.Dir() + "/tmp.pgn");
    EXPECT_NE(saved.find("[Result \"*\"]\n\n1. e4 e5 *\n\n[Event \"?\"]\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Result \"*\"]\n\n1. d4 *\n\n"), std::string::npos) << saved;
    c.Do("new");
    Lines loaded = c.Do("load tmp.pgn 2");
    ASSERT_FALSE(loaded.empty());
    EXPECT_EQ(loaded[0], "loading tmp.pgn, tag 2");
    EXPECT_TRUE(StartsWith(c.Board(loaded), "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq"));
    // The loaded game ends the record: redo has nothing to play.
    EXPECT_TRUE(c.Do("]").empty());
}

TEST(ConsoleFiles, LoadReadsAroundACommentOverTwoLines) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/game.pgn")
        << "[Event \"first\"]\n[White \"a\"]\n\n1. d4 d5 *\n\n"
           "[Event \"second\"]\n\n1. e4 e5 {a comment\nthat goes on} 2. Nf3 Nc6 *\n";
    Console c(dir);
    Lines loaded = c.Do("load game.pgn second");
    EXPECT_EQ(c.Board(loaded), "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -");
    EXPECT_TRUE(
        StartsWith(c.Board(c.Do("load game.pgn")), "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq"));
}

TEST(ConsoleFiles, BadPgnFilesChangeNothing) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/empty.pgn") << "";
    std::ofstream(dir + "/binary.pgn") << std::string("\x00\x01\xff\x7f[Ev\x00ent\n\x80\x90", 12);
    std::ofstream(dir + "/bad.pgn") << "[Event \"x\"]\n\n1. e4 e5 2. Bc4 Bc4 3. Nf3 *\n";
    Console c(dir);
    c.Do("e2e4");
    const std::string after_e4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq";
    Lines missing = c.Do("load missing.pgn");
    EXPECT_EQ(c.Board(missing), "");
    EXPECT_EQ(missing.back(), "can't open missing.pgn");
    for (const char* cmd : {"load empty.pgn", "load binary.pgn", "load empty.pgn 7", "load bad.pgn 2"}) {
        Lines reply = c.Do(cmd);
        EXPECT_TRUE(StartsWith(c.Board(reply), after_e4)) << cmd;
    }
    Lines bad = c.Do("load bad.pgn");
    bool refused = false;
    for (auto& l : bad)
        refused |= l == "game 1 (? - ?): can't parse move 'Bc4' at 2..., the rest of the game is skipped";
    EXPECT_TRUE(refused);
    EXPECT_TRUE(StartsWith(c.Board(bad), "rnbqkbnr/pppp1ppp/8/4p3/2B1P3/8/PPPP1PPP/RNBQK1NR b KQkq"));
}

TEST(ConsoleFiles, GetTestPositions) {
    std::string dir = MakeTempDir();
    Console c(dir);
    EXPECT_TRUE(c.Do("get WAC.001").empty());  // no test.epd: nothing shown, nothing set
    std::ofstream(dir + "/test.epd")
        << "; a comment id \"WAC.001\"\n"
           "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - bm Qg6; id \"WAC.001\";\n"
           "8/8/8/8/8/8/8/8 w - - bm Kb1; id \"BAD.001\";\n";
    Lines got = c.Do("get WAC.001");
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - bm Qg6; id \"WAC.001\";");
    EXPECT_EQ(c.Board(got), "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -");
    Lines none = c.Do("get WAC.999");
    ASSERT_FALSE(none.empty());
    EXPECT_EQ(none[0], "");
    EXPECT_EQ(c.Board(none), "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -");
    Lines bad = c.Do("get BAD.001");
    EXPECT_EQ(c.Board(bad), "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -");
}

TEST(ConsoleInput, BadFenAndLongWords) {
    Console c;
    Lines bad = c.Do("fen 8/8/8/8/8/8/8/8 w - -");
    EXPECT_EQ(bad.size(), 1u);
    EXPECT_TRUE(c.Do(std::string(500, 'e')).empty());
    EXPECT_TRUE(c.Do("move " + std::string(500, 'N')).empty());
    Lines ok = c.Do("fen 4k3/8/8/8/8/8/8/4K2R w K -");
    EXPECT_EQ(c.Board(ok), "4k3/8/8/8/8/8/8/4K2R w K -");
    Lines castle = c.Do("O-O");
    ASSERT_FALSE(castle.empty());
    EXPECT_EQ(castle[0], "1. move O-O");
}

TEST(ConsoleSearch, AnalysisEndsWithTheSummary) {
    Console c;
    c.Send("go 3");
    Lines seen;
    ASSERT_TRUE(c.WaitFor("move= ", 20, &seen));
    std::string line;
    ASSERT_TRUE(c.ReadLine(line, 5));
    EXPECT_TRUE(StartsWith(line, "Hash fill= ")) << line;
    ASSERT_TRUE(c.ReadLine(line, 5));
    EXPECT_EQ(line, "");
}

TEST(ConsoleSearch, DotEndsAnInfiniteAnalysis) {
    Console c;
    c.Send("an");
    ReadFor(c, 0.3);
    c.Send(".");
    Lines seen;
    ASSERT_TRUE(c.WaitFor("move= ", 10, &seen));
}

TEST(ConsoleEdit, EditorReadsItsLinesFromTheSameInput) {
    Console c;
    c.Send("edit");
    c.Send("#");
    c.Send("w Ke1 Ra1");
    c.Send("b Ke8");
    c.Send(".");
    Lines seen = c.Mark();
    EXPECT_EQ(c.Board(seen), "4k3/8/8/8/8/8/8/R3K3 b Q -");
}

TEST(ConsoleSearch, SelfPlayUntilForced) {
    Console c;
    c.Do("level 1 0.02 0");
    c.Send("self");
    Lines seen;
    for (int i = 0; i < 3; i++) ASSERT_TRUE(c.WaitFor("move= ", 10, &seen));
    c.Send("force");
    c.Drain(0.5);  // the search under way may still finish and play
    Lines after = c.Drain(0.5);
    EXPECT_TRUE(after.empty()) << after.front();
    Lines board = c.Do("bd");
    EXPECT_NE(c.Board(board), START_EPD);
}

TEST(ConsoleTools, BookWithoutABookFileListsNothing) {
    Console c;
    EXPECT_EQ(c.Do("book"), Lines{""});
}

TEST(ConsoleTools, TuneNeedsAKnownParameterAndARange) {
    Console c;
    EXPECT_TRUE(c.Do("tune").empty());
    EXPECT_TRUE(c.Do("tune tune").empty());
    EXPECT_EQ(c.Do("tune no_such_weight 5"), Lines{"unknown parameter no_such_weight"});
}

TEST(ConsoleSearch, TypedMoveEndsTheAnalysisAndIsPlayed) {
    Console c;
    c.Send("an");
    ReadFor(c, 0.3);
    c.Send("e2e4");
    Lines seen;
    ASSERT_TRUE(c.WaitFor("move= ", 10, &seen));  // the ended analysis is answered first
    ASSERT_TRUE(c.WaitFor("1. move e2e4", 10, &seen));
    c.Drain(0.2);
    EXPECT_TRUE(StartsWith(c.Board(c.Do("bd")), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq"));
}
