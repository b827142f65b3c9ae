// The search on whole positions: draws, mates at the root, fixed-depth
// determinism, long game histories.
#include <gtest/gtest.h>

#include <cstring>

#include "board/makemove.h"
#include "search/search.h"
#include "search/transposition.h"
#include "tests/board/board_setup.h"
#include "tests/search/search_setup.h"

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
constexpr const char* kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
constexpr int kDraw = -123;  // the side to move at the node dislikes draws

// Searches the main thread's position directly at the given ply, as if the
// search had reached it, with a recognisable draw score.
int SearchAt(int ply, int depth, int alpha = -1000, int beta = 1000) {
    ThreadRec* td = ThreadData[0];
    Position* pos = &td->pos;
    PBlock.draw_score[pos->side].store(kDraw);
    PBlock.draw_score[pos->side ^ 1].store(-kDraw);
    PBlock.stop.store(0);
    ClearTTable();
    for (int p = ply; p < ply + 3; p++) td->stack[p].list = td->moves;
    uint16_t pv[MAX_PLY] = {};
    return Search(pos, pos->side, ply, depth, alpha, beta, NODE_PV, pv);
}

void Play(const char* moves) {
    char text[512];
    std::strncpy(text, moves, sizeof text - 1);
    text[sizeof text - 1] = 0;
    for (char* w = std::strtok(text, " "); w; w = std::strtok(nullptr, " ")) {
        uint16_t m = GameMove(w);
        ASSERT_NE(m, 0) << w;
        MakeMove(&ThreadData[0]->pos, m);
    }
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override { SearchTestSetup(); }
};

TEST_F(SearchTest, OneRepetitionIsADrawFromPlyFour) {
    MainPosition(kStart);
    Play("g1f3 g8f6 f3g1 f6g8");
    EXPECT_EQ(SearchAt(4, 2), kDraw);
    EXPECT_NE(SearchAt(3, 2), kDraw);
}

TEST_F(SearchTest, TwoRepetitionsAreADrawAtAnyPly) {
    MainPosition(kStart);
    Play("g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8");
    EXPECT_EQ(SearchAt(2, 2), kDraw);
}

TEST_F(SearchTest, FiftyMoveRuleFromPlyThree) {
    // The pawn push resets the counter, so the node at ply 2 has a way out.
    Position* pos = MainPosition("8/8/3k4/8/8/3K4/3RP3/8 w - -");
    pos->fifty = 101;
    EXPECT_EQ(SearchAt(3, 2), kDraw);
    pos->fifty = 101;
    EXPECT_NE(SearchAt(2, 2), kDraw);
}

TEST_F(SearchTest, CheckmateAtTheRootHasNoMove) {
    SearchResult r = SearchFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -", 6);
    EXPECT_EQ(r.best, 0);
    EXPECT_EQ(r.stop, 3);
    EXPECT_EQ(r.score, -9999);
    EXPECT_EQ(r.depth, 1);
}

TEST_F(SearchTest, StalemateAtTheRootHasNoMove) {
    SearchResult r = SearchFen("7k/5Q2/6K1/8/8/8/8/8 b - -", 6);
    EXPECT_EQ(r.best, 0);
    EXPECT_EQ(r.stop, 3);
    EXPECT_EQ(r.score, 0);
}

TEST_F(SearchTest, FindsMateInOneAndStopsEarly) {
    SearchResult r = SearchFen("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 10);
    EXPECT_EQ(r.best, MakeMoveWord(0, 56));
    EXPECT_EQ(r.score, 9998);
    EXPECT_EQ(r.stop, 1);
}

TEST_F(SearchTest, FindsMateInTwo) {
    // Re8+ Rxe8 Rxe8#: black is mated at ply 4.
    SearchResult r = SearchFen("3r2k1/5ppp/8/8/8/8/4RPPP/4R1K1 w - -", 8);
    EXPECT_EQ(r.best, MakeMoveWord(12, 60));
    EXPECT_EQ(r.score, 9996);
}

TEST_F(SearchTest, QuiescenceSeesAQuietQueenMate) {
    // Qa4-e8 moves along a diagonal onto the king's rank: mate, not stand pat.
    MainPosition("1n4k1/5ppp/8/8/Q7/8/8/6K1 w - -");
    EXPECT_GT(SearchAt(2, 0, -10000, 10000), 9000);
}

TEST_F(SearchTest, WinsTheHangingQueen) {
    SearchResult r = SearchFen("4k3/8/8/3q4/8/8/3R4/4K3 w - -", 5);
    EXPECT_EQ(r.best, MakeMoveWord(11, 35));
    EXPECT_GT(r.score, 500);
}

TEST_F(SearchTest, FixedDepthIsDeterministic) {
    SearchResult a = SearchFen(kKiwipete, 7);
    SearchResult b = SearchFen(kKiwipete, 7);
    EXPECT_GT(a.nodes, 1000u);
    EXPECT_EQ(a.nodes, b.nodes);
    EXPECT_EQ(a.best, b.best);
    EXPECT_EQ(a.score, b.score);
    EXPECT_NE(a.best, 0);
}

TEST_F(SearchTest, PonderMoveIsALegalReply) {
    SearchResult r = SearchFen(kStart, 6);
    ASSERT_NE(r.best, 0);
    ASSERT_NE(r.ponder, 0);
    Position* pos = &ThreadData[0]->pos;
    MakeMove(pos, r.best);
    bool found = false;
    for (const MoveEntry& e : AllMoves(pos)) found |= e.move == r.ponder;
    EXPECT_TRUE(found);
}

TEST_F(SearchTest, LongGameHistoryFitsTheArrays) {
    // 734 plies of game: the search threads keep only the tail of the
    // history, and the search never runs past its arrays.
    Position* pos = MainPosition(kStart);
    for (int i = 0; i < 182; i++) Play("g1f3 g8f6 f3g1 f6g8");
    Play("e2e4 e7e5 g1f3 b8c6 f1c4 g8f6");
    ASSERT_EQ(pos->nhist, 734);
    pos->ply = 1;
    SearchResult r = SearchGame(6);
    EXPECT_NE(r.best, 0);
    EXPECT_EQ(ThreadData[1]->pos.nhist, 300);
    // The repetition test still sees the game: the knights' dance ended 6 plies ago.
    EXPECT_EQ(ThreadData[1]->hist[300 - 6].hash, ThreadData[0]->hist[734 - 6].hash);
}

TEST_F(SearchTest, HistoryJustBelowTheLimitIsSearchedUnchanged) {
    Position* pos = MainPosition(kStart);
    for (int i = 0; i < 181; i++) Play("g1f3 g8f6 f3g1 f6g8");
    ASSERT_EQ(pos->nhist, 724);
    pos->fifty = 0;
    pos->ply = 1;
    SearchResult r = SearchGame(5);
    EXPECT_NE(r.best, 0);
    EXPECT_EQ(ThreadData[1]->pos.nhist, 724);
}

}  // namespace
