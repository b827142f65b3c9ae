// The search on whole positions: results at the root as a table, draws by
// repetition and the fifty-move rule, quiescence, long games, the thread pool
// as the main loop drives it (run under ThreadSanitizer), the bench, and the
// top of the strength range.
#include <gtest/gtest.h>

#include <unistd.h>

#include "board/fen.h"
#include "search/batch.h"
#include "search/bench.h"
#include "search/limits.h"
#include "search/search.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "tests/support/fixture.h"

namespace {

constexpr int kDraw = -123;  // the side to move at the node dislikes draws

// Searches the game position as if the search had reached it at ply, with a
// recognisable draw score.
int SearchAt(int ply, int depth, int alpha = -10000, int beta = 10000) {
    ThreadRec* td = ThreadData[0];
    Position* pos = &td->pos;
    PBlock.draw_score[pos->side].store(kDraw);
    PBlock.draw_score[pos->side ^ 1].store(-kDraw);
    PBlock.stop.store(StopReason::None);
    ClearTTable();
    for (int p = ply; p < ply + 3; p++) td->stack[p].list = td->moves;
    uint16_t pv[MAX_PLY] = {};
    return Search(pos, pos->side, ply, depth, alpha, beta, NODE_PV, pv);
}

// Starts a search of the game position to depth on the running pool, with a
// cleared table.
void StartSearch(int depth) {
    ClearTTable();
    Limits limits = BatchLimits(depth);
    InitSearch(limits);
    WakeSearchThreads();
}

// Its best move and score once it ends.
struct Result {
    uint16_t best;
    int score;
};
Result SearchGame(int depth) {
    StartSearch(depth);
    WaitSearchThreads();
    return {PBlock.best_pv[1].load(), PBlock.best_score.load()};
}

using SearchTest = EngineTest;

// Depth 0 is the quiescence search alone (at ply 2): a capture sequence is seen
// to its end, and a capture that loses is declined by standing pat.
TEST_F(SearchTest, Results) {
    const struct {
        const char* fen;
        int depth;
        const char* best;  // "0000": no move, nullptr: quiescence
        int low, high;     // score bounds
    } kCases[] = {
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -", 6, "0000", -9999, -9999},  // mated
        {"7k/5Q2/6K1/8/8/8/8/8 b - -", 6, "0000", 0, 0},                                         // stalemate
        {"3r2k1/5ppp/8/8/8/8/4RPPP/4R1K1 w - -", 8, "e2e8", 9996, 9996},  // mate in two
        {"4k3/8/8/3q4/8/8/3R4/4K3 w - -", 0, nullptr, 500, 1200},         // Rxd5 wins the queen
        {"4k3/8/2p5/3p4/8/8/3Q4/4K3 w - -", 0, nullptr, 700, 900},  // stand pat: Qxd5 cxd5 loses the queen
        {"4k3/8/2p5/3r4/8/3R4/3R4/4K3 w - -", 0, nullptr, 0, 700},  // Rxd5 cxd5 Rxd5: rook and pawn for rook
        {"3rk3/8/8/3q4/8/8/3R4/3RK3 w - -", 0, nullptr, 400,
         800},  // Rxd5 Rxd5 Rxd5: queen and rook for a rook
        {"1n4k1/5ppp/8/8/Q7/8/8/6K1 w - -", 0, nullptr, 9000,
         10000},  // Qe8#: a diagonal move checking along the rank
    };
    UseThreads(1);
    for (auto& c : kCases) {
        SCOPED_TRACE(c.fen);
        SetGame(c.fen);
        Result r = c.best ? SearchGame(c.depth) : Result{0, SearchAt(2, 0)};
        EXPECT_GE(r.score, c.low);
        EXPECT_LE(r.score, c.high);
        if (!c.best) continue;
        EXPECT_EQ(Coord(r.best), c.best);
    }
}

TEST_F(SearchTest, RepetitionAndFiftyMoveDraws) {
    const std::string dance = "g1f3 g8f6 f3g1 f6g8";
    SetGame(fen_opn, dance.c_str());
    EXPECT_EQ(SearchAt(4, 2), kDraw);  // one repetition counts from ply four
    EXPECT_NE(SearchAt(3, 2), kDraw);
    SetGame(fen_opn, (dance + " " + dance).c_str());
    EXPECT_EQ(SearchAt(2, 2), kDraw);  // two count at any ply
    Position* pos = SetGame("8/8/3k4/8/8/3K4/3RP3/8 w - -");
    pos->fifty = 101;
    EXPECT_EQ(SearchAt(3, 2), kDraw);
    pos->fifty = 101;
    EXPECT_NE(SearchAt(2, 2), kDraw);  // the pawn push resets the counter
}

TEST_F(SearchTest, LongGameHistoryFitsTheArrays) {
    // 734 plies: the search threads keep only the tail of the history, and
    // the repetition test still sees the game.
    std::string moves;
    for (int i = 0; i < 182; i++) moves += "g1f3 g8f6 f3g1 f6g8 ";
    Position* pos = SetGame(fen_opn, (moves + "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6").c_str());
    ASSERT_EQ(pos->nhist, 734);
    UseThreads(1);
    EXPECT_NE(SearchGame(6).best, 0);
    EXPECT_EQ(ThreadData[1]->pos.nhist, 300);
    EXPECT_EQ(ThreadData[1]->hist[300 - 6].hash, ThreadData[0]->hist[734 - 6].hash);
}

// A pool of two finds the right move (the UCI transcripts search on four); a
// pool ended mid-search leaves no thread busy and a new pool searches again.
TEST_F(SearchTest, ThreadsSearchAndEndMidSearch) {
    const char* middle = "r1bq1rk1/pp2ppbp/2np2p1/2n5/P3PP2/N1P2N2/1PB3PP/R1B1QRK1 b - -";
    UseThreads(2);
    SetGame("4k3/8/8/3q4/8/8/3R4/4K3 w - -");
    EXPECT_EQ(Coord(SearchGame(8).best), "d2d5");
    SetGame(middle);
    StartSearch(66);
    usleep(50 * 1000);
    KillThreadPool(2);
    EXPECT_EQ(SearchThreadsBusy(), 0);
    UseThreads(2);
    SetGame(middle);
    EXPECT_NE(SearchGame(4).best, 0);
}

// The bench signature: a reduced bench must count exactly the recorded nodes.
// A change of this number means the search or the evaluation changed; update
// it only for an intended change (and state the full bench count in the commit).
constexpr uint64_t kReducedBenchNodes = 79743;  // first 8 positions at depth 6

TEST_F(SearchTest, ReducedBenchSignature) {
    UseThreads(1);
    EXPECT_EQ(BenchNodes(6, 8, 1, 0, nullptr), kReducedBenchNodes);
}

TEST_F(SearchTest, BenchRepeatsAndRestoresTheEngine) {
    UseThreads(2);
    InitTTable(4);
    PBlock.multipv.store(3);  // the bench searches with one line and no output, but as its own limits
    PBlock.info_delay.store(0);
    const uint64_t key = ThreadData[0]->pos.hash;
    EXPECT_EQ(BenchNodes(4, 3, 1, 0, nullptr), BenchNodes(4, 3, 1, 0, nullptr));
    EXPECT_EQ(TTableMegabytes(), 4);
    EXPECT_EQ(PBlock.nthreads.load(), 2);
    EXPECT_EQ(PBlock.multipv.load(), 3);
    EXPECT_EQ(PBlock.info_delay.load(), 0.0);
    EXPECT_EQ(ThreadData[0]->pos.hash, key);
}

}  // namespace

// The top of the strength range is full strength: no node budget and no
// misjudgement left there, while just below it both remain.
TEST(Strength, TopOfTheRangeIsFullStrength) {
    struct Row {
        int elo;
        bool weakened;
    };
    for (const Row r : {Row{ELO_MAX, false}, Row{ELO_MAX - 10, true}, Row{ELO_MIN, true}}) {
        SetStrength(r.elo);
        search_limits = Limits{};
        LimitStrength(true);
        int biased = 0;
        for (uint16_t move = 1; move < 300; move++) biased += RootBias(move) != 0;
        EXPECT_EQ(search_limits.nodes != 0, r.weakened) << r.elo;
        EXPECT_EQ(biased != 0, r.weakened) << r.elo;
    }
    SetStrength(0);
    LimitStrength(false);
    search_limits = Limits{};
}
