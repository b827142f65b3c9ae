// What one evaluation carries between its stages (pawns, pieces, kings): the
// attack maps, king zones and their attackers, and the per-side sums. Private
// to the evaluation's own files.
#pragma once
#include <array>
#include <cstdint>

#include "board/position.h"
#include "eval/report.h"
#include "thread/records.h"

namespace evalimpl {

constexpr uint64_t FILE_A = 0x0101010101010101ULL;
constexpr uint64_t FILE_H = 0x8080808080808080ULL;
constexpr uint64_t Bit(int sq) { return 1ULL << sq; }
inline int Pop(uint64_t b) { return __builtin_popcountll(b); }
inline int Lsb(uint64_t b) { return __builtin_ctzll(b); }
// King distance: the larger of the file and the rank difference.
inline constexpr auto DIST = [] {
    std::array<std::array<uint8_t, 64>, 64> t{};
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++) {
            const int df = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
            const int dr = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
            t[a][b] = uint8_t(df > dr ? df : dr);
        }
    return t;
}();
inline int Dist(int a, int b) { return DIST[a][b]; }
// The squares beside some square of b on its rank.
constexpr uint64_t Beside(uint64_t b) { return ((b & ~FILE_H) << 1) | ((b & ~FILE_A) >> 1); }
// Square colour: 1 for the colour of a1.
inline int SqColor(int sq) { return ((sq >> 3) + (sq & 7) + 1) & 1; }
// Colour is a template argument throughout: every "which way is forward"
// choice is then settled at compile time.
// Squares attacked by a set of pawns of that colour, the two diagonals apart.
template <int C>
constexpr uint64_t PawnAttacksW(uint64_t p) {
    return C == WHITE ? (p & ~FILE_A) << 7 : (p & ~FILE_A) >> 9;
}
template <int C>
constexpr uint64_t PawnAttacksE(uint64_t p) {
    return C == WHITE ? (p & ~FILE_H) << 9 : (p & ~FILE_H) >> 7;
}
// The square mirrored to White's side for the tables.
template <int C>
constexpr int Rel(int sq) {
    return C == WHITE ? sq : sq ^ 56;
}

struct EvalState {
    const Position* pos;
    EvalCaches* caches;
    StackRec* ss;
    int side, ply, e;  // e = ending weight 0..24
    bool report;       // fill the "ev" report fields
    uint64_t occ;
    uint64_t atk[2][7];  // [colour][0] everything attacked, [colour][type] by type
    uint64_t twice[2];   // squares attacked at least twice
    uint64_t zone[2];    // king zones
    // Attackers of each king's zone, already weighted for the attack count: 3
    // for a rook or a queen attacking it directly, 2 for a knight, a bishop, a
    // queen reaching it only through its own bishops or rooks, or an enemy
    // pawn near the zone.
    int attackers[2];
    uint64_t pinned;
    const PawnCacheEntry* pawns;
    int op[2], en[2];  // positional sums, material apart
};

inline int Blend(const EvalState& st, int op, int en) { return (op * (24 - st.e) + en * st.e) / 24; }

// Adds one piece's blended value to the report: its square and its type total.
inline void ReportPiece(const EvalState& st, int colour, int slot, int sq, int op, int en) {
    EvalReport& r = eval_report;
    int v = Blend(st, op, en);
    r.square_score[sq] = int16_t(v);
    r.type_total[colour][slot] = int16_t(r.type_total[colour][slot] + v);
}

void EvalPawns(EvalState& st);
// Both kings, White first: they read the attack maps the piece loops built.
void EvalKings(EvalState& st);
// The material tables from the piece values (part of InitEval).
void InitMaterial();

}  // namespace evalimpl
