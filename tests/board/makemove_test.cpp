// Make and unmake of every kind of move and of the null move: the position
// comes back whole and the incremental keys always match keys from scratch;
// perft over the position files: the generators, the legality test and
// make/unmake together must reproduce the published leaf counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "board/chess960.h"
#include "board/legality.h"
#include "tests/board/board_setup.h"
#include "thread/movelist.h"

namespace {

// Same pieces (lists in any order), sets, material, keys and FEN; with
// counters, the same move counters too.
void ExpectSame(const Position* a, const Position* b, bool counters = true) {
    auto lists = [](const Position* pos) {
        std::string all;
        for (int c = 0; c < 2; c++)
            for (int t = PAWN; t <= KING; t++) {
                std::string s;
                for (int n = 0; pos->plist[c][t][n] != NO_SQ; n++) s += char(pos->plist[c][t][n]);
                std::sort(s.begin(), s.end());
                all += s + "/";
            }
        return all;
    };
    EXPECT_EQ(lists(a), lists(b));
    EXPECT_TRUE(!std::memcmp(a->board, b->board, sizeof a->board) &&
                !std::memcmp(a->bb, b->bb, sizeof a->bb));
    EXPECT_TRUE(!std::memcmp(a->msig, b->msig, sizeof a->msig) &&
                !std::memcmp(a->npmat, b->npmat, sizeof a->npmat));
    EXPECT_TRUE(a->hash == b->hash && a->pawnhash == b->pawnhash && Epd(a) == Epd(b));
    EXPECT_TRUE(!counters || (a->fifty == b->fifty && a->nhist == b->nhist && a->ply == b->ply &&
                              a->lastmove == b->lastmove));
}

// Every kind of move: the position after it (fifty-move counter 7 before),
// which must equal the same position set up from its FEN, and back again.
struct MoveRow {
    const char *fen, *move, *after;
    int fifty;
};
const MoveRow kMoves[] = {
    {"4k3/8/8/8/8/8/8/4K1N1 w - -", "g1f3", "4k3/8/8/8/8/5N2/8/4K3 b - -", 8},
    {"4k3/8/8/3p4/8/8/8/3QK3 w - -", "d1d5", "4k3/8/8/3Q4/8/8/8/4K3 b - -", 0},
    {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "4k3/8/8/3P4/8/8/8/4K3 b - -", 0},
    // The en-passant square is kept (and keyed) even with no pawn to take.
    {"4k3/3p4/8/8/8/8/8/4K3 b - -", "d7d5", "4k3/8/8/3p4/8/8/8/4K3 w - d6", 0},
    {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - -", 0},
    {"3r2k1/4P3/8/8/8/8/8/4K3 w - -", "e7e8q", "3rQ1k1/8/8/8/8/8/8/4K3 b - -", 0},
    {"4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8n", "N3k3/8/8/8/8/8/8/4K3 b - -", 0},
    {"3r2k1/4P3/8/8/8/8/8/4K3 w - -", "e7d8q", "3Q2k1/8/8/8/8/8/8/4K3 b - -", 0},
    {"4k3/8/8/8/8/8/p7/1R2K3 b - -", "a2b1r", "4k3/8/8/8/8/8/8/1r2K3 w - -", 0},
    // Castling resets the counter too.
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1 b kq -", 0},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", "2kr3r/8/8/8/8/8/8/R3K2R w KQ -", 0},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "h1h8", "r3k2R/8/8/8/8/8/8/R3K3 b Qq -", 0},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "a8a7", "4k2r/r7/8/8/8/8/8/R3K2R w KQk -", 8},
    {"4k3/8/8/8/1n1n1n2/2P5/8/4K3 w - -", "c3d4", "4k3/8/8/8/1n1P1n2/8/8/4K3 b - -", 0},
};

}  // namespace

using MakeUnmake = EngineTest;
using MakeUnmakeDeathTest = EngineTest;

TEST_F(MakeUnmake, EveryKindOfMoveAndBack) {
    for (const MoveRow& r : kMoves) {
        SCOPED_TRACE(std::string(r.fen) + " " + r.move);
        Position* pos = SetGame(r.fen);
        pos->fifty = 7;
        Position before = *pos;
        uint16_t m = TextMove(pos, r.move);
        ASSERT_NE(m, 0);
        MakeMove(pos, m);
        ExpectKeysFromScratch(pos);
        EXPECT_TRUE(Epd(pos) == r.after && pos->fifty == r.fifty && pos->lastmove == m) << Epd(pos);
        Position made = *pos;
        UnmakeMove(pos);
        ExpectSame(pos, &before);
        ExpectSame(SetGame(r.after), &made, false);
    }
}

// Walks the legal move tree, with a null move wherever the side to move is
// not in check, checking keys from scratch at every node and the whole
// position after every unmake.
static void WalkTree(Position* pos, int depth) {
    ExpectKeysFromScratch(pos);
    if (depth == 0 || ::testing::Test::HasFailure()) return;
    if (!SqAtakd(pos, KingSq(*pos, pos->side), pos->side ^ 1)) {
        Position before = *pos;
        MakeNullMove(pos);
        WalkTree(pos, depth - 1);
        UnmakeNullMove(pos);
        ExpectSame(pos, &before);
    }
    uint16_t moves[256];
    for (int i = 0, n = LegalMoveList(pos, moves); i < n; i++) {
        Position before = *pos;
        MakeMove(pos, moves[i]);
        WalkTree(pos, depth - 1);
        UnmakeMove(pos);
        ExpectSame(pos, &before);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST_F(MakeUnmake, KeysStayExactThroughTrees) {
    for (const char* fen :
         {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
          "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
          "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -"}) {
        SCOPED_TRACE(fen);
        WalkTree(SetGame(fen), 3);
    }
}

// The child forks at the statement, so its report lands in this test's folder.
TEST_F(MakeUnmakeDeathTest, HistoryCannotOverflow) {
    std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
    Position* pos = SetGame("4k3/8/8/8/8/8/8/4K3 w - -");
    for (int i = 0; i < HIST_SIZE; i++) MakeNullMove(pos);
    // The child's report of the failed assertion is expected: it goes nowhere, not into the test log.
    EXPECT_EXIT((std::freopen("/dev/null", "w", stdout), MakeNullMove(pos)), ::testing::ExitedWithCode(255),
                "");
    GTEST_FLAG_SET(death_test_style, style);
}

// Lines "FEN ;D1 n ;D2 n ...", every depth whose count stays under 300,000;
// the Chess960 file read with Chess960 castling.
using PerftCounts = EngineTest;

TEST_F(PerftCounts, PositionFiles) {
    for (const char* file : {"/perft_cpw.epd", "/perftsuite_excerpt.epd", "/chess960_excerpt.epd"}) {
        const bool chess960 = std::strstr(file, "960") != nullptr;
        std::string tag;
        int checked = 0;
        for (const std::string& line : Split(ReadFile(std::string(VELL_TEST_DATA) + file))) {
            size_t semi = line.find(';');
            if (semi == std::string::npos) continue;
            std::istringstream counts(line.substr(semi));
            uint64_t expect;
            for (int depth = 1; counts >> tag >> expect && expect < 300000; depth++, checked++) {
                ThreadRec* td = ThreadData[0];
                SetGame(line.substr(0, semi).c_str(), nullptr, chess960);
                td->nodes = 0;
                Perft(td, td->pos.side, 1, depth);
                ASSERT_EQ(td->nodes.load(), expect) << line << " depth " << depth;
            }
        }
        EXPECT_GT(checked, 20) << file;
    }
}

// Chess960 keys do not depend on how the FEN wrote the rights, and the
// numbered start positions are the known ones.
TEST_F(PerftCounts, Chess960KeysAndStarts) {
    const char* same[][2] = {{"rk2r3/8/8/8/8/8/8/RK2R3 w KQkq -", "rk2r3/8/8/8/8/8/8/RK2R3 w EAea -"},
                             {"4k3/8/8/8/8/8/8/4K2R w K -", "4k3/8/8/8/8/8/8/4K2R w H -"},
                             {"4k3/8/8/8/8/8/8/R2RK3 w A -", "4k3/8/8/8/8/8/8/R2RK3 w Q -"}};
    for (auto& pair : same) {
        const uint64_t key = SetGame(pair[0], nullptr, true)->hash;
        EXPECT_EQ(SetGame(pair[1], nullptr, true)->hash, key) << pair[1];
    }
    EXPECT_EQ(Epd(SetGame("4k3/8/8/8/8/8/8/R2RK3 w D -", nullptr, true)), "4k3/8/8/8/8/8/8/R2RK3 w D -");
    const std::pair<int, const char*> starts[] = {
        {518, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
        {0, "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1"},
        {959, "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w KQkq - 0 1"}};
    for (auto& [n, fen] : starts) {
        char buf[100];
        Chess960StartFen(n, buf);
        EXPECT_STREQ(buf, fen);
    }
}
