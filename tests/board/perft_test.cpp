// Perft over the position files: the generators, the legality test and
// make/unmake together must reproduce the published leaf counts.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/board/board_setup.h"

// Lines "FEN ;D1 n ;D2 n ...", every depth whose count stays under 300,000.
using PerftCounts = EngineTest;

TEST_F(PerftCounts, PositionFiles) {
    for (const char* file : {"/perft_cpw.epd", "/perftsuite_excerpt.epd"}) {
        std::string tag;
        int checked = 0;
        for (const std::string& line : Split(ReadFile(std::string(VELL_TEST_DATA) + file))) {
            size_t semi = line.find(';');
            if (semi == std::string::npos) continue;
            std::istringstream counts(line.substr(semi));
            uint64_t expect;
            for (int depth = 1; counts >> tag >> expect && expect < 300000; depth++, checked++) {
                ThreadRec* td = ThreadData[0];
                SetGame(line.substr(0, semi).c_str());
                td->nodes = 0;
                Perft(td, td->pos.side, 1, depth);
                ASSERT_EQ(td->nodes.load(), expect) << line << " depth " << depth;
            }
        }
        EXPECT_GT(checked, 20) << file;
    }
}
