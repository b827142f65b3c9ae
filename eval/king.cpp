// King safety: shelter, storm and the attack on the king zone while the enemy
// can still attack, and the king's reach in the ending.
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

// Missing shelter: 0..5, more is worse; the opening term gets (2 - a) shields.
static int Shelter(const Position& pos, int c, int k, int fx) {
    const uint64_t own = pos.bb[c][PAWN];
    int near = Pop(BB_KingRays[k] & own);
    int a = near == 0 ? 2 : near == 1 ? 1 : 0;
    for (int f = fx - 1; f <= fx + 1; f++)
        if (!((FILE_A << f) & own & bbf[c])) a++;
    return a;
}

static int Storm(const Position& pos, int c, int fx) {
    const int e = c ^ 1;
    int d = (KingSq(pos, e) & 7) - fx;
    if (d >= -2 && d <= 2) return 0;
    int n = 0;
    for (int f = fx - 1; f <= fx + 1; f++)
        if (!((FILE_A << f) & pos.bb[e][PAWN] & BBHB[e])) n++;
    return n * Personality.pawn_storm;
}

// Safe checks and queen contact; returns k and sets q.
static int SafeChecks(EvalState& st, int c, int k, int& q) {
    const int e = c ^ 1;
    const uint64_t(&them)[7] = st.atk[e];
    const uint64_t(&us)[7] = st.atk[c];
    const uint64_t defended = us[PAWN] | us[KNIGHT] | us[BISHOP] | us[ROOK] | us[QUEEN];
    uint64_t safe = ~st.pos->bb[e][0] & ~defended & ~(BB_KingRays[k] & ~st.twice[e]);
    uint64_t diag = GenAttacksB(k, st.occ), orth = GenAttacksR(k, st.occ);
    int n = Pop(safe & ((BB_KnightRays[k] & them[KNIGHT]) | (diag & them[BISHOP]) | (orth & them[ROOK])));
    if (them[QUEEN] & diag & safe) n += 2;
    if (them[QUEEN] & orth & safe) n += 2;
    q = 0;
    if (them[QUEEN] & BB_KingRays[k] & safe) {
        st.ss->king_attacked[c] = 1;
        q = 1;
    }
    return n;
}

// The attack on the zone: adds to op and en.
static void ZoneAttack(EvalState& st, int c, int k, int ks, int a, int& op, int& en) {
    const int e = c ^ 1;
    const uint64_t z = st.zone[c];
    const uint64_t(&them)[7] = st.atk[e];
    const uint64_t(&us)[7] = st.atk[c];
    int c1 = Pop(z & them[KNIGHT] & ~us[PAWN]);
    int c2 = Pop(z & them[BISHOP] & ~us[PAWN]);
    int c3 = Pop(z & them[ROOK] & ~(us[PAWN] | us[KNIGHT] | us[BISHOP]));
    int c4 = Pop(z & them[QUEEN] & ~(us[PAWN] | us[KNIGHT] | us[BISHOP] | us[ROOK] | us[QUEEN]));
    int q;
    int checks = SafeChecks(st, c, k, q);
    const uint32_t cnt = st.counter[c];
    const int pawns = cnt & 15, knights = (cnt >> 4) & 15, bishops = (cnt >> 8) & 15;
    const int rooks = (cnt >> 12) & 15, queens = (cnt >> 16) & 15, xqueens = (cnt >> 20) & 15;
    int n = q + KingExposed[ks] + a + 3 * (queens + rooks) + 2 * (xqueens + pawns + knights + bishops) +
            c1 + c2 + c3 + c4 + checks;
    if (n > 31) n = 31;
    op -= KingDanger[n] + 6 * checks;
    en -= 6 * checks;
}

// The ending: distance to the pawns and room to move.
static int EndingReach(const EvalState& st, int c, int k, int f) {
    const Position& pos = *st.pos;
    int en = 0;
    unsigned m = st.pawns->files[WHITE] | st.pawns->files[BLACK];
    if (m) {
        if (leftbit[m] - f >= 2) en -= 8 * (leftbit[m] - f) - 8;
        if (f - rightbit[m] >= 2) en -= 8 * (f - rightbit[m]) - 8;
    }
    uint64_t moves = BB_KingRays[k] & ~st.atk[c ^ 1][0] & ~pos.bb[c][0];
    if (!(moves & INNER)) en -= 10;
    int best = KingEnding[k ^ flip_sq[c]] - 20;
    for (; moves; moves &= moves - 1) {
        int v = KingEnding[Lsb(moves) ^ flip_sq[c]];
        if (v > best) best = v;
    }
    return en + best / 2;
}

void EvalKing(EvalState& st, int c) {
    const PersonalityRec& P = Personality;
    const Position& pos = *st.pos;
    const int e = c ^ 1, k = KingSq(pos, c), ks = k ^ flip_sq[c], f = ks & 7;
    int op = KingOpening[ks], en = KingEnding[ks];
    if (pos.npmat[e] > 9) {
        const int fx = fyle_x[f];
        int a = Shelter(pos, c, k, fx);
        op = KingOpening[ks] + (2 - a) * P.pawn_shield;
        op -= Storm(pos, c, fx);
        ZoneAttack(st, c, k, ks, a, op, en);
    }
    if (st.e > 13) en += EndingReach(st, c, k, f);
    if (!pos.bb[e][QUEEN]) op /= 2;
    st.op[c] += op;
    st.en[c] += en;
    if (st.report) ReportPiece(st, c, KING, k, op, en);
}

}  // namespace evalimpl
