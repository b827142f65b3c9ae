// Search information lines in every format, and the console summary.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "search/output.h"
#include "search/transposition.h"
#include "tests/support/fixture.h"

namespace {

class OutputTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ThreadData[1]->nodes.store(1234567);
        PBlock.elapsed.store(2.5);
    }
    std::string Line(int protocol, int flag, const uint16_t* pv) {
        PBlock.protocol.store(int16_t(protocol));
        CaptureStdout out;
        DisplaySearchInfo(3, flag, 12, -35, pv);
        return out.Text();
    }
    const uint16_t e2e4 = MakeMoveWord(12, 28), e7e5 = MakeMoveWord(52, 36);
};

TEST_F(OutputTest, ConsoleLine) {
    uint16_t pv[MAX_PLY] = {0, e2e4, e7e5, 0};
    EXPECT_EQ(Line(0, 1, pv), "03] 12.   2.5    1235K   -35  e2e4 e7e5\n");
    EXPECT_EQ(Line(0, 0, pv), "03] 12    2.5    1235K   -35  e2e4 e7e5\n");
}

TEST_F(OutputTest, UciLine) {
    uint16_t pv[MAX_PLY] = {0, e2e4, e7e5, 0};
    EXPECT_EQ(Line(2, 1, pv),
              "info depth 12 seldepth 12 multipv 1 time 2500 score cp -35 nodes 1234567 nps 493827 hashfull 0 pv "
              "e2e4 e7e5\n");
}

// Mates in moves from the side to move's view, bounds of aspiration fails,
// the line number of a multi-line search.
TEST_F(OutputTest, UciScoresBoundsAndLines) {
    uint16_t pv[MAX_PLY] = {0, e2e4, 0};
    PBlock.protocol.store(2);
    struct Row {
        int score, bound, line;
        const char* text;
    } rows[] = {
        {9998, 0, 1, "multipv 1 time 2500 score mate 1 nodes"},   {9996, 0, 1, "score mate 2 nodes"},
        {-9997, 0, 1, "score mate -1 nodes"},                     {-9995, 0, 1, "score mate -2 nodes"},
        {8999, 0, 1, "score cp 8999 nodes"},                      {120, BOUND_LOWER, 1, "score cp 120 lowerbound nodes"},
        {-40, BOUND_UPPER, 1, "score cp -40 upperbound nodes"},   {5, 0, 7, "seldepth 12 multipv 7 time"},
    };
    for (const Row& r : rows) {
        CaptureStdout out;
        DisplaySearchInfo(3, 0, 12, r.score, pv, r.bound, r.line);
        std::string text = out.Text();
        EXPECT_NE(text.find(r.text), std::string::npos) << text;
    }
}

TEST_F(OutputTest, UciExtraLineCarriesTheThread) {
    uint16_t pv[MAX_PLY] = {0, e2e4, 0};
    uci_extra = 1;
    EXPECT_EQ(Line(2, 1, pv), "info [03.] depth 12 seldepth 12 multipv 1 time 2500 score cp -35 nodes 1234567 nps 493827 hashfull 0 pv e2e4\n");
    EXPECT_EQ(Line(2, 0, pv), "info [03 ] depth 12 seldepth 12 multipv 1 time 2500 score cp -35 nodes 1234567 nps 493827 hashfull 0 pv e2e4\n");
    uci_extra = 0;
}

TEST_F(OutputTest, TwelveMovesUnderUciTenOnTheConsole) {
    uint16_t pv[MAX_PLY] = {};
    for (int i = 1; i <= 12; i++) pv[i] = MakeMoveWord(6, 21);  // g1f3, text only
    auto count = [](const std::string& s, const std::string& what) {
        int n = 0;
        for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) n++;
        return n;
    };
    EXPECT_EQ(count(Line(2, 1, pv), "g1f3"), 12);
    EXPECT_EQ(count(Line(0, 1, pv), "g1f3"), 10);
}

TEST_F(OutputTest, NoSpeedInTheFirstMillisecond) {
    uint16_t pv[MAX_PLY] = {0, e2e4, 0};
    PBlock.elapsed.store(0.001);
    EXPECT_EQ(Line(2, 2, pv), "info depth 12 seldepth 12 multipv 1 time 1 score cp -35 nodes 1234567 nps 0 hashfull 0 pv e2e4\n");
}

TEST_F(OutputTest, PromotionsUseTheProtocolsNotation) {
    uint16_t pv[MAX_PLY] = {0, MakeMoveWord(52, 60, PROMO_N), 0};
    EXPECT_NE(Line(2, 1, pv).find("pv e7e8n\n"), std::string::npos);
    EXPECT_NE(Line(0, 1, pv).find("e7e8=N\n"), std::string::npos);
}

TEST_F(OutputTest, ConsoleSummary) {
    PBlock.protocol.store(0);
    ClearTTable();
    PBlock.best_pv[1].store(e2e4);
    PBlock.best_score.store(-35);
    PBlock.done_depth.store(4);
    Collect();
    CaptureStdout out;
    ShowSearchSummary();
    EXPECT_EQ(out.Text(),
              "move= e2e4, time= 2.500, score= -35, nodes= 1234567, nps= 494K ebf= 2.00\n"
              "Hash fill= 0%, Hash hits: main= 0.0%, pawn= 0.0%, eval= 0.0%\n");
}

TEST_F(OutputTest, BranchingFactorFromTheLastFourIterations) {
    PBlock.protocol.store(0);
    PBlock.done_depth.store(8);
    ThreadData[1]->iter_nodes[4].store(1000);
    ThreadData[1]->iter_nodes[6].store(4000);
    ThreadData[1]->iter_nodes[8].store(16000);
    CaptureStdout out;
    ShowSearchSummary();
    EXPECT_NE(out.Text().find("ebf= 2.00\n"), std::string::npos);
    ThreadData[1]->iter_nodes[8].store(81000);
    CaptureStdout again;
    ShowSearchSummary();
    EXPECT_NE(again.Text().find("ebf= 3.00\n"), std::string::npos);
}

TEST_F(OutputTest, FinalLineOnlyWithAMoveAndOutputAllowed) {
    PBlock.protocol.store(2);
    PBlock.best_depth.store(9);
    PBlock.best_score.store(21);
    PBlock.best_pv[1].store(e2e4);
    PBlock.best_pv[2].store(0);
    PBlock.stop.store(1);
    PBlock.info_delay.store(0);
    {
        CaptureStdout out;
        ShowFinalSearchInfo();
        EXPECT_EQ(out.Text(), "info depth 9 seldepth 9 multipv 1 time 2500 score cp 21 nodes 1234567 nps 493827 hashfull 0 pv e2e4\n");
    }
    PBlock.info_delay.store(9999.0);
    {
        CaptureStdout out;
        ShowFinalSearchInfo();
        EXPECT_EQ(out.Text(), "");
    }
    PBlock.info_delay.store(0);
    PBlock.best_pv[1].store(0);
    {
        CaptureStdout out;
        ShowFinalSearchInfo();
        EXPECT_EQ(out.Text(), "");
    }
}

}  // namespace
