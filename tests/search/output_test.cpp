// Search information lines in every format, and the console summary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "search/output.h"
#include "search/limits.h"
#include "search/transposition.h"
#include "search/wdl.h"
#include "tools/annotate.h"
#include "tests/support/fixture.h"

namespace {

constexpr Protocol CON = Protocol::Console, UCI = Protocol::Uci;

struct OutputTest : EngineTest {
    void SetUp() override {
        EngineTest::SetUp();
        ThreadData[1]->nodes.store(1234567);
        PBlock.elapsed.store(2.5);
    }
    const uint16_t e2e4 = MakeMoveWord(12, 28), e7e5 = MakeMoveWord(52, 36);
};

std::string Uci(const char* score, const std::string& pv,
                const char* head = "depth 12 seldepth 12 multipv 1") {
    return std::string("info ") + head + " time 2500 score " + score +
           " nodes 1234567 nps 493827 hashfull 0 pv " + pv + "\n";
}

// Mates in moves from the side to move's view, bounds of aspiration fails, the
// line number of a multi-line search, the thread under extra output, twelve
// moves under UCI and ten on the console, no speed in the first millisecond.
TEST_F(OutputTest, InfoLines) {
    const uint16_t g1f3 = MakeMoveWord(6, 21), e7e8n = MakeMoveWord(52, 60, PROMO_N);
    const std::vector<uint16_t> two = {e2e4, e7e5}, twelve(12, g1f3);
    std::string g10 = "g1f3";
    for (int i = 1; i < 10; i++) g10 += " g1f3";
    const struct {
        Protocol protocol;
        int flag, score, bound, line, extra;
        std::vector<uint16_t> pv;
        std::string text;
        bool wdl = false;
    } rows[] = {
        {CON, 1, -35, 0, 1, 0, two, "03] 12.   2.5    1235K   -35  e2e4 e7e5\n"},
        {CON, 0, -35, 0, 1, 0, two, "03] 12    2.5    1235K   -35  e2e4 e7e5\n"},
        {UCI, 1, -35, 0, 1, 0, two, Uci("cp -35", "e2e4 e7e5")},
        {UCI, 0, 9996, 0, 1, 0, {e2e4}, Uci("mate 2", "e2e4")},
        {UCI, 0, -9997, 0, 1, 0, {e2e4}, Uci("mate -1", "e2e4")},
        {UCI, 0, 8999, 0, 1, 0, {e2e4}, Uci("cp 8999", "e2e4")},
        {UCI, 0, 120, BOUND_LOWER, 1, 0, {e2e4}, Uci("cp 120 lowerbound", "e2e4")},
        {UCI, 0, -40, BOUND_UPPER, 1, 0, {e2e4}, Uci("cp -40 upperbound", "e2e4")},
        {UCI, 0, -35, 0, 1, 1, {e2e4}, Uci("cp -35", "e2e4", "[03 ] depth 12 seldepth 12 multipv 1")},
        {UCI, 1, -35, 0, 1, 0, twelve, Uci("cp -35", g10 + " g1f3 g1f3")},
        {CON, 1, -35, 0, 1, 0, twelve, "03] 12.   2.5    1235K   -35  " + g10 + "\n"},
        {UCI, 1, -35, 0, 1, 0, {e7e8n}, Uci("cp -35", "e7e8n")},
        {CON, 1, -35, 0, 1, 0, {e7e8n}, "03] 12.   2.5    1235K   -35  e7e8=N\n"},
        {UCI, 0, 9996, 0, 1, 0, {e2e4}, Uci("mate 2 wdl 1000 0 0", "e2e4"), true},
        {UCI, 0, -9997, BOUND_UPPER, 1, 0, {e2e4}, Uci("mate -1 upperbound wdl 0 0 1000", "e2e4"), true},
        {CON, 1, -35, 0, 1, 0, two, "03] 12.   2.5    1235K   -35  e2e4 e7e5\n", true},
        {UCI,
         2,
         -35,
         0,
         1,
         0,
         {e2e4},
         "info depth 12 seldepth 12 multipv 1 time 1 score cp -35 nodes 1234567 nps 0 hashfull 0 pv e2e4\n"},
    };
    for (auto& r : rows) {
        uint16_t pv[MAX_PLY] = {};
        for (size_t i = 0; i < r.pv.size(); i++) pv[i + 1] = r.pv[i];
        PBlock.protocol.store(r.protocol);
        PBlock.elapsed.store(r.flag == 2 ? 0.001 : 2.5);
        uci_extra = r.extra;
        search_limits.show_wdl = r.wdl;
        EXPECT_EQ(Printed([&] { DisplaySearchInfo(3, r.flag, 12, r.score, pv, r.bound, r.line); }), r.text);
    }
}

// The branching factor comes from the last four iterations.
TEST_F(OutputTest, ConsoleSummary) {
    PBlock.protocol.store(Protocol::Console);
    PBlock.best_pv[1].store(e2e4);
    PBlock.best_score.store(-35);
    PBlock.done_depth.store(4);
    Collect();
    EXPECT_EQ(Printed(ShowSearchSummary),
              "move= e2e4, time= 2.500, score= -35, nodes= 1234567, nps= 494K ebf= 2.00\n"
              "Hash fill= 0%, Hash hits: main= 0.0%, pawn= 0.0%, eval= 0.0%\n");
    PBlock.done_depth.store(8);
    for (int d : {4, 6, 8}) ThreadData[1]->iter_nodes[d].store(d == 8 ? 81000 : 1000 << (d - 4));
    EXPECT_NE(Printed(ShowSearchSummary).find("ebf= 3.00\n"), std::string::npos);
}

TEST_F(OutputTest, FinalLineOnlyWithAMoveAndOutputAllowed) {
    PBlock.best_depth.store(9);
    PBlock.best_score.store(21);
    PBlock.stop.store(StopReason::Report);
    const struct {
        double delay;
        uint16_t move;
        std::string text;
    } rows[] = {{0, e2e4, Uci("cp 21", "e2e4", "depth 9 seldepth 9 multipv 1")},
                {SILENT_OUTPUT, e2e4, ""},
                {0, 0, ""}};
    for (auto& r : rows) {
        search_limits.info_delay = r.delay;
        PBlock.best_pv[1].store(r.move);
        EXPECT_EQ(Printed(ShowFinalSearchInfo), r.text);
    }
}

}  // namespace

// Per mille that always sum to 1000, the same odds seen from either side, and
// more winning chances for more score, with any material left (promotions
// may leave more than the initial 78).
TEST(WinDrawLoss, SumsToAThousandAndIsSymmetric) {
    for (int material : {0, 25, 78, 150}) {
        Wdl last{0, 0, 1000};
        for (int score = -3000; score <= 3000; score += 7) {
            const Wdl w = WinDrawLoss(score, material), other = WinDrawLoss(-score, material);
            EXPECT_EQ(w.win + w.draw + w.loss, 1000) << score << " " << material;
            EXPECT_GE(w.draw, 0) << score << " " << material;
            EXPECT_EQ(w.win, other.loss) << score << " " << material;
            EXPECT_GE(w.win, last.win) << score << " " << material;
            EXPECT_LE(w.loss, last.loss) << score << " " << material;
            last = w;
        }
        // +1 to -1 is a blunder, +9 to +6 not even an inaccuracy.
        EXPECT_GT(ExpectedResult(WinDrawLoss(100, material)) - ExpectedResult(WinDrawLoss(-100, material)),
                  BLUNDER_LOSS)
            << material;
        EXPECT_LT(ExpectedResult(WinDrawLoss(900, material)) - ExpectedResult(WinDrawLoss(600, material)),
                  INACCURACY_LOSS)
            << material;
    }
}

TEST_F(OutputTest, MaterialLeft) {
    const struct {
        const char* fen;
        int material;
    } rows[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 78},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0},
        {"rnb1k3/p7/8/8/8/8/8/R3K2Q b - - 0 1", 26},
        {"QQQ5/8/8/8/7k/8/8/4K3 w - - 0 1", 27},
    };
    for (auto& r : rows) {
        Position pos{};  // no history: the reader writes none
        char why[128];
        ASSERT_TRUE(LoadFen(&pos, r.fen, false, why)) << r.fen;
        EXPECT_EQ(MaterialLeft(pos), r.material) << r.fen;
    }
    // With few pieces left a level game is mostly drawn and a fair edge too,
    // while a large one is surer to win.
    EXPECT_GT(WinDrawLoss(0, 10).draw, WinDrawLoss(0, 70).draw);
    EXPECT_LT(WinDrawLoss(150, 10).win, WinDrawLoss(150, 70).win);
    EXPECT_GT(WinDrawLoss(400, 10).win, WinDrawLoss(400, 70).win);
}

// A search line carries the chances of its root's material.
TEST_F(OutputTest, WdlOfTheRootMaterial) {
    PBlock.protocol.store(UCI);
    search_limits.show_wdl = true;
    uint16_t pv[MAX_PLY] = {0, e2e4};
    for (const char* fen :
         {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1"}) {
        char why[128];
        ASSERT_TRUE(LoadFen(&ThreadData[0]->pos, fen, false, why)) << fen;
        const Wdl w = WinDrawLoss(150, MaterialLeft(ThreadData[0]->pos));
        const std::string score = "cp 150 wdl " + std::to_string(w.win) + " " + std::to_string(w.draw) + " " +
                                  std::to_string(w.loss);
        EXPECT_EQ(Printed([&] { DisplaySearchInfo(3, 0, 12, 150, pv, 0, 1); }), Uci(score.c_str(), "e2e4"))
            << fen;
    }
}
