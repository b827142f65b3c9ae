// The tuner: the interval search's trial points and bounds, ties, restoring
// the parameter, the console entry and the whole -tune pass with its log.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "eval/params.h"
#include "search/records.h"
#include "tests/tools/tools_env.h"
#include "tools/epd.h"
#include "tools/tune.h"

namespace {

// Positions where White has an extra knight and won: a larger knight value
// predicts them better.
const char* const knight_up =
    "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n"
    "2n1k3/pppp4/8/8/8/8/PPPP4/2N1K3 b - - tune 0.5;\n"
    "4k3/4pppp/8/8/8/8/4PPPP/1N2K3 b - - tune 0.0;\n";

class Tuner : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        Write("tune.epd", knight_up);
        PBlock.max_depth.store(0);
        std::strcpy(PBlock.epd_name, "tune.epd");
        PBlock.info_delay.store(9999.0);
    }
    // The "name= value" trial lines and "best= ..." lines in order.
    std::vector<std::string> Trials(const std::string& out, const std::string& prefix) {
        std::vector<std::string> r;
        std::istringstream s(out);
        for (std::string l; std::getline(s, l);)
            if (l.rfind(prefix, 0) == 0) r.push_back(l);
        return r;
    }
};

TEST_F(Tuner, AnErrorThatNeverImprovesKeepsTheEntryValue) {
    // The spare parameter feeds no evaluation term: every trial ties, so
    // best stays 10 and the interval closes in from both sides.
    fdtune = std::fopen("tune.log", "w");
    ASSERT_NE(fdtune, nullptr);
    testing::internal::CaptureStdout();
    int best = PTune("tune", &Personality.tune, 6);
    std::string out = testing::internal::GetCapturedStdout();
    std::fclose(fdtune);
    fdtune = nullptr;
    EXPECT_EQ(best, 10);
    EXPECT_EQ(Personality.tune, 10);
    std::vector<std::string> t = Trials(out, "tune= ");
    std::vector<std::string> want = {"tune= 10", "tune= 13", "tune= 7", "tune= 11", "tune= 8", "tune= 9"};
    EXPECT_EQ(t, want);
    std::vector<std::string> b = Trials(out, "best= ");
    ASSERT_EQ(b.size(), 5u);
    const char* bounds[] = {"min= 4, max= 13", "min= 7, max= 13", "min= 7, max= 11", "min= 8, max= 11",
                            "min= 9, max= 11"};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(b[i].rfind("best= 10, err= ", 0), 0u) << b[i];
        EXPECT_NE(b[i].find(bounds[i]), std::string::npos) << b[i];
    }
    EXPECT_NE(out.find("min= 9, max= 11\n\n"), std::string::npos) << "each round ends with an empty line";
    std::string log = Read("tune.log");
    ASSERT_EQ(log.size(), 24u + 2u + 4u + 2u + 7u + 1u) << log;
    EXPECT_EQ(log.substr(0, 32), "tune" + std::string(20, ' ') + "    10  ");
}

TEST_F(Tuner, ABetterValueIsFoundAndTheParameterRestored) {
    testing::internal::CaptureStdout();
    int best = PTune("knight_value_en", &Personality.knight_value_en, 30);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GT(best, 315);
    EXPECT_LE(best, 345);
    EXPECT_EQ(Personality.knight_value_en, 315);
    // The first trial is the upper midpoint; it improves, so lo moves up.
    std::vector<std::string> t = Trials(out, "knight_value_en= ");
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0], "knight_value_en= 315");
    EXPECT_EQ(t[1], "knight_value_en= 330");
    std::vector<std::string> b = Trials(out, "best= ");
    ASSERT_GE(b.size(), 1u);
    EXPECT_EQ(b[0].rfind("best= 330, err= ", 0), 0u) << b[0];
    EXPECT_NE(b[0].find("min= 315, max= 345"), std::string::npos) << b[0];
}

TEST_F(Tuner, EachMeasureUsesTheCurrentValue) {
    // The same position again with another knight value must score anew, not
    // from the evaluations cached by the first run: its value is that of the
    // position after a pawn capture, which the evaluation caches.
    Write("tune.epd", "4k3/ppp5/8/8/8/1p6/PPPP4/2N1K3 w - - tune 1.0;\n");
    testing::internal::CaptureStdout();
    double e1 = Analyze_EPD_File();
    Personality.knight_value_en = 345;
    double e2 = Analyze_EPD_File();
    Personality.knight_value_en = 315;
    double e3 = Analyze_EPD_File();
    testing::internal::GetCapturedStdout();
    EXPECT_LT(e2, e1);
    EXPECT_EQ(e3, e1);
}

TEST_F(Tuner, ARangeTooSmallForATrialLogsTheEntryValue) {
    fdtune = std::fopen("tune.log", "w");
    testing::internal::CaptureStdout();
    EXPECT_EQ(PTune("bishop_pair", &Personality.bishop_pair, 1), 35);
    std::string out = testing::internal::GetCapturedStdout();
    std::fclose(fdtune);
    fdtune = nullptr;
    EXPECT_EQ(out.rfind("bishop_pair= 35\nAnalyzing tune.epd...\n", 0), 0u) << out;
    EXPECT_EQ(out.find("bishop_pair= ", 1), std::string::npos) << "no trial";
    EXPECT_EQ(out.find("best= "), std::string::npos);
    EXPECT_EQ(Read("tune.log").substr(0, 32), "bishop_pair" + std::string(13, ' ') + "    35  ");
}

TEST_F(Tuner, MissingPositionsChangeNothing) {
    std::strcpy(PBlock.epd_name, "absent.epd");
    testing::internal::CaptureStdout();
    EXPECT_EQ(PTune("pinned", &Personality.pinned, 10), -12);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Personality.pinned, -12);
}

TEST_F(Tuner, TheFullPassLogsEveryParameterInTableOrder) {
    Write("tune.epd", "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n");
    PersonalityRec before;
    std::memcpy(&before, &Personality, sizeof before);
    PBlock.max_depth.store(9);
    testing::internal::CaptureStdout();
    RunTuningPass();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::memcmp(&before, &Personality, sizeof before), 0) << "every parameter is restored";
    EXPECT_EQ(fdtune, nullptr);
    std::istringstream log(Read("tune.log"));
    int i = 0;
    for (std::string l; std::getline(log, l); i++) {
        ASSERT_LT(i, NumTunable());
        const ParamDesc* p = TunableParam(i);
        char name[32];
        std::snprintf(name, sizeof name, "%-24s  ", p->name);
        EXPECT_EQ(l.substr(0, 26), name);
        int value = std::atoi(l.substr(26, 4).c_str());
        EXPECT_LE(std::abs(value - *p->field), p->range) << l;
        EXPECT_EQ(l.size(), 26u + 4u + 2u + 7u) << l;
    }
    EXPECT_EQ(i, NumTunable());
    EXPECT_EQ(i, 35);
    EXPECT_EQ(PBlock.max_depth.load(), 0);
}

TEST_F(Tuner, TheFullPassNeedsItsLog) {
    ASSERT_EQ(mkdir((dir_ + "/tune.log").c_str(), 0755), 0);  // cannot be opened as a file
    testing::internal::CaptureStdout();
    RunTuningPass();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(fdtune, nullptr);
}

}  // namespace
