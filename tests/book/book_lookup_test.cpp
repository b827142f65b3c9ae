// Book lookups: the start-up index, the block cache, the choice of a move and
// its weights, and book files that are missing, empty, cut short or unsorted.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "search/records.h"
#include "tests/book/book_helpers.h"

namespace {

class BookLookup : public BookTest {
protected:
    void SetUp() override {
        BookTest::SetUp();
        ASSERT_EQ(InitBook(), 0);  // the key table, so records can be keyed
    }
    // Writes the records (sorted unless told otherwise) as "vell.opn" and
    // loads the index the way start-up does.
    void Load(std::vector<BookRec> recs, bool sort = true) {
        if (sort) SortBook(recs);
        WriteBookFile("vell.opn", recs);
        ASSERT_EQ(InitBook(), 0);
    }
    uint16_t Choose(int verbose = 0) {
        GetCandidates(MainPos(), verbose);
        return PBlock.best_pv[1].load();
    }
    static uint16_t Move(const char* from, const char* to) {
        int f = (from[0] - 'a') + 8 * (from[1] - '1'), t = (to[0] - 'a') + 8 * (to[1] - '1');
        return uint16_t((f << 8) | t);
    }
};

// Finds the record of the main position as the engine would.
const BookRec* LookUpHere() {
    UpdatePosHash(MainPos());
    return FindPosition(MainPos()->side);
}

// The candidate lines of a verbose choice: move text -> (value, wins, losses, draws).
std::map<std::string, std::vector<int>> ParseCandidates(const std::string& out) {
    std::map<std::string, std::vector<int>> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        char move[16];
        int v, w, l, d;
        if (std::sscanf(line.c_str(), "%15s %d %d - %d - %d", move, &v, &w, &l, &d) == 5)
            lines[move] = {v, w, l, d};
    }
    return lines;
}

}  // namespace

TEST_F(BookLookup, NoBookFileGivesNoMove) {
    PBlock.best_pv[1].store(123);
    EXPECT_EQ(bkrecnum, 0);
    EXPECT_EQ(Choose(), 0);
    EXPECT_EQ(LookUpHere(), nullptr);
}

TEST_F(BookLookup, EmptyBookFileGivesNoMove) {
    Load({});
    EXPECT_EQ(bkrecnum, 0);
    EXPECT_EQ(Choose(), 0);
}

TEST_F(BookLookup, EmptyBookNameDisablesTheBook) {
    WriteBookFile("vell.opn", {RecordAfter("e4", 3, 0, 0)});
    PBlock.book_name[0] = 0;
    ASSERT_EQ(InitBook(), 0);
    EXPECT_EQ(bkrecnum, 0);
    EXPECT_EQ(Choose(), 0);
}

TEST_F(BookLookup, IndexHoldsTheFirstRecordOfEachPrefix) {
    std::vector<BookRec> recs = {{0xFFFF, 1, 0, 0, 0, 0}, {0xFFC1, 9, 0, 0, 0, 0},
                                 {0xFFC0, 3, 0, 0, 0, 0}, {0x8000, 5, 0, 0, 0, 0},
                                 {0x0040, 7, 0, 0, 0, 0}, {0x0000, 2, 0, 0, 0, 0}};
    Load(recs, false);
    EXPECT_EQ(bkrecnum, 6);
    EXPECT_EQ(bktable[1023], 0);
    EXPECT_EQ(bktable[1022], -1);
    EXPECT_EQ(bktable[512], 3);
    EXPECT_EQ(bktable[1], 4);
    EXPECT_EQ(bktable[0], 5);
    hash1 = 0x7FC1;  // white to move sets bit 15: 0xFFC1
    hash2 = 9;
    const BookRec* r = FindPosition(WHITE);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->key16, 0xFFC1);
    hash2 = 8;
    EXPECT_EQ(FindPosition(WHITE), nullptr);
    hash1 = 0x0040;
    hash2 = 7;
    ASSERT_NE(FindPosition(BLACK), nullptr);
    EXPECT_EQ(FindPosition(WHITE), nullptr);  // 0x8040: no such prefix
}

TEST_F(BookLookup, FindsEveryRecordOfASortedBook) {
    std::vector<BookRec> recs;
    for (uint32_t i = 0; i < 3000; i++)
        recs.push_back(BookRec{uint16_t((i * 7919u) & 0xFFFF), i * 2654435761u, 1, 2, 3, 0});
    SortBook(recs);
    Load(recs);
    EXPECT_EQ(bkrecnum, 3000);
    for (const BookRec& want : recs) {
        hash1 = want.key16 & 0x7FFF;
        hash2 = want.key32;
        const BookRec* got = FindPosition(want.key16 & 0x8000 ? WHITE : BLACK);
        ASSERT_NE(got, nullptr) << want.key16;
        EXPECT_TRUE(SameRec(*got, want));
        hash2 = want.key32 ^ 1;
        EXPECT_EQ(FindPosition(want.key16 & 0x8000 ? WHITE : BLACK), nullptr);
    }
}

// A position's candidates do not depend on how it was reached: after moves
// the lookup of the position itself leaves a block whose last key is the
// one all of White's replies share.
TEST_F(BookLookup, CandidatesAlikeByMovesAndByFen) {
    struct Row {
        const char *moves, *fen;
        std::vector<std::string> replies;
    } rows[] = {
        {"e4 e5", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -", {"b1c3", "f1c4", "f2f4", "g1f3"}},
        {"e4 e5 Nf3", "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -", {"b8c6", "d7d6"}},
    };
    std::vector<BookRec> book = {RecordAfter("e4 e5", 1, 0, 0)};
    for (const char* m : {"Nf3", "Nc3", "Bc4", "f4", "Nf3 Nc6", "Nf3 d6"})
        book.push_back(RecordAfter(std::string("e4 e5 ") + m, 5, 0, 0));
    Load(book);
    for (const Row& r : rows) {
        for (int by_fen = 0; by_fen < 2; by_fen++) {
            ResetBookCache();
            PlayFromStart(r.moves);
            if (by_fen) SetPosition(MainPos(), r.fen);
            testing::internal::CaptureStdout();
            Choose(1);
            std::vector<std::string> got;
            for (auto& [move, counts] : ParseCandidates(testing::internal::GetCapturedStdout())) got.push_back(move);
            EXPECT_EQ(got, r.replies) << r.moves << (by_fen ? " by FEN" : " by moves");
        }
    }
}

TEST_F(BookLookup, TruncatedFileUsesOnlyWholeRecords) {
    std::vector<BookRec> recs = {RecordAfter("e4", 3, 0, 0), RecordAfter("d4", 2, 0, 0),
                                 RecordAfter("c4", 1, 0, 0)};
    SortBook(recs);
    WriteBookFile("vell.opn", recs);
    FILE* f = std::fopen("vell.opn", "ab");
    std::fwrite("\xFF\xFF\x01\x02\x03", 1, 5, f);
    std::fclose(f);
    ASSERT_EQ(InitBook(), 0);
    EXPECT_EQ(bkrecnum, 3);
    for (const char* m : {"e4", "d4", "c4"}) {
        PlayFromStart(m);
        EXPECT_NE(LookUpHere(), nullptr) << m;
    }
    ResetMainPos();
    for (int i = 0; i < 20; i++) EXPECT_NE(Choose(), 0);
}

TEST_F(BookLookup, FileThatShrankAfterStartUpIsReadSafely) {
    std::vector<BookRec> recs;
    for (int i = 0; i < 5000; i++) recs.push_back(BookRec{uint16_t(0xFFFF - i), 1, 0, 0, 0, 0});
    Load(recs);
    ASSERT_EQ(truncate("vell.opn", 100 * BOOK_REC_BYTES + 3), 0);
    for (int i = 0; i < 5000; i += 37) {
        hash1 = uint16_t(0x7FFF - i);
        hash2 = 1;
        const BookRec* r = FindPosition(WHITE);
        EXPECT_EQ(r != nullptr, i < 100) << i;
    }
}

TEST_F(BookLookup, UnsortedFileNeverReadsOutOfBounds) {
    std::vector<BookRec> recs;
    uint32_t x = 12345;
    for (int i = 0; i < 6000; i++) {
        x = x * 1103515245u + 12345u;
        recs.push_back(BookRec{uint16_t(x >> 16), x, uint16_t(x & 7), uint16_t(x & 3), 0, 0});
    }
    recs.push_back(RecordAfter("e4", 0, 0, 0));  // a record with no games at all
    Load(recs, false);
    EXPECT_EQ(bkrecnum, 6001);
    for (const BookRec& r : recs) {
        hash1 = r.key16 & 0x7FFF;
        hash2 = r.key32;
        const BookRec* got = FindPosition(r.key16 & 0x8000 ? WHITE : BLACK);
        if (got) {
            EXPECT_TRUE(got->key16 == r.key16 && got->key32 == r.key32);
        }
    }
    testing::internal::CaptureStdout();
    Choose(1);  // must not crash or divide by zero
    testing::internal::GetCapturedStdout();
}

TEST_F(BookLookup, ManyRecordsOfOnePrefixFillTheCacheOnly) {
    std::vector<BookRec> recs;
    for (int i = 0; i < 3000; i++) recs.push_back(BookRec{0x8000, uint32_t(10000 - i), 1, 0, 0, 0});
    Load(recs);
    hash1 = 0;
    hash2 = 10000;
    EXPECT_NE(FindPosition(WHITE), nullptr);
    hash2 = 10000 - (BOOK_CACHE_RECS - 1);
    EXPECT_NE(FindPosition(WHITE), nullptr);
    hash2 = 10000 - BOOK_CACHE_RECS;  // beyond the block a refill reads
    EXPECT_EQ(FindPosition(WHITE), nullptr);
}

TEST_F(BookLookup, ThreeWinsAloneAreAlwaysChosen) {
    Load({RecordAfter("e4", 3, 0, 0)});
    for (unsigned rs = 1; rs <= 300; rs++) {
        std::srand(rs);
        ASSERT_EQ(Choose(), Move("e2", "e4")) << rs;
    }
    testing::internal::CaptureStdout();
    Choose(1);
    auto lines = ParseCandidates(testing::internal::GetCapturedStdout());
    ASSERT_EQ(lines.size(), 1u);
    std::vector<int> e4 = lines["e2e4"];
    EXPECT_GE(e4[0], 1500 - 49);  // weight 6000 / (3 + sqrt 3 = 1) = 1500
    EXPECT_LE(e4[0], 1500 + 50);
    EXPECT_EQ(e4[1], 3);
    EXPECT_EQ(e4[2], 0);
    EXPECT_EQ(e4[3], 0);
}

TEST_F(BookLookup, AMoveThatAlwaysLostIsNeverChosen) {
    Load({RecordAfter("f3", 0, 40, 0)});
    for (unsigned rs = 1; rs <= 300; rs++) {
        std::srand(rs);
        ASSERT_EQ(Choose(), 0) << rs;
    }
}

TEST_F(BookLookup, WeightsFollowResultsAndTheSquareRootOfAllGames) {
    // 97 games in all, root 9: d4 (30 games) weighs 30000 / 39 = 769,
    // e4 (60 games) 80000 / 69 = 1159, Nf3 (all lost) 0.
    Load({RecordAfter("e4", 30, 10, 20), RecordAfter("d4", 10, 10, 10), RecordAfter("Nf3", 0, 7, 0)});
    for (unsigned rs = 1; rs <= 50; rs++) {
        std::srand(rs);
        testing::internal::CaptureStdout();
        uint16_t m = Choose(1);
        std::string out = testing::internal::GetCapturedStdout();
        auto lines = ParseCandidates(out);
        ASSERT_EQ(lines.size(), 3u) << out;
        int d4 = lines["d2d4"][0], e4 = lines["e2e4"][0];
        EXPECT_TRUE(d4 >= 769 - 49 && d4 <= 769 + 50) << d4;
        EXPECT_TRUE(e4 >= 1159 - 49 && e4 <= 1159 + 50) << e4;
        EXPECT_LE(lines["g1f3"][0], 50);
        EXPECT_EQ(m, Move("e2", "e4"));
        // Candidates come in generation order: the d-pawn before the e-pawn.
        EXPECT_LT(out.find("d2d4"), out.find("e2e4"));
    }
}

TEST_F(BookLookup, VerboseLineLayout) {
    Load({RecordAfter("e4", 12345, 3, 45)});
    std::srand(7);
    testing::internal::CaptureStdout();
    Choose(1);
    std::string out = testing::internal::GetCapturedStdout();
    auto lines = ParseCandidates(out);
    char want[80];
    std::snprintf(want, sizeof want, "e2e4  %4d     12345 -     3 -    45\n", lines["e2e4"][0]);
    EXPECT_EQ(out, want);
}

TEST_F(BookLookup, NoSuccessorInTheBookGivesNoMove) {
    Load({RecordAfter("e4 e5", 3, 0, 0), RecordAfter("e4 e5 Nf3", 5, 0, 0)});
    EXPECT_EQ(Choose(), 0);  // from the start: e4 itself is not in the book
}

TEST_F(BookLookup, AfterMovesTheCurrentPositionMustBeInTheBook) {
    Load({RecordAfter("e4 e5 Nf3", 5, 0, 0)});
    PlayFromStart("e4 e5");
    EXPECT_EQ(Choose(), 0);  // the position after 1.e4 e5 is unknown
    Load({RecordAfter("e4 e5", 1, 0, 0), RecordAfter("e4 e5 Nf3", 5, 0, 0)});
    PlayFromStart("e4 e5");
    EXPECT_EQ(Choose(), Move("g1", "f3"));
    // A position set up from a FEN needs no record of its own.
    Load({RecordAfter("e4 e5 Nf3", 5, 0, 0)});
    SetPosition(MainPos(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(Choose(), Move("g1", "f3"));
}

TEST_F(BookLookup, ChoiceLeavesThePositionUnchanged) {
    Load({RecordAfter("e4", 3, 0, 0), RecordAfter("d4", 3, 0, 0), RecordAfter("c4", 3, 0, 0)});
    PlayFromStart("");
    Position before = *MainPos();
    testing::internal::CaptureStdout();
    Choose(1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
    EXPECT_EQ(std::memcmp(before.board, MainPos()->board, sizeof before.board), 0);
    EXPECT_EQ(before.hash, MainPos()->hash);
    EXPECT_EQ(before.nhist, MainPos()->nhist);
    EXPECT_EQ(before.side, MainPos()->side);
}
