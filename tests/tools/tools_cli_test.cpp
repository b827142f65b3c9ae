// The tools as the command line and the console start them: the engine runs
// the batch and exits, also when its standard input is already closed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/engine_process.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// Runs the engine with args in dir with its input closed; returns its output.
std::string RunBatch(const std::vector<std::string>& args, const std::string& dir, int* status) {
    EngineProcess e(args, dir);
    e.CloseInput();
    std::vector<std::string> lines;
    for (std::string l; e.ReadLine(l, 60.0);) lines.push_back(l);
    *status = e.Wait(10.0);
    return Joined(lines);
}

TEST(ToolsCommandLine, AnepdSearchesEverySuitePositionWithInputClosed) {
    std::string dir = MakeTempDir();
    std::string suite = std::string(VELL_TEST_DATA) + "/tools/best_moves.epd";
    int status;
    std::string out = RunBatch({"-anepd", suite, "-d", "5", "-nolog"}, dir, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("Analyzing " + suite + "...\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\npos= 8\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n8 / 8 correct best moves\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\navg error= "), std::string::npos);
}

TEST(ToolsCommandLine, AnepdOfAMissingFileSaysNothing) {
    std::string dir = MakeTempDir();
    int status;
    std::string out = RunBatch({"-anepd", dir + "/absent.epd", "-nolog"}, dir, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
}

TEST(ToolsCommandLine, ScanPgnWritesTuningPositions) {
    std::string dir = MakeTempDir();
    std::string moves;
    const char* cycle[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    for (int i = 0; i < 24; i++) {
        if (i % 2 == 0) moves += std::to_string(i / 2 + 1) + ". ";
        moves += std::string(cycle[i % 4]) + " {+0.10/5 0.1s} ";
    }
    WriteText(dir + "/g.pgn", "[Event \"t\"]\n[Result \"1-0\"]\n\n" + moves + "1-0\n");
    int status;
    std::string out = RunBatch({"-scan_pgn2", "g.pgn"}, dir, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "1 games, 24 moves read, 0 games cut\ngames= 1, positions= 1\n");
    EXPECT_EQ(ReadFile(dir + "/tmp.epd"),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm Nf3; ce 10; tune 0.76;\n\n");
}

TEST(ToolsCommandLine, TuneRunsEveryParameterIntoTheLog) {
    std::string dir = MakeTempDir();
    WriteText(dir + "/tune.epd",
              "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n"
              "r3k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 0.0;\n");
    int status;
    std::string out = RunBatch({"-tune", "-nolog"}, dir, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("pawn_value_op= 82\n", 0), 0u) << out.substr(0, 200);
    std::istringstream log(ReadFile(dir + "/tune.log"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(log, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 35u);
    EXPECT_EQ(lines[0].substr(0, 26), "pawn_value_op             ");
    EXPECT_EQ(lines[34].substr(0, 26), "pinned                    ");
}

TEST(ToolsConsole, TuneReportsDone) {
    std::string dir = MakeTempDir();
    WriteText(dir + "/tune.epd", "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n");
    EngineProcess e({"-c", "-nolog"}, dir);
    e.Send("tune tune");     // one argument: nothing happens
    e.Send("tune tune 6");
    std::vector<std::string> seen;
    ASSERT_TRUE(e.WaitFor("done!", 30.0, &seen)) << Joined(seen);
    std::string out = Joined(seen);
    EXPECT_NE(out.find("tune= 10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("tune= 13\n"), std::string::npos) << out;
    EXPECT_NE(out.find("best= 10, err= "), std::string::npos);
    std::string next;
    ASSERT_TRUE(e.ReadLine(next, 5.0));
    EXPECT_EQ(next, "");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10.0), 0);
}

}  // namespace
