// Generation order and contents of the four generators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/movegen.h"
#include "board/notation.h"
#include "tests/board/board_setup.h"

static std::vector<std::string> Texts(const MoveEntry* begin, const MoveEntry* end) {
    PBlock.protocol.store(2);
    std::vector<std::string> v;
    for (const MoveEntry* e = begin; e != end; e++) {
        char buf[8];
        v.push_back(MoveToStr(e->move, buf));
    }
    return v;
}

TEST(MoveGen, StartPositionOrder) {
    Position* pos = MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    GenerateAll(pos);
    MoveEntry* list = pos->ss[1].list;
    MoveEntry* end = list;
    while (end->move != END_OF_LIST) end++;
    std::vector<std::string> expected = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3",
                                         "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4",
                                         "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"};
    EXPECT_EQ(Texts(list, end), expected);
    EXPECT_EQ(pos->ss[2].list, end + 1);
    EXPECT_EQ(pos->ss[3].list, end + 2);
    EXPECT_EQ(list[0].piece, PieceCode(WHITE, PAWN));
    EXPECT_EQ(list[16].piece, PieceCode(WHITE, KNIGHT));
    EXPECT_EQ(list[16].captured, 0);
}

TEST(MoveGen, EnPassantCaptureHasNoCapturedPiece) {
    Position* pos = MainPosition("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    MoveEntry list[16];
    MoveEntry* end = GeneratePawnCaptures(pos, WHITE, list);
    ASSERT_EQ(Texts(list, end), std::vector<std::string>{"e5d6"});
    EXPECT_EQ(list[0].captured, 0);
}

TEST(MoveGen, PawnCapturesByDirectionThenOrigin) {
    Position* pos = MainPosition("4k3/8/8/8/1p1p1p2/2P1P3/8/4K3 w - -");
    MoveEntry list[16];
    EXPECT_EQ(Texts(list, GeneratePawnCaptures(pos, WHITE, list)),
              (std::vector<std::string>{"c3b4", "e3d4", "c3d4", "e3f4"}));
    EXPECT_EQ(list[0].captured, PieceCode(BLACK, PAWN));
    pos = MainPosition("4k3/8/8/2p1p3/1P1P1P2/8/8/4K3 b - -");
    EXPECT_EQ(Texts(list, GeneratePawnCaptures(pos, BLACK, list)),
              (std::vector<std::string>{"c5d4", "e5f4", "c5b4", "e5d4"}));
}

TEST(MoveGen, PromotionsOnlyFromThePromotionGenerator) {
    Position* pos = MainPosition("1n2k3/P7/8/8/8/8/8/4K3 w - -");
    MoveEntry list[32];
    EXPECT_EQ(GeneratePawnCaptures(pos, WHITE, list), list);
    MoveEntry* end = GeneratePromotions(pos, WHITE, 1, list);
    EXPECT_EQ(Texts(list, end),
              (std::vector<std::string>{"a7a8q", "a7a8n", "a7a8b", "a7a8r", "a7b8q", "a7b8n", "a7b8b", "a7b8r"}));
    EXPECT_EQ(list[4].captured, PieceCode(BLACK, KNIGHT));
    end = GeneratePromotions(pos, WHITE, 0, list);
    EXPECT_EQ(Texts(list, end), (std::vector<std::string>{"a7a8q", "a7b8q"}));
    for (const MoveEntry& e : AllMoves(pos)) EXPECT_FALSE((e.move >> 8 & 63) == 48 && !(e.move & PROMO_MASK));
}

TEST(MoveGen, PieceCapturesByKindThenListOrder) {
    Position* pos = MainPosition("4k3/8/8/2p5/8/1N3p2/4K3/R6r w - -");
    MoveEntry list[32];
    MoveEntry* end = GeneratePieceCaptures(pos, WHITE, list);
    EXPECT_EQ(Texts(list, end), (std::vector<std::string>{"b3c5", "a1h1", "e2f3"}));
    EXPECT_EQ(list[1].captured, PieceCode(BLACK, ROOK));
    // A slider's capture needs a clear line.
    pos = MainPosition("4k3/8/8/8/8/8/8/R3K2r w - -");
    EXPECT_EQ(GeneratePieceCaptures(pos, WHITE, list), list);
}

TEST(MoveGen, CastlingIgnoresAttacks) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/4r3/R3K2R w KQ -");
    MoveEntry list[64];
    MoveEntry* end = GenerateNonCaptures(pos, WHITE, list);
    std::vector<std::string> t = Texts(list, end);
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[t.size() - 2], "e1g1");
    EXPECT_EQ(t.back(), "e1c1");
    pos = MainPosition("4k3/8/8/8/8/8/8/R2QK1NR w KQ -");
    end = GenerateNonCaptures(pos, WHITE, list);
    for (const std::string& s : Texts(list, end)) EXPECT_TRUE(s != "e1g1" && s != "e1c1") << s;
}

TEST(MoveGen, PawnPushesInListOrder) {
    Position* pos = MainPosition("4k3/8/8/8/8/4p3/P3P3/4K3 w - -");
    MoveEntry list[64];
    MoveEntry* end = GenerateNonCaptures(pos, WHITE, list);
    std::vector<std::string> t = Texts(list, end);
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0], "a2a3");
    EXPECT_EQ(t[1], "a2a4");  // e2 is blocked
    EXPECT_NE(t[2].substr(0, 2), "e2");
}
