// Pawn structure (cached per thread by pawn key) and the passed-pawn terms
// that depend on kings and pieces and so run on every evaluation.
#include <algorithm>

#include "board/bitboard.h"
#include "eval/evalstate.h"
#include "eval/params.h"

namespace evalimpl {

static uint64_t FillUp(uint64_t b) {
    b |= b << 8;
    b |= b << 16;
    return b | b << 32;
}
static uint64_t FillDown(uint64_t b) {
    b |= b >> 8;
    b |= b >> 16;
    return b | b >> 32;
}

// One side's pawns by structure term. A pawn's term adds the weight of every
// set that holds it, so the side's sum takes one count per set.
struct PawnSets {
    uint64_t isolated;   // no own pawn on an adjacent file
    uint64_t doubled;    // another own pawn on the file
    uint64_t backward;   // the square in front is outside the own span
    uint64_t weak;       // backward and unopposed
    uint64_t defended;   // an own pawn diagonally behind
    uint64_t candidate;  // may be a candidate: beyond the third rank, unopposed, not passed
};

template <int C>
static PawnSets StructureSets(uint64_t own, uint64_t enemy, uint64_t span, uint64_t passed) {
    constexpr uint64_t beyond_third = C == WHITE ? 0xFFFFFFFFFF000000ULL : 0x000000FFFFFFFFFFULL;
    const uint64_t files = FillUp(own) | FillDown(own);
    const uint64_t opposed = C == WHITE ? FillDown(enemy >> 8) : FillUp(enemy << 8);  // an enemy pawn in front
    PawnSets t;
    t.isolated = own & ~Beside(files);
    t.doubled = own & (FillUp(own << 8) | FillDown(own >> 8));
    t.backward = own & ~(C == WHITE ? span >> 8 : span << 8);
    t.weak = t.backward & ~opposed;
    t.defended = own & (PawnAttacksW<C>(own) | PawnAttacksE<C>(own));
    t.candidate = own & ~opposed & ~passed & beyond_third;
    return t;
}

// A pawn of the candidate set: returns its candidate bonus (ending only), or
// adds 12 to t for one on the sixth rank that is no candidate.
template <int C>
static int Candidate(int s, uint64_t own, uint64_t enemy, int& t) {
    const int r = Rel<C>(s) >> 3;
    const int beside = Pop(BB_AdjacentSquares[s] & own);
    const int against = Pop(BB_PawnSpan[C][s] & enemy);
    if (beside >= 1 && beside >= against) return (r - 2) * Personality.pawn_candidate;
    if (r == 5) t += 12;
    return 0;
}

// Each pawn's own value, for the report.
template <int C>
static void ReportPawns(const EvalState& st, const PawnSets& t, uint64_t own, uint64_t enemy) {
    const PersonalityRec& P = Personality;
    for (uint64_t b = own; b; b &= b - 1) {
        const int s = Lsb(b), rs = Rel<C>(s);
        int v = 0, cand = 0;
        if (t.isolated & Bit(s)) v += P.pawn_isolated;
        if (t.doubled & Bit(s)) v += P.pawn_doubled;
        if (t.backward & Bit(s)) v += P.pawn_backward;
        if (t.weak & Bit(s)) v += P.pawn_weak;
        if (t.defended & Bit(s)) v += 5;
        if (t.candidate & Bit(s)) cand = Candidate<C>(s, own, enemy, v);
        ReportPiece(st, C, PAWN, s, PawnOpening[rs] + v, PawnEnding[rs] + v + cand);
    }
}

template <int C>
static void SidePawns(const EvalState& st, PawnCacheEntry* pe) {
    const PersonalityRec& P = Personality;
    const Position& pos = *st.pos;
    const uint64_t own = pos.bb[C][PAWN], enemy = pos.bb[C ^ 1][PAWN];
    const PawnSets t = StructureSets<C>(own, enemy, pe->span[C], pe->passers[C]);
    int both = Pop(t.isolated) * P.pawn_isolated + Pop(t.doubled) * P.pawn_doubled +
               Pop(t.backward) * P.pawn_backward + Pop(t.weak) * P.pawn_weak + 5 * Pop(t.defended);
    int op = 0, en = 0;
    for (uint64_t b = t.candidate; b; b &= b - 1) en += Candidate<C>(Lsb(b), own, enemy, both);
    for (uint64_t b = own; b; b &= b - 1) {
        const int rs = Rel<C>(Lsb(b));
        op += PawnOpening[rs];
        en += PawnEnding[rs];
    }
    pe->opening[C] = int16_t(op + both);
    pe->ending[C] = int16_t(en + both);
    pe->files[C] = uint16_t(FillDown(own) & 0xFF);
    if (st.report) ReportPawns<C>(st, t, own, enemy);
}

// The pawn-only part: fills, spans, passers and the structure sums.
static void PawnStructure(const EvalState& st, PawnCacheEntry* pe) {
    const Position& pos = *st.pos;
    const uint64_t wp = pos.bb[WHITE][PAWN], bp = pos.bb[BLACK][PAWN];
    const uint64_t wf = FillUp(wp << 8), bf = FillDown(bp >> 8);
    pe->span[WHITE] = Beside(wf);
    pe->span[BLACK] = Beside(bf);
    pe->passers[WHITE] = wp & ~(bf | pe->span[BLACK]);
    pe->passers[BLACK] = bp & ~(wf | pe->span[WHITE]);
    SidePawns<WHITE>(st, pe);
    SidePawns<BLACK>(st, pe);
    pe->key = pos.pawnhash;
}

// Every square side C attacks over the occupancy occ, so that a pawn can be
// lifted without touching the position.
template <int C>
static uint64_t AttacksOver(const Position& pos, uint64_t occ) {
    const uint64_t* p = pos.bb[C];
    uint64_t a = PawnAttacksW<C>(p[PAWN]) | PawnAttacksE<C>(p[PAWN]) | BB_KingRays[KingSq(pos, C)];
    for (uint64_t b = p[KNIGHT]; b; b &= b - 1) a |= BB_KnightRays[Lsb(b)];
    for (uint64_t b = p[BISHOP] | p[QUEEN]; b; b &= b - 1) a |= GenAttacksB(Lsb(b), occ);
    for (uint64_t b = p[ROOK] | p[QUEEN]; b; b &= b - 1) a |= GenAttacksR(Lsb(b), occ);
    return a;
}

// Walks the passer's path while it is empty and safe: not attacked by the
// enemy, or defended too, with the passer lifted off its square. Returns the
// weight the walk earns; `reached` tells whether the pawn counts as reaching
// the last rank.
template <int C>
static int FreePath(const EvalState& st, int s, int r, bool& reached) {
    const Position& pos = *st.pos;
    const uint64_t occ = st.occ;
    // The squares ahead, in walking order from the lowest bit (White) or the
    // highest (Black); the walk can only cross those before the first taken one.
    const uint64_t span = C == WHITE ? BB_RayN[s] : BB_RayS[s];
    const uint64_t taken = span & occ;
    const uint64_t open = !taken ? span
                          : C == WHITE ? span & (Bit(Lsb(taken)) - 1)
                                       : span & ~((Bit(MSB(taken)) << 1) - 1);
    uint64_t unsafe = 0;
    if (open) {
        const uint64_t lifted = occ & ~Bit(s);
        // Our own attacks matter only where the enemy attacks.
        unsafe = AttacksOver<C ^ 1>(pos, lifted) & open;
        if (unsafe) unsafe &= ~AttacksOver<C>(pos, lifted);
    }
    const uint64_t stops = taken | unsafe;
    reached = false;
    if (!stops) {
        reached = true;
        return 405;
    }
    const int stop = C == WHITE ? Lsb(stops) : MSB(stops);
    const int steps = (C == WHITE ? stop - s : s - stop) / 8 - 1;
    if (r == 6 && (BB_PawnRays[C][s] & pos.bb[C ^ 1][0])) {
        reached = true;
        return 405;
    }
    return steps > 0 && r != 6 ? 341 : 256;
}

// Weight of one passer in 1/256; may raise the side's unstoppable measure.
template <int C>
static int PasserWeight(EvalState& st, int s, int& unstoppable) {
    const Position& pos = *st.pos;
    const int rs = Rel<C>(s), r = rs >> 3, f = s & 7;
    const int q = f + (C == WHITE ? 56 : 0), front = s + pawn_dir[C];
    const int own_k = KingSq(pos, C), their_k = KingSq(pos, C ^ 1);
    const uint64_t own_p = pos.bb[C][PAWN];
    bool reached;
    int m = FreePath<C>(st, s, r, reached);
    if (reached) {
        uint8_t& rec = st.ss->passer_sq[C];
        if (Rel<C>(s) >> 3 > Rel<C>(rec) >> 3) rec = uint8_t(s);
    }
    if (BB_AdjacentSquares[s] & own_p)
        m += 80;
    else if (BB_PawnRays[C ^ 1][s] & own_p)
        m += 40;
    m += 34 * Dist(their_k, front) - 22 * Dist(own_k, front);
    const int n = st.side == C ? 7 - r : 8 - r;
    const bool square_rule = n < Dist(their_k, q);
    if (square_rule) m += 60;
    const bool escort = r >= 4 && f != 0 && f != 7 && Dist(own_k, front) <= 1 && Dist(own_k, q) <= 1;
    if (escort) m += 75;
    if (st.occ & Bit(front)) m -= 24;
    const uint64_t ahead = C == WHITE ? BB_RayN[s] : BB_RayS[s];
    if (ahead & pos.bb[C][ROOK]) m -= 8;
    if (pos.npmat[WHITE] + pos.npmat[BLACK] == 0 && (escort || square_rule)) {
        m += 100;
        int u = r + (st.side == C) + (r == 1) - (reached ? 0 : 1);
        unstoppable = std::max(unstoppable, u);
    }
    return m;
}

// Passed pawns of side C; returns its unstoppable measure.
template <int C>
static int SidePassers(EvalState& st) {
    const Position& pos = *st.pos;
    int unstoppable = 0;
    for (uint64_t b = st.pawns->passers[C]; b; b &= b - 1) {
        const int s = Lsb(b), r = Rel<C>(s) >> 3;
        const int q = (s & 7) + (C == WHITE ? 56 : 0);
        if (r >= 7) continue;  // a pawn on its last rank is no pawn
        if (BB_Between[s][q] & pos.bb[C][PAWN]) {
            st.op[C] += PP_ADVANCE[r] / 3;
            st.en[C] += PP_ADVANCE[r] / 3;
            continue;
        }
        const int m = PasserWeight<C>(st, s, unstoppable);
        const int bonus = m * PP_ADVANCE[r] / 256, bonus_op = bonus * 192 / 256;
        st.en[C] += bonus;
        st.op[C] += bonus_op;
        if (st.report) ReportPiece(st, C, 0, s, bonus_op, bonus);
    }
    return unstoppable;
}

static void PassedPawns(EvalState& st) {
    const int unstoppable[2] = {SidePassers<WHITE>(st), SidePassers<BLACK>(st)};
    if (unstoppable[WHITE] >= unstoppable[BLACK] + 2 && unstoppable[WHITE] > 3) st.en[WHITE] += 150;
    if (unstoppable[BLACK] >= unstoppable[WHITE] + 2 && unstoppable[BLACK] > 3) st.en[BLACK] += 150;
}

// Blocked pawns of side C: 2 each in both parts, and 12 more in the opening
// for a blocked pawn on d2 or e2 (d7 or e7). Adds to op and en.
template <int C>
static void BlockedPawns(const Position& pos, uint64_t occ, int& op, int& en) {
    constexpr uint64_t centre2 = C == WHITE ? Bit(11) | Bit(12) : Bit(51) | Bit(52);
    const uint64_t blocked = pos.bb[C][PAWN] & (C == WHITE ? occ >> 8 : occ << 8);
    const int n = Pop(blocked);
    op -= 2 * n + 12 * Pop(blocked & centre2);
    en -= 2 * n;
}

void EvalPawns(EvalState& st) {
    EvalCaches* caches = st.caches;
    const Position& pos = *st.pos;
    PawnCacheEntry* pe = &caches->pcache[pos.pawnhash & (PAWN_CACHE_SIZE - 1)];
    bool hit = false;
    if (st.ply > 1) {
        Bump(caches->pawn_probes);
        hit = pe->key == pos.pawnhash;
        if (hit) Bump(caches->pawn_hits);
    }
    if (!hit) PawnStructure(st, pe);
    st.pawns = pe;
    int op[2] = {pe->opening[WHITE], pe->opening[BLACK]}, en[2] = {pe->ending[WHITE], pe->ending[BLACK]};
    BlockedPawns<WHITE>(pos, st.occ, op[WHITE], en[WHITE]);
    BlockedPawns<BLACK>(pos, st.occ, op[BLACK], en[BLACK]);
    for (int c = WHITE; c <= BLACK; c++) st.op[c] += op[c], st.en[c] += en[c];
    if (pe->passers[WHITE] | pe->passers[BLACK]) PassedPawns(st);
}

}  // namespace evalimpl
