// Evaluate: material and phase, special endings, pieces and mobility, pins,
// hanging pieces, the blend of opening and ending, and the evaluation cache.
#include "eval/evaluate.h"

#include <array>

#include "board/bitboard.h"
#include "eval/endgame.h"
#include "eval/evalstate.h"
#include "eval/params.h"
#include "thread/records.h"

using namespace evalimpl;

static constexpr int tempo_bonus[25] = {9, 9, 9, 8, 8, 8, 7, 7, 7, 6, 6, 6, 6,
                                        5, 5, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3};
static constexpr uint8_t wktbl[64] = {
    0, 0,  0,  0,  0,  0,  0,  0, 0, 10, 10, 10, 10, 10, 10, 0, 0, 10, 20, 20, 20, 20, 10, 0,
    0, 10, 20, 30, 30, 20, 10, 0, 0, 10, 20, 30, 30, 20, 10, 0, 0, 10, 20, 20, 20, 20, 10, 0,
    0, 10, 10, 10, 10, 10, 10, 0, 0, 0,  0,  0,  0,  0,  0,  0,
};
static constexpr uint8_t lktbl[64] = {
    120, 100, 80, 60, 40, 20, 10, 10, 100, 80, 60, 40, 20, 0,  15, 10,  80, 60, 40, 20, 0,  0,
    0,   20,  60, 40, 20, 0,  0,  0,  20,  40, 40, 20, 0,  0,  0,  20,  40, 60, 20, 0,  0,  0,
    20,  40,  60, 80, 10, 15, 0,  20, 40,  60, 80, 100, 10, 10, 20, 40, 60, 80, 100, 120,
};
// Outpost area: files b-g, ranks 4-7 for White, 5-2 for Black.
static constexpr uint64_t OUTPOST[2] = {0x007E7E7E7E000000ULL, 0x0000007E7E7E7E00ULL};
static constexpr uint64_t CENTRE16 = 0x00003C3C3C3C0000ULL;  // c3-f6
static constexpr uint64_t INNER = 0x007E7E7E7E7E7E00ULL;     // files b-g, ranks 2-7
static constexpr uint64_t TRAP[2] = {Bit(48) | Bit(55) | Bit(57) | Bit(62),  // a7 h7 b8 g8
                                     Bit(8) | Bit(15) | Bit(1) | Bit(6)};    // a2 h2 b1 g1
static constexpr uint64_t ENEMY_HALF[2] = {0xFFFFFFFF00000000ULL, 0x00000000FFFFFFFFULL};
// By colour and square: the square's file in the enemy half.
static constexpr auto FILE_AHEAD = [] {
    std::array<std::array<uint64_t, 64>, 2> t{};
    for (int c = 0; c < 2; c++)
        for (int sq = 0; sq < 64; sq++) t[c][sq] = (FILE_A << (sq & 7)) & ENEMY_HALF[c];
    return t;
}();
static constexpr uint64_t RANK1 = 0xFFULL;
// Squares beside a rook on file a, b, g or h (any rank) that shut it in.
static constexpr uint64_t BBTF[8] = {FILE_A << 1 | FILE_A << 2, FILE_A << 2, 0, 0, 0, 0,
                                     FILE_A << 5, FILE_A << 5 | FILE_A << 6};
// The same by the rook's square, on its rank.
static constexpr auto SHUT_IN = [] {
    std::array<uint64_t, 64> t{};
    for (int sq = 0; sq < 64; sq++) t[sq] = BBTF[sq & 7] & (RANK1 << (sq & 56));
    return t;
}();
// The king zone by king square: the squares around the zone centre and the
// centre itself, the centre being the king's square moved one square inwards
// from the edge.
static constexpr auto KING_ZONE = [] {
    constexpr int adj[8] = {1, 0, 0, 0, 0, 0, 0, -1};
    std::array<uint64_t, 64> t{};
    for (int k = 0; k < 64; k++) {
        const int f = k & 7, r = k >> 3, centre = (r + adj[r]) * 8 + f + adj[f];
        t[k] = BB_KingRays[centre] | Bit(centre);
    }
    return t;
}();

static constexpr int Count(uint32_t sig, int type) { return (sig >> (4 * (type - 1))) & 15; }

// A material signature splits into its pawn, knight and bishop counts (low
// twelve bits) and its rook and queen counts (the next eight), and each part
// is looked up in a table of its own.
static constexpr uint32_t SigLow(uint32_t sig) { return sig & 0xFFF; }
static constexpr uint32_t SigHigh(uint32_t sig) { return (sig >> 12) & 0xFF; }

static constexpr auto PHASE_LOW = [] {
    std::array<uint8_t, 4096> t{};
    for (uint32_t i = 0; i < 4096; i++) t[i] = uint8_t(Count(i, KNIGHT) + Count(i, BISHOP));
    return t;
}();
static constexpr auto PHASE_HIGH = [] {
    std::array<uint8_t, 256> t{};
    for (uint32_t i = 0; i < 256; i++) t[i] = uint8_t(2 * Count(i << 12, ROOK) + 4 * Count(i << 12, QUEEN));
    return t;
}();

static int PhaseCount(uint32_t sig) { return PHASE_LOW[SigLow(sig)] + PHASE_HIGH[SigHigh(sig)]; }

// Material by signature part. Each value carries its opening part in the high
// half and its ending part in the low half of one 64-bit word, so the sum of
// the two parts holds both sums. Filled from the piece values by InitEval.
static int64_t material_low[4096], material_high[256];

void evalimpl::InitMaterial() {
    const PersonalityRec& P = Personality;
    auto pack = [](int op, int en) { return int64_t(uint64_t(int64_t(op)) << 32) + en; };
    const int64_t pawn = pack(P.pawn_value_op, P.pawn_value_en);
    const int64_t knight = pack(P.knight_value_op, P.knight_value_en);
    const int64_t bishop = pack(P.bishop_value_op, P.bishop_value_en);
    const int64_t rook = pack(P.rook_value_op, P.rook_value_en);
    const int64_t queen = pack(P.queen_value_op, P.queen_value_en);
    const int64_t pair = pack(P.bishop_pair, P.bishop_pair);
    for (uint32_t i = 0; i < 4096; i++) {
        const int nb = Count(i, BISHOP);
        material_low[i] =
            Count(i, PAWN) * pawn + Count(i, KNIGHT) * knight + nb * bishop + (nb >= 2 ? pair : 0);
    }
    for (uint32_t i = 0; i < 256; i++)
        material_high[i] = Count(i << 12, ROOK) * rook + Count(i << 12, QUEEN) * queen;
}

// Both sides' material, blended by the phase e.
static void Material(const Position& pos, int e, int mat[2]) {
    for (int c = WHITE; c <= BLACK; c++) {
        const uint32_t sig = pos.msig[c];
        const int64_t v = material_low[SigLow(sig)] + material_high[SigHigh(sig)];
        const int en = int32_t(uint32_t(uint64_t(v))), op = int32_t((v - en) >> 32);
        mat[c] = (op * (24 - e) + en * e) / 24;
    }
}

// King, bishop and knight against the bare king: drive it to the bishop's corner.
static int EvalKBNK(const Position& pos, int side) {
    const int s = pos.msig[WHITE] ? WHITE : BLACK;
    const int w = KingSq(pos, s);
    int l = KingSq(pos, s ^ 1);
    if (SqColor(pos.plist[s][BISHOP][0]) != 1) l ^= 7;
    int score = 700 + wktbl[w] + lktbl[l] - 8 * Dist(w, KingSq(pos, s ^ 1));
    return s == side ? score : -score;
}

// Endings settled without the full evaluation; true with the score in *out.
static bool SpecialEnding(const Position& pos, int side, int* out) {
    const uint32_t w = pos.msig[WHITE], b = pos.msig[BLACK];
    if (((w | b) & 15) == 0) {
        if ((PhaseCount(w) < 2 && PhaseCount(b) < 2) || w + b == 0x20) {
            *out = PBlock.draw_score[side].load(std::memory_order_relaxed);
            return true;
        }
        if (w + b == 0x110) {
            *out = EvalKBNK(pos, side);
            return true;
        }
    } else if (w + b == 1) {
        *out = EvalKPK(&pos, side);
        return true;
    }
    return false;
}

// Pieces that stand alone between a slider and its target square.
static uint64_t PinnedOn(int target, uint64_t diag, uint64_t orth, uint64_t occ) {
    uint64_t pinned = 0;
    for (uint64_t b = (diag & BB_BishopRays[target]) | (orth & BB_RookRays[target]); b; b &= b - 1) {
        uint64_t between = BB_Between[Lsb(b)][target] & occ;
        if (between && !(between & (between - 1))) pinned |= between;
    }
    return pinned;
}

// Pieces of side C alone between its single queen and an enemy bishop or rook.
template <int C>
static uint64_t QueenPins(const Position& pos, uint64_t occ) {
    const uint64_t q = pos.bb[C][QUEEN];
    if (!q || (q & (q - 1))) return 0;
    return PinnedOn(Lsb(q), pos.bb[C ^ 1][BISHOP], pos.bb[C ^ 1][ROOK], occ) & pos.bb[C][0];
}

uint64_t PinnedToQueen(const Position* pos, int side) {
    return side == WHITE ? QueenPins<WHITE>(*pos, Occupied(*pos)) : QueenPins<BLACK>(*pos, Occupied(*pos));
}

// Pieces of either colour alone between C's king and an enemy slider, and C's
// pieces pinned to its single queen.
template <int C>
static uint64_t PinnedTo(const Position& pos, uint64_t occ) {
    const uint64_t* e = pos.bb[C ^ 1];
    return PinnedOn(KingSq(pos, C), e[BISHOP] | e[QUEEN], e[ROOK] | e[QUEEN], occ) | QueenPins<C>(pos, occ);
}

static uint64_t PinnedSet(const Position& pos, uint64_t occ) {
    return PinnedTo<WHITE>(pos, occ) | PinnedTo<BLACK>(pos, occ);
}

// Pawn and king attacks, king zones and the enemy pawns near each zone.
template <int C>
static void SetUpMaps(EvalState& st) {
    const Position& pos = *st.pos;
    const uint64_t p = pos.bb[C][PAWN];
    const uint64_t west = PawnAttacksW<C>(p), east = PawnAttacksE<C>(p);
    const int k = KingSq(pos, C);
    const uint64_t king = BB_KingRays[k];
    st.atk[C][PAWN] = west | east;
    st.atk[C][KING] = king;
    st.twice[C] = (west & east) | ((west | east) & king);
    st.atk[C][0] = west | east | king;
    st.zone[C] = KING_ZONE[k];
}

static void SetUpMaps(EvalState& st) {
    const Position& pos = *st.pos;
    SetUpMaps<WHITE>(st);
    SetUpMaps<BLACK>(st);
    st.attackers[WHITE] = 2 * Pop((st.zone[WHITE] << 8) & pos.bb[BLACK][PAWN]);
    st.attackers[BLACK] = 2 * Pop((st.zone[BLACK] >> 8) & pos.bb[WHITE][PAWN]);
}

// One side's piece loops gather into locals and write the state once at the
// end: stores into the state would otherwise force reloads of the position.
struct PieceSums {
    uint64_t all, twice;  // squares attacked, and attacked at least twice
    uint64_t by_type;     // attacks of the piece type at hand
    int op, en;
    int attackers;  // weighted attackers of the enemy king's zone
    void Add(uint64_t a) {
        by_type |= a;
        twice |= all & a;
        all |= a;
    }
};

// Inputs every piece of one side reads.
struct PieceView {
    const Position& pos;
    uint64_t occ, mob_area, zone, enemy_pawn_atk, pinned, seventh;
};

// R: the evaluation fills the report, which shows each piece with its pin.
// The sums take the pins in one count per side (EvalPieces).
template <bool R>
static void Finish(const EvalState& st, const PieceView& v, PieceSums& s, int c, int type, int sq, int op,
                   int en) {
    s.op += op;
    s.en += en;
    if constexpr (R) {
        if (v.pinned & Bit(sq)) op += Personality.pinned, en += Personality.pinned;
        ReportPiece(st, c, type, sq, op, en);
    }
}

template <int C, bool R>
static void EvalKnights(const EvalState& st, const PieceView& v, PieceSums& s) {
    const uint64_t outposts = OUTPOST[C] & ~st.pawns->span[C ^ 1] & st.atk[C][PAWN];
    for (uint64_t b = v.pos.bb[C][KNIGHT]; b; b &= b - 1) {
        const int sq = Lsb(b), rs = Rel<C>(sq);
        const uint64_t a = BB_KnightRays[sq];
        s.Add(a);
        const int mob = KnightMobility[Pop(a & v.mob_area)];
        int op = KnightOpening[rs] + mob, en = KnightEnding[rs] + mob;
        if (Bit(sq) & outposts) op += Personality.knight_outpost;
        if (a & outposts) op += 8;
        if (a & v.zone) s.attackers += 2, op += 8, en += 8;
        Finish<R>(st, v, s, C, KNIGHT, sq, op, en);
    }
}

template <int C, bool R>
static void EvalBishops(const EvalState& st, const PieceView& v, PieceSums& s) {
    const uint64_t occ = v.occ & ~v.pos.bb[C][QUEEN];
    for (uint64_t b = v.pos.bb[C][BISHOP]; b; b &= b - 1) {
        const int sq = Lsb(b), rs = Rel<C>(sq);
        const uint64_t a = GenAttacksB(sq, occ);
        s.Add(a);
        const int mob = BishopMobility[Pop(a & v.mob_area)] + 4 * Pop(a & CENTRE16);
        int op = BishopOpening[rs] + mob, en = BishopEnding[rs] + mob;
        if (a & v.zone) s.attackers += 2, op += 4, en += 4;
        if ((Bit(sq) & TRAP[C]) && !(a & INNER & ~v.enemy_pawn_atk))
            op += Personality.bishop_trapped, en += Personality.bishop_trapped;
        Finish<R>(st, v, s, C, BISHOP, sq, op, en);
    }
}

// Where a rook or queen earns the seventh-rank bonus: on the seventh while the
// enemy king stands on its back rank or enemy pawns stand on that seventh.
template <int C>
static uint64_t SeventhRank(const Position& pos) {
    constexpr int E = C ^ 1;
    const bool target = (Rel<E>(KingSq(pos, E)) >> 3) == 0 || (pos.bb[E][PAWN] & BB_r7[C]);
    return target ? BB_r7[C] : 0;
}

// own_files, their_files: the files with pawns of each side, as square sets.
template <int C>
static void RookFiles(const Position& pos, uint64_t own_files, uint64_t their_files, int sq, int mob, int& op,
                      int& en) {
    const PersonalityRec& P = Personality;
    if (!(Bit(sq) & own_files)) {
        const int bonus = Bit(sq) & their_files ? P.rook_half_open_file : P.rook_open_file;
        op += bonus;
        en += bonus / 2;
    } else if (mob < 5 && ((pos.bb[C][KING] | pos.bb[C][PAWN]) & SHUT_IN[sq])) {
        op += P.rook_trapped;
    }
}

template <int C, bool R>
static void EvalRooks(const EvalState& st, const PieceView& v, PieceSums& s) {
    const uint64_t occ = v.occ & ~(v.pos.bb[C][ROOK] | v.pos.bb[C][QUEEN]);
    const uint64_t own_files = st.pawns->files[C] * FILE_A, their_files = st.pawns->files[C ^ 1] * FILE_A;
    for (uint64_t b = v.pos.bb[C][ROOK]; b; b &= b - 1) {
        const int sq = Lsb(b), rs = Rel<C>(sq);
        const uint64_t a = GenAttacksR(sq, occ);
        s.Add(a);
        const int count = Pop(a & v.mob_area);
        const int mob = RookMobility[count] + 4 * Pop(a & FILE_AHEAD[C][sq]);
        int op = RookOpening[rs] + mob, en = RookEnding[rs] + mob;
        if (a & v.zone) s.attackers += 3, op += 4;
        RookFiles<C>(v.pos, own_files, their_files, sq, count, op, en);
        if (Bit(sq) & v.seventh) op += Personality.rook_rank7, en += Personality.rook_rank7;
        Finish<R>(st, v, s, C, ROOK, sq, op, en);
    }
}

template <int C, bool R>
static void EvalQueens(const EvalState& st, const PieceView& v, PieceSums& s) {
    const uint64_t diag_occ = v.occ & ~v.pos.bb[C][BISHOP], orth_occ = v.occ & ~v.pos.bb[C][ROOK];
    for (uint64_t b = v.pos.bb[C][QUEEN]; b; b &= b - 1) {
        const int sq = Lsb(b), rs = Rel<C>(sq);
        const uint64_t a = GenAttacksB(sq, diag_occ) | GenAttacksR(sq, orth_occ);
        s.Add(a);
        const int mob = QueenMobility[Pop(a & v.mob_area)];
        int op = QueenOpening[rs] + mob, en = QueenEnding[rs] + mob;
        // The direct attacks are part of those through own bishops and rooks.
        if (a & v.zone) {
            const uint64_t direct = GenAttacksB(sq, v.occ) | GenAttacksR(sq, v.occ);
            s.attackers += direct & v.zone ? 3 : 2;
        }
        if (Bit(sq) & v.seventh) op += Personality.queen_rank7, en += Personality.queen_rank7;
        Finish<R>(st, v, s, C, QUEEN, sq, op, en);
    }
}

// Knights, bishops, rooks and queens of side C. They read only the pawn and
// king maps and the zones, so each side's pieces can run in one go.
template <int C, bool R>
static void EvalPieces(EvalState& st) {
    constexpr int E = C ^ 1;
    const Position& pos = *st.pos;
    const uint64_t* own = pos.bb[C];
    const PieceView v{
        pos, st.occ, ~own[0] & ~st.atk[E][PAWN], st.zone[E], st.atk[E][PAWN], st.pinned, SeventhRank<C>(pos)};
    const uint64_t pinned = st.pinned & (own[KNIGHT] | own[BISHOP] | own[ROOK] | own[QUEEN]);
    const int pins = pinned ? Pop(pinned) * Personality.pinned : 0;
    PieceSums s{st.atk[C][0], st.twice[C], 0, pins, pins, 0};
    EvalKnights<C, R>(st, v, s);
    st.atk[C][KNIGHT] = s.by_type;
    s.by_type = 0;
    EvalBishops<C, R>(st, v, s);
    st.atk[C][BISHOP] = s.by_type;
    s.by_type = 0;
    EvalRooks<C, R>(st, v, s);
    st.atk[C][ROOK] = s.by_type;
    s.by_type = 0;
    EvalQueens<C, R>(st, v, s);
    st.atk[C][QUEEN] = s.by_type;
    st.atk[C][0] = s.all;
    st.twice[C] = s.twice;
    st.op[C] += s.op;
    st.en[C] += s.en;
    st.attackers[E] += s.attackers;
}

// Hanging pieces of side C; returns the set and charges the side.
template <int C>
static uint64_t Hanging(EvalState& st) {
    const Position& pos = *st.pos;
    const uint64_t(&them)[7] = st.atk[C ^ 1];
    const uint64_t* bb = pos.bb[C];
    uint64_t h = bb[QUEEN] & (them[KNIGHT] | them[BISHOP] | them[ROOK] | them[PAWN]);
    h |= (bb[KNIGHT] | bb[BISHOP]) & them[PAWN];
    h |= bb[ROOK] & (them[PAWN] | them[KNIGHT] | them[BISHOP]);
    h |= (bb[0] & ~bb[KING]) & them[0] & ~st.atk[C][0] & ~(bb[PAWN] & them[PAWN]);
    const int n = Pop(h);
    if (n) {
        const int cost = (n == 1 ? 1 : 2 * n - 1) * Personality.hung;
        st.op[C] += cost;
        st.en[C] += cost;
        int value = 0;
        for (uint64_t b = h; b; b &= b - 1) value += piece_value[PieceType(pos.board[Lsb(b)])];
        st.ss->hung_value[C] = int16_t(value);
    }
    return h;
}

static int ScaleAndStore(EvalState& st, int score) {
    const int scaled = ScaledScore(st.pos, st.ss, score, st.side);
    st.ss->eval = int16_t(scaled);
    return scaled;
}

static void StoreCache(EvalState& st, int score) {
    EvalCacheEntry& ce = st.caches->ecache[st.pos->hash & (EVAL_CACHE_SIZE - 1)];
    ce.score = int16_t(score);
    for (int c = 0; c < 2; c++) {
        ce.passer_king[c] = uint8_t(st.ss->passer_sq[c] | (st.ss->king_attacked[c] ? 128 : 0));
        ce.hung_value[c] = st.ss->hung_value[c];
    }
    ce.key = st.pos->hash;
}

static int PositionalScore(EvalState& st, const int mat[2], uint64_t* hanging) {
    const Position& pos = *st.pos;
    st.occ = Occupied(pos);
    EvalPawns(st);
    SetUpMaps(st);
    st.pinned = PinnedSet(pos, st.occ);
    if (st.report) {
        EvalPieces<WHITE, true>(st);
        EvalPieces<BLACK, true>(st);
    } else {
        EvalPieces<WHITE, false>(st);
        EvalPieces<BLACK, false>(st);
    }
    EvalKings(st);
    *hanging = Hanging<WHITE>(st) | Hanging<BLACK>(st);
    // Kings in vertical opposition in a pawn ending cost the side to move.
    if (pos.npmat[WHITE] + pos.npmat[BLACK] == 0 && KingSq(pos, BLACK) == KingSq(pos, WHITE) + 16)
        st.en[st.side] -= 5;
    int blend[2];
    for (int c = WHITE; c <= BLACK; c++) blend[c] = Blend(st, st.op[c], st.en[c]);
    if (st.report)
        for (int c = WHITE; c <= BLACK; c++) {
            eval_report.material[c] = int16_t(mat[c]);
            eval_report.positional[c] = int16_t(blend[c]);
        }
    int score = mat[WHITE] + blend[WHITE] - mat[BLACK] - blend[BLACK];
    return (st.side == WHITE ? score : -score) + tempo_bonus[st.e];
}

int EvaluateAfresh(const Position& pos, EvalCaches& caches, StackRec* ss, int side, int ply) {
    ResetByProducts(ss);
    int result;
    const int total = PhaseCount(pos.msig[WHITE]) + PhaseCount(pos.msig[BLACK]);
    const int e = total > 24 ? 0 : 24 - total;
    if (SpecialEnding(pos, side, &result)) {
        ss->eval = int16_t(result);
        return result;
    }
    // Not zeroed as a whole: every map is written before it is read.
    EvalState st;
    st.pos = &pos, st.caches = &caches, st.ss = ss;
    st.side = side, st.ply = ply, st.e = e;
    st.op[WHITE] = st.op[BLACK] = st.en[WHITE] = st.en[BLACK] = 0;
    st.report = ply < 2 && caches.fills_report;
    int mat[2];
    Material(pos, e, mat);
    uint64_t hanging;
    const int score = PositionalScore(st, mat, &hanging);
    StoreCache(st, score);
    result = ScaleAndStore(st, score);
    if (st.report) {
        EvalReport& r = eval_report;
        r.hanging = hanging;
        r.pinned = st.pinned;
        r.passer_sq[0] = ss->passer_sq[0];
        r.passer_sq[1] = ss->passer_sq[1];
        r.draw_factor = score >= -15 && score <= 15 ? 1.0 : double(result) / score;
    }
    return result;
}
