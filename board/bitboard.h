// Square-set tables, bit scans and counts, sliding attacks and the
// is-this-square-attacked test. The tables are built at compile time.
#pragma once
#include <array>
#include <cstdint>

#include "board/position.h"

using SqTable = std::array<uint64_t, 64>;

namespace bbinit {
constexpr uint64_t Bit(int sq) { return uint64_t(1) << sq; }
constexpr bool OnBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Squares reached from each square stepping (df, dr) until the edge.
constexpr SqTable Ray(int df, int dr) {
    SqTable t{};
    for (int sq = 0; sq < 64; sq++) {
        int f = (sq & 7) + df, r = (sq >> 3) + dr;
        for (; OnBoard(f, r); f += df, r += dr) t[sq] |= Bit(r * 8 + f);
    }
    return t;
}

// Squares one step (df, dr) away, for each listed step.
template <int N>
constexpr SqTable Leaps(const int (&steps)[N][2]) {
    SqTable t{};
    for (int sq = 0; sq < 64; sq++)
        for (const auto& s : steps) {
            int f = (sq & 7) + s[0], r = (sq >> 3) + s[1];
            if (OnBoard(f, r)) t[sq] |= Bit(r * 8 + f);
        }
    return t;
}

constexpr int kKnightSteps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int kKingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int kWhitePawnSteps[2][2] = {{-1, 1}, {1, 1}};
constexpr int kBlackPawnSteps[2][2] = {{-1, -1}, {1, -1}};
constexpr int kSideSteps[2][2] = {{-1, 0}, {1, 0}};

constexpr std::array<SqTable, 64> Between() {
    std::array<SqTable, 64> t{};
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++) {
            int df = (b & 7) - (a & 7), dr = (b >> 3) - (a >> 3);
            if (a == b || !(df == 0 || dr == 0 || df == dr || df == -dr)) continue;
            int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
            for (int s = a + sr * 8 + sf; s != b; s += sr * 8 + sf) t[a][b] |= Bit(s);
        }
    return t;
}

constexpr uint64_t North(int rank) { return rank >= 7 ? 0 : 0xFFFFFFFFFFFFFF00ull << (8 * rank); }
constexpr uint64_t South(int rank) { return (uint64_t(1) << (8 * rank)) - 1; }

constexpr std::array<SqTable, 2> PawnSpan() {
    std::array<SqTable, 2> t{};
    for (int sq = 0; sq < 64; sq++) {
        int f = sq & 7, r = sq >> 3;
        for (int rr = 0; rr < 8; rr++)
            for (int ff = f - 1; ff <= f + 1; ff++) {
                if (ff < 0 || ff > 7) continue;
                if (rr > r) t[0][sq] |= Bit(rr * 8 + ff);
                if (rr < r) t[1][sq] |= Bit(rr * 8 + ff);
            }
    }
    return t;
}

constexpr SqTable Union(const SqTable& a, const SqTable& b, const SqTable& c, const SqTable& d) {
    SqTable t{};
    for (int i = 0; i < 64; i++) t[i] = a[i] | b[i] | c[i] | d[i];
    return t;
}

constexpr std::array<uint8_t, 256> ByteCounts() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; i++) t[i] = uint8_t((i & 1) + t[i / 2]);
    return t;
}
}  // namespace bbinit

inline constexpr SqTable BB_RayN = bbinit::Ray(0, 1);
inline constexpr SqTable BB_RayS = bbinit::Ray(0, -1);
inline constexpr SqTable BB_RayE = bbinit::Ray(1, 0);
inline constexpr SqTable BB_RayW = bbinit::Ray(-1, 0);
inline constexpr SqTable BB_RayNE = bbinit::Ray(1, 1);
inline constexpr SqTable BB_RayNW = bbinit::Ray(-1, 1);
inline constexpr SqTable BB_RaySE = bbinit::Ray(1, -1);
inline constexpr SqTable BB_RaySW = bbinit::Ray(-1, -1);
inline constexpr SqTable BB_RookRays = bbinit::Union(BB_RayN, BB_RayS, BB_RayE, BB_RayW);
inline constexpr SqTable BB_BishopRays = bbinit::Union(BB_RayNE, BB_RayNW, BB_RaySE, BB_RaySW);
inline constexpr SqTable BB_KnightRays = bbinit::Leaps(bbinit::kKnightSteps);
inline constexpr SqTable BB_KingRays = bbinit::Leaps(bbinit::kKingSteps);
inline constexpr std::array<SqTable, 2> BB_PawnRays = {bbinit::Leaps(bbinit::kWhitePawnSteps),
                                                       bbinit::Leaps(bbinit::kBlackPawnSteps)};
inline constexpr std::array<SqTable, 64> BB_Between = bbinit::Between();
inline constexpr std::array<SqTable, 2> BB_PawnSpan = bbinit::PawnSpan();
inline constexpr SqTable BB_AdjacentSquares = bbinit::Leaps(bbinit::kSideSteps);
inline constexpr std::array<uint64_t, 8> BB_AdjacentFiles = {
    0x0202020202020202ull, 0x0505050505050505ull, 0x0A0A0A0A0A0A0A0Aull, 0x1414141414141414ull,
    0x2828282828282828ull, 0x5050505050505050ull, 0xA0A0A0A0A0A0A0A0ull, 0x4040404040404040ull};
inline constexpr std::array<uint64_t, 8> BB_North = {bbinit::North(0), bbinit::North(1), bbinit::North(2),
                                                     bbinit::North(3), bbinit::North(4), bbinit::North(5),
                                                     bbinit::North(6), bbinit::North(7)};
inline constexpr std::array<uint64_t, 8> BB_South = {bbinit::South(0), bbinit::South(1), bbinit::South(2),
                                                     bbinit::South(3), bbinit::South(4), bbinit::South(5),
                                                     bbinit::South(6), bbinit::South(7)};
inline constexpr std::array<std::array<uint64_t, 8>, 2> BB_Front = {BB_North, BB_South};
inline constexpr std::array<uint64_t, 2> BB_r7 = {0x00FF000000000000ull, 0x000000000000FF00ull};
inline constexpr std::array<uint8_t, 256> bitcnt = bbinit::ByteCounts();

// Lowest and highest set square of a non-empty set.
inline int LSB(uint64_t b) { return __builtin_ctzll(b); }
inline int MSB(uint64_t b) { return 63 - __builtin_clzll(b); }
inline int CountBits(uint64_t b) { return __builtin_popcountll(b); }

// Sliding attacks from sq over the occupied set; the first blocker in each
// direction is included whatever its colour. Looked up by multiplying the
// relevant blockers into a table index ("magic" numbers), or, where the
// processor extracts bits quickly (BMI2 pext; the AMD cores before Zen 3 do
// it slowly in microcode), by packing them into one; the tables hold exactly
// what walking the rays gives.
struct SliderMagic {
    const uint64_t* table;
    uint64_t mask;   // the rays without their last square
    uint64_t magic;
    int shift;
};
extern SliderMagic rook_magic[64], bishop_magic[64];

#if defined(__BMI2__) && !defined(__znver1) && !defined(__znver2)
inline uint64_t SliderIndex(const SliderMagic& m, uint64_t occ) { return __builtin_ia32_pext_di(occ, m.mask); }
#else
inline uint64_t SliderIndex(const SliderMagic& m, uint64_t occ) { return ((occ & m.mask) * m.magic) >> m.shift; }
#endif

inline uint64_t GenAttacksR(int sq, uint64_t occ) {
    const SliderMagic& m = rook_magic[sq];
    return m.table[SliderIndex(m, occ)];
}

inline uint64_t GenAttacksB(int sq, uint64_t occ) {
    const SliderMagic& m = bishop_magic[sq];
    return m.table[SliderIndex(m, occ)];
}

// 1 when a slider in `sliders` sees sq along a clear line of occ.
inline int SliderSees(uint64_t sliders, int sq, uint64_t occ) {
    for (; sliders; sliders &= sliders - 1)
        if (!(BB_Between[LSB(sliders)][sq] & occ)) return 1;
    return 0;
}

// 1 if colour c attacks square s with the squares occ taken: c's pieces are
// read from the position, so a caller may clear or fill squares in occ.
inline int SqAtakdOn(const Position* pos, int s, int c, uint64_t occ) {
    const uint64_t* p = pos->bb[c];
    if ((BB_PawnRays[c ^ 1][s] & p[PAWN]) | (BB_KnightRays[s] & p[KNIGHT]) | (BB_KingRays[s] & p[KING]))
        return 1;
    if (SliderSees((p[QUEEN] | p[BISHOP]) & BB_BishopRays[s], s, occ)) return 1;
    return SliderSees((p[QUEEN] | p[ROOK]) & BB_RookRays[s], s, occ);
}

// 1 if colour c attacks square s. Reads only c's piece sets and the union of
// both colours' sets, so callers may lift a piece off the board first.
inline int SqAtakd(const Position* pos, int s, int c) {
    return SqAtakdOn(pos, s, c, pos->bb[0][0] | pos->bb[1][0]);
}

// Fills the slider tables (also done before main starts, so this is only
// needed by code that runs earlier); the other tables are compile-time constants.
void InitBitboards();
