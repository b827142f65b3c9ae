// The line reader's buffer, driven in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/linereader.h"

namespace {

using Lines = std::vector<std::string>;

Lines TakeAll() {
    Lines lines;
    std::vector<char> buf(70000);
    while (TakeLine(buf.data(), int(buf.size()))) lines.emplace_back(buf.data());
    return lines;
}

// Each case feeds its chunks in turn ("<end>": the end of input) and takes
// every whole line after each; "|" marks where each chunk's lines end.
TEST(InputBuffer, LinesFromChunks) {
    const std::pair<Lines, Lines> cases[] = {
        {{"posit", "ion startpos\n"}, {"|", "position startpos", "|"}},  // waits for its line feed
        {{"setoption name OwnBook value true\r\ngo\rstop\n"},
         {"setoption name OwnBook value true", "go", "stop", "|"}},
        {{std::string("a@b\0c\n", 6)}, {"a@b", "c", "|"}},  // a zero byte ends a line, an at sign does not
        {{"stop\nquit", "<end>"}, {"stop", "|", "quit", "|"}},  // the last line counts at end of input
    };
    for (auto& [chunks, want] : cases) {
        ResetInput();
        Lines got;
        for (auto& c : chunks) {
            if (c == "<end>")
                EndInput();
            else
                FeedInput(c.data(), long(c.size()));
            for (auto& l : TakeAll()) got.push_back(l);
            got.push_back("|");
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(InputExhausted(), chunks.back() == "<end>");
    }
    // Far more than the buffer holds, fed without taking anything out.
    for (int i = 0; i < 400; i++) FeedInput("position startpos moves e2e4 e7e5\n", 34);
    Lines lines = TakeAll();
    EXPECT_GT(lines.size(), 100u);
    EXPECT_EQ(lines, Lines(lines.size(), "position startpos moves e2e4 e7e5"));
}

}  // namespace
