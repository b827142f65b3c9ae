// Whole games through UCI between two engine processes, and a sweep over the
// perft positions, with the referee judging every move, ponder move and PV.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "board/fen.h"
#include "tests/support/transcript.h"

namespace {

// How each move is asked for: by the clock (base, inc seconds) or by nodes;
// analyse, when set, is a go answered first, as a GUI's analysis pane does,
// which must not limit the real search.
struct Request {
    double base = 1.0, inc = 0.01;
    long nodes = 0;
    const char* analyse = nullptr;
};

int Depth(const std::string& line) {
    int d = 0;
    return std::sscanf(line.c_str(), "info depth %d", &d) == 1 ? d : 0;
}

// Plays from the moves given until no legal move is left or max_plies.
void PlayGame(Request rq, int max_plies, std::vector<std::string> moves = {}) {
    Referee ref;
    ASSERT_TRUE(ref.Set(fen_opn, moves));
    EngineProcess players[2] = {EngineProcess({"-nolog"}), EngineProcess({"-nolog"})};
    for (auto& p : players) p.Send("setoption name Hash value 16");
    double clock[2] = {rq.base, rq.base};
    int analysed = 0, searched = 0;
    for (int ply = int(moves.size()); ply < max_plies && !ref.Legal().empty(); ply++) {
        const int side = int(moves.size() % 2);
        EngineProcess& e = players[side];
        std::string pos = "position startpos moves";
        for (auto& m : moves) pos += " " + m;
        e.Send(pos);
        std::string line;
        if (rq.analyse) {
            e.Send(rq.analyse);
            while (e.Read(60, &line) && !line.starts_with("bestmove"))
                analysed = std::max(analysed, Depth(line));
        }
        auto ms = [](double s) { return std::to_string(int(s * 1000)); };
        const double t0 = Seconds();
        e.Send(rq.nodes ? "go nodes " + std::to_string(rq.nodes)
                        : "go wtime " + ms(clock[0]) + " btime " + ms(clock[1]) + " winc " + ms(rq.inc) +
                              " binc " + ms(rq.inc));
        for (;;) {
            ASSERT_TRUE(e.Read(clock[side] + 30, &line)) << "no bestmove at ply " << ply;
            ASSERT_EQ(ref.Check(line), "") << "at ply " << ply;
            if (line.starts_with("bestmove")) break;
            searched = std::max(searched, Depth(line));
        }
        if (!rq.nodes) {
            clock[side] -= Seconds() - t0;
            // A second and a half of grace for a busy machine; a real overrun runs far longer.
            ASSERT_GT(clock[side], -1.5) << "lost on time at ply " << ply;
            clock[side] = std::max(clock[side], 0.05) + rq.inc;
        }
        EXPECT_TRUE(std::regex_match(line, std::regex("bestmove \\S+( ponder \\S+)?"))) << line;
        moves.push_back(line.substr(9, line.find(' ', 9) - 9));
        ASSERT_TRUE(ref.Play(moves.back()));
    }
    if (rq.analyse) {
        EXPECT_GT(searched, analysed) << "the analysis limit stayed in force";
    }
}

TEST(SystemGames, FastControlFromStart) { PlayGame({}, 300); }

TEST(SystemGames, NodeLimitedGame) { PlayGame({0, 0, 4000}, 200); }

TEST(SystemGames, ClockAfterADepthAnalysis) { PlayGame({1.0, 0.01, 0, "go depth 1"}, 120); }

// A seeded random record of 200 plies that leaves the side to move a legal
// move, so the position command carries hundreds of moves into a live game.
TEST(SystemGames, HundredsOfPliesOfRecord) {
    Referee ref;
    std::mt19937 rng(7);
    std::vector<std::string> moves;
    while (moves.size() < 200) {
        const auto legal = ref.Legal();
        moves.push_back(legal[rng() % legal.size()]);
        ref.Play(moves.back());
        if (ref.Legal().empty()) moves.pop_back(), ref.Set(fen_opn, moves);  // the game must go on
    }
    PlayGame({}, 260, moves);
}

// go depth 3 on every perft position with one and with four threads: the
// transcript runner's referee checks every bestmove, ponder move and PV.
TEST(RefereeSweep, PerftPositions) {
    for (const char* threads : {"1", "4"}) {
        Transcript t{"PerftSweep", {"-threads", threads}, {}};
        for (const char* file : {"/perft_cpw.epd", "/perftsuite_excerpt.epd"}) {
            for (const std::string& line : Split(ReadFile(std::string(VELL_TEST_DATA) + file))) {
                if (line.find(';') == std::string::npos) continue;
                t.lines.insert(t.lines.end(), {"> position fen " + line.substr(0, line.find(';')),
                                               "> go depth 3", "...bestmove*"});
            }
        }
        ASSERT_GT(t.lines.size(), 150u);
        RunTranscript(t);
    }
}

}  // namespace
