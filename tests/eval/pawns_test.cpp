// Pawn structure (the cached first pass) and passed pawns, checked against
// hand-worked values and by counting how each weight moves the sums.
#include <gtest/gtest.h>

#include <cstring>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "tests/eval/eval_setup.h"

namespace {

constexpr uint64_t Bit(int sq) { return 1ULL << sq; }

struct Pawns : ::testing::Test {
    ThreadRec* td = nullptr;
    void SetUp() override { td = EvalTestSetup(); }
    void TearDown() override {
        SetPersonalityDefaults();
        InitEval();
    }
    // The pawn cache entry after a fresh evaluation of fen.
    PawnCacheEntry Entry(const char* fen) {
        EvalFen(fen);
        return td->pcache[td->pos.pawnhash & (PAWN_CACHE_SIZE - 1)];
    }
    // Positional sum minus the pieces' reported values: the terms the
    // report does not show per piece (blocked pawns, race, hanging, ...).
    int Unreported(int c) {
        int sum = 0;
        for (int t = 0; t < 7; t++) sum += PBlock.report.type_total[c][t];
        return PBlock.report.positional[c] - sum;
    }
};

TEST_F(Pawns, StructureWorkedByHand) {
    // a2 a3: isolated, doubled, backward, weak (-24 each); e4: isolated and
    // backward but opposed (-12); Black's e5 the same (-12).
    PawnCacheEntry e = Entry("4k3/8/8/4p3/4P3/P7/P7/4K3 w - -");
    EXPECT_EQ(e.opening[WHITE], (-3 - 24) + (-3 - 24) + (8 - 12));
    EXPECT_EQ(e.ending[WHITE], (0 - 24) + (0 - 24) + (2 - 12));
    EXPECT_EQ(e.opening[BLACK], 8 - 12);
    EXPECT_EQ(e.ending[BLACK], 2 - 12);
    EXPECT_EQ(e.files[WHITE], 0x11);
    EXPECT_EQ(e.files[BLACK], 0x10);
    EXPECT_EQ(e.passers[WHITE], Bit(8) | Bit(16));
    EXPECT_EQ(e.passers[BLACK], 0u);
    // Spans: every square a pawn could ever attack.
    const uint64_t b_file = 0x0202020202020202ULL, d_file = b_file << 2, f_file = b_file << 4;
    EXPECT_EQ(e.span[WHITE], (b_file & ~0xFFFFULL) | ((d_file | f_file) & ~0xFFFFFFFFULL));
    EXPECT_EQ(e.span[BLACK], (d_file | f_file) & 0xFFFFFFFFULL);
    EXPECT_EQ(e.key, td->pos.pawnhash);
}

TEST_F(Pawns, SixthRankPawnWithoutSupport) {
    // e6 is unopposed, not passed (d7's span) and alone: +12 on top of -19.
    PawnCacheEntry e = Entry("4k3/3p4/4P3/8/8/8/8/4K3 w - -");
    EXPECT_EQ(e.opening[WHITE], 8 - 19 + 12);
    EXPECT_EQ(e.ending[WHITE], 6 - 19 + 12);
    EXPECT_EQ(e.opening[BLACK], -2 - 19);
    EXPECT_EQ(e.ending[BLACK], 0 - 19);
    EXPECT_EQ(e.passers[WHITE] | e.passers[BLACK], 0u);
}

// Each structure weight moves a side's sums by the number of pawns it applies to.
TEST_F(Pawns, TermCounts) {
    const char* fen = "4k3/p4p1p/1p4p1/3p4/2P1P3/2P4P/P4PP1/4K3 w - -";
    struct Case {
        int16_t* weight;
        int white, black;
    };
    const Case cases[] = {
        {&Personality.pawn_isolated, 3, 1},  // a2 c3 c4 / d5
        {&Personality.pawn_doubled, 2, 0},   // c3 c4
        {&Personality.pawn_backward, 3, 4},  // a2 c3 c4 / a7 d5 f7 h7
        {&Personality.pawn_weak, 2, 1},      // c3 c4 / d5
        {&Personality.pawn_candidate, 0, 0},
    };
    PawnCacheEntry base = Entry(fen);
    for (const Case& c : cases) {
        *c.weight = int16_t(*c.weight + 1);
        PawnCacheEntry e = Entry(fen);
        EXPECT_EQ(e.ending[WHITE] - base.ending[WHITE], c.white);
        EXPECT_EQ(e.ending[BLACK] - base.ending[BLACK], c.black);
        EXPECT_EQ(e.opening[WHITE] - base.opening[WHITE], c.white);
        EXPECT_EQ(e.opening[BLACK] - base.opening[BLACK], c.black);
        *c.weight = int16_t(*c.weight - 1);
    }
    EXPECT_EQ(base.passers[WHITE] | base.passers[BLACK], 0u);
}

TEST_F(Pawns, CandidatePasser) {
    // d5 is unopposed and not passed; c5 beside it outnumbers e7: (4 - 2) * 15 in the ending.
    const char* fen = "4k3/4p3/8/2PP4/8/8/8/4K3 w - -";
    PawnCacheEntry base = Entry(fen);
    EXPECT_EQ(base.passers[WHITE], Bit(34));  // c5
    Personality.pawn_candidate = 25;
    PawnCacheEntry e = Entry(fen);
    EXPECT_EQ(e.ending[WHITE] - base.ending[WHITE], 2 * 10);
    EXPECT_EQ(e.opening[WHITE], base.opening[WHITE]);
}

TEST_F(Pawns, SeventhRankPasserTakingItsWayThrough) {
    // d8 is covered by the rook and nobody defends it, but d7xc8 is there:
    // the pawn counts as reaching the last rank. m = 405 - 86 + 60 = 379,
    // b = 177 (ending), 132 (opening), e = 22.
    EvalWithReport("2r2k2/3P4/8/8/8/8/8/K7 w - -");
    EXPECT_EQ(PBlock.report.square_score[51], (132 * 2 + 177 * 22) / 24);
    EXPECT_EQ(ThreadData[1]->stack[1].passer_sq[WHITE], 51);
    // Rook on b8: nothing to take, m = 256 - 86 + 60 = 230, b = 107, 80.
    EvalWithReport("1r3k2/3P4/8/8/8/8/8/K7 w - -");
    EXPECT_EQ(PBlock.report.square_score[51], (80 * 2 + 107 * 22) / 24);
    EXPECT_EQ(ThreadData[1]->stack[1].passer_sq[WHITE], 0);
}

TEST_F(Pawns, BlockedPawns) {
    // A piece in front of e2 costs 2 in both parts and 12 more in the
    // opening (e = 0 here, so the opening is what counts).
    EvalWithReport("rnbqkbnr/pppppppp/8/8/8/4B3/PPPPPPPP/RN1QKBNR w KQkq -");
    EXPECT_EQ(Unreported(WHITE), -14);
    EXPECT_EQ(Unreported(BLACK), 0);
    // A blocked pawn elsewhere: 2 only.
    EvalWithReport("rnbqkbnr/pppppppp/8/8/8/1B6/PPPPPPPP/RN1QKBNR w KQkq -");
    EXPECT_EQ(Unreported(WHITE), -2);
    // Pawn ending (e = 24): rams cost each side 2 per blocked pawn.
    EvalWithReport("4k3/8/8/3p4/3P4/8/8/4K3 w - -");
    EXPECT_EQ(Unreported(WHITE), -2);
    EXPECT_EQ(Unreported(BLACK), -2);
}

TEST_F(Pawns, RootPliesNeverReadTheCache) {
    const char* fen = "4k3/p4p1p/1p4p1/3p4/2P1P3/2P4P/P4PP1/4K3 w - -";
    int v = EvalFen(fen);
    PawnCacheEntry& e = td->pcache[td->pos.pawnhash & (PAWN_CACHE_SIZE - 1)];
    e.ending[WHITE] = int16_t(e.ending[WHITE] + 100);
    EXPECT_EQ(EvalAt(1), v);  // recomputed (and rewritten)
    e.ending[WHITE] = int16_t(e.ending[WHITE] + 100);
    std::memset(td->ecache, 0xFF, sizeof td->ecache);
    EXPECT_GT(EvalAt(2), v);  // a hit takes the entry as it is
}

}  // namespace
