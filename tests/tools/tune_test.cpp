// The tuner: the interval search's trial points and bounds, ties, restoring
// the parameter, the console entry and the whole -tune pass with its log.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include <sys/stat.h>

#include "eval/params.h"
#include "tests/board/board_setup.h"
#include "tools/epd.h"
#include "tools/tune.h"

namespace {

class Tuner : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // White has an extra knight and won: a larger knight value predicts these better.
        WriteFile("tune.epd",
                  "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n"
                  "2n1k3/pppp4/8/8/8/8/PPPP4/2N1K3 b - - tune 0.5;\n"
                  "4k3/4pppp/8/8/8/8/4PPPP/1N2K3 b - - tune 0.0;\n");
        PBlock.max_depth.store(0);
        std::strcpy(PBlock.epd_name, "tune.epd");
    }
    // PTune (with a log); best_ is its result; returns the trial ("name= v") and "best= " lines, each
    // best line shortened to its value and bounds.
    std::string Tune(const char* name, int16_t* field, int range, bool log = true) {
        if (log) fdtune = std::fopen("tune.log", "w");
        std::istringstream out(Printed([&] { best_ = PTune(name, field, range); }));
        if (log) std::fclose(fdtune);
        fdtune = nullptr;
        std::string r;
        for (std::string l; std::getline(out, l);) {
            if (l.rfind(std::string(name) + "= ", 0) == 0) r += l + ";";
            if (l.rfind("best= ", 0) == 0) r += l.substr(0, l.find(',')) + l.substr(l.find(", min=")) + ";";
        }
        return r;
    }
    int best_ = 0;
};

TEST_F(Tuner, IntervalSearch) {
    // The spare parameter feeds no evaluation term: every trial ties, so
    // best stays 10 and the interval closes in from both sides.
    EXPECT_EQ(
        Tune("tune", &Personality.tune, 6),
        "tune= 10;tune= 13;best= 10, min= 4, max= 13;tune= 7;best= 10, min= 7, max= 13;tune= 11;"
        "best= 10, min= 7, max= 11;tune= 8;best= 10, min= 8, max= 11;tune= 9;best= 10, min= 9, max= 11;");
    EXPECT_EQ(best_, 10);
    EXPECT_EQ(Personality.tune, 10);
    EXPECT_EQ(ReadFile("tune.log").substr(0, 32), "tune" + std::string(20, ' ') + "    10  ");
    // The first trial is the upper midpoint; it improves, so lo moves up; the parameter is restored.
    std::string t = Tune("knight_value_en", &Personality.knight_value_en, 30, false);
    EXPECT_EQ(t.rfind("knight_value_en= 315;knight_value_en= 330;best= 330, min= 315, max= 345;", 0), 0u)
        << t;
    EXPECT_GT(best_, 315);
    EXPECT_LE(best_, 345);
    EXPECT_EQ(Personality.knight_value_en, 315);
    // A range too small for a trial logs the entry value.
    EXPECT_EQ(Tune("bishop_pair", &Personality.bishop_pair, 1), "bishop_pair= 35;");
    EXPECT_EQ(best_, 35);
    EXPECT_EQ(ReadFile("tune.log").substr(0, 32), "bishop_pair" + std::string(13, ' ') + "    35  ");
    std::strcpy(PBlock.epd_name, "absent.epd");  // missing positions change nothing
    Tune("pinned", &Personality.pinned, 10, false);
    EXPECT_EQ(best_, -12);
    EXPECT_EQ(Personality.pinned, -12);
}

TEST_F(Tuner, EachMeasureUsesTheCurrentValue) {
    // The same position again with another knight value must score anew, not
    // from the evaluations cached by the first run: its value is that of the
    // position after a pawn capture, which the evaluation caches.
    WriteFile("tune.epd", "4k3/ppp5/8/8/8/1p6/PPPP4/2N1K3 w - - tune 1.0;\n");
    double e[3];
    Printed([&] {
        e[0] = Analyze_EPD_File();
        Personality.knight_value_en = 345;
        e[1] = Analyze_EPD_File();
        Personality.knight_value_en = 315;
        e[2] = Analyze_EPD_File();
    });
    EXPECT_LT(e[1], e[0]);
    EXPECT_EQ(e[2], e[0]);
}

TEST_F(Tuner, TheFullPassLogsEveryParameterInTableOrder) {
    WriteFile("tune.epd", "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n");
    PersonalityRec before;
    std::memcpy(&before, &Personality, sizeof before);
    PBlock.max_depth.store(9);
    Printed(RunTuningPass);
    EXPECT_EQ(std::memcmp(&before, &Personality, sizeof before), 0) << "every parameter is restored";
    EXPECT_EQ(fdtune, nullptr);
    EXPECT_EQ(PBlock.max_depth.load(), 0);
    std::istringstream log(ReadFile("tune.log"));
    int i = 0;
    for (std::string l; std::getline(log, l); i++) {
        ASSERT_LT(i, NumTunable());
        const ParamDesc* p = TunableParam(i);
        EXPECT_EQ(l.rfind(p->name + std::string(26 - std::strlen(p->name), ' '), 0), 0u) << l;
        EXPECT_EQ(l.size(), 26u + 4u + 2u + 7u) << l;
    }
    EXPECT_EQ(i, NumTunable());
    std::remove("tune.log");
    ASSERT_EQ(mkdir("tune.log", 0755), 0);  // the pass needs its log: a folder cannot be opened as one
    EXPECT_EQ(Printed(RunTuningPass), "");
    EXPECT_EQ(fdtune, nullptr);
}

}  // namespace
