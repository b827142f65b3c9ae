// Make and unmake of every kind of move and of the null move: the position
// comes back byte for byte and the incremental keys match keys from scratch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "board/legality.h"
#include "board/makemove.h"
#include "tests/board/board_setup.h"

namespace {

std::string ListSquares(const Position* pos, int c, int t) {
    std::string s;
    for (int n = 0; pos->plist[c][t][n] != NO_SQ; n++) s += char(pos->plist[c][t][n]);
    std::sort(s.begin(), s.end());
    return s;
}

void ExpectSamePosition(const Position* a, const Position* b, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(std::memcmp(a->board, b->board, sizeof a->board), 0);
    EXPECT_EQ(std::memcmp(a->bb, b->bb, sizeof a->bb), 0);
    for (int c = 0; c < 2; c++) {
        EXPECT_EQ(a->msig[c], b->msig[c]);
        EXPECT_EQ(a->npmat[c], b->npmat[c]);
        for (int t = PAWN; t <= KING; t++) EXPECT_EQ(ListSquares(a, c, t), ListSquares(b, c, t));
    }
    EXPECT_EQ(a->plist[0][KING][0], b->plist[0][KING][0]);
    EXPECT_EQ(a->plist[1][KING][0], b->plist[1][KING][0]);
    EXPECT_EQ(a->hash, b->hash);
    EXPECT_EQ(a->pawnhash, b->pawnhash);
    EXPECT_EQ(a->side, b->side);
    EXPECT_EQ(a->castle, b->castle);
    EXPECT_EQ(a->ep, b->ep);
    EXPECT_EQ(a->fifty, b->fifty);
    EXPECT_EQ(a->nhist, b->nhist);
    EXPECT_EQ(a->ply, b->ply);
    EXPECT_EQ(a->lastmove, b->lastmove);
}

void ExpectKeysFromScratch(const Position* pos) {
    EXPECT_EQ(pos->hash, ComputeHash(pos));
    EXPECT_EQ(pos->pawnhash, ComputePawnHash(pos));
}

// Plays the move (after a first move so that lastmove and the record below
// are not trivial), checks the keys, unmakes and compares.
void RoundTrip(const char* fen, const char* coord, const char* after_fen) {
    SCOPED_TRACE(std::string(fen) + " " + coord);
    Position* pos = MainPosition(fen);
    pos->fifty = 7;
    pos->hash = ComputeHash(pos);
    Position before = *pos;
    uint16_t m = FindMove(pos, coord);
    ASSERT_NE(m, 0) << "no such move";
    MakeMove(pos, m);
    ExpectKeysFromScratch(pos);
    EXPECT_EQ(pos->lastmove, m);
    EXPECT_EQ(pos->nhist, 1);
    EXPECT_EQ(pos->ply, 2);
    char epd[100];
    MakeEPD(pos, epd);
    EXPECT_STREQ(epd, after_fen);
    UnmakeMove(pos);
    ExpectSamePosition(pos, &before, coord);
}

}  // namespace

TEST(MakeMove, QuietCaptureAndDoublePush) {
    RoundTrip("4k3/8/8/8/8/8/8/4K1N1 w - -", "g1f3", "4k3/8/8/8/8/5N2/8/4K3 b - -");
    RoundTrip("4k3/8/8/3p4/8/8/8/3QK3 w - -", "d1d5", "4k3/8/8/3Q4/8/8/8/4K3 b - -");
    RoundTrip("4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "4k3/8/8/3P4/8/8/8/4K3 b - -");
    // The en-passant part enters the key even with no pawn to take.
    RoundTrip("4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/4P3/8/8/4K3 b - e3");
    RoundTrip("4k3/3p4/8/8/8/8/8/4K3 b - -", "d7d5", "4k3/8/8/3p4/8/8/8/4K3 w - d6");
}

TEST(MakeMove, EnPassant) {
    RoundTrip("4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - -");
    RoundTrip("4k3/8/8/8/3Pp3/8/8/4K3 b - d3", "e4d3", "4k3/8/8/8/8/3p4/8/4K3 w - -");
}

TEST(MakeMove, EachPromotionAndPromotionCapture) {
    RoundTrip("3r2k1/4P3/8/8/8/8/8/4K3 w - -", "e7e8q", "3rQ1k1/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8n", "N3k3/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8b", "B3k3/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8r", "R3k3/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("3r2k1/4P3/8/8/8/8/8/4K3 w - -", "e7d8q", "3Q2k1/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("3r2k1/4P3/8/8/8/8/8/4K3 w - -", "e7d8n", "3N2k1/8/8/8/8/8/8/4K3 b - -");
    RoundTrip("4k3/8/8/8/8/8/p7/1R2K3 b - -", "a2b1r", "4k3/8/8/8/8/8/8/1r2K3 w - -");
    RoundTrip("4k3/8/8/8/8/8/p7/1R2K3 b - -", "a2a1b", "4k3/8/8/8/8/8/8/bR2K3 w - -");
}

TEST(MakeMove, FourCastlings) {
    const char* fen_w = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
    const char* fen_b = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -";
    RoundTrip(fen_w, "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1 b kq -");
    RoundTrip(fen_w, "e1c1", "r3k2r/8/8/8/8/8/8/2KR3R b kq -");
    RoundTrip(fen_b, "e8g8", "r4rk1/8/8/8/8/8/8/R3K2R w KQ -");
    RoundTrip(fen_b, "e8c8", "2kr3r/8/8/8/8/8/8/R3K2R w KQ -");
}

TEST(MakeMove, CastlingResetsFifty) {
    Position* pos = MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    pos->fifty = 9;
    MakeMove(pos, FindMove(pos, "e1g1"));
    EXPECT_EQ(pos->fifty, 0);
    MakeMove(pos, FindMove(pos, "a8b8"));
    EXPECT_EQ(pos->fifty, 1);
    EXPECT_EQ(pos->castle, 4);
}

TEST(MakeMove, RookCaptureOnH8TakesBlackShortCastling) {
    Position* pos = MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    MakeMove(pos, FindMove(pos, "h1h8"));
    EXPECT_EQ(pos->castle, 2 | 8);  // the rook left h1 too; both long sides stay
    ExpectKeysFromScratch(pos);
}

TEST(MakeMove, HistoryRecord) {
    Position* pos = MainPosition("4k3/8/8/3p4/4P3/8/8/4K3 w - -");
    uint64_t hash = pos->hash, pawnhash = pos->pawnhash;
    MakeMove(pos, FindMove(pos, "e4d5"));
    const HistRec& h = pos->hist[0];
    EXPECT_EQ(h.move, MakeMoveWord(28, 35));
    EXPECT_EQ(h.captured, PAWN);
    EXPECT_EQ(h.ep, NO_SQ);
    EXPECT_EQ(h.castle, 0);
    EXPECT_EQ(h.hash, hash);
    EXPECT_EQ(h.pawnhash, pawnhash);
}

TEST(MakeMove, NullMove) {
    Position* pos = MainPosition("4k3/8/8/8/4P3/8/8/4K3 b - e3");
    pos->fifty = 5;
    Position before = *pos;
    MakeNullMove(pos);
    EXPECT_EQ(pos->side, WHITE);
    EXPECT_EQ(pos->ep, NO_SQ);
    EXPECT_EQ(pos->fifty, 0);
    EXPECT_EQ(pos->lastmove, 0);
    EXPECT_EQ(pos->nhist, 1);
    EXPECT_EQ(pos->ply, 2);
    EXPECT_EQ(pos->hist[0].move, 0);
    ExpectKeysFromScratch(pos);
    // Only the side bit and the en-passant part differ.
    EXPECT_EQ((pos->hash ^ before.hash) & ~1ull, (rtable2[20] ^ rtable2[64]) & ~1ull);
    EXPECT_EQ((pos->hash ^ before.hash) & 1, 1u);
    UnmakeNullMove(pos);
    ExpectSamePosition(pos, &before, "null move");
}

TEST(MakeMove, LastMoveAfterUnmakeIsThePreviousMove) {
    Position* pos = MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    uint16_t e4 = FindMove(pos, "e2e4");
    MakeMove(pos, e4);
    MakeNullMove(pos);
    EXPECT_EQ(pos->lastmove, 0);
    UnmakeNullMove(pos);
    EXPECT_EQ(pos->lastmove, e4);
    MakeMove(pos, FindMove(pos, "e7e5"));
    UnmakeMove(pos);
    EXPECT_EQ(pos->lastmove, e4);
    UnmakeMove(pos);
    EXPECT_EQ(pos->lastmove, 0);
}

TEST(MakeMove, PieceListsKeepTheirSquaresThroughCaptures) {
    Position* pos = MainPosition("4k3/8/8/8/1n1n1n2/2P5/8/4K3 w - -");
    MakeMove(pos, FindMove(pos, "c3d4"));
    EXPECT_EQ(ListSquares(pos, BLACK, KNIGHT), (std::string{char(25), char(29)}));
    UnmakeMove(pos);
    EXPECT_EQ(ListSquares(pos, BLACK, KNIGHT), (std::string{char(25), char(27), char(29)}));
}

// Walks the legal move tree, checking keys from scratch at every node and the
// full position after every unmake.
static void WalkTree(Position* pos, int depth) {
    ExpectKeysFromScratch(pos);
    if (depth == 0 || ::testing::Test::HasFailure()) return;
    for (const MoveEntry& e : AllMoves(pos)) {
        if (!MoveIsLegal(pos, pos->side, e.move)) continue;
        Position before = *pos;
        MakeMove(pos, e.move);
        WalkTree(pos, depth - 1);
        UnmakeMove(pos);
        ExpectSamePosition(pos, &before, "after unmake");
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(MakeMove, KeysStayExactThroughTrees) {
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -",
    };
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        WalkTree(MainPosition(fen), 3);
    }
}

TEST(MakeMoveDeathTest, HistoryCannotOverflow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    for (int i = 0; i < HIST_SIZE; i++) MakeNullMove(pos);
    EXPECT_EQ(pos->nhist, HIST_SIZE);
    EXPECT_EXIT(MakeNullMove(pos), ::testing::ExitedWithCode(255), "");
}
