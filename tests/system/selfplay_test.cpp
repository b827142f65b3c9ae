// Whole games through UCI: two engine processes play each other with real
// clocks while a referee built on the engine's own (perft-checked) board
// verifies every move, every PV and every clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <unordered_map>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/legality.h"
#include "board/notation.h"
#include "search/records.h"
#include "tests/support/engine_process.h"

namespace {

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The referee's board: re-set from its own FEN after every move so the
// per-ply stacks never run deep however long the game gets.
class Referee {
public:
    Referee() : td_(NewThreadRec(0)) {
        static bool once = [] {
            SetPBlockDefaults();
            InitBitboards();
            InitKeys();
            return true;
        }();
        (void)once;
    }
    ~Referee() { std::free(td_); }

    void Reset(const std::string& fen) {
        SetPosition(&td_->pos, fen.c_str());
        fifty_ = 0;
        seen_.clear();
        seen_[td_->pos.hash]++;
    }
    std::vector<std::string> Legal() {
        std::vector<std::string> out;
        Position* pos = &td_->pos;
        GenerateAll(pos);
        char buf[16];
        for (MoveEntry* e = pos->ss[pos->ply].list; e->move != END_OF_LIST; ++e)
            if (e->move && MoveIsLegal(pos, pos->side, e->move)) out.push_back(MoveToStr(e->move, buf));
        return out;
    }
    // Plays a move given in UCI text; false if it is not legal here.
    bool Play(const std::string& text) {
        Position* pos = &td_->pos;
        GenerateAll(pos);
        char buf[16];
        for (MoveEntry* e = pos->ss[pos->ply].list; e->move != END_OF_LIST; ++e) {
            if (!e->move || text != MoveToStr(e->move, buf) || !MoveIsLegal(pos, pos->side, e->move))
                continue;
            bool irreversible = e->captured || (e->piece & 7) == PAWN;
            MakeMove(pos, e->move);
            fifty_ = irreversible ? 0 : fifty_ + 1;
            char fen[128];
            MakeEPD(pos, fen);
            SetPosition(pos, fen);
            if (irreversible) seen_.clear();
            seen_[pos->hash]++;
            return true;
        }
        return false;
    }
    bool PvIsLegal(const std::vector<std::string>& pv) const {
        Referee copy;
        char fen[128];
        MakeEPD(&td_->pos, fen);
        copy.Reset(fen);
        for (auto& m : pv)
            if (!copy.Play(m)) return false;
        return true;
    }
    int Side() const { return td_->pos.side; }
    int Fifty() const { return fifty_; }
    int Repeats() const { return seen_.at(td_->pos.hash); }

private:
    ThreadRec* td_;
    int fifty_ = 0;
    std::unordered_map<uint64_t, int> seen_;
};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

// An info line is either "info string ..." or keyword/value pairs ending in a PV.
::testing::AssertionResult CheckInfo(const std::string& line, const Referee& ref) {
    auto w = Words(line);
    if (w.empty() || w[0] != "info") return ::testing::AssertionFailure() << "not an info line: " << line;
    if (line != "info " + line.substr(5) || line.find("  ") != std::string::npos || line.back() == ' ')
        return ::testing::AssertionFailure() << "odd spacing: '" << line << "'";
    if (w.size() > 1 && w[1] == "string") return ::testing::AssertionSuccess();
    static const std::set<std::string> numeric = {"depth", "seldepth", "time",  "nodes", "nps",
                                                  "multipv", "hashfull", "tbhits", "cp", "mate",
                                                  "currmovenumber"};
    for (size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "pv") {
            std::vector<std::string> pv(w.begin() + long(i) + 1, w.end());
            if (pv.empty()) return ::testing::AssertionFailure() << "empty pv: " << line;
            if (!ref.PvIsLegal(pv)) return ::testing::AssertionFailure() << "illegal pv: " << line;
            return ::testing::AssertionSuccess();
        }
        if (w[i] == "score") continue;
        if (w[i] == "lowerbound" || w[i] == "upperbound") continue;
        if (numeric.count(w[i])) {
            if (i + 1 >= w.size()) return ::testing::AssertionFailure() << "missing value: " << line;
            const std::string& v = w[++i];
            if (v.find_first_not_of("-0123456789") != std::string::npos)
                return ::testing::AssertionFailure() << "bad number '" << v << "': " << line;
            continue;
        }
        if (w[i] == "currmove" && i + 1 < w.size()) {
            ++i;
            continue;
        }
        return ::testing::AssertionFailure() << "unknown word '" << w[i] << "': " << line;
    }
    return ::testing::AssertionSuccess();
}

struct Clock {
    double base, inc;
};

class Player {
public:
    Player() : e_({"-nolog"}) {
        e_.Send("uci");
        EXPECT_TRUE(e_.WaitFor("uciok", 10));
        e_.Send("setoption name Hash value 16");
        e_.Send("isready");
        EXPECT_TRUE(e_.WaitFor("readyok", 10));
        e_.Send("ucinewgame");
    }
    EngineProcess& operator*() { return e_; }
    int Quit() {
        e_.Send("quit");
        return e_.Wait(10);
    }

private:
    EngineProcess e_;
};

// Random legal moves, mostly quiet ones, to build a long game record cheaply.
std::vector<std::string> RandomOpening(Referee& ref, int plies, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> moves;
    for (int i = 0; i < plies; ++i) {
        auto legal = ref.Legal();
        if (legal.empty() || ref.Fifty() >= 90 || ref.Repeats() >= 2) break;
        std::string m = legal[rng() % legal.size()];
        if (!ref.Play(m)) break;
        moves.push_back(m);
    }
    return moves;
}

const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// How a player is asked for a move: by the clock (tc), or by a node count;
// analyse, when set, is a go sent and answered first, as a GUI that shows an
// analysis before the engine moves, which must not limit the real search.
struct Request {
    Clock tc;
    long nodes = 0;
    const char* analyse = nullptr;
};

// The deepest "info depth" of lines.
int DeepestLine(const std::vector<std::string>& lines) {
    int deepest = 0;
    for (auto& l : lines) {
        auto w = Words(l);
        if (w.size() > 2 && w[0] == "info" && w[1] == "depth") deepest = std::max(deepest, std::stoi(w[2]));
    }
    return deepest;
}

// Plays until mate, stalemate, the fifty-move rule, a threefold repetition or
// max_plies; fails on anything a GUI would hold against the engine.
void PlayGame(Request rq, int max_plies, std::vector<std::string> moves = {}, const char* fen = kStart) {
    const Clock tc = rq.tc;
    Referee ref;
    ref.Reset(fen);
    for (auto& m : moves) ASSERT_TRUE(ref.Play(m)) << m;
    Player players[2];
    double clock[2] = {tc.base, tc.base};
    int plies = int(moves.size());
    double low[2] = {tc.base, tc.base};
    int analysed_depth = 0, searched_depth = 0;
    const char* end = "move limit";
    while (plies < max_plies) {
        if (ref.Legal().empty()) end = "mate or stalemate";
        if (ref.Fifty() >= 100) end = "fifty moves";
        if (ref.Repeats() >= 3) end = "repetition";
        if (ref.Legal().empty() || ref.Fifty() >= 100 || ref.Repeats() >= 3) break;
        int side = ref.Side();
        EngineProcess& e = *players[side];
        std::string pos = std::string("position fen ") + fen;
        if (!moves.empty()) {
            pos += " moves";
            for (auto& m : moves) pos += " " + m;
        }
        e.Send(pos);
        std::string line, best;
        if (rq.analyse) {
            e.Send(rq.analyse);
            std::vector<std::string> seen;
            ASSERT_TRUE(e.WaitFor("bestmove", 60, &seen)) << rq.analyse << " at ply " << plies;
            analysed_depth = std::max(analysed_depth, DeepestLine(seen));
        }
        char go[160];
        if (rq.nodes)
            std::snprintf(go, sizeof go, "go nodes %ld", rq.nodes);
        else
            std::snprintf(go, sizeof go, "go wtime %d btime %d winc %d binc %d", int(clock[0] * 1000),
                          int(clock[1] * 1000), int(tc.inc * 1000), int(tc.inc * 1000));
        double t0 = Now();
        e.Send(go);
        std::vector<std::string> info;
        for (;;) {
            ASSERT_TRUE(e.ReadLine(line, rq.nodes ? 60 : clock[side] + 5)) << "no bestmove at ply " << plies;
            if (line.rfind("bestmove", 0) == 0) break;
            ASSERT_TRUE(CheckInfo(line, ref)) << "at ply " << plies;
            info.push_back(line);
        }
        searched_depth = std::max(searched_depth, DeepestLine(info));
        if (!rq.nodes) {
            clock[side] -= Now() - t0;
            ASSERT_GT(clock[side], 0.0) << "lost on time at ply " << plies << " (" << line << ")";
        }
        low[side] = std::min(low[side], clock[side]);
        clock[side] += tc.inc;
        auto w = Words(line);
        ASSERT_GE(w.size(), 2u) << line;
        ASSERT_TRUE(w.size() == 2 || (w.size() == 4 && w[2] == "ponder")) << line;
        ASSERT_TRUE(ref.Play(w[1])) << "illegal bestmove '" << w[1] << "' at ply " << plies;
        moves.push_back(w[1]);
        ++plies;
    }
    for (auto& p : players) EXPECT_EQ(p.Quit(), 0);
    if (rq.analyse) {
        EXPECT_GT(searched_depth, analysed_depth) << "the analysis limit stayed in force";
    }
    std::printf("game over after %d plies (%s); lowest clocks %.3f s and %.3f s\n", plies, end, low[0],
                low[1]);
}

}  // namespace

TEST(SystemGames, FastControlFromStart) {
    for (int game = 0; game < 2; ++game) PlayGame({{1.0, 0.01}}, 400);
}

// A node-limited match: every search ends after about its node count.
TEST(SystemGames, NodeLimitedGame) { PlayGame({{0, 0}, 4000}, 300); }

// A shallow analysis before every move must not limit the clocked search.
TEST(SystemGames, ClockAfterADepthAnalysis) { PlayGame({{1.0, 0.01}, 0, "go depth 1"}, 160); }

TEST(SystemGames, HundredsOfPliesOfRecord) {
    // A long random record first, so the position command carries hundreds of
    // moves and the engines must keep the repetition history that matters.
    Referee ref;
    ref.Reset(kStart);
    std::vector<std::string> moves;
    for (unsigned s = 1; moves.size() < 250 && s < 50; ++s) {
        ref.Reset(kStart);
        moves = RandomOpening(ref, 300, s);
    }
    ASSERT_GE(moves.size(), 200u);
    PlayGame({{1.0, 0.01}}, int(moves.size()) + 200, moves);
}

TEST(SystemGames, LongerControl) { PlayGame({{4.0, 0.05}}, 120); }
