// The book through the engine itself: a UCI book hit answers without a
// search, and the console commands "book" and "mkbook".
#include <algorithm>

#include "tests/book/book_helpers.h"
#include "tests/support/engine_process.h"

namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

class BookEngine : public BookTest {
protected:
    void SetUp() override {
        BookTest::SetUp();
        ASSERT_EQ(InitBook(), 0);
    }
};

}  // namespace

TEST_F(BookEngine, UciBookHitAnswersWithoutSearching) {
    WriteBookFile("vell.opn", {RecordAfter("e4", 3, 0, 0)});
    EngineProcess e({}, dir_);
    e.Send("uci");
    ASSERT_TRUE(e.WaitFor("uciok", 10));
    e.Send("setoption name OwnBook value true");
    e.Send("position startpos");
    e.Send("go wtime 60000 btime 60000");
    std::vector<std::string> seen;
    std::string best;
    ASSERT_TRUE(e.WaitFor("bestmove", 10, &seen, &best));
    EXPECT_EQ(best, "bestmove e2e4");
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], "info string book move");
    EXPECT_FALSE(HasPrefix(seen, "info depth"));
    // Out of the book the engine searches as usual.
    e.Send("position startpos moves e2e4 e7e5");
    e.Send("go depth 2");
    seen.clear();
    ASSERT_TRUE(e.WaitFor("bestmove", 20, &seen, &best));
    EXPECT_FALSE(Has(seen, "info string book move"));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST_F(BookEngine, WithoutOwnBookTheEngineSearches) {
    WriteBookFile("vell.opn", {RecordAfter("e4", 3, 0, 0)});
    EngineProcess e({}, dir_);
    e.Send("position startpos");
    e.Send("go depth 2");
    std::vector<std::string> seen;
    ASSERT_TRUE(e.WaitFor("bestmove", 20, &seen));
    EXPECT_FALSE(Has(seen, "info string book move"));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST_F(BookEngine, ConsoleBookListsTheCandidates) {
    WriteBookFile("vell.opn", {RecordAfter("e4", 3, 0, 0)});
    EngineProcess e({"-c"}, dir_);
    e.Send("book");
    std::string line;
    ASSERT_TRUE(e.WaitFor("e2e4", 10, nullptr, &line));
    ASSERT_GE(line.size(), 21u);
    EXPECT_EQ(line.substr(line.size() - 21), "    3 -     0 -     0");
    ASSERT_TRUE(e.ReadLine(line, 5));
    EXPECT_EQ(line, "");
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}

TEST_F(BookEngine, ConsoleMkbookBuildsBookOpn) {
    std::string pgn;
    for (int i = 0; i < 8; i++) pgn += "[Result \"1/2-1/2\"]\n1. c4 c5 1/2-1/2\n\n";
    WriteTextFile("book.pgn", pgn);
    EngineProcess e({"-c"}, dir_);
    e.Send("mkbook");
    std::vector<std::string> seen;
    ASSERT_TRUE(e.WaitFor("done", 20, &seen));
    ASSERT_GE(seen.size(), 5u);
    std::vector<std::string> tail(seen.end() - 5, seen.end());
    EXPECT_EQ(tail, (std::vector<std::string>{".", "merging...", "8 games, 16 moves read, 0 games cut", "pruning...",
                                              "done"}));
    std::vector<BookRec> recs = ReadBookFile("book.opn");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_TRUE(SameRec(recs[0], RecordAfter("c4 c5", 0, 0, 8)));
    EXPECT_TRUE(SameRec(recs[1], RecordAfter("c4", 0, 0, 8)));
    e.Send("quit");
    EXPECT_EQ(e.Wait(10), 0);
}
