// Reading and writing FEN: the trusting reader's edge cases, the text writer,
// and the checks and repairs of the reader for text from outside.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "tests/board/board_setup.h"

static std::string Epd(const Position* pos) {
    char buf[100];
    MakeEPD(pos, buf);
    return buf;
}

TEST(SetPosition, StartPosition) {
    Position* pos = MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(pos->side, WHITE);
    EXPECT_EQ(pos->castle, 15);
    EXPECT_EQ(pos->ep, NO_SQ);
    EXPECT_EQ(pos->board[4], PieceCode(WHITE, KING));
    EXPECT_EQ(pos->board[59], PieceCode(BLACK, QUEEN));
    EXPECT_EQ(KingSq(*pos, BLACK), 60);
    EXPECT_EQ(pos->msig[WHITE], 8u * 1 + 2 * 16 + 2 * 256 + 2 * 4096 + 65536);
    EXPECT_EQ(pos->npmat[BLACK], 2 * 3 + 2 * 3 + 2 * 5 + 10);
    EXPECT_EQ(pos->bb[WHITE][0], 0xFFFFull);
    EXPECT_EQ(pos->bb[BLACK][PAWN], 0x00FF000000000000ull);
    EXPECT_EQ(pos->ply, 1);
    EXPECT_EQ(pos->nhist, 0);
    EXPECT_EQ(pos->lastmove, 0);
    EXPECT_EQ(pos->board[64], 0);
}

TEST(SetPosition, EmptyBoard) {
    Position* pos = MainPosition("8/8/8/8/8/8/8/8 w - -");
    EXPECT_EQ(pos->bb[0][0] | pos->bb[1][0], 0u);
    EXPECT_EQ(pos->side, WHITE);
    EXPECT_EQ(pos->castle, 0);
    EXPECT_EQ(pos->ep, NO_SQ);
}

TEST(SetPosition, DigitPastTheEdgeStopsAtTheHFile) {
    Position* a = MainPosition("4k3/9/8/8/8/8/8/4K3 w - -");
    std::string with_nine = Epd(a);
    Position* b = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(with_nine, Epd(b));
}

TEST(SetPosition, Fields) {
    EXPECT_EQ(MainPosition("4k3/8/8/8/4P3/8/8/4K3 b - e3")->ep, 20);
    EXPECT_EQ(MainPosition("4k3/8/8/8/4P3/8/8/4K3 b - -")->ep, NO_SQ);
    EXPECT_EQ(MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -")->castle, 15);
    EXPECT_EQ(MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w Kq -")->castle, 9);
    EXPECT_EQ(MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w - -")->castle, 0);
    EXPECT_EQ(MainPosition("4k3/8/8/8/8/8/8/4K3 b - -")->side, BLACK);
}

TEST(SetPosition, MoveCountersAreIgnored) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 b - - 37 80");
    EXPECT_EQ(pos->fifty, 0);
    EXPECT_EQ(Epd(pos), "4k3/8/8/8/8/8/8/4K3 b - -");
}

TEST(SetPosition, MissingFieldsKeepTheSideAndGiveNoRights) {
    MainPosition("4k3/8/8/8/8/8/8/4K3 b KQ e3");
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3");
    EXPECT_EQ(pos->side, BLACK);
    EXPECT_EQ(pos->castle, 0);
    EXPECT_EQ(pos->ep, NO_SQ);
    pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w");
    EXPECT_EQ(pos->side, WHITE);
    EXPECT_EQ(pos->castle, 0);
}

TEST(SetPosition, ClearsTheFirstHistoryRecords) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/4P3/4K3 w - -");
    MakeMove(pos, FindMove(pos, "e2e4"));
    MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(pos->hist[0].move, 0);
    EXPECT_EQ(pos->hist[0].hash, 0u);
    EXPECT_EQ(pos->nhist, 0);
}

// Malformed text must never write outside the record.
TEST(SetPosition, MalformedTextStaysInBounds) {
    const char* bad[] = {"8/8/8/8/8/8/8/8/8/8/8/8/pppppppp w - -",
                         "NNNNNNNN/NNNNNNNN/8/8/8/8/8/8 w - -",
                         "rnbqkbnrrrrrrrrr/8 w KQkqKQkq h88",
                         "", " ", "8/8/8/8/8/8/8/8 w KQ", "k7/8/8/8/8/8/8/7K w - - 0"};
    for (const char* fen : bad) {
        Position* pos = MainPosition(fen);
        EXPECT_LE(pos->castle, 15) << fen;
        EXPECT_LE(pos->ep, NO_SQ) << fen;
        for (int c = 0; c < 2; c++)
            for (int t = PAWN; t <= KING; t++) EXPECT_LE(CountBits(pos->bb[c][t]), 9) << fen;
    }
}

TEST(MakeEPD, RoundTrips) {
    const char* fens[] = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
                          "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w Kq d6",
                          "8/8/8/8/8/8/8/8 b - -", "7k/8/8/8/8/8/8/K7 b Qk -"};
    for (const char* fen : fens) EXPECT_EQ(Epd(MainPosition(fen)), fen);
}

// ---- LoadFen ----

static std::string Refusal(const char* fen) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    Position before = *pos;
    char why[128];
    if (LoadFen(pos, fen, why)) return "accepted";
    EXPECT_EQ(std::memcmp(pos, &before, sizeof before), 0) << "position changed by a refused FEN";
    EXPECT_EQ(std::strchr(why, '\n'), nullptr);
    EXPECT_GT(std::strlen(why), 0u);
    return why;
}

TEST(LoadFen, RefusesImpossiblePositions) {
    EXPECT_EQ(Refusal("8/8/8/8/8/8/8/4K3 w - -"), "black has 0 kings, needs exactly one");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/3KK3 w - -"), "white has 2 kings, needs exactly one");
    EXPECT_EQ(Refusal("4k3/pppppppp/p7/p7/8/8/8/4K3 w - -"), "black has 10 pawns, at most 9 fit");
    EXPECT_EQ(Refusal("4k2P/8/8/8/8/8/8/4K3 w - -"), "pawn on the first or last rank");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/p3K3 b - -"), "pawn on the first or last rank");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K2r b - -"), "the side not to move is in check");
}

TEST(LoadFen, RefusesMalformedText) {
    EXPECT_EQ(Refusal(""), "empty FEN");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/4K3 w - -"), "the FEN board has 7 ranks, not 8");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/8/4K3 w - -"), "the FEN board has more than 8 ranks");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K4 w - -"), "rank 1 of the FEN board has more than 8 squares");
    EXPECT_EQ(Refusal("4k2/8/8/8/8/8/8/4K3 w - -"), "rank 8 of the FEN board has 7 squares, not 8");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K2X w - -"), "unexpected character 'X' in the FEN board");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K3/ w - -"), "the FEN board has more than 8 ranks");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K3"), "the side to move must be w or b");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K3 x - -"), "the side to move must be w or b");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K3 w KX -"), "bad castling field 'KX'");
    EXPECT_EQ(Refusal("4k3/8/8/8/8/8/8/4K3 w - e9"), "bad en-passant field 'e9'");
    std::string longboard(200, '1');
    EXPECT_EQ(Refusal(longboard.c_str()), "the FEN board field is too long");
}

TEST(LoadFen, AcceptsAndKeepsTheRecordLinks) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    HistRec* hist = pos->hist;
    StackRec* ss = pos->ss;
    MakeMove(pos, FindMove(pos, "e1e2"));
    char why[128];
    ASSERT_EQ(LoadFen(pos, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 20", why), 1) << why;
    EXPECT_EQ(pos->hist, hist);
    EXPECT_EQ(pos->ss, ss);
    EXPECT_EQ(pos->thread, 0);
    EXPECT_EQ(pos->nhist, 0);
    EXPECT_EQ(pos->ply, 1);
    EXPECT_EQ(pos->castle, 15);
    EXPECT_EQ(pos->side, BLACK);
    EXPECT_EQ(pos->hist[0].move, 0);
    EXPECT_EQ(pos->hash, ComputeHash(pos));
}

TEST(LoadFen, TakesBlanksAndDuplicatedLetters) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    char why[128];
    ASSERT_EQ(LoadFen(pos, "  r3k2r/8/8/8/8/8/8/R3K2R\tw  KKq   -", why), 1) << why;
    EXPECT_EQ(pos->castle, 9);
    EXPECT_EQ(pos->side, WHITE);
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/8/8/8/8/4K3 b", why), 1) << why;
    EXPECT_EQ(pos->side, BLACK);
    EXPECT_EQ(pos->castle, 0);
}

TEST(LoadFen, DropsRightsWithoutKingAndRookAtHome) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    char why[128];
    ASSERT_EQ(LoadFen(pos, "r3k3/8/8/8/8/8/8/4K2R w KQkq -", why), 1);
    EXPECT_EQ(pos->castle, 1 | 8);
    EXPECT_EQ(pos->hash, ComputeHash(pos));
    ASSERT_EQ(LoadFen(pos, "r2k3r/8/8/8/8/8/8/R3K1R1 w KQkq -", why), 1);
    EXPECT_EQ(pos->castle, 2);
    EXPECT_EQ(pos->hash, ComputeHash(pos));
}

TEST(LoadFen, DropsImpossibleEnPassantSquares) {
    Position* pos = MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    char why[128];
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/3pP3/8/8/8/4K3 w - d6", why), 1);
    EXPECT_EQ(pos->ep, 43);  // a real double push, capture or not
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/3p4/8/8/8/4K3 w - d6", why), 1);
    EXPECT_EQ(pos->ep, 43);
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/3pP3/8/8/8/4K3 b - d6", why), 1);  // wrong side to move
    EXPECT_EQ(pos->ep, NO_SQ);
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/4P3/8/8/8/4K3 w - d6", why), 1);  // no pawn in front
    EXPECT_EQ(pos->ep, NO_SQ);
    ASSERT_EQ(LoadFen(pos, "4k3/3n4/8/3p4/8/8/8/4K3 w - d6", why), 1);  // origin occupied
    EXPECT_EQ(pos->ep, NO_SQ);
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/8/4P3/8/8/4K3 w - e3", why), 1);  // wrong rank
    EXPECT_EQ(pos->ep, NO_SQ);
    ASSERT_EQ(LoadFen(pos, "4k3/8/8/8/4P3/8/8/4K3 b - e3", why), 1);
    EXPECT_EQ(pos->ep, 20);
    EXPECT_EQ(pos->hash, ComputeHash(pos));
}
