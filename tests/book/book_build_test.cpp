// A book built from thousands of real opening games (twice over, so the
// build also merges half-way) against counts taken directly from the games.
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "board/makemove.h"
#include "board/notation.h"
#include "book/mkbook.h"
#include "search/records.h"
#include "tests/book/book_helpers.h"

#ifndef VELL_TEST_DATA
#define VELL_TEST_DATA "tests/data"
#endif

namespace {

const char* const kResults[3] = {"1-0", "0-1", "1/2-1/2"};

// The games of the data file with their Result tags cycling through win,
// loss and draw (the file itself has only draws), offset by shift.
std::string GamesWithMixedResults(const std::string& text, int shift) {
    std::string out;
    std::istringstream in(text);
    std::string line;
    int n = shift;
    while (std::getline(in, line)) {
        if (line.rfind("[Result ", 0) == 0) line = std::string("[Result \"") + kResults[n++ % 3] + "\"]\r";
        out += line + "\n";
    }
    return out;
}

struct Counts {
    int wins = 0, losses = 0, draws = 0;
};
using Key = std::pair<uint16_t, uint32_t>;

// Straightforward counting of the same games, for comparison: every position
// of the first 50 plies, keyed and credited to the side that moved into it.
std::map<Key, Counts> CountDirectly(const std::string& pgn, int& unreadable) {
    std::map<Key, Counts> counts;
    std::istringstream in(pgn);
    std::string line;
    int winner = 2;
    bool skip = false;
    while (std::getline(in, line)) {
        if (line.rfind("[Result", 0) == 0) {
            winner = line.find("1-0") != std::string::npos ? 0 : line.find("0-1") != std::string::npos ? 1 : 2;
            continue;
        }
        if (line.rfind("[", 0) == 0) continue;
        if (line.rfind("1.", 0) == 0) {
            ResetMainPos();
            skip = false;
        }
        if (skip) continue;
        std::istringstream words(line);
        std::string w;
        while (words >> w) {
            size_t i = w.find_last_of('.');
            if (i != std::string::npos) w = w.substr(i + 1);
            if (w.empty() || w == "1-0" || w == "0-1" || w == "1/2-1/2" || w == "*") continue;
            if (MainPos()->nhist >= 50) break;
            char text[32];
            std::snprintf(text, sizeof text, "%s", w.c_str());
            uint16_t move;
            if (!IsValidMove(text, &move)) {  // e.g. "Ne2" when the other knight is pinned
                skip = true;
                unreadable++;
                break;
            }
            MakeMove(MainPos(), move);
            UpdatePosHash(MainPos());
            int us = MainPos()->side;
            Counts& c = counts[{BookKey16(hash1, us), hash2}];
            if (winner == 2) c.draws++;
            else if (winner == us) c.losses++;
            else c.wins++;
        }
    }
    return counts;
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace

using BookBuild = BookTest;

TEST_F(BookBuild, SixThousandGamesMatchDirectCounts) {
    ASSERT_EQ(InitBook(), 0);
    std::string games = ReadAll(std::string(VELL_TEST_DATA) + "/8moves_v3_first3000.pgn");
    ASSERT_GT(games.size(), 100000u);
    std::string pgn = GamesWithMixedResults(games, 0) + GamesWithMixedResults(games, 1);
    WriteTextFile("book.pgn", pgn);

    testing::internal::CaptureStdout();
    MakeBook();
    std::string out = testing::internal::GetCapturedStdout();
    // A spill every 200 games, a merge at game 5000, then the final spill and merge.
    std::string spills = std::string(25, '.') + "\nmerging...\n" + std::string(6, '.') + "\nmerging...\n";
    EXPECT_EQ(out.substr(0, spills.size()), spills);
    EXPECT_NE(out.find("\n6000 games, 96000 moves read, 0 games cut\npruning...\ndone\n"), std::string::npos);
    EXPECT_FALSE(FileExists("tmp.opn"));
    EXPECT_FALSE(FileExists("tmp__0.opn"));
    char epd[128];
    MakeEPD(MainPos(), epd);
    EXPECT_STREQ(epd, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");

    std::vector<BookRec> book = ReadBookFile("book.opn");
    int unreadable = 0;
    std::map<Key, Counts> counts = CountDirectly(pgn, unreadable);
    EXPECT_LT(unreadable, 100);
    std::vector<BookRec> want;
    for (const auto& [key, c] : counts)
        if (2 * c.losses + c.draws > 7)
            want.push_back(BookRec{key.first, key.second, uint16_t(c.losses), uint16_t(c.wins), uint16_t(c.draws), 0});
    SortBook(want);
    ASSERT_GT(want.size(), 100u);
    ASSERT_EQ(book.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        ASSERT_TRUE(SameRec(book[i], want[i])) << i;
        if (i > 0) {
            ASSERT_GT(BookKeyCmp(book[i - 1].key16, book[i - 1].key32, book[i].key16, book[i].key32), 0);
        }
    }

    // The new book, loaded under the engine's book name, gives a move from the start.
    ASSERT_EQ(std::rename("book.opn", "vell.opn"), 0);
    std::strcpy(PBlock.book_name, "vell.opn");
    ASSERT_EQ(InitBook(), 0);
    EXPECT_EQ(bkrecnum, int32_t(want.size()));
    for (unsigned rs = 1; rs <= 20; rs++) {
        std::srand(rs);
        ResetMainPos();
        GetCandidates(MainPos(), 0);
        uint16_t move = PBlock.best_pv[1].load();
        ASSERT_NE(move, 0) << rs;
        MakeMove(MainPos(), move);
        UpdatePosHash(MainPos());
        EXPECT_NE(FindPosition(MainPos()->side), nullptr);
    }
}
