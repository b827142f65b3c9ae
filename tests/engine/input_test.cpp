// The input reader's line buffer and the PGN word splitter, driven in-process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/input.h"

namespace {

void Feed(const std::string& bytes) { FeedInput(bytes.data(), long(bytes.size())); }

std::vector<std::string> TakeAll() {
    std::vector<std::string> lines;
    std::vector<char> buf(70000);
    while (TakeLine(buf.data(), int(buf.size()))) lines.emplace_back(buf.data());
    return lines;
}

class InputBuffer : public ::testing::Test {
protected:
    void SetUp() override { ResetInput(); }
    void TearDown() override { ResetInput(); }
};

}  // namespace

TEST_F(InputBuffer, TwoCommandsInOneReadComeOutOneByOne) {
    Feed("isready\ngo infinite\n");
    char buf[64];
    ASSERT_EQ(TakeLine(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "isready");
    ASSERT_EQ(TakeLine(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "go infinite");
    EXPECT_EQ(TakeLine(buf, sizeof buf), 0);
}

TEST_F(InputBuffer, CommandSplitOverTwoReadsWaitsForItsLineFeed) {
    Feed("posit");
    char buf[64];
    EXPECT_EQ(TakeLine(buf, sizeof buf), 0);
    Feed("ion startpos\n");
    ASSERT_EQ(TakeLine(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "position startpos");
}

TEST_F(InputBuffer, CarriageReturnEndsTheLine) {
    Feed("setoption name OwnBook value true\r\ngo\rstop\n");
    EXPECT_EQ(TakeAll(), (std::vector<std::string>{"setoption name OwnBook value true", "go", "stop"}));
}

TEST_F(InputBuffer, AtSignAndZeroByteEndALine) {
    Feed(std::string("a@b\0c\n", 6));
    EXPECT_EQ(TakeAll(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(InputBuffer, LastLineWithoutLineFeedCountsAtEndOfInput) {
    Feed("stop\nquit");
    EXPECT_EQ(TakeAll(), std::vector<std::string>{"stop"});
    EXPECT_FALSE(InputExhausted());
    EndInput();
    EXPECT_EQ(TakeAll(), std::vector<std::string>{"quit"});
    EXPECT_TRUE(InputExhausted());
}

TEST_F(InputBuffer, OverlongLineIsDroppedAndTheNextOneKept) {
    Feed(std::string(70000, 'x') + "\nisready\n");
    EXPECT_EQ(TakeAll(), std::vector<std::string>{"isready"});
}

TEST_F(InputBuffer, FloodNeverOverrunsAndKeepsWholeLines) {
    // Far more than the buffer holds, fed without taking anything out.
    for (int i = 0; i < 400; i++) Feed("position startpos moves e2e4 e7e5\n");
    auto lines = TakeAll();
    EXPECT_GT(lines.size(), 100u);
    for (auto& l : lines) EXPECT_EQ(l, "position startpos moves e2e4 e7e5");
}

TEST(NextWord, SplitsBracesIntoWordsOfTheirOwn) {
    std::vector<std::string> words;
    for (char* w = NextWord("1.e4 {good} e5"); w; w = NextWord(nullptr)) words.emplace_back(w);
    EXPECT_EQ(words, (std::vector<std::string>{"1.e4", "{", "good", "}", "e5"}));
    EXPECT_EQ(NextWord(nullptr), nullptr);
}

TEST(NextWord, ParenthesesControlCodesAndHighBytes) {
    std::vector<std::string> words;
    const char text[] =
        "  (Nf3\t\x01)  d\xc3\xa9"
        "5  ";
    for (char* w = NextWord(text); w; w = NextWord(nullptr)) words.emplace_back(w);
    EXPECT_EQ(words, (std::vector<std::string>{"(", "Nf3", ")", "d5"}));
}

TEST(NextWord, LongWordIsCutAt79Characters) {
    std::string text = std::string(200, 'a') + " b";
    char* w = NextWord(text.c_str());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::strlen(w), 79u);
    w = NextWord(nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w, "b");
}

