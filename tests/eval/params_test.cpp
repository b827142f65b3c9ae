// Personality defaults, the name tables, and the tables InitEval builds.
#include <gtest/gtest.h>

#include <cstring>

#include "eval/params.h"
#include "tests/eval/eval_setup.h"

namespace {

constexpr int A1 = 0, D4 = 27, G1 = 6, A4 = 24, D5 = 35, E6 = 44, D1 = 3;

// Restores the defaults and tables after tests that change weights.
struct Params : ::testing::Test {
    void SetUp() override { EvalTestSetup(); }
    void TearDown() override {
        SetPersonalityDefaults();
        InitEval();
    }
};

TEST_F(Params, TunableNamesRangesAndDefaultsInOrder) {
    struct Row {
        const char* name;
        int range, def;
    };
    static const Row rows[] = {
        {"pawn_value_op", 20, 82},      {"pawn_value_en", 20, 102},     {"knight_value_op", 30, 345},
        {"knight_value_en", 30, 315},   {"bishop_value_op", 30, 345},   {"bishop_value_en", 30, 320},
        {"rook_value_op", 50, 470},     {"rook_value_en", 50, 540},     {"queen_value_op", 80, 1000},
        {"queen_value_en", 80, 1060},   {"bishop_pair", 20, 35},        {"ppawn_r7", 30, 120},
        {"pawn_isolated", 6, -9},       {"pawn_backward", 6, -3},       {"pawn_doubled", 6, -5},
        {"pawn_weak", 6, -7},           {"pawn_candidate", 8, 15},      {"knight_mobility", 20, 70},
        {"knight_outpost", 8, 15},      {"bishop_mobility", 20, 55},    {"bishop_trapped", 50, -100},
        {"rook_mobility", 20, 40},      {"rook_open_file", 10, 14},     {"rook_half_open_file", 8, 8},
        {"rook_rank7", 10, 18},         {"rook_trapped", 14, -20},      {"queen_mobility", 20, 30},
        {"queen_rank7", 10, 6},         {"king_centre_op", 6, 6},       {"king_centre_en", 6, 8},
        {"pawn_shield", 10, 10},        {"pawn_storm", 6, 9},           {"king_safety", 30, 100},
        {"hung", 10, -12},              {"pinned", 10, -12},
    };
    ASSERT_EQ(NumTunable(), int(sizeof rows / sizeof rows[0]));
    for (int i = 0; i < NumTunable(); i++) {
        const ParamDesc* p = TunableParam(i);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p->name, rows[i].name);
        EXPECT_EQ(p->range, rows[i].range) << rows[i].name;
        EXPECT_EQ(p->def, rows[i].def) << rows[i].name;
        EXPECT_EQ(*p->field, rows[i].def) << rows[i].name;
        EXPECT_EQ(FindParam(rows[i].name), p);
    }
    EXPECT_EQ(TunableParam(NumTunable()), nullptr);
    EXPECT_EQ(TunableParam(-1), nullptr);
}

TEST_F(Params, FieldsLiveInPersonality) {
    EXPECT_EQ(FindParam("pawn_value_op")->field, &Personality.pawn_value_op);
    EXPECT_EQ(FindParam("pinned")->field, &Personality.pinned);
    const ParamDesc* spare = FindParam("tune");
    ASSERT_NE(spare, nullptr);
    EXPECT_EQ(spare->field, &Personality.tune);
    EXPECT_EQ(Personality.tune, 10);
    EXPECT_EQ(FindParam("contempt"), nullptr);  // not a named weight
    EXPECT_EQ(FindParam("NMP_depth"), nullptr);
    EXPECT_EQ(FindParam("nonsense"), nullptr);
    EXPECT_EQ(FindParam(nullptr), nullptr);
}

TEST_F(Params, SearchSettingsDefaults) {
    const PersonalityRec& P = Personality;
    EXPECT_EQ(P.contempt, 0);
    EXPECT_EQ(P.RP_depth, 2);
    EXPECT_EQ(P.CNP_depth, 3);
    EXPECT_EQ(P.NMP_depth, 3);
    EXPECT_EQ(P.FP_depth, 3);
    EXPECT_EQ(P.LMP_depth, 4);
    EXPECT_EQ(P.LMR_depth, 3);
    const int rp[8] = {100, 175, 250, 325, 400, 475, 550, 625};
    const int cnp[8] = {0, 75, 150, 225, 300, 375, 450, 525};
    const int fp[8] = {75, 150, 225, 300, 375, 450, 525, 600};
    const int lmp[8] = {2, 3, 5, 8, 13, 20, 27, 36};
    for (int d = 0; d < 8; d++) {
        EXPECT_EQ(P.RP_margin[d], rp[d]);
        EXPECT_EQ(P.CNP_margin[d], cnp[d]);
        EXPECT_EQ(P.FP_margin[d], fp[d]);
        EXPECT_EQ(P.LMP_moves[d], lmp[d]);
    }
}

TEST_F(Params, SelectivityNamesAndReset) {
    const char* names[6] = {"NMP_depth", "RP_depth", "CNP_depth", "FP_depth", "LMP_depth", "LMR_depth"};
    ASSERT_EQ(NumDepthParams(), 6);
    for (const char* n : names) ASSERT_NE(FindDepthParam(n), nullptr) << n;
    EXPECT_EQ(FindDepthParam("LMR_depth")->field, &Personality.LMR_depth);
    EXPECT_EQ(FindDepthParam("hung"), nullptr);
    for (const char* n : names) *FindDepthParam(n)->field = 9;
    ResetSelectivity();
    EXPECT_EQ(Personality.NMP_depth, 3);
    EXPECT_EQ(Personality.RP_depth, 2);
    EXPECT_EQ(Personality.CNP_depth, 3);
    EXPECT_EQ(Personality.FP_depth, 3);
    EXPECT_EQ(Personality.LMP_depth, 4);
    EXPECT_EQ(Personality.LMR_depth, 4);  // the reset value, not the start-up 3
}

TEST_F(Params, ReductionTables) {
    const PersonalityRec& P = Personality;
    EXPECT_EQ(P.LMR_reduction[3][0], 1);
    EXPECT_EQ(P.LMR_reduction_pv[3][0], 0);
    EXPECT_EQ(P.LMR_reduction[69][31], 3);
    EXPECT_EQ(P.LMR_reduction_pv[69][31], 2);
    EXPECT_EQ(P.LMR_reduction[10][5], 2);
    EXPECT_EQ(P.LMR_reduction_pv[10][5], 1);
    EXPECT_EQ(P.LMR_reduction[4][20], 2);  // 3 would leave no depth: d - 2
    EXPECT_EQ(P.LMR_reduction[3][31], 1);
    EXPECT_EQ(P.LMR_reduction_pv[3][31], 0);
    EXPECT_EQ(P.LMR_reduction_pv[4][31], 1);
    EXPECT_EQ(P.LMR_reduction_pv[30][0], 2);
    EXPECT_EQ(P.LMR_reduction[20][31], 3);
    for (int d = 0; d <= 2; d++)
        for (int m = 0; m < 32; m++) {
            EXPECT_EQ(P.LMR_reduction[d][m], 0);
            EXPECT_EQ(P.LMR_reduction_pv[d][m], 0);
        }
    for (int d = 3; d < 70; d++)
        for (int m = 0; m < 32; m++) {
            EXPECT_GE(P.LMR_reduction[d][m], 1);
            EXPECT_LE(P.LMR_reduction[d][m], 3);
            EXPECT_GE(P.LMR_reduction_pv[d][m], 0);
            EXPECT_LE(P.LMR_reduction_pv[d][m], 2);
        }
}

TEST_F(Params, PieceSquareEntries) {
    EXPECT_EQ(KnightOpening[A1], -28);
    EXPECT_EQ(KnightOpening[D4], 12);
    EXPECT_EQ(BishopOpening[A1], -11);
    EXPECT_EQ(QueenEnding[D4], 6);
    EXPECT_EQ(KingOpening[G1], 0);
    EXPECT_EQ(KingOpening[A4], -42);
    EXPECT_EQ(KingEnding[A1], -24);
    EXPECT_EQ(KingEnding[D5], 24);
    EXPECT_EQ(PawnOpening[D4], 8);
    EXPECT_EQ(PawnOpening[8], -3);   // a2
    EXPECT_EQ(PawnOpening[48], 2);   // a7
    EXPECT_EQ(PawnEnding[E6], 6);
    EXPECT_EQ(PawnEnding[D4], 2);
    EXPECT_EQ(RookOpening[D1], 5);
    EXPECT_EQ(QueenOpening[A1], -3);
    for (int s = 0; s < 64; s++) {
        EXPECT_EQ(KnightEnding[s], KnightOpening[s]);
        EXPECT_EQ(BishopEnding[s], BishopOpening[s]);
        EXPECT_EQ(RookEnding[s], 0);
        EXPECT_EQ(QueenEnding[s], 2 * QueenOpening[s]);
        EXPECT_EQ(KingEnding[s], KingEnding[s ^ 56]);  // the ending table is rank-symmetric
    }
}

TEST_F(Params, KingTablesFollowTheirWeights) {
    Personality.king_centre_op = 10;
    Personality.king_centre_en = 3;
    InitEval();
    EXPECT_EQ(KingOpening[A4], -70);
    EXPECT_EQ(KingOpening[D1], -20);
    EXPECT_EQ(KingEnding[D5], 9);
    EXPECT_EQ(KingEnding[A1], -9);
}

TEST_F(Params, PassedPawnAdvance) {
    const int expect[8] = {0, 6, 6, 14, 36, 76, 120, 192};
    for (int r = 0; r < 8; r++) EXPECT_EQ(PP_ADVANCE[r], expect[r]);
    Personality.ppawn_r7 = 90;  // 0.05 * 90 = 4.5 rounds away from zero
    InitEval();
    const int expect90[8] = {0, 5, 5, 11, 27, 57, 90, 144};
    for (int r = 0; r < 8; r++) EXPECT_EQ(PP_ADVANCE[r], expect90[r]);
}

TEST_F(Params, MobilityTables) {
    const int knight[16] = {-21, -14, -7, 0, 6, 12, 17, 23, 27, 32, 36, 40, 44, 47, 50, 53};
    const int bishop[16] = {-17, -11, -5, 0, 5, 9, 14, 18, 22, 25, 28, 31, 34, 37, 39, 42};
    const int rook[16] = {-12, -8, -4, 0, 4, 7, 10, 13, 16, 18, 21, 23, 25, 27, 29, 30};
    const int queen[9] = {-9, -6, -3, 0, 3, 5, 7, 10, 12};
    for (int n = 0; n < 16; n++) {
        EXPECT_EQ(KnightMobility[n], knight[n]) << n;
        EXPECT_EQ(BishopMobility[n], bishop[n]) << n;
        EXPECT_EQ(RookMobility[n], rook[n]) << n;
    }
    for (int n = 0; n < 32; n++) EXPECT_EQ(QueenMobility[n], queen[n < 9 ? n : 8]) << n;
}

TEST_F(Params, MobilityWeightZeroAndNegative) {
    Personality.queen_mobility = 0;
    Personality.knight_mobility = -70;
    InitEval();
    const int knight[16] = {-21, -14, -7, 0, 6, 12, 17, 23, 27, 32, 36, 40, 44, 47, 50, 53};
    for (int n = 0; n < 32; n++) EXPECT_EQ(QueenMobility[n], 0);
    for (int n = 0; n < 16; n++) EXPECT_EQ(KnightMobility[n], -knight[n]);
}

TEST_F(Params, KingDangerCurve) {
    const int expect[32] = {0,   0,   0,   0,   0,   0,   0,   4,   11,  21,  34,  49,  65,  83,  103, 124,
                            147, 172, 197, 224, 252, 282, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300};
    for (int n = 0; n < 32; n++) EXPECT_EQ(KingDanger[n], expect[n]) << n;
    Personality.king_safety = 0;
    InitEval();
    for (int n = 0; n < 32; n++) EXPECT_EQ(KingDanger[n], 0);
    Personality.king_safety = 1000;
    InitEval();
    EXPECT_EQ(KingDanger[7], 37);
    EXPECT_EQ(KingDanger[9], 215);
    for (int n = 10; n < 32; n++) EXPECT_EQ(KingDanger[n], 300);
}

TEST_F(Params, FileMaskTables) {
    EXPECT_EQ(leftbit[0], 8);
    EXPECT_EQ(rightbit[0], -1);
    EXPECT_EQ(islands[0], 0);
    EXPECT_EQ(islands[255], 1);
    EXPECT_EQ(islands[0b01010101], 4);
    EXPECT_EQ(islands[0b10110001], 3);
    EXPECT_EQ(leftbit[0b10110000], 4);
    EXPECT_EQ(rightbit[0b00010110], 4);
    for (int m = 1; m < 256; m++) {
        int lo = 0, hi = 7, runs = 0;
        while (!(m & (1 << lo))) lo++;
        while (!(m & (1 << hi))) hi--;
        for (int f = 0; f < 8; f++)
            if ((m & (1 << f)) && (f == 0 || !(m & (1 << (f - 1))))) runs++;
        EXPECT_EQ(leftbit[m], lo);
        EXPECT_EQ(rightbit[m], hi);
        EXPECT_EQ(islands[m], runs);
    }
}

TEST_F(Params, DefaultsRestoreEverything) {
    for (int i = 0; i < NumTunable(); i++) *TunableParam(i)->field = 1;
    Personality.contempt = 7;
    Personality.LMR_reduction[40][3] = 0;
    SetPersonalityDefaults();
    for (int i = 0; i < NumTunable(); i++) EXPECT_EQ(*TunableParam(i)->field, TunableParam(i)->def);
    EXPECT_EQ(Personality.contempt, 0);
    EXPECT_EQ(Personality.LMR_reduction[40][3], 3);
}

}  // namespace
