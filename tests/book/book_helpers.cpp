// Fixture and file helpers for the book tests.
#include "tests/book/book_helpers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "search/records.h"

static const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

void BookTest::SetUp() {
    static bool tables = [] {
        InitBitboards();
        InitKeys();
        return true;
    }();
    (void)tables;
    SetPBlockDefaults();
    if (!ThreadData[0]) ThreadData[0] = NewThreadRec(0);
    ResetMainPos();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_cwd_ = cwd;
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vell-book-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    FreeBook();
}

void BookTest::TearDown() {
    FreeBook();
    if (chdir(old_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_cwd_;
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

Position* MainPos() { return &ThreadData[0]->pos; }

void ResetMainPos() { SetPosition(MainPos(), kStart); }

void PlayFromStart(const std::string& moves) {
    ResetMainPos();
    std::istringstream in(moves);
    std::string word;
    while (in >> word) {
        char text[32];
        std::snprintf(text, sizeof text, "%s", word.c_str());
        uint16_t move = 0;
        ASSERT_TRUE(IsValidMove(text, &move)) << word;
        MakeMove(MainPos(), move);
    }
}

BookRec RecordHere(uint16_t wins, uint16_t losses, uint16_t draws) {
    UpdatePosHash(MainPos());
    return BookRec{BookKey16(hash1, MainPos()->side), hash2, losses, wins, draws, 0};
}

BookRec RecordAfter(const std::string& moves, uint16_t wins, uint16_t losses, uint16_t draws) {
    PlayFromStart(moves);
    BookRec rec = RecordHere(wins, losses, draws);
    ResetMainPos();
    return rec;
}

void WriteBookFile(const std::string& name, const std::vector<BookRec>& recs) {
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (const BookRec& r : recs) ASSERT_EQ(WriteBookRec(f, r), 1);
    std::fclose(f);
}

std::vector<BookRec> ReadBookFile(const std::string& name) {
    std::vector<BookRec> recs;
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return recs;
    BookRec r;
    while (ReadBookRec(f, &r)) recs.push_back(r);
    std::fclose(f);
    return recs;
}

void WriteTextFile(const std::string& name, const std::string& text) {
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
}

bool FileExists(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

void SortBook(std::vector<BookRec>& recs) {
    std::sort(recs.begin(), recs.end(), [](const BookRec& a, const BookRec& b) {
        return BookKeyCmp(a.key16, a.key32, b.key16, b.key32) > 0;
    });
}

bool SameRec(const BookRec& a, const BookRec& b) {
    return a.key16 == b.key16 && a.key32 == b.key32 && a.losses == b.losses && a.wins == b.wins &&
           a.draws == b.draws && a.reserved == b.reserved;
}
