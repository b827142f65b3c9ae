// The square-set tables, bit scans and attack sets against their definitions
// and against a square-by-square walk.
#include <gtest/gtest.h>

#include <random>

#include "board/bitboard.h"
#include "tests/board/board_setup.h"

static uint64_t Sq(int s) { return uint64_t(1) << s; }

// Attacks by stepping square by square, the obvious way.
static uint64_t Walk(int sq, uint64_t occ, const int (*dirs)[2]) {
    uint64_t a = 0;
    for (int d = 0; d < 4; d++) {
        int f = (sq & 7) + dirs[d][0], r = (sq >> 3) + dirs[d][1];
        for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += dirs[d][0], r += dirs[d][1]) {
            a |= Sq(r * 8 + f);
            if (occ & Sq(r * 8 + f)) break;
        }
    }
    return a;
}

TEST(Bitboard, Between) {
    uint64_t b2_g7 = Sq(9) | Sq(18) | Sq(27) | Sq(36) | Sq(45) | Sq(54);
    EXPECT_EQ(BB_Between[0][63], b2_g7);
    EXPECT_EQ(BB_Between[63][0], b2_g7);
    EXPECT_EQ(BB_Between[0][17], 0u);  // a1-b3: not on one line
    EXPECT_EQ(BB_Between[0][8], 0u);   // neighbours
    EXPECT_EQ(BB_Between[12][12], 0u);
    EXPECT_EQ(BB_Between[4][60], BB_RayN[4] & BB_RayS[60]);
}

TEST(Bitboard, RookAttacksFromA1) {
    EXPECT_EQ(GenAttacksR(0, Sq(16) | Sq(2)), Sq(8) | Sq(16) | Sq(1) | Sq(2));
}

TEST(Bitboard, AttacksMatchAWalk) {
    static const int rook[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    static const int bishop[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    std::mt19937_64 rng(7);
    for (int i = 0; i < 2000; i++) {
        uint64_t occ = rng() & rng();
        int sq = int(rng() % 64);
        ASSERT_EQ(GenAttacksR(sq, occ), Walk(sq, occ, rook));
        ASSERT_EQ(GenAttacksB(sq, occ), Walk(sq, occ, bishop));
    }
}

// Every blocker subset of every square's rays, against the walk.
TEST(Bitboard, AttacksMatchAWalkForEveryBlockerSet) {
    static const int rook[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    static const int bishop[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int sq = 0; sq < 64; sq++) {
        for (uint64_t rays = BB_RookRays[sq], sub = 0;;) {
            ASSERT_EQ(GenAttacksR(sq, sub), Walk(sq, sub, rook)) << sq;
            if (!(sub = (sub - rays) & rays)) break;
        }
        for (uint64_t rays = BB_BishopRays[sq], sub = 0;;) {
            ASSERT_EQ(GenAttacksB(sq, sub), Walk(sq, sub, bishop)) << sq;
            if (!(sub = (sub - rays) & rays)) break;
        }
    }
}

TEST(Bitboard, PawnSpanAndRays) {
    uint64_t d5_f8 = 0;
    for (int r = 4; r < 8; r++) d5_f8 |= Sq(r * 8 + 3) | Sq(r * 8 + 4) | Sq(r * 8 + 5);
    uint64_t d1_f3 = 0;
    for (int r = 0; r < 3; r++) d1_f3 |= Sq(r * 8 + 3) | Sq(r * 8 + 4) | Sq(r * 8 + 5);
    EXPECT_EQ(BB_PawnSpan[WHITE][28], d5_f8);
    EXPECT_EQ(BB_PawnSpan[BLACK][28], d1_f3);
    EXPECT_EQ(BB_PawnRays[WHITE][8], Sq(17));            // a2 attacks b3 only
    EXPECT_EQ(BB_PawnRays[BLACK][15], Sq(6));            // h2 attacks g1 only
    EXPECT_EQ(BB_PawnRays[WHITE][60], 0u);               // nothing beyond rank 8
    EXPECT_EQ(BB_PawnRays[WHITE][4], Sq(11) | Sq(13));   // filled on the first rank too
    EXPECT_EQ(BB_KingRays[0], Sq(1) | Sq(8) | Sq(9));
    EXPECT_EQ(BB_KnightRays[63], Sq(46) | Sq(53));
    EXPECT_EQ(BB_RookRays[0], (BB_RayN[0] | BB_RayE[0]));
    EXPECT_EQ(BB_BishopRays[27] & BB_RookRays[27], 0u);
}

TEST(Bitboard, RankAndFileSets) {
    EXPECT_EQ(BB_North[0], 0xFFFFFFFFFFFFFF00ull);
    EXPECT_EQ(BB_North[6], 0xFF00000000000000ull);
    EXPECT_EQ(BB_South[7], 0x00FFFFFFFFFFFFFFull);
    EXPECT_EQ(BB_Front[BLACK][3], BB_South[3]);
    EXPECT_EQ(BB_Front[WHITE][3], BB_North[3]);
    EXPECT_EQ(BB_AdjacentFiles[3], 0x1414141414141414ull);
    EXPECT_EQ(BB_AdjacentSquares[28], Sq(27) | Sq(29));
    EXPECT_EQ(BB_r7[WHITE], 0x00FF000000000000ull);
    EXPECT_EQ(BB_r7[BLACK], 0x000000000000FF00ull);
}

TEST(Bitboard, ScansAndCounts) {
    EXPECT_EQ(LSB(0x8000000000000000ull), 63);
    EXPECT_EQ(MSB(1), 0);
    EXPECT_EQ(LSB(0x0000000100000100ull), 8);
    EXPECT_EQ(MSB(0x0000000100000100ull), 32);
    EXPECT_EQ(CountBits(0), 0);
    EXPECT_EQ(CountBits(~0ull), 64);
    EXPECT_EQ(bitcnt[0xB5], 5);
}

TEST(Bitboard, SquareAttacked) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/R3K3 w - -");
    EXPECT_EQ(SqAtakd(pos, 56, WHITE), 1);  // a8 along the empty a-file
    EXPECT_EQ(SqAtakd(pos, 3, WHITE), 1);   // d1 by rook and king
    pos = MainPosition("4k3/8/8/p7/8/8/8/R3K3 w - -");
    EXPECT_EQ(SqAtakd(pos, 56, WHITE), 0);  // blocked by a black pawn
    pos = MainPosition("4k3/8/8/P7/8/8/8/R3K3 w - -");
    EXPECT_EQ(SqAtakd(pos, 56, WHITE), 0);  // and by a white one
    EXPECT_EQ(SqAtakd(pos, 41, WHITE), 1);  // b6 by the pawn
    EXPECT_EQ(SqAtakd(pos, 40, WHITE), 0);  // not a6 in front of it
    EXPECT_EQ(SqAtakd(pos, 51, BLACK), 1);  // d7 by the king
    EXPECT_EQ(SqAtakd(pos, 20, BLACK), 0);
}
