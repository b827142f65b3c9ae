// EPD analysis: the error measure, the depth-0 path the tuner uses, bad lines,
// the summary, "quit" during a run, and a searched suite of known best moves;
// the tuner on it: the interval search's trial points and bounds, ties,
// restoring the parameter and the whole -tune pass with its log.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <sys/stat.h>

#include "board/fen.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "search/batch.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "tests/board/board_setup.h"
#include "tools/epd.h"
#include "tools/tune.h"

namespace {

const std::string bare_kings = "4k3/8/8/8/8/8/8/4K3 w - -";

struct EpdAnalysis : EngineTest {
    // Runs the analysis of the given file text; returns the average error and
    // leaves the output in out_.
    double Run(const std::string& text, int depth) {
        WriteFile("suite.epd", text);
        limits_ = BatchLimits(depth);
        limits_.move_time = move_time_;
        return Again();
    }
    // The same analysis of the file once more.
    double Again(const char* name = "suite.epd") {
        double e = 0;
        out_ = Printed([&] { e = Analyze_EPD_File(name, limits_); });
        return e;
    }
    bool Has(const std::string& line) const { return out_.find(line + "\n") != std::string::npos; }
    std::string out_;
    Limits limits_;
    double move_time_ = 5.0;
};

// The scale of the error measure; 0 and mate scores are pinned by the runs below.
TEST(EpdError, KnownValues) {
    EXPECT_NEAR(PredictionError(1.0, 400), 0.0818, 0.00005);
    EXPECT_NEAR(PredictionError(0.0, -400), 0.0818, 0.00005);
}

TEST_F(EpdAnalysis, DepthZeroRuns) {
    const struct {
        std::string text;
        double error;
        const char* count;
        int qscore;
    } rows[] = {
        // Depth 0 reads no "bm": nothing counts as found, even a move that would be.
        {bare_kings + " bm Kd2; tune 1.0;\n", 0.5, "0 / 1", 0},
        {bare_kings + " bm Kd2;\n" + bare_kings + "\n", 0.0, "0 / 2", 0},  // without tune the target is 1/2
        {"4k3/8/8/8/8/8/4r3/4K3 w - - tune 0.0;\n", 0.0, "0 / 1", -9999},  // in check: scored as mated
        // Counted: lines 1, 2, 3, 5 and the over-long one, whose cut-off rest
        // (the tune field) is dropped rather than read as a line of its own;
        // the board refusals themselves are the FEN table's.
        {bare_kings + " tune 1.0;\n" +                                             // error 0.5
             bare_kings + " tune abc;\n" +                                         // no number: 0.5, error 0
             bare_kings + " tune nan;\n" +                                         // the same
             "4k3/8/8/8/8/8/8/8 w - - tune 1.0;\n" +                               // no white king
             "4k3/8/8/8/8/8/8/4K3 w - - ; bm ; tune 1.0\n" +                       // empty bm: error 0.5
             bare_kings + " id \"" + std::string(400, 'x') + "\"; tune 1.0;\n\n",  // cut
         0.2, "0 / 5", 0},
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(Run(r.text, 0), r.error, 1e-9) << r.text;
        EXPECT_TRUE(Has(std::string(r.count) + " correct best moves")) << out_;
        EXPECT_EQ(PBlock.root_qscore, r.qscore) << r.text;
        EXPECT_FALSE(search_limits.use_hash) << "shallow runs leave the table alone";
        EXPECT_EQ(PBlock.use_hash.load(), 1) << "and leave its setting as it was";
    }
    size_t at = 0;
    for (const char* o :
         {"Analyzing ", "0 / 5 correct best moves\n", "total nodes= ", "total time= ", "avg depth= ",
          "avg nodes= ", "node_rate= ", "avg bf= 2.00\n", "avg error= 0.20000\n\n"}) {
        ASSERT_NE(at = out_.find(o, at), std::string::npos) << o << "\n" << out_;
    }
    // The queen is lost at once: the root's quiescence value is far below the static evaluation.
    Run("4k3/8/8/3q4/8/8/3R4/4K3 w - - tune 1.0;\n", 0);
    EXPECT_GT(PBlock.root_qscore, 300);
    EXPECT_LT(PBlock.root_eval, -300);
    InitKeys();  // as a change of the hash size does: new keys are not mixed with old ones
    Again();
    ExpectKeysFromScratch(&ThreadData[0]->pos);
    EXPECT_EQ(Again("/nonexistent/suite.epd"), 1.0);
    EXPECT_EQ(out_, "");
}

TEST_F(EpdAnalysis, QuitEndsTheRunAndTheRunIsNotReused) {
    std::string text;
    for (int i = 0; i < 40; i++) text += bare_kings + " tune 0.5;\n";
    SendInput("quit\n");
    Run(text, 0);
    // At depth 0 input is read every 16th position.
    EXPECT_TRUE(Has("0 / 16 correct best moves")) << out_;
    EXPECT_EQ(PBlock.quit.load(), 1);
    PBlock.quit.store(0);
    Again();
    EXPECT_TRUE(Has("0 / 40 correct best moves")) << out_;
}

// Searched positions with one clear best move each: mates in one and two,
// and pieces that can simply be taken; a stalemate whose bm names no move
// is never solved.
TEST_F(EpdAnalysis, SearchedSuiteFindsTheKnownBestMoves) {
    UseThreads(1);
    const std::string suite = ReadFile(std::string(VELL_TEST_DATA) + "/tools/best_moves.epd");
    move_time_ = 30.0;
    Run(suite + "7k/5Q2/6K1/8/8/8/8/8 b - - bm Kg8; id \"stalemate\";\n", 5);
    EXPECT_TRUE(Has("8 / 9 correct best moves")) << out_;
}

TEST_F(EpdAnalysis, EachRunUsesTheCurrentWeights) {
    // The same position again with another knight value must score anew, not
    // from the evaluations cached by the first run: its value is that of the
    // position after a pawn capture, which the evaluation caches.
    const double first = Run("4k3/ppp5/8/8/8/1p6/PPPP4/2N1K3 w - - tune 1.0;\n", 0);
    double e[2];
    Printed([&] {
        Personality.knight_value_en += 30;
        e[0] = Analyze_EPD_File("suite.epd", limits_);
        Personality.knight_value_en -= 30;
        e[1] = Analyze_EPD_File("suite.epd", limits_);
    });
    EXPECT_LT(e[0], first);
    EXPECT_EQ(e[1], first);
}

// White has an extra knight and won: a larger knight value predicts these better.
const char kKnightUp[] =
    "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n"
    "2n1k3/pppp4/8/8/8/8/PPPP4/2N1K3 b - - tune 0.5;\n"
    "4k3/4pppp/8/8/8/8/4PPPP/1N2K3 b - - tune 0.0;\n";

struct Tuner : EpdAnalysis {
    // PTune (with a log) over the positions of the last run; best_ is its result; returns the trial
    // ("name= v") and "best= " lines, each best line shortened to its value and bounds.
    std::string Tune(const char* name, int16_t* field, int range, bool log = true,
                     const char* file = "suite.epd") {
        if (log) fdtune = std::fopen("tune.log", "w");
        const std::string out = Printed([&] { best_ = PTune(file, name, field, range); });
        if (log) std::fclose(fdtune);
        fdtune = nullptr;
        std::string r;
        for (const std::string& l : Split(out)) {
            if (l.rfind(std::string(name) + "= ", 0) == 0) r += l + ";";
            if (l.rfind("best= ", 0) == 0) r += l.substr(0, l.find(',')) + l.substr(l.find(", min=")) + ";";
        }
        return r;
    }
    int best_ = 0;
};

TEST_F(Tuner, IntervalSearch) {
    Run(kKnightUp, 0);
    // The spare parameter feeds no evaluation term: every trial ties, so
    // best stays 10 and the interval closes in from both sides.
    EXPECT_EQ(
        Tune("tune", &Personality.tune, 6),
        "tune= 10;tune= 13;best= 10, min= 4, max= 13;tune= 7;best= 10, min= 7, max= 13;tune= 11;"
        "best= 10, min= 7, max= 11;tune= 8;best= 10, min= 8, max= 11;tune= 9;best= 10, min= 9, max= 11;");
    EXPECT_EQ(best_, 10);
    EXPECT_EQ(Personality.tune, 10);
    EXPECT_EQ(ReadFile("tune.log").substr(0, 32), "tune" + std::string(20, ' ') + "    10  ");
    // The first trial is the upper midpoint; it improves, so lo moves up; the parameter is restored,
    // and with it the evaluation: its tables and cached scores no longer hold the last trial value.
    auto knight_up = [] {
        SetPosition(&ThreadData[1]->pos, "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - -");
        return Evaluate(ThreadData[1], WHITE, 2, 0);
    };
    const int before = knight_up();
    std::string t = Tune("knight_value_en", &Personality.knight_value_en, 30, false);
    EXPECT_EQ(knight_up(), before);
    EXPECT_EQ(t.rfind("knight_value_en= 315;knight_value_en= 330;best= 330, min= 315, max= 345;", 0), 0u)
        << t;
    EXPECT_GT(best_, 315);
    EXPECT_LE(best_, 345);
    EXPECT_EQ(Personality.knight_value_en, 315);
    // A range too small for a trial logs the entry value.
    EXPECT_EQ(Tune("bishop_pair", &Personality.bishop_pair, 1), "bishop_pair= 35;");
    EXPECT_EQ(best_, 35);
    EXPECT_EQ(ReadFile("tune.log").substr(0, 32), "bishop_pair" + std::string(13, ' ') + "    35  ");
    Tune("pinned", &Personality.pinned, 10, false, "absent.epd");  // missing positions change nothing
    EXPECT_EQ(best_, -12);
    EXPECT_EQ(Personality.pinned, -12);
}

TEST_F(Tuner, TheFullPassLogsEveryParameterInTableOrder) {
    WriteFile("tune.epd", "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n");
    PersonalityRec before;
    std::memcpy(&before, &Personality, sizeof before);
    Printed(RunTuningPass);
    EXPECT_EQ(std::memcmp(&before, &Personality, sizeof before), 0) << "every parameter is restored";
    EXPECT_EQ(fdtune, nullptr);
    const auto log = Split(ReadFile("tune.log"));
    ASSERT_EQ(int(log.size()), NumTunable());
    for (int i = 0; i < NumTunable(); i++) {
        const char* name = TunableParam(i)->name;
        EXPECT_EQ(log[i].rfind(name + std::string(26 - std::strlen(name), ' '), 0), 0u) << log[i];
        EXPECT_EQ(log[i].size(), 26u + 4u + 2u + 7u) << log[i];
    }
    std::remove("tune.log");
    ASSERT_EQ(mkdir("tune.log", 0755), 0);  // the pass needs its log: a folder cannot be opened as one
    EXPECT_EQ(Printed(RunTuningPass), "");
    EXPECT_EQ(fdtune, nullptr);
}

}  // namespace
