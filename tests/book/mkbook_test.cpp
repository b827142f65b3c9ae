// Building a book from PGN: what gets counted, the merge of sorted files,
// pruning, the progress output, bad input, and failing writes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "board/makemove.h"
#include "board/notation.h"
#include "book/mkbook.h"
#include "search/records.h"
#include "tests/book/book_helpers.h"

namespace {

class MakeBookTest : public BookTest {
protected:
    void SetUp() override {
        BookTest::SetUp();
        ASSERT_EQ(InitBook(), 0);
    }
    // Runs the whole command and returns what it printed.
    std::string Run() {
        testing::internal::CaptureStdout();
        MakeBook();
        return testing::internal::GetCapturedStdout();
    }
    std::vector<BookRec> Build() {
        testing::internal::CaptureStdout();
        EXPECT_EQ(BuildBook(), 1);
        testing::internal::GetCapturedStdout();
        return ReadBookFile("book.opn");
    }
};

std::string Games(int n, const std::string& result, const std::string& moves) {
    std::string s;
    for (int i = 0; i < n; i++) s += "[Event \"t\"]\n[Result \"" + result + "\"]\n\n1. " + moves + " " + result + "\n\n";
    return s;
}

bool ContainsRec(const std::vector<BookRec>& recs, const BookRec& want) {
    for (const BookRec& r : recs)
        if (SameRec(r, want)) return true;
    return false;
}

void ExpectSortedUnique(const std::vector<BookRec>& recs) {
    for (size_t i = 1; i < recs.size(); i++)
        ASSERT_GT(BookKeyCmp(recs[i - 1].key16, recs[i - 1].key32, recs[i].key16, recs[i].key32), 0) << i;
}

bool AtStartPosition() {
    char epd[128];
    MakeEPD(MainPos(), epd);
    return std::strcmp(epd, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -") == 0 &&
           MainPos()->nhist == 0;
}

}  // namespace

TEST_F(MakeBookTest, OneGameGivesTheTwoPositionsAfterItsMoves) {
    WriteTextFile("book.pgn", "[Event \"x\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n");
    std::vector<BookRec> recs = Build();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_TRUE(SameRec(recs[0], RecordAfter("e4 e5", 0, 1, 0)));  // white to move sorts first
    EXPECT_TRUE(SameRec(recs[1], RecordAfter("e4", 1, 0, 0)));
    EXPECT_EQ(recs[1].key16, 0x22C0);
    EXPECT_EQ(recs[1].key32, 0x2830E844u);
    EXPECT_FALSE(FileExists("tmp.opn"));
    EXPECT_FALSE(FileExists("tmp__0.opn"));
}

TEST_F(MakeBookTest, CommandPrintsProgressPrunesAndResetsThePosition) {
    WriteTextFile("book.pgn", "[Result \"1-0\"]\n1. e4 e5 1-0\n");
    PlayFromStart("d4 d5");
    EXPECT_EQ(Run(), ".\nmerging...\n1 games, 2 moves read, 0 games cut\npruning...\ndone\n"
                     "book written to book.opn; to play from it, rename it vell.opn or type: bookfile book.opn\n");
    EXPECT_TRUE(FileExists("book.opn"));
    EXPECT_TRUE(ReadBookFile("book.opn").empty());  // one game is too few to keep
    EXPECT_FALSE(FileExists("tmp.opn"));
    EXPECT_TRUE(AtStartPosition());
    EXPECT_EQ(PBlock.book_name[0], 0);
    EXPECT_EQ(FindPosition(WHITE), nullptr);
}

TEST_F(MakeBookTest, MissingPgnDoesNothing) {
    EXPECT_EQ(Run(), "");
    EXPECT_FALSE(FileExists("book.opn"));
    EXPECT_EQ(PBlock.book_name[0], 0);
}

TEST_F(MakeBookTest, PruningWeighsLossesTwiceAndDrawsOnce) {
    std::string pgn = Games(4, "1-0", "e4 e5") + Games(100, "1-0", "d4") + Games(8, "1/2-1/2", "c4") +
                      Games(7, "1/2-1/2", "Nf3") + Games(3, "0-1", "g3") + Games(2, "1/2-1/2", "g3") +
                      Games(3, "0-1", "b3") + Games(1, "1/2-1/2", "b3");
    WriteTextFile("book.pgn", pgn);
    Run();
    std::vector<BookRec> recs = ReadBookFile("book.opn");
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("e4 e5", 0, 4, 0)));  // 2 * 4 = 8 > 7
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("c4", 0, 0, 8)));
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("g3", 0, 3, 2)));
    ExpectSortedUnique(recs);
}

TEST_F(MakeBookTest, ResultComesFromTheTagElseTheResultToken) {
    WriteTextFile("book.pgn", "[Result \"0-1\"]\n1. e4 0-1\n\n1. d4 *\n\n[Result \"*\"]\n1. c4 *\n");
    std::vector<BookRec> recs = Build();
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("e4", 0, 1, 0)));
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("d4", 0, 0, 1)));
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("c4", 0, 0, 1)));
}

TEST_F(MakeBookTest, CommentsVariationsAndAnnotationsAreSkipped) {
    WriteTextFile("book.pgn",
                  "[Result \"1/2-1/2\"]\n"
                  "; a comment line with 1. d4\n"
                  "1. e4 { a comment with Nf3 } e5 $1 (1... c5 2. Nf3) 2. Nf3 ; Nc6 dropped\n"
                  "Nc6 {good} 3. Bb5 1/2-1/2\n");
    std::vector<BookRec> recs = Build();
    std::vector<BookRec> want = {RecordAfter("e4", 0, 0, 1), RecordAfter("e4 e5", 0, 0, 1),
                                 RecordAfter("e4 e5 Nf3", 0, 0, 1), RecordAfter("e4 e5 Nf3 Nc6", 0, 0, 1),
                                 RecordAfter("e4 e5 Nf3 Nc6 Bb5", 0, 0, 1)};
    SortBook(want);
    ASSERT_EQ(recs.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) EXPECT_TRUE(SameRec(recs[i], want[i])) << i;
}

TEST_F(MakeBookTest, OnlyTheFirstFiftyPliesCount) {
    std::string moves;
    for (int i = 0; i < 20; i++) moves += std::to_string(2 * i + 1) + ". Nf3 Nf6 " + std::to_string(2 * i + 2) + ". Ng1 Ng8\n";
    WriteTextFile("book.pgn", "[Result \"1/2-1/2\"]\n" + moves);
    std::vector<BookRec> recs = Build();
    ASSERT_EQ(recs.size(), 4u);  // the shuffle repeats four positions
    int total = 0;
    for (const BookRec& r : recs) total += r.draws + r.wins + r.losses;
    EXPECT_EQ(total, 50);
}

TEST_F(MakeBookTest, AnIllegalMoveEndsTheGameOnly) {
    WriteTextFile("book.pgn",
                  "[Result \"1-0\"]\n1. e4 Qh4 2. Nf3 Nc6\n3. Bc4 1-0\n\n"
                  "[Result \"1-0\"]\n1. d4 d5 1-0\n");
    std::vector<BookRec> recs = Build();
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("e4", 1, 0, 0)));
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("d4", 1, 0, 0)));
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("d4 d5", 0, 1, 0)));
}

TEST_F(MakeBookTest, UnbalancedBracketsEndWithTheirGame) {
    WriteTextFile("book.pgn",
                  "[Result \"1-0\"]\n1. e4 } e5 2. Nf3 1-0\n\n"     // closes a comment never opened
                  "[Result \"1-0\"]\n1. d4 { never closed d5\n\n"  // opens one never closed
                  "[Result \"1-0\"]\n1. c4 ) e5 ( Nf3 \n\n"        // unbalanced parentheses
                  "[Result \"1-0\"]\n1. Nf3 d5 1-0\n");
    std::vector<BookRec> recs = Build();
    ASSERT_EQ(recs.size(), 8u);
    for (const char* m : {"e4", "e4 e5 Nf3", "d4", "c4", "Nf3"})
        EXPECT_TRUE(ContainsRec(recs, RecordAfter(m, 1, 0, 0))) << m;
    for (const char* m : {"e4 e5", "c4 e5", "Nf3 d5"}) EXPECT_TRUE(ContainsRec(recs, RecordAfter(m, 0, 1, 0))) << m;
}

TEST_F(MakeBookTest, GarbageAndLongLinesDoNotStopTheBuild) {
    std::string junk = "\x01\x02\xff\xfe garbage }}}} ((((\n[Result\n[\n;\n\n1.\n1 \n";
    junk += std::string(5000, 'x') + "\n" + "1. " + std::string(3000, '{') + "\n";
    junk += std::string(1000, ' ') + "e4\n";
    std::string nul_line("1. e4\0e5 junk\n", 14);
    std::string pgn = junk + nul_line + "[Result \"1/2-1/2\"]\n";
    std::string longgame = "1.";
    for (int i = 0; i < 200; i++) longgame += " Nf3 Nf6 Ng1 Ng8";
    pgn += longgame + "\n" + Games(8, "1/2-1/2", "c4") + "1. d4 d5 Nf";  // last line without newline
    WriteTextFile("book.pgn", pgn);
    std::string out = Run();
    EXPECT_NE(out.find("done\n"), std::string::npos);
    std::vector<BookRec> recs = ReadBookFile("book.opn");
    EXPECT_TRUE(ContainsRec(recs, RecordAfter("c4", 0, 0, 8)));
    ExpectSortedUnique(recs);
    EXPECT_TRUE(AtStartPosition());
}

TEST_F(MakeBookTest, MergeSumsSharedKeysUpToTheCap) {
    WriteBookFile("book.opn", {{0x9000, 5, 50000, 1, 2, 0}, {0x9000, 4, 1, 1, 1, 0}, {0x8000, 1, 7, 7, 7, 0}});
    WriteBookFile("tmp.opn", {{0xA000, 0, 9, 9, 9, 0}, {0x9000, 5, 20000, 3, 59999, 0}, {0x8500, 9, 2, 2, 2, 0}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(MergeBook(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nmerging...\n");
    std::vector<BookRec> want = {{0xA000, 0, 9, 9, 9, 0},
                                 {0x9000, 5, 60000, 4, 60000, 0},
                                 {0x9000, 4, 1, 1, 1, 0},
                                 {0x8500, 9, 2, 2, 2, 0},
                                 {0x8000, 1, 7, 7, 7, 0}};
    std::vector<BookRec> got = ReadBookFile("book.opn");
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) EXPECT_TRUE(SameRec(got[i], want[i])) << i;
    EXPECT_FALSE(FileExists("tmp.opn"));
    EXPECT_FALSE(FileExists("tmp__0.opn"));
}

TEST_F(MakeBookTest, MergeIntoNoBookCopiesAndWithoutTmpDoesNothing) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(MergeBook(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(FileExists("book.opn"));
    WriteBookFile("tmp.opn", {{0x9000, 5, 1, 2, 3, 0}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(MergeBook(), 1);
    testing::internal::GetCapturedStdout();
    std::vector<BookRec> got = ReadBookFile("book.opn");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(SameRec(got[0], BookRec{0x9000, 5, 1, 2, 3, 0}));
}

TEST_F(MakeBookTest, WriteBookMergesTheBufferIntoTmp) {
    WriteBookFile("tmp.opn", {{0x9000, 5, 1, 0, 0, 0}, {0x1000, 1, 0, 1, 0, 0}});
    bkbuffr[0] = BookRec{0xF000, 3, 0, 0, 1, 0};
    bkbuffr[1] = BookRec{0x9000, 5, 2, 0, 0, 0};
    bkrecnum = 2;
    testing::internal::CaptureStdout();
    EXPECT_EQ(WriteBook(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ".");
    bkrecnum = 0;
    std::vector<BookRec> got = ReadBookFile("tmp.opn");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(SameRec(got[0], BookRec{0xF000, 3, 0, 0, 1, 0}));
    EXPECT_TRUE(SameRec(got[1], BookRec{0x9000, 5, 3, 0, 0, 0}));
    EXPECT_TRUE(SameRec(got[2], BookRec{0x1000, 1, 0, 1, 0, 0}));
}

TEST_F(MakeBookTest, TruncatedAndUnsortedInputsStillMergeEveryRecordOnce) {
    WriteBookFile("book.opn", {{0x1000, 1, 1, 0, 0, 0}, {0x9000, 1, 1, 0, 0, 0}});
    FILE* f = std::fopen("book.opn", "ab");
    std::fwrite("\x05\x06\x07", 1, 3, f);
    std::fclose(f);
    WriteBookFile("tmp.opn", {{0x5000, 1, 1, 0, 0, 0}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(MergeBook(), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadBookFile("book.opn").size(), 3u);
}

TEST_F(MakeBookTest, FailedWritesLeaveTheBookIntact) {
    std::vector<BookRec> book = {{0x9000, 5, 10, 0, 0, 0}, {0x8000, 1, 1, 0, 0, 0}};
    WriteBookFile("book.opn", book);
    WriteBookFile("tmp.opn", {{0x9500, 5, 10, 0, 0, 0}});
    // The merge output cannot be created.
    ASSERT_EQ(mkdir("tmp__0.opn", 0755), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MergeBook(), 0);
    EXPECT_EQ(WriteBook(), 0);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(rmdir("tmp__0.opn"), 0);
    EXPECT_EQ(ReadBookFile("book.opn").size(), 2u);
    EXPECT_EQ(ReadBookFile("tmp.opn").size(), 1u);
    // The merge output fills the disk.
    if (access("/dev/full", W_OK) == 0) {
        ASSERT_EQ(symlink("/dev/full", "tmp__0.opn"), 0);
        testing::internal::CaptureStdout();
        EXPECT_EQ(MergeBook(), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_FALSE(FileExists("tmp__0.opn"));
        std::vector<BookRec> got = ReadBookFile("book.opn");
        ASSERT_EQ(got.size(), 2u);
        EXPECT_TRUE(SameRec(got[0], book[0]) && SameRec(got[1], book[1]));
        EXPECT_EQ(ReadBookFile("tmp.opn").size(), 1u);  // kept for a later merge
        // Pruning that cannot write keeps the unpruned book.
        ASSERT_EQ(unlink("tmp.opn"), 0);
        ASSERT_EQ(symlink("/dev/full", "tmp.opn"), 0);
        testing::internal::CaptureStdout();
        PruneBook();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(ReadBookFile("book.opn").size(), 2u);
        EXPECT_FALSE(FileExists("tmp.opn"));
    }
}

TEST_F(MakeBookTest, CanRunTwice) {
    WriteTextFile("book.pgn", Games(8, "1/2-1/2", "c4"));
    Run();
    EXPECT_EQ(ReadBookFile("book.opn").size(), 1u);
    std::remove("book.opn");
    Run();
    EXPECT_EQ(ReadBookFile("book.opn").size(), 1u);
}
