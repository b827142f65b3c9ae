// The evaluation report's exact layout, from report fields set by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "eval/report.h"
#include "tests/board/board_setup.h"
#include "tests/eval/eval_setup.h"

namespace {

struct Report : ::testing::Test {
    void SetUp() override {
        EvalTestSetup();
        MainPosition("r3k3/1p6/8/8/8/8/4P3/R3K2N b - -");
        std::memset(&PBlock.report, 0, sizeof PBlock.report);
        EvalReport& r = PBlock.report;
        PBlock.root_eval = 123;
        PBlock.root_qscore = -45;
        r.draw_factor = 0.5;
        r.material[0] = 1000, r.material[1] = 990;
        r.positional[0] = -5, r.positional[1] = 12;
        const int16_t totals[2][8] = {{7, 11, 120, 0, -1234, 0, -32, 0}, {0, -3, 0, 0, -15, 0, 8, 0}};
        std::memcpy(r.type_total, totals, sizeof totals);
        r.square_score[56] = -15, r.square_score[60] = 8, r.square_score[49] = -3;
        r.square_score[12] = 11, r.square_score[0] = -1234, r.square_score[4] = -32, r.square_score[7] = 120;
        r.passer_sq[0] = 0, r.passer_sq[1] = 63;
    }
    std::string Text() {
        char buf[4096];
        int n = FormatEvalInfo(buf, sizeof buf);
        EXPECT_EQ(n, int(std::strlen(buf)));
        return buf;
    }
};

const char kTable[] =
    "           white     black\n"
    "mtl=        1000       990\n"
    "pos=          -5        12\n"
    "ppawn=         7         0\n"
    "pawns=        11        -3\n"
    "knights=     120         0\n"
    "bishops=       0         0\n"
    "rooks=     -1234       -15\n"
    "queens=        0         0\n"
    "king=        -32         8\n";

const char kBoard[] =
    " r + - + k + - +      -15    -    -    -    8    -    -    -\n"
    " + o + - + - + -        -   -3    -    -    -    -    -    -\n"
    " - + - + - + - +        -    -    -    -    -    -    -    -\n"
    " + - + - + - + -        -    -    -    -    -    -    -    -\n"
    " - + - + - + - +        -    -    -    -    -    -    -    -\n"
    " + - + - + - + -        -    -    -    -    -    -    -    -\n"
    " - + - + P + - +        -    -    -    -   11    -    -    -\n"
    " R - + - K - + N     -1234    -    -    -  -32    -    -  120\n"
    "black\n";

TEST_F(Report, PlainLayout) {
    std::string expect = std::string("\neval= 123, qscore= -45, draw_adj= 0.50\n") + kTable + kBoard;
    EXPECT_EQ(Text(), expect);
}

TEST_F(Report, HungPinnedAndFreePawnLines) {
    PBlock.report.hanging = (1ULL << 12) | (1ULL << 49);
    PBlock.report.pinned = 1ULL << 12;
    PBlock.report.passer_sq[0] = 12;
    PBlock.report.passer_sq[1] = 49;
    std::string expect = std::string("\neval= 123, qscore= -45, draw_adj= 0.50\n") +
                         "hung pieces on:  e2 b7\n"
                         "pinned pieces on : e2\n"
                         "free pawns on :  e2 b7\n" +
                         kTable + kBoard;
    EXPECT_EQ(Text(), expect);
}

TEST_F(Report, FreePawnOfOneSideOnly) {
    PBlock.report.passer_sq[1] = 49;
    EXPECT_NE(Text().find("\nfree pawns on :  b7\n"), std::string::npos);
    PBlock.report.passer_sq[0] = 12;
    PBlock.report.passer_sq[1] = 63;
    EXPECT_NE(Text().find("\nfree pawns on :  e2\n"), std::string::npos);
}

TEST_F(Report, SmallBufferIsCutNotOverrun) {
    char buf[40];
    std::memset(buf, 'x', sizeof buf);
    int n = FormatEvalInfo(buf, 30);
    EXPECT_EQ(n, 29);
    EXPECT_EQ(buf[29], 0);
    EXPECT_EQ(buf[30], 'x');
    EXPECT_EQ(FormatEvalInfo(buf, 0), 0);
}

// The whole command on the pawn ending worked by hand in the evaluation
// tests: nothing to capture and no quiet check, so qscore equals eval.
TEST(ShowEvalInfo, PrintsTheReportOfTheGamePosition) {
    EvalTestSetup();
    MainPosition("7k/7p/8/P7/8/8/8/4K3 w - -");
    PBlock.max_depth.store(17);
    PBlock.log_on.store(0);
    PBlock.report.hanging = ~0ULL;  // stale fields are cleared first
    ::testing::internal::CaptureStdout();
    ShowEvalInfo();
    std::string out = ::testing::internal::GetCapturedStdout();
    const char* expect =
        "\neval= 274, qscore= 274, draw_adj= 1.00\n"
        "free pawns on :  a5 h7\n"
        "           white     black\n"
        "mtl=         102       102\n"
        "pos=         236       -35\n"
        "ppawn=        97        12\n"
        "pawns=       -15       -19\n"
        "knights=       0         0\n"
        "bishops=       0         0\n"
        "rooks=         0         0\n"
        "queens=        0         0\n"
        "king=          4       -28\n"
        " - + - + - + - k        -    -    -    -    -    -    -  -28\n"
        " + - + - + - + o        -    -    -    -    -    -    -   12\n"
        " - + - + - + - +        -    -    -    -    -    -    -    -\n"
        " P - + - + - + -       97    -    -    -    -    -    -    -\n"
        " - + - + - + - +        -    -    -    -    -    -    -    -\n"
        " + - + - + - + -        -    -    -    -    -    -    -    -\n"
        " - + - + - + - +        -    -    -    -    -    -    -    -\n"
        " + - + - K - + -        -    -    -    -    4    -    -    -\n"
        "white\n\n";
    EXPECT_EQ(out, expect);
    EXPECT_EQ(PBlock.max_depth.load(), 17);
    EXPECT_EQ(PBlock.root_eval, 274);
    EXPECT_EQ(PBlock.root_qscore, 274);
}

}  // namespace
