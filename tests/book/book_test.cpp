// The opening book: its key and file format, lookups in sound and damaged
// files, the choice of a move, books built from PGN (the big one against
// counts taken directly from the games), merges, and the book in the engine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <tuple>

#include "board/fen.h"
#include "book/book.h"
#include "book/mkbook.h"
#include "tests/board/board_setup.h"

namespace {

using Recs = std::vector<BookRec>;

// The main position set from a FEN, or after moves from the start.
Position* Play(const std::string& where) {
    const bool fen = where.find('/') != std::string::npos;
    return fen ? SetGame(where.c_str()) : SetGame(fen_opn, where.c_str());
}

// The record of "where|wins losses draws".
BookRec Rec(const std::string& row) {
    size_t bar = row.find('|');
    Position* pos = Play(row.substr(0, bar));
    int wins = 0, losses = 0, draws = 0;
    if (bar != std::string::npos) std::sscanf(row.c_str() + bar + 1, "%d %d %d", &wins, &losses, &draws);
    UpdatePosHash(pos);
    return {BookKey16(hash1, pos->side), hash2, uint16_t(losses), uint16_t(wins), uint16_t(draws), 0};
}

void Sort(Recs& recs) {
    std::sort(recs.begin(), recs.end(),
              [](auto& a, auto& b) { return BookKeyCmp(a.key16, a.key32, b.key16, b.key32) > 0; });
}

// Records "row; row; ..." in book order.
Recs Book(const std::string& rows) {
    Recs recs;
    for (const std::string& row : Split(rows, ';')) recs.push_back(Rec(row));
    Sort(recs);
    return recs;
}

std::vector<std::string> Texts(const Recs& recs) {
    std::vector<std::string> out;
    char buf[64];
    for (const BookRec& r : recs) {
        std::snprintf(buf, sizeof buf, "%04X:%08X l%u w%u d%u r%u", r.key16, r.key32, r.losses, r.wins,
                      r.draws, r.reserved);
        out.push_back(buf);
    }
    return out;
}

void Write(const char* name, const Recs& recs, const std::string& tail = "") {
    std::string bytes(recs.size() * BOOK_REC_BYTES, 0);
    for (size_t i = 0; i < recs.size(); i++) PackBookRec(recs[i], (uint8_t*)&bytes[i * BOOK_REC_BYTES]);
    WriteFile(name, bytes + tail);
}

Recs Read(const char* name) {
    Recs recs;
    FILE* f = std::fopen(name, "rb");
    for (BookRec r; f && ReadBookRec(f, &r);) recs.push_back(r);
    if (f) std::fclose(f);
    return recs;
}

// The int f returns; what it prints goes nowhere.
template <class F>
int Silently(F f) {
    int result = 0;
    Printed([&] { result = f(); });
    return result;
}

// Each test in its own folder with the book's key table built and no book file.
struct BookTest : EngineTest {
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(InitBook(), 0);
    }
    void Load(const Recs& recs, const std::string& tail = "") {
        Write("vell.opn", recs, tail);
        ASSERT_EQ(InitBook(), 0);
    }
    const BookRec* Find(uint16_t key16, uint32_t key32) {
        hash1 = key16 & 0x7FFF, hash2 = key32;
        return FindPosition(key16 & 0x8000 ? WHITE : BLACK);
    }
    uint16_t Choose(int verbose = 0) { return GetCandidates(&ThreadData[0]->pos, verbose); }
};

}  // namespace

// The start position, 1.e4 (its en-passant square counts) and the same
// without it. Castling rights do not count and the side only in key16's hash
// part and top bit, or the first two would differ; the record bytes are
// pinned by the book file of the UCI transcripts.
TEST_F(BookTest, Keys) {
    EXPECT_EQ(Texts({Rec(""), Rec("e4"), Rec("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -")}),
              Texts({{0xEE40, 0x13A077C0, 0, 0, 0, 0},
                     {0x22C0, 0x2830E844, 0, 0, 0, 0},
                     {0x22C0, 0x2830E844 - 20 + 64, 0, 0, 0, 0}}));
}

// Sound and damaged files: the records indexed; in a sound file every record
// is found, in any file a record found has the key asked for.
TEST_F(BookTest, SoundAndDamagedFiles) {
    Recs sound, random;
    for (uint32_t i = 0; i < 3000; i++)
        sound.push_back(BookRec{uint16_t(i * 7919u), i * 2654435761u, 1, 2, 3, 0});
    Sort(sound);
    for (uint32_t i = 0, x = 12345; i < 6000; i++) {
        x = x * 1103515245u + 12345u;
        random.push_back(BookRec{uint16_t(x >> 16), x, uint16_t(x & 7), uint16_t(x & 3), 0, 0});
    }
    random.push_back(Rec("e4"));  // a record without games
    const struct {
        const char* what;
        Recs recs;
        std::string tail;
        int records;
    } rows[] = {
        {"sound", sound, "", 3000},
        {"empty", {}, "", 0},
        {"a partial record only", {}, "\x01\x02\x03", 0},
        {"cut short", Book("e4|3 0 0; d4|2 0 0; c4|1 0 0"), "\xFF\xFF\x01\x02\x03", 3},
        {"unsorted", random, "", 6001},
    };
    for (const auto& row : rows) {
        Load(row.recs, row.tail);
        EXPECT_EQ(bkrecnum, row.records) << row.what;
        for (const BookRec& r : row.recs) {
            const BookRec* f = Find(r.key16, r.key32);
            EXPECT_TRUE(row.records == 3000 ? f && Texts({*f}) == Texts({r}) && !Find(r.key16, r.key32 ^ 1)
                                            : !f || (f->key16 == r.key16 && f->key32 == r.key32))
                << row.what;
        }
        SetGame(fen_opn);
        EXPECT_EQ(Silently([&] { return Choose(1); }) != 0, row.records == 3) << row.what;
    }
    // A file that shrank after start-up.
    Recs many;
    for (int i = 0; i < 5000; i++) many.push_back(BookRec{uint16_t(0xFFFF - i), 1, 0, 0, 0, 0});
    Load(many);
    ASSERT_EQ(truncate("vell.opn", 100 * BOOK_REC_BYTES + 3), 0);
    for (int i = 0; i < 5000; i += 37) EXPECT_EQ(Find(uint16_t(0xFFFF - i), 1) != nullptr, i < 100) << i;
    // A book name without a file: no book, whatever was there before.
    std::snprintf(PBlock.book_name, sizeof PBlock.book_name, "missing.opn");
    ASSERT_EQ(InitBook(), 0);
    EXPECT_TRUE(bkrecnum == 0 && Choose() == 0);
}

// The move chosen (over many random draws) from a book after moves from the
// start ("0000" none); below, the same candidates when reached by a FEN.
TEST_F(BookTest, ChoiceOfAMove) {
    const struct {
        const char *book, *played, *move;
    } rows[] = {
        {"e4|3 0 0", "", "e2e4"},
        {"f3|0 40 0", "", "0000"},  // always lost
        {"e4|30 10 20; d4|10 10 10; Nf3|0 7 0", "", "e2e4"},
        {"d4|0 0 10; e4|10 0 0", "", "e2e4"},          // a win weighs twice a draw
        {"e4 e5|3 0 0; e4 e5 Nf3|5 0 0", "", "0000"},  // no successor in the book
        {"e4 e5 Nf3|5 0 0", "e4 e5", "g1f3"},          // the position itself need not be known
        {"e4 e5|1 0 0; e4 e5 Nf3|5 0 0", "e4 e5", "g1f3"},
    };
    for (const auto& row : rows) {
        Load(Book(row.book));
        for (unsigned draw = 1; draw <= 100; draw++) {
            Position* pos = Play(row.played);
            std::string before = Epd(pos);
            std::srand(draw);
            ASSERT_EQ(Coord(Choose()), row.move) << row.book << " " << draw;
            EXPECT_EQ(Epd(pos), before);
        }
    }
    // The candidates of a position do not depend on how it was reached.
    Load(
        Book("e4 e5|1 0 0; e4 e5 Nf3|5 0 0; e4 e5 Nc3|5 0 0; e4 e5 Bc4|5 0 0; e4 e5 f4|5 0 0; "
             "e4 e5 Nf3 Nc6|5 0 0; e4 e5 Nf3 d6|5 0 0"));
    for (const auto& [moves, fen, replies] :
         {std::tuple{"e4 e5", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -",
                     "b1c3 f1c4 f2f4 g1f3 "},
          {"e4 e5 Nf3", "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -", "b8c6 d7d6 "}})
        for (const char* where : {moves, fen}) {
            ResetBookCache();
            Play(where);
            std::set<std::string> listed;
            for (const std::string& line : Split(Printed([&] { Choose(1); })))
                if (line.rfind("move ", 0) != 0) listed.insert(line.substr(0, 5));  // past the header
            EXPECT_EQ(std::accumulate(listed.begin(), listed.end(), std::string()), replies) << where;
        }
}

// Games in book.pgn and the records built from them (pruning and the 50-ply
// limit are checked by the 6,000-game build, comments and brackets by the
// PGN reader's own table).
TEST_F(BookTest, PgnToRecords) {
    const struct {
        std::string pgn;
        const char* book;
    } rows[] = {
        // The result comes from the tag, else from the result token.
        {"[Result \"0-1\"]\n1. e4 0-1\n\n1. d4 *\n\n[Result \"*\"]\n1. c4 *\n",
         "e4|0 1 0; d4|0 0 1; c4|0 0 1"},
        // A move that cannot be played ends its game only.
        {"[Result \"1-0\"]\n1. e4 Qh4 2. Nf3 Nc6\n3. Bc4 1-0\n\n[Result \"1-0\"]\n1. d4 d5 1-0\n",
         "e4|1 0 0; d4|1 0 0; d4 d5|0 1 0"},
    };
    for (const auto& row : rows) {
        WriteFile("book.pgn", row.pgn);  // neither the last row's book nor a stopped build's records count
        Write("tmp.opn", {{0x9500, 5, 10, 0, 0, 0}});
        EXPECT_EQ(Silently(BuildBook), 1);
        EXPECT_EQ(Texts(Read("book.opn")), Texts(Book(row.book))) << row.pgn;
        EXPECT_FALSE(std::filesystem::exists("tmp.opn") || std::filesystem::exists("tmp__0.opn"));
    }
}

// Merging tmp.opn into book.opn: counts of one key add up to the cap, damaged
// input still gives every record once; a merge that cannot read or write keeps
// both files, and pruning after it leaves tmp.opn alone.
TEST_F(BookTest, Merges) {
    Write("book.opn", {{0x9000, 5, 50000, 1, 2, 0}, {0x9000, 4, 1, 1, 1, 0}, {0x8000, 1, 7, 7, 7, 0}},
          "\x05\x06\x07");
    Write("tmp.opn", {{0xA000, 0, 9, 9, 9, 0}, {0x9000, 5, 20000, 3, 59999, 0}, {0x8500, 9, 2, 2, 2, 0}});
    EXPECT_EQ(Silently(MergeBook), 1);
    EXPECT_EQ(Texts(Read("book.opn")), Texts({{0xA000, 0, 9, 9, 9, 0},
                                              {0x9000, 5, 60000, 4, 60000, 0},
                                              {0x9000, 4, 1, 1, 1, 0},
                                              {0x8500, 9, 2, 2, 2, 0},
                                              {0x8000, 1, 7, 7, 7, 0}}));
    EXPECT_FALSE(std::filesystem::exists("tmp.opn") || std::filesystem::exists("tmp__0.opn"));
    int merged = 1;
    EXPECT_EQ(Printed([&] { merged = MergeBook(); }), "");  // nothing to merge
    EXPECT_EQ(merged, 0);
    // A book that exists but cannot be opened is not taken for an empty one.
    std::remove("book.opn");
    ASSERT_EQ(symlink("book.opn", "book.opn"), 0);
    Write("tmp.opn", {{0x9500, 5, 10, 0, 0, 0}});
    EXPECT_EQ(Silently(MergeBook), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("book.opn") && Read("tmp.opn").size() == 1);
    std::remove("book.opn");
    // The merge output fills the disk; pruning cannot write.
    if (access("/dev/full", W_OK) != 0) return;
    Recs book = {{0x9000, 5, 10, 0, 0, 0}, {0x8000, 1, 1, 0, 0, 0}};
    Write("book.opn", book);
    Write("tmp.opn", {{0x9500, 5, 10, 0, 0, 0}});
    ASSERT_EQ(symlink("/dev/full", "tmp__0.opn"), 0);
    EXPECT_EQ(Silently(MergeBook), 0);
    EXPECT_FALSE(std::filesystem::exists("tmp__0.opn"));
    EXPECT_TRUE(Texts(Read("book.opn")) == Texts(book) && Read("tmp.opn").size() == 1);
    ASSERT_EQ(symlink("/dev/full", "tmp__0.opn"), 0);
    EXPECT_EQ(Silently(PruneBook), 0);
    EXPECT_TRUE(Texts(Read("book.opn")) == Texts(book) && Read("tmp.opn").size() == 1);
}

// Thousands of real opening games, twice over with their results cycling
// through win, loss and draw (so the build also merges half-way), against
// every position of their first 50 plies counted straight from the games.
TEST_F(BookTest, SixThousandGamesMatchDirectCounts) {
    const auto lines = Split(ReadFile(std::string(VELL_TEST_DATA) + "/8moves_v3_first3000.pgn"));
    std::string pgn;
    std::map<std::pair<uint16_t, uint32_t>, BookRec> counts;
    const char* results[3] = {"1-0", "0-1", "1/2-1/2"};
    int games = 0, unreadable = 0, result = 0;
    for (int pass = 0; pass < 2; pass++)
        for (std::string l : lines) {
            if (l.rfind("[Result ", 0) == 0)
                l = std::string("[Result \"") + results[result = (games++ + pass) % 3] + "\"]\r";
            pgn += l + "\n";
            if (l.rfind("1.", 0) == 0) SetGame(fen_opn);
            if (l.empty() || l[0] == '[' || l[0] == '\r') continue;
            std::istringstream words(l);
            for (std::string w; words >> w && ThreadData[0]->pos.nhist < 50;) {
                w = w.substr(w.find_last_of('.') + 1);
                if (w.empty() || w == results[0] || w == results[1] || w == results[2] || w == "*") continue;
                Position* pos = &ThreadData[0]->pos;
                uint16_t m;
                if (ParseMove(pos, w.c_str(), &m) != 1) {
                    unreadable++, pos->nhist = 50;
                    break;
                }
                MakeMove(pos, m);
                UpdatePosHash(pos);
                BookRec& c = counts[{BookKey16(hash1, pos->side), hash2}];
                c.key16 = BookKey16(hash1, pos->side), c.key32 = hash2;
                result == 2 ? c.draws++ : result == pos->side ? c.losses++ : c.wins++;
            }
        }
    EXPECT_EQ(unreadable, 0);
    WriteFile("book.pgn", pgn);
    // A spill every 200 games, a merge at game 5000, then the last spill and merge.
    std::string spills = std::string(25, '.') + "\nmerging...\n" + std::string(6, '.') + "\nmerging...\n";
    EXPECT_EQ(Printed(MakeBook).substr(0, spills.size() + 42),
              spills + "6000 games, 96000 moves read, 0 games cut\n");
    Recs want;
    for (const auto& [key, c] : counts)
        if (2 * c.losses + c.draws > 7) want.push_back(c);
    Sort(want);
    ASSERT_GT(want.size(), 100u);
    EXPECT_EQ(Texts(Read("book.opn")), Texts(want));
}
