// Whole games through UCI between two engine processes, and a sweep over the
// perft positions, with the referee judging every move, ponder move and PV.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/shell.h"
#include "tests/support/engine_process.h"
#include "tests/support/transcript.h"

namespace {

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// How each move is asked for: by the clock (base, inc seconds) or by nodes;
// analyse, when set, is a go answered first, as a GUI's analysis pane does,
// which must not limit the real search.
struct Request {
    double base = 1.0, inc = 0.01;
    long nodes = 0;
    const char* analyse = nullptr;
};

int Depth(const std::string& line) {
    std::istringstream in(line);
    std::string info, depth;
    int d = 0;
    in >> info >> depth >> d;
    return info == "info" && depth == "depth" ? d : 0;
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
            while (e.ReadLine(line, 60) && line.rfind("bestmove", 0) != 0) analysed = std::max(analysed, Depth(line));
        }
        char go[160];
        if (rq.nodes)
            std::snprintf(go, sizeof go, "go nodes %ld", rq.nodes);
        else
            std::snprintf(go, sizeof go, "go wtime %d btime %d winc %d binc %d", int(clock[0] * 1000),
                          int(clock[1] * 1000), int(rq.inc * 1000), int(rq.inc * 1000));
        const double t0 = Seconds();
        e.Send(go);
        for (;;) {
            ASSERT_TRUE(e.ReadLine(line, clock[side] + 30)) << "no bestmove at ply " << ply;
            ASSERT_EQ(ref.Check(line), "") << "at ply " << ply;
            if (line.rfind("bestmove", 0) == 0) break;
            searched = std::max(searched, Depth(line));
        }
        if (!rq.nodes) {
            clock[side] -= Seconds() - t0;
            // Half a second of grace for a busy machine; a real overrun runs far longer.
            ASSERT_GT(clock[side], -0.5) << "lost on time at ply " << ply;
            clock[side] = std::max(clock[side], 0.05) + rq.inc;
        }
        std::istringstream words(line);
        std::string bestmove, best, ponder, reply;
        words >> bestmove >> best >> ponder >> reply;
        EXPECT_TRUE(ponder.empty() || (ponder == "ponder" && !reply.empty())) << line;
        moves.push_back(best);
        ASSERT_TRUE(ref.Play(best));
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
        auto legal = ref.Legal();
        ASSERT_FALSE(legal.empty());
        std::shuffle(legal.begin(), legal.end(), rng);
        std::string fen = ref.Fen();
        for (auto& m : legal) {  // a move after which the game goes on
            ref.Set(fen);
            ref.Play(m);
            if (!ref.Legal().empty()) {
                moves.push_back(m);
                break;
            }
        }
        ASSERT_TRUE(ref.Set(fen_opn, moves));
    }
    PlayGame({}, 260, moves);
}

// go depth 3 on every perft position with one and with four threads: the
// transcript runner's referee checks every bestmove, ponder move and PV.
TEST(RefereeSweep, PerftPositions) {
    for (const char* threads : {"1", "4"}) {
        Transcript t{"PerftSweep", {"-threads", threads}, {}};
        for (const char* file : {"/perft_cpw.epd", "/perftsuite_excerpt.epd"}) {
            std::ifstream in(std::string(VELL_TEST_DATA) + file);
            for (std::string line; std::getline(in, line);) {
                if (line.find(';') == std::string::npos) continue;
                t.lines.push_back("> position fen " + line.substr(0, line.find(';')));
                t.lines.push_back("> go depth 3");
                t.lines.push_back("...bestmove*");
            }
        }
        ASSERT_GT(t.lines.size(), 150u);
        RunTranscript(t);
    }
}

}  // namespace
