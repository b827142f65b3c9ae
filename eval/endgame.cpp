// The KPK bitbase (built by retrograde passes at start-up), its probe, and
// the scale factor for endings the side ahead is unlikely to win.
#include "eval/endgame.h"

#include <cmath>

#include "board/bitboard.h"
#include "eval/evalstate.h"

using namespace evalimpl;

uint8_t kpk_db[KPK_SIZE];

enum : uint8_t { KPK_ILLEGAL = 0, KPK_DRAW = 1, KPK_WIN = 2, KPK_UNKNOWN = 4 };

static int KpkIndex(int stm, int p, int K, int k) {
    return stm * 0x20000 + ((p & 7) + 4 * (p >> 3)) * 0x1000 + K * 64 + k;
}

static void KpkInitEntry(int p, int K, int k) {
    uint8_t& t0 = kpk_db[KpkIndex(0, p, K, k)];
    uint8_t& t1 = kpk_db[KpkIndex(1, p, K, k)];
    t0 = t1 = KPK_UNKNOWN;
    if (p == K || p == k || K == k || Dist(K, k) <= 1) {
        t0 = t1 = KPK_ILLEGAL;
    } else if (k == p + 9 || (k == p + 7 && (p & 7) != 0)) {
        t0 = KPK_ILLEGAL;  // the lone king stands in check with the pawn side to move
    } else if (p >= 56) {
        // Promoted: won unless the lone king can take the new queen at once.
        t0 = KPK_WIN;
        if (Dist(k, p) > 1 || Dist(K, p) <= 1) t1 = KPK_WIN;
    }
}

// The solver works on one pawn rank at a time with square sets over the lone
// king's square: for each side to move, pawn file and square of the pawn
// side's king, the lone-king squares whose entry is won, drawn or still
// undecided. A whole set of entries then takes one step of the rules at once.
struct KpkSets {
    uint64_t win, draw, open;
};

// The squares next to some square of b: where a king stands that can step into b.
static uint64_t KingSpread(uint64_t b) {
    const uint64_t side = Beside(b);
    const uint64_t row = b | side;
    return side | (row << 8) | (row >> 8);
}

static KpkSets KpkRead(int stm, int p, int K) {
    KpkSets t{0, 0, 0};
    const uint8_t* e = &kpk_db[KpkIndex(stm, p, K, 0)];
    for (int k = 0; k < 64; k++) {
        t.win |= uint64_t(e[k] == KPK_WIN) << k;
        t.draw |= uint64_t(e[k] == KPK_DRAW) << k;
        t.open |= uint64_t(e[k] == KPK_UNKNOWN) << k;
    }
    return t;
}

static void KpkWrite(int stm, int p, int K, const KpkSets& t) {
    uint8_t* e = &kpk_db[KpkIndex(stm, p, K, 0)];
    for (uint64_t b = t.win; b; b &= b - 1) e[Lsb(b)] = KPK_WIN;
    for (uint64_t b = t.draw; b; b &= b - 1) e[Lsb(b)] = KPK_DRAW;
}

// Pawn moves only go up, so each pawn rank is settled before the one below it.
// Within the rank the rules are applied until nothing changes; an entry, once
// decided, keeps its value, so the order in which entries are decided does
// not change the table.
//  - Pawn side to move: won if any move wins (a push, or a double push from
//    the second rank over a free square, or a king move); drawn once every
//    move is decided and none wins.
//  - Lone king to move: drawn if any move draws (taking an unprotected pawn
//    draws); won once every move is decided and each loses; no move at all
//    (stalemate) draws.
static void KpkSolveRank(int rank) {
    KpkSets t0[4][64], t1[4][64];
    uint64_t push_win[4][64], push_open[4][64];  // outcomes of the pawn's moves, already settled
    for (int f = 0; f < 4; f++) {
        const int p = rank * 8 + f;
        for (int K = 0; K < 64; K++) {
            t0[f][K] = KpkRead(0, p, K);
            t1[f][K] = KpkRead(1, p, K);
            const KpkSets one = KpkRead(1, p + 8, K);
            // Lone-king squares where the push is legal: not onto either king.
            const uint64_t free = K == p + 8 ? 0 : ~Bit(p + 8);
            push_win[f][K] = one.win;
            push_open[f][K] = one.open;
            if (rank == 1) {
                const KpkSets two = KpkRead(1, p + 16, K);
                push_win[f][K] |= two.win & free;
                push_open[f][K] |= two.open & free;
            }
        }
    }
    bool changed = true;
    while (changed) {
        changed = false;
        for (int f = 0; f < 4; f++)
            for (int K = 0; K < 64; K++) {
                KpkSets& t = t0[f][K];
                if (!t.open) continue;
                uint64_t win = push_win[f][K], open = push_open[f][K];
                for (uint64_t b = BB_KingRays[K]; b; b &= b - 1) {
                    win |= t1[f][Lsb(b)].win;
                    open |= t1[f][Lsb(b)].open;
                }
                const uint64_t won = t.open & win, drawn = t.open & ~win & ~open;
                if (!(won | drawn)) continue;
                t.win |= won, t.draw |= drawn, t.open &= ~(won | drawn);
                changed = true;
            }
        for (int f = 0; f < 4; f++) {
            const int p = rank * 8 + f;
            for (int K = 0; K < 64; K++) {
                KpkSets& t = t1[f][K];
                if (!t.open) continue;
                const KpkSets& after = t0[f][K];
                const uint64_t take = Dist(K, p) >= 2 ? Bit(p) : 0;
                const uint64_t draw = KingSpread(after.draw | take), open = KingSpread(after.open);
                const uint64_t loss = KingSpread(after.win);
                const uint64_t drawn = t.open & (draw | (~open & ~loss)), won = t.open & ~draw & ~open & loss;
                if (!(won | drawn)) continue;
                t.win |= won, t.draw |= drawn, t.open &= ~(won | drawn);
                changed = true;
            }
        }
    }
    for (int f = 0; f < 4; f++)
        for (int K = 0; K < 64; K++) {
            KpkWrite(0, rank * 8 + f, K, t0[f][K]);
            KpkWrite(1, rank * 8 + f, K, t1[f][K]);
        }
}

void InitKPK() {
    for (int p = 0; p < 64; p++) {
        if ((p & 7) > 3) continue;
        for (int K = 0; K < 64; K++)
            for (int k = 0; k < 64; k++) KpkInitEntry(p, K, k);
    }
    for (int rank = 6; rank >= 1; rank--) KpkSolveRank(rank);
    for (int rank = 1; rank <= 6; rank++)
        for (int f = 0; f < 4; f++)
            for (int i = 0; i < 0x1000; i++)
                for (int stm = 0; stm < 2; stm++) {
                    uint8_t& v = kpk_db[KpkIndex(stm, rank * 8 + f, 0, 0) + i];
                    if (v != KPK_WIN) v = KPK_DRAW;
                }
}

// Probe with the pawn of `owner` on p and the kings on K (owner's) and k.
static int ProbeKPK(int owner, int p, int K, int k, int side) {
    int stm = side;
    if (owner == BLACK) p = 63 - p, K = 63 - K, k = 63 - k, stm = side ^ 1;
    if ((p & 7) > 3) p ^= 7, K ^= 7, k ^= 7;
    if ((p >> 3) < 1 || (p >> 3) > 6) return 0;  // no pawn can stand there
    if (kpk_db[KpkIndex(stm, p, K, k)] != KPK_WIN) return 0;
    return stm == 0 ? 800 : -800;
}

int EvalKPK(const Position* pos, int side) {
    const int owner = pos->msig[WHITE] ? WHITE : BLACK;
    const uint64_t pawn = pos->bb[owner][PAWN];
    if (!pawn) return 0;
    return ProbeKPK(owner, Lsb(pawn), KingSq(*pos, owner), KingSq(*pos, owner ^ 1), side);
}

static constexpr uint64_t EDGE = 0xFF818181818181FFULL;
static constexpr double kd[8] = {0.8, 0.7, 0.6, 0.5, 0.5, 0.5, 0.5, 0.5};

static int Pawns(uint32_t sig) { return sig & 15; }
static int RelRank(int sq, int colour) { return (sq ^ flip_sq[colour]) >> 3; }

// Rook's pawns with at most one bishop: the weaker king in the corner of the
// wrong colour holds the draw.
static bool WrongCornerDraw(const Position* pos, int s, int w) {
    const uint32_t sig = pos->msig[s];
    if (sig & ~0x10FU) return false;
    const uint64_t p = pos->bb[s][PAWN];
    int file;
    if (!(p & ~FILE_A))
        file = 0;
    else if (!(p & ~FILE_H))
        file = 7;
    else
        return false;
    const int corner = file + (s == WHITE ? 56 : 0);
    if (Dist(KingSq(*pos, w), corner) > 1) return false;
    const uint64_t b = pos->bb[s][BISHOP];
    return !b || SqColor(Lsb(b)) != SqColor(corner);
}

// A W knight attacks the square or a W bishop sees it over an empty diagonal.
static bool MinorGuards(const Position* pos, int w, int sq, uint64_t occ) {
    if (BB_KnightRays[sq] & pos->bb[w][KNIGHT]) return true;
    for (uint64_t b = pos->bb[w][BISHOP] & BB_BishopRays[sq]; b; b &= b - 1)
        if (!(BB_Between[Lsb(b)][sq] & occ)) return true;
    return false;
}

// One pawn against pieces that are not weaker: how well W stops it.
static double LonePawn(const Position* pos, const StackRec* ss, int s, int w, double f) {
    const int p = Lsb(pos->bb[s][PAWN]), dir = pawn_dir[s];
    const int t = RelRank(p, s) == 6 ? p + dir : p + 2 * dir;
    const bool minors = pos->bb[w][KNIGHT] | pos->bb[w][BISHOP];
    const uint64_t occ = Occupied(*pos);
    f *= minors ? 0.65 : 0.85;
    for (int sq = p + dir; sq >= 0 && sq < 64; sq += dir) {
        if (minors && MinorGuards(pos, w, sq, occ)) f *= 0.5;
        if (KingSq(*pos, w) == sq) f *= 0.8;
    }
    const int d = Dist(KingSq(*pos, s), t) - Dist(KingSq(*pos, w), t);
    if (d >= 0) f *= kd[d];
    if (RelRank(ss->passer_sq[s], s) <= 2) f *= 0.65;
    return f;
}

// The rules for pawnless S and those that come after the material tests.
static double ScaleRest(const Position* pos, const StackRec* ss, int s, int side, double f) {
    const int w = s ^ 1;
    const int mS = pos->npmat[s], mW = pos->npmat[w];
    const uint32_t sigS = pos->msig[s], sigW = pos->msig[w];
    const int pS = Pawns(sigS), pW = Pawns(sigW);
    if (pS == 0) {
        if (mS < 4) return f * 0.05;
        if (pos->bb[s][ROOK] | pos->bb[s][QUEEN]) return f * (EDGE & Bit(KingSq(*pos, w)) ? 0.2 : 0.15);
        return f * 0.1;
    }
    if (sigS == 1 && sigW == 1)
        return ProbeKPK(s, Lsb(pos->bb[s][PAWN]), KingSq(*pos, s), KingSq(*pos, w), side) ? f : f * 0.1;
    if (WrongCornerDraw(pos, s, w)) return f * 0.06;
    if ((sigS & ~0xFU) == 0x100 && (sigW & ~0xFU) == 0x100 && pS - pW < 3 &&
        SqColor(Lsb(pos->bb[s][BISHOP])) != SqColor(Lsb(pos->bb[w][BISHOP])))
        f *= 0.5;
    if (mS <= mW) {
        if (pS == 1) return LonePawn(pos, ss, s, w, f);
        if (pS == 2 && mW > 0 && pW > 0 && RelRank(ss->passer_sq[s], s) <= 2) f *= 0.75;
    }
    return f;
}

double ScaleFactor(const Position* pos, const StackRec* ss, int score, int side) {
    const int s = score >= 0 ? side : side ^ 1, w = s ^ 1;
    const int mS = pos->npmat[s], mW = pos->npmat[w];
    const uint32_t sigS = pos->msig[s], sigW = pos->msig[w];
    if (mS > 13 || (score >= -14 && score <= 14)) return 1.0;
    double f = pos->fifty >= 31 ? 1.0 - 0.01 * (pos->fifty - 30) : 1.0;
    if (sigS == 0x20) {
        f *= 0.05;
        if (mS - mW > 3) return f;
    } else {
        if (Pawns(sigW) && (sigS == 0x10000 || sigS == 0x1000)) f *= 0.9;
        if (mS - mW > 3) return f;
        if (sigS == 0x200 && sigW == 0x10) return f * 0.9;
    }
    return ScaleRest(pos, ss, s, side, f);
}

// Rounds halves away from zero, as lround does, without its library call
// (endgame scores are scaled at nearly every node). x - t is exact here.
static int RoundHalfAway(double x) {
    const double t = std::trunc(x);
    return int(t) + int(x - t >= 0.5) - int(t - x >= 0.5);
}

int ScaledScoreByFactor(const Position* pos, const StackRec* ss, int score, int side) {
    const double f = ScaleFactor(pos, ss, score, side);
    return f == 1.0 ? score : RoundHalfAway(score * f);
}
