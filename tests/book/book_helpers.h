// Shared set-up for the book tests: a fresh working directory per test (the
// book builder writes its files there), the main position, and small helpers
// to write and read book files and to key positions given as moves.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/book.h"

// Runs each test in its own empty temporary directory with the engine's
// tables, control block and main position set up and no book loaded.
class BookTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir_, old_cwd_;
};

Position* MainPos();
void ResetMainPos();
// Plays space-separated moves (any notation IsValidMove reads) from the start
// position on the main position; fails the test on an unreadable move.
void PlayFromStart(const std::string& moves);
// Book record of the main position with the given counters.
BookRec RecordHere(uint16_t wins, uint16_t losses, uint16_t draws);
// Book record of the position after the moves.
BookRec RecordAfter(const std::string& moves, uint16_t wins, uint16_t losses, uint16_t draws);

void WriteBookFile(const std::string& name, const std::vector<BookRec>& recs);
std::vector<BookRec> ReadBookFile(const std::string& name);
void WriteTextFile(const std::string& name, const std::string& text);
bool FileExists(const std::string& name);
// Sorts into book order (descending key16, then key32).
void SortBook(std::vector<BookRec>& recs);
bool SameRec(const BookRec& a, const BookRec& b);
