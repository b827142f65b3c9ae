// Personality defaults, the parameter name tables, and the derived evaluation
// tables (material, piece-square, mobility, king danger, passer advance, file
// masks).
#include "eval/params.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "board/bitboard.h"
#include "eval/evalstate.h"

PersonalityRec Personality;

int16_t PawnOpening[64], PawnEnding[64];
int16_t KnightOpening[64], KnightEnding[64];
int16_t BishopOpening[64], BishopEnding[64];
int16_t RookOpening[64], RookEnding[64];
int16_t QueenOpening[64], QueenEnding[64];
int16_t KingOpening[64], KingEnding[64];
uint8_t KingStepsBest[64][9];
int16_t KnightMobility[16], BishopMobility[16], RookMobility[16], QueenMobility[32];
int16_t PP_ADVANCE[8];
int16_t KingDanger[32];
uint8_t leftbit[256];
int8_t rightbit[256];
uint8_t islands[256];

#define PARAM(name, range, def) {#name, &Personality.name, range, def}
static const ParamDesc params[] = {
    PARAM(pawn_value_op, 20, 82),       PARAM(pawn_value_en, 20, 102),
    PARAM(knight_value_op, 30, 345),    PARAM(knight_value_en, 30, 315),
    PARAM(bishop_value_op, 30, 345),    PARAM(bishop_value_en, 30, 320),
    PARAM(rook_value_op, 50, 470),      PARAM(rook_value_en, 50, 540),
    PARAM(queen_value_op, 80, 1000),    PARAM(queen_value_en, 80, 1060),
    PARAM(bishop_pair, 20, 35),         PARAM(ppawn_r7, 30, 120),
    PARAM(pawn_isolated, 6, -9),        PARAM(pawn_backward, 6, -3),
    PARAM(pawn_doubled, 6, -5),         PARAM(pawn_weak, 6, -7),
    PARAM(pawn_candidate, 8, 15),       PARAM(knight_mobility, 20, 70),
    PARAM(knight_outpost, 8, 15),       PARAM(bishop_mobility, 20, 55),
    PARAM(bishop_trapped, 50, -100),    PARAM(rook_mobility, 20, 40),
    PARAM(rook_open_file, 10, 14),      PARAM(rook_half_open_file, 8, 8),
    PARAM(rook_rank7, 10, 18),          PARAM(rook_trapped, 14, -20),
    PARAM(queen_mobility, 20, 30),      PARAM(queen_rank7, 10, 6),
    PARAM(king_centre_op, 6, 6),        PARAM(king_centre_en, 6, 8),
    PARAM(pawn_shield, 10, 10),         PARAM(pawn_storm, 6, 9),
    PARAM(king_safety, 30, 100),        PARAM(hung, 10, -12),
    PARAM(pinned, 10, -12),             PARAM(tune, 0, 10),
};
#undef PARAM
constexpr int NUM_PARAMS = int(sizeof params / sizeof params[0]);
static_assert(NUM_TUNABLE == NUM_PARAMS - 1);  // all but the spare

int NumTunable() { return NUM_TUNABLE; }

const ParamDesc* TunableParam(int i) { return i >= 0 && i < NUM_TUNABLE ? &params[i] : nullptr; }

const ParamDesc* FindParam(const char* name) {
    if (!name) return nullptr;
    for (const ParamDesc& p : params)
        if (std::strcmp(p.name, name) == 0) return &p;
    return nullptr;
}

void SetPersonalityDefaults() {
    std::memset(&Personality, 0, sizeof Personality);
    for (const ParamDesc& p : params) *p.field = p.def;
    Personality.contempt = 0;
}

// Shape tables, White's view, rank 1 first.
static constexpr int16_t pawn_op[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,  -3, -1, 0, -2, -2, 0, -1, -3,
    -3, -1, 0,  2,  2,  0,  -1, -3, -2, 1,  5, 8,  8,  5, 1,  -2,
    0,  4,  8,  8,  8,  8,  4,  0,  2,  6,  8, 8,  8,  8, 6,  2,
    2,  8,  8,  8,  8,  8,  8,  2,  0,  0,  0, 0,  0,  0, 0,  0,
};
static constexpr int16_t prank_en[8] = {0, 0, 0, 1, 2, 3, 3, 0};
static constexpr int16_t nfyle[8] = {-12, -4, 4, 8, 8, 4, -4, -12};
static constexpr const int16_t* nrank = nfyle;
static constexpr int16_t bfyle[8] = {-4, 0, 2, 3, 3, 2, 0, -4};
static constexpr const int16_t* brank = bfyle;
static constexpr int16_t rfyle[8] = {-3, 0, 3, 5, 5, 3, 0, -3};
static constexpr int16_t qfyle_en[8] = {0, 1, 2, 3, 3, 2, 1, 0};
static constexpr const int16_t *qrank_en = qfyle_en, *kfyle_en = qfyle_en, *krank_en = qfyle_en;
static constexpr int8_t kop[64] = {
    0,  0,  -1, -2, -2, -1, 0,  0,  -3, -3, -3, -4, -4, -3, -3, -3,
    -5, -5, -5, -5, -5, -5, -5, -5, -7, -7, -7, -7, -7, -7, -7, -7,
    -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7,
    -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7,
};

// Round half away from zero, kept in 16 bits.
static int16_t Round16(double x) { return int16_t(std::lround(x)); }

static void InitPieceSquare() {
    const PersonalityRec& P = Personality;
    for (int s = 0; s < 64; s++) {
        int r = s / 8, f = s % 8;
        PawnOpening[s] = pawn_op[s];
        PawnEnding[s] = int16_t(2 * prank_en[r]);
        KnightOpening[s] = KnightEnding[s] = int16_t(nfyle[f] + nrank[r] - 4);
        BishopOpening[s] = BishopEnding[s] = int16_t(bfyle[f] + brank[r] - 3);
        RookOpening[s] = rfyle[f];
        RookEnding[s] = 0;
        QueenOpening[s] = int16_t(qfyle_en[f] + qrank_en[r] - 3);
        QueenEnding[s] = int16_t(2 * QueenOpening[s]);
        KingOpening[s] = int16_t(kop[s] * P.king_centre_op);
        KingEnding[s] = int16_t((krank_en[r] + kfyle_en[f] - 3) * P.king_centre_en);
    }
    for (int s = 0; s < 64; s++) {
        uint8_t* out = KingStepsBest[s];
        int n = 0;
        for (uint64_t b = BB_KingRays[s]; b; b &= b - 1) out[n++] = uint8_t(LSB(b));
        std::stable_sort(out, out + n, [](int a, int b) { return KingEnding[a] > KingEnding[b]; });
        out[n] = 64;
    }
}

static void InitMobility() {
    const PersonalityRec& P = Personality;
    for (int n = 0; n < 16; n++) {
        double w = std::pow(0.97, n);
        double t = 0.1 * w * (n - 3);
        KnightMobility[n] = Round16(t * P.knight_mobility);
        BishopMobility[n] = Round16(t * P.bishop_mobility);
        RookMobility[n] = Round16(t * P.rook_mobility);
        QueenMobility[n] = Round16(t * P.queen_mobility);
    }
    // The queen's table stops growing at eight squares.
    for (int n = 9; n < 32; n++) QueenMobility[n] = QueenMobility[8];
}

static void InitPassAndDanger() {
    const double x = Personality.ppawn_r7;
    PP_ADVANCE[0] = 0;
    PP_ADVANCE[1] = Round16(0.05 * x);
    PP_ADVANCE[2] = Round16(0.05 * x);
    PP_ADVANCE[3] = Round16(0.12 * x);
    PP_ADVANCE[4] = Round16(0.3 * x);
    PP_ADVANCE[5] = Round16(0.63 * x);
    PP_ADVANCE[6] = Personality.ppawn_r7;
    PP_ADVANCE[7] = Round16(1.6 * x);
    for (int n = 0; n < 32; n++) {
        if (n <= 6) {
            KingDanger[n] = 0;
            continue;
        }
        long v = std::lround(Personality.king_safety * 0.037 * std::pow(double(n - 6), 1.6));
        KingDanger[n] = int16_t(std::min(300L, v));
    }
}

static void InitFileMasks() {
    for (int m = 0; m < 256; m++) {
        leftbit[m] = m ? uint8_t(__builtin_ctz(m)) : 8;
        rightbit[m] = m ? int8_t(31 - __builtin_clz(m)) : -1;
        // A run starts at every set bit whose lower neighbour is clear.
        islands[m] = uint8_t(__builtin_popcount(m & ~(m << 1)));
    }
}

void InitEval() {
    evalimpl::InitMaterial();
    InitPieceSquare();
    InitMobility();
    InitPassAndDanger();
    InitFileMasks();
}
