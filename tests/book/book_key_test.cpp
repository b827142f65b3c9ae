// The book's record format and position key: exact bytes on disk and the
// published key values of the start position and of 1.e4.
#include <cstring>

#include "tests/book/book_helpers.h"

TEST(BookRecord, PacksFourteenLittleEndianBytes) {
    BookRec rec{0xEE40, 0x13A077C0, 0x0102, 0x0304, 0xEA60, 0};
    uint8_t b[BOOK_REC_BYTES];
    PackBookRec(rec, b);
    const uint8_t want[BOOK_REC_BYTES] = {0x40, 0xEE, 0xC0, 0x77, 0xA0, 0x13, 0x02,
                                          0x01, 0x04, 0x03, 0x60, 0xEA, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(b, want, sizeof want), 0);
    BookRec back{};
    UnpackBookRec(b, &back);
    EXPECT_TRUE(SameRec(rec, back));
}

using BookRecordFile = BookTest;

TEST_F(BookRecordFile, ReadStopsAtAPartialRecord) {
    const char* name = "partial.opn";
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(WriteBookRec(f, BookRec{1, 2, 3, 4, 5, 0}), 1);
    std::fwrite("\x01\x02\x03", 1, 3, f);
    std::fclose(f);
    f = std::fopen(name, "rb");
    BookRec r;
    EXPECT_EQ(ReadBookRec(f, &r), 1);
    EXPECT_EQ(r.draws, 5);
    EXPECT_EQ(ReadBookRec(f, &r), 0);
    std::fclose(f);
}

TEST(BookRecord, OrderIsDescendingKey16ThenKey32) {
    EXPECT_GT(BookKeyCmp(0x8001, 0, 0x8000, 0xFFFFFFFF), 0);
    EXPECT_GT(BookKeyCmp(0x8000, 0x80000000, 0x8000, 0x7FFFFFFF), 0);
    EXPECT_LT(BookKeyCmp(0x0001, 5, 0x8000, 5), 0);
    EXPECT_EQ(BookKeyCmp(7, 9, 7, 9), 0);
}

using BookKey = BookTest;

TEST_F(BookKey, TableStartsWithTheGeneratorValues) {
    ASSERT_EQ(InitBook(), 0);
    ASSERT_NE(hasharea, nullptr);
    const uint16_t first[5] = {12576, 34137, 24754, 42795, 48324};
    for (int i = 0; i < 5; i++) EXPECT_EQ(hasharea[i], first[i]) << i;
    uint32_t x = 7;
    for (int i = 0; i < 772; i++) {
        x = 33 * x + 12345;
        ASSERT_EQ(hasharea[i], uint16_t(x)) << i;
    }
}

TEST_F(BookKey, StartPosition) {
    ASSERT_EQ(InitBook(), 0);
    BookRec r = RecordHere(0, 0, 0);
    EXPECT_EQ(r.key16, 0xEE40);
    EXPECT_EQ(r.key32, 0x13A077C0u);
}

TEST_F(BookKey, AfterE4) {
    ASSERT_EQ(InitBook(), 0);
    BookRec r = RecordAfter("e4", 0, 0, 0);
    EXPECT_EQ(r.key16, 0x22C0);
    EXPECT_EQ(r.key32, 0x2830E844u);
}

TEST_F(BookKey, IgnoresCastlingRightsButNotEnPassantOrSide) {
    ASSERT_EQ(InitBook(), 0);
    SetPosition(MainPos(), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    BookRec with = RecordHere(0, 0, 0);
    SetPosition(MainPos(), "r3k2r/8/8/8/8/8/8/R3K2R w - -");
    BookRec without = RecordHere(0, 0, 0);
    EXPECT_EQ(with.key16, without.key16);
    EXPECT_EQ(with.key32, without.key32);
    SetPosition(MainPos(), "r3k2r/8/8/8/8/8/8/R3K2R b - -");
    BookRec black = RecordHere(0, 0, 0);
    EXPECT_EQ(black.key16 & 0x8000, 0);
    EXPECT_EQ(black.key32, without.key32);  // only hash1 follows the side to move
    SetPosition(MainPos(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    BookRec no_ep = RecordHere(0, 0, 0);
    EXPECT_EQ(no_ep.key16, 0x22C0);
    EXPECT_EQ(no_ep.key32, 0x2830E844u - 20 + 64);
}

TEST_F(BookKey, TranspositionsShareTheKey) {
    ASSERT_EQ(InitBook(), 0);
    BookRec a = RecordAfter("Nf3 Nc6 Nc3", 0, 0, 0);
    BookRec b = RecordAfter("Nc3 Nc6 Nf3", 0, 0, 0);
    EXPECT_EQ(a.key16, b.key16);
    EXPECT_EQ(a.key32, b.key32);
    BookRec c = RecordAfter("Nc3 Nf6 Nf3", 0, 0, 0);
    EXPECT_FALSE(a.key16 == c.key16 && a.key32 == c.key32);
}
