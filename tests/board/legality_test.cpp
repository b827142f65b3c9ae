// Legality of castling, en passant, king and pinned moves; check and threat
// tests; exchange values.
#include <gtest/gtest.h>

#include <cstring>

#include "board/legality.h"
#include "tests/board/board_setup.h"

static int Legal(const char* fen, const char* coord) {
    Position* pos = MainPosition(fen);
    uint16_t m = FindMove(pos, coord);
    EXPECT_NE(m, 0) << fen << " " << coord;
    Position before = *pos;
    int legal = MoveIsLegal(pos, pos->side, m);
    EXPECT_EQ(std::memcmp(pos->bb, before.bb, sizeof pos->bb), 0) << "sets not restored";
    return legal;
}

static MoveEntry Entry(Position* pos, const char* coord) {
    uint16_t m = FindMove(pos, coord);
    EXPECT_NE(m, 0) << coord;
    return MoveEntry{m, 0, pos->board[MoveFrom(m)], pos->board[MoveTo(m)]};
}

TEST(Legality, Castling) {
    EXPECT_EQ(Legal("4r1k1/8/8/8/8/8/8/R3K2R w KQ -", "e1g1"), 0);  // in check
    EXPECT_EQ(Legal("4r1k1/8/8/8/8/8/8/R3K2R w KQ -", "e1c1"), 0);
    EXPECT_EQ(Legal("5rk1/8/8/8/8/8/8/R3K2R w KQ -", "e1g1"), 0);   // through f1
    EXPECT_EQ(Legal("5rk1/8/8/8/8/8/8/R3K2R w KQ -", "e1c1"), 1);
    EXPECT_EQ(Legal("k5r1/8/8/8/8/8/8/R3K2R w KQ -", "e1g1"), 0);   // onto g1
    EXPECT_EQ(Legal("k6r/8/8/8/8/8/8/R3K2R w KQ -", "e1g1"), 1);    // only the rook attacked
    EXPECT_EQ(Legal("kr6/8/8/8/8/8/8/R3K2R w KQ -", "e1c1"), 1);    // b1 is not on the king's path
    EXPECT_EQ(Legal("r3k2r/8/8/8/8/8/8/2R1K3 b q -", "e8c8"), 0);   // c8 attacked
}

TEST(Legality, EnPassantAlongTheRank) {
    EXPECT_EQ(Legal("8/8/8/K2pP2r/8/8/8/7k w - d6", "e5d6"), 0);
    EXPECT_EQ(Legal("8/8/8/K2pP3/8/8/8/7k w - d6", "e5d6"), 1);
    // Taking en passant removes the pawn that gave check.
    EXPECT_EQ(Legal("8/8/8/3pP3/4K3/8/8/7k w - d6", "e5d6"), 1);
}

TEST(Legality, KingMoves) {
    EXPECT_EQ(Legal("4k3/8/8/8/8/2p5/3p4/4K3 w - -", "e1d2"), 0);  // defended
    EXPECT_EQ(Legal("4k3/8/8/8/8/8/3p4/4K3 w - -", "e1d2"), 1);
    EXPECT_EQ(Legal("4k3/8/8/8/8/8/8/r3K3 w - -", "e1f1"), 0);     // along the checking line
    EXPECT_EQ(Legal("4k3/8/8/8/8/8/8/r3K3 w - -", "e1e2"), 1);
    EXPECT_EQ(Legal("8/8/8/8/8/8/2k5/K7 w - -", "a1b2"), 0);        // next to the other king
}

TEST(Legality, PinsAndChecks) {
    EXPECT_EQ(Legal("4k3/4r3/8/8/8/8/4N3/4K3 w - -", "e2c3"), 0);
    EXPECT_EQ(Legal("4k3/4r3/8/8/8/8/4R3/4K3 w - -", "e2e7"), 1);  // captures the pinner
    EXPECT_EQ(Legal("4k3/4r3/8/8/8/8/4R3/4K3 w - -", "e2e5"), 1);  // stays on the line
    EXPECT_EQ(Legal("4k3/4r3/8/8/8/8/4R3/4K3 w - -", "e2d2"), 0);
    EXPECT_EQ(Legal("4k3/8/8/8/1b6/8/8/1N2K3 w - -", "b1a3"), 0);  // ignores the check
    EXPECT_EQ(Legal("4k3/8/8/8/1b6/8/8/1N2K3 w - -", "b1d2"), 1);  // blocks it
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(MoveIsLegal(pos, WHITE, 0), 0);
}

TEST(GivesCheck, DirectAndDiscovered) {
    Position* pos = MainPosition("4k3/8/8/8/4N3/8/8/4R1K1 w - -");
    MoveEntry e = Entry(pos, "e4c3");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 2);
    e = Entry(pos, "e4f6");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 1);
    e = Entry(pos, "g1g2");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 0);
    pos = MainPosition("k7/4P3/8/8/8/8/8/4K3 w - -");
    e = Entry(pos, "e7e8q");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 1);
    e = Entry(pos, "e7e8n");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 0);
    pos = MainPosition("5k2/8/8/8/8/8/8/4K2R w K -");
    e = Entry(pos, "e1g1");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 0);  // castling counts no check here
    pos = MainPosition("7k/8/8/8/8/8/1N6/B3K3 w - -");
    e = Entry(pos, "b2d3");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 2);  // uncovers the bishop behind it
    pos = MainPosition("7k/8/8/8/8/8/8/4K3 w - -");
    e = Entry(pos, "e1f2");
    EXPECT_EQ(MoveGivesCheck(pos, WHITE, &e), 0);  // no slider at all
}

TEST(Threat, Cases) {
    Position* pos = MainPosition("4k3/8/8/3n4/8/4P3/8/4K3 w - -");
    MoveEntry e = Entry(pos, "e3e4");
    EXPECT_EQ(MoveIsThreat(pos, &e), 1);
    pos = MainPosition("4k3/8/8/1r6/8/8/8/1N2K3 w - -");
    e = Entry(pos, "b1c3");
    EXPECT_EQ(MoveIsThreat(pos, &e), 1);
    e = Entry(pos, "e1d1");
    EXPECT_EQ(MoveIsThreat(pos, &e), 0);
    pos = MainPosition("7k/8/8/r7/8/8/8/2B1K3 w - -");
    e = Entry(pos, "c1d2");
    EXPECT_EQ(MoveIsThreat(pos, &e), 1);
    e = Entry(pos, "c1b2");
    EXPECT_EQ(MoveIsThreat(pos, &e), 0);
    pos = MainPosition("6k1/8/8/8/2B5/8/8/R3K3 w - -");
    e = Entry(pos, "a1a7");
    EXPECT_EQ(MoveIsThreat(pos, &e), 1);  // f7 on the new line, the bishop hits it
    pos = MainPosition("6k1/8/8/8/8/8/8/R3K3 w - -");
    e = Entry(pos, "a1a7");
    EXPECT_EQ(MoveIsThreat(pos, &e), 0);
    Position before = *pos;
    MoveIsThreat(pos, &e);
    EXPECT_EQ(std::memcmp(pos->bb, before.bb, sizeof pos->bb), 0);
}

static int Swap(const char* fen, int side, int from, int to) {
    Position* pos = MainPosition(fen);
    Position before = *pos;
    int v = swapoff1(pos, side, from, to, pos->bb[0][0] | pos->bb[1][0]);
    EXPECT_EQ(std::memcmp(pos->board, before.board, sizeof pos->board), 0);
    EXPECT_EQ(std::memcmp(pos->bb, before.bb, sizeof pos->bb), 0);
    return v;
}

TEST(Swapoff, Values) {
    EXPECT_EQ(Swap("4k3/8/4p3/3n4/4P3/8/8/4K3 w - -", WHITE, 28, 35), 235);
    EXPECT_EQ(Swap("4k3/8/2p5/3p4/8/8/8/3QK3 w - -", WHITE, 3, 35), -900);
    EXPECT_EQ(Swap("4k3/8/8/8/8/8/8/3QK3 w - -", WHITE, NO_SQ, 35), 0);
    EXPECT_EQ(Swap("4k3/8/8/8/8/8/8/4K3 w - -", WHITE, NO_SQ, 35), 0);  // no attacker at all
    // The second rook behind the first joins in once the first has gone.
    EXPECT_EQ(Swap("4k3/3r4/8/3p4/8/8/3R4/3RK3 w - -", WHITE, 11, 35), 100);
    EXPECT_EQ(Swap("4k3/3r4/8/3p4/8/8/3R4/4K3 w - -", WHITE, 11, 35), -425);
    // Left to choose, the side declines a losing capture.
    EXPECT_EQ(Swap("4k3/3r4/8/3p4/8/8/3R4/4K3 w - -", WHITE, NO_SQ, 35), 0);
    EXPECT_EQ(Swap("8/8/8/3k4/8/8/8/3RK3 w - -", WHITE, 3, 35), 9999);
}
