// King safety: shelter, storm and the attack on the king zone while the enemy
// can still attack, and the king's reach in the ending.
#include <algorithm>

#include "board/bitboard.h"
#include "eval/evalstate.h"
#include "eval/params.h"

namespace evalimpl {

static constexpr int fyle_x[8] = {1, 1, 2, 3, 4, 5, 6, 6};
static constexpr uint64_t bbf[2] = {0x0000000000FFFF00ULL, 0x00FFFF0000000000ULL};  // shield ranks
static constexpr uint64_t BBHB[2] = {0x00000000FFFFFFFFULL, 0xFFFFFFFF00000000ULL};  // own half
static constexpr uint64_t INNER = 0x007E7E7E7E7E7E00ULL;  // files b-g, ranks 2-7
static constexpr int8_t KingExposed[64] = {
    0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
};

// Files of a pawn set as a byte, bit f for file f.
static unsigned PawnFiles(uint64_t p) {
    p |= p >> 32;
    p |= p >> 16;
    p |= p >> 8;
    return unsigned(p & 0xFF);
}

// Missing shelter: 0..5, more is worse; the opening term gets (2 - a) shields.
template <int C>
static int Shelter(const Position& pos, int k, int fx) {
    const uint64_t own = pos.bb[C][PAWN];
    const int near = Pop(BB_KingRays[k] & own);
    const int a = near == 0 ? 2 : near == 1 ? 1 : 0;
    // One point for each of the three shield files without an own pawn on the shield ranks.
    return a + 3 - Pop(PawnFiles(own & bbf[C]) & (7u << (fx - 1)));
}

template <int C>
static int Storm(const Position& pos, int fx) {
    constexpr int E = C ^ 1;
    int d = (KingSq(pos, E) & 7) - fx;
    if (d >= -2 && d <= 2) return 0;
    // Shield files without an enemy pawn in the enemy's own half.
    const int n = 3 - Pop(PawnFiles(pos.bb[E][PAWN] & BBHB[E]) & (7u << (fx - 1)));
    return n * Personality.pawn_storm;
}

// Safe checks and queen contact; returns k and sets q.
template <int C>
static int SafeChecks(const EvalState& st, int k, int& q) {
    constexpr int E = C ^ 1;
    const uint64_t(&them)[7] = st.atk[E];
    const uint64_t(&us)[7] = st.atk[C];
    const uint64_t defended = us[PAWN] | us[KNIGHT] | us[BISHOP] | us[ROOK] | us[QUEEN];
    uint64_t safe = ~st.pos->bb[E][0] & ~defended & ~(BB_KingRays[k] & ~st.twice[E]);
    uint64_t diag = GenAttacksB(k, st.occ), orth = GenAttacksR(k, st.occ);
    int n = Pop(safe & ((BB_KnightRays[k] & them[KNIGHT]) | (diag & them[BISHOP]) | (orth & them[ROOK])));
    if (them[QUEEN] & diag & safe) n += 2;
    if (them[QUEEN] & orth & safe) n += 2;
    q = (them[QUEEN] & BB_KingRays[k] & safe) != 0;
    return n;
}

// The attack on the zone: adds to op and en; returns the queen-contact flag.
template <int C>
static int ZoneAttack(const EvalState& st, int k, int ks, int a, int& op, int& en) {
    constexpr int E = C ^ 1;
    const uint64_t z = st.zone[C];
    const uint64_t(&them)[7] = st.atk[E];
    const uint64_t(&us)[7] = st.atk[C];
    int c1 = Pop(z & them[KNIGHT] & ~us[PAWN]);
    int c2 = Pop(z & them[BISHOP] & ~us[PAWN]);
    int c3 = Pop(z & them[ROOK] & ~(us[PAWN] | us[KNIGHT] | us[BISHOP]));
    int c4 = Pop(z & them[QUEEN] & ~(us[PAWN] | us[KNIGHT] | us[BISHOP] | us[ROOK] | us[QUEEN]));
    int q;
    int checks = SafeChecks<C>(st, k, q);
    int n = q + KingExposed[ks] + a + st.attackers[C] + c1 + c2 + c3 + c4 + checks;
    if (n > 31) n = 31;
    op -= KingDanger[n] + 6 * checks;
    en -= 6 * checks;
    return q;
}

// The ending: distance to the pawns and room to move.
template <int C>
static int EndingReach(const EvalState& st, int k, int f) {
    const Position& pos = *st.pos;
    int en = 0;
    unsigned m = st.pawns->files[WHITE] | st.pawns->files[BLACK];
    if (m) {
        if (leftbit[m] - f >= 2) en -= 8 * (leftbit[m] - f) - 8;
        if (f - rightbit[m] >= 2) en -= 8 * (f - rightbit[m]) - 8;
    }
    uint64_t moves = BB_KingRays[k] & ~st.atk[C ^ 1][0] & ~pos.bb[C][0];
    if (!(moves & INNER)) en -= 10;
    int best = KingEnding[Rel<C>(k)] - 20;
    // Mirrored to White's side, the steps are tried best first.
    const uint64_t rel = C == WHITE ? moves : __builtin_bswap64(moves);
    for (const uint8_t* s = KingStepsBest[Rel<C>(k)]; *s != 64; s++)
        if (rel & Bit(*s)) {
            best = std::max(best, int(KingEnding[*s]));
            break;
        }
    return en + best / 2;
}

template <int C>
static void EvalKing(EvalState& st) {
    constexpr int E = C ^ 1;
    const PersonalityRec& P = Personality;
    const Position& pos = *st.pos;
    const int k = KingSq(pos, C), ks = Rel<C>(k), f = ks & 7;
    int op = KingOpening[ks], en = KingEnding[ks];
    if (pos.npmat[E] > 9) {
        const int fx = fyle_x[f];
        int a = Shelter<C>(pos, k, fx);
        op = KingOpening[ks] + (2 - a) * P.pawn_shield;
        op -= Storm<C>(pos, fx);
        // Stored last: a byte store could alias anything the terms above read.
        if (ZoneAttack<C>(st, k, ks, a, op, en)) st.ss->king_attacked[C] = 1;
    }
    if (st.e > 13) en += EndingReach<C>(st, k, f);
    if (!pos.bb[E][QUEEN]) op /= 2;
    st.op[C] += op;
    st.en[C] += en;
    if (st.report) ReportPiece(st, C, KING, k, op, en);
}

void EvalKings(EvalState& st) {
    EvalKing<WHITE>(st);
    EvalKing<BLACK>(st);
}

}  // namespace evalimpl
