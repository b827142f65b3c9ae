// Make and unmake of moves and null moves, the piece primitives and the
// position keys.
#include "board/makemove.h"

#include "base/messages.h"
#include "board/bitboard.h"
#include "board/chess960.h"

uint64_t rtable[1024];
uint64_t rtable2[66];
uint32_t seed = 54321;
int keys_discarded;

static uint32_t Draw() {
    seed = seed * 0x7FF8A3EDu + 0x2AA01D31u;
    return seed;
}

static uint64_t Draw64() {
    uint64_t hi = Draw();
    uint64_t lo = Draw();
    return hi << 32 | lo;
}

// Two keys that agree in nearly all bits of one half would make collisions
// between positions differing in those two pieces far likelier.
static bool TooClose(uint64_t a, uint64_t b) {
    uint64_t x = a ^ b;
    return __builtin_popcount(uint32_t(x >> 32)) <= 4 || __builtin_popcount(uint32_t(x)) <= 4;
}

// Keys that are too close agree in at least one of five slices of the half
// where they differ in four bits or fewer. So a candidate is compared only
// with the earlier keys that share one of its ten slices: chains of key
// numbers by slice value, -1 ending a chain.
constexpr int kSliceShift[5] = {0, 7, 14, 20, 26};
constexpr uint32_t kSliceMask[5] = {127, 127, 63, 63, 63};
static int16_t slice_head[10][128];
static int16_t slice_next[10][1024];

static uint32_t SliceValue(uint64_t key, int slice) {
    const uint32_t half = uint32_t(key >> (slice >= 5 ? 32 : 0));
    return (half >> kSliceShift[slice % 5]) & kSliceMask[slice % 5];
}

static bool TooCloseToEarlier(uint64_t k) {
    for (int s = 0; s < 10; s++)
        for (int j = slice_head[s][SliceValue(k, s)]; j >= 0; j = slice_next[s][j])
            if (TooClose(k, rtable[j])) return true;
    return false;
}

static void AddKey(int i, uint64_t k) {
    rtable[i] = k;
    for (int s = 0; s < 10; s++) {
        int16_t& head = slice_head[s][SliceValue(k, s)];
        slice_next[s][i] = head;
        head = int16_t(i);
    }
}

void InitKeys() {
    keys_discarded = 0;
    for (auto& row : slice_head)
        for (int16_t& h : row) h = -1;
    AddKey(0, Draw64());
    for (int i = 1; i < 1024; i++) {
        uint64_t k = Draw64();
        for (; TooCloseToEarlier(k); k = Draw64()) keys_discarded++;
        AddKey(i, k);
    }
    for (auto& k : rtable2) k = Draw64();
}


uint64_t ComputePawnHash(const Position* pos) {
    uint64_t h = 0;
    for (int sq = 0; sq < 64; sq++)
        if (PieceType(pos->board[sq]) == PAWN) h ^= Key(pos->board[sq], sq);
    return h;
}

uint64_t ComputeHash(const Position* pos) {
    uint64_t h = 0;
    for (int sq = 0; sq < 64; sq++)
        if (pos->board[sq]) h ^= Key(pos->board[sq], sq);
    h ^= rtable2[pos->ep] ^ rtable2[pos->castle];
    return SideBit(h, pos->side);
}

void UpdateHash2(Position* pos) {
    pos->hash = SideBit(pos->hash ^ rtable2[pos->ep] ^ rtable2[pos->castle], pos->side);
}

// The primitives are inlined into make and unmake; the public names wrap them.
// A list keeps its order: a piece joins at the end, a lifted one closes its
// gap, a moved one keeps its place; slot finds a square's place without a
// search.
static inline void PlacePiece(Position* pos, int colour, int type, int sq) {
    int piece = type;
    VELL_ASSERT(piece > 0);
    uint8_t* list = pos->plist[colour][type];
    const int n = __builtin_popcountll(pos->bb[colour][type]);  // the list's length
    VELL_ASSERT(n < PLIST_SIZE - 1);
    list[n] = uint8_t(sq);
    list[n + 1] = NO_SQ;
    pos->slot[sq] = uint8_t(n);
    pos->board[sq] = uint8_t(PieceCode(colour, type));
    pos->npmat[colour] += npv[type];
    pos->msig[colour] += msig[type];
    pos->bb[colour][0] |= uint64_t(1) << sq;
    pos->bb[colour][type] |= uint64_t(1) << sq;
}

static inline void LiftPiece(Position* pos, int sq) {
    int piece = pos->board[sq];
    VELL_ASSERT(piece > 0);
    int colour = PieceColor(piece), type = PieceType(piece);
    uint8_t* list = pos->plist[colour][type];
    int n = pos->slot[sq];
    for (; list[n + 1] != NO_SQ; n++) {
        list[n] = list[n + 1];
        pos->slot[list[n]] = uint8_t(n);
    }
    list[n] = NO_SQ;
    pos->board[sq] = 0;
    pos->npmat[colour] -= npv[type];
    pos->msig[colour] -= msig[type];
    pos->bb[colour][0] &= ~(uint64_t(1) << sq);
    pos->bb[colour][type] &= ~(uint64_t(1) << sq);
}

static inline void ShiftPiece(Position* pos, int colour, int from, int to) {
    int piece = pos->board[from];
    VELL_ASSERT(piece > 0);
    int type = PieceType(piece);
    const int n = pos->slot[from];
    pos->plist[colour][type][n] = uint8_t(to);
    pos->slot[to] = uint8_t(n);
    pos->board[to] = uint8_t(piece);
    pos->board[from] = 0;
    uint64_t fromto = (uint64_t(1) << from) | (uint64_t(1) << to);
    pos->bb[colour][0] ^= fromto;
    pos->bb[colour][type] ^= fromto;
}

void AddPiece(Position* pos, int colour, int type, int sq) { PlacePiece(pos, colour, type, sq); }
void RemovePiece(Position* pos, int sq) { LiftPiece(pos, sq); }
void MovePiece(Position* pos, int colour, int from, int to) { ShiftPiece(pos, colour, from, to); }

static HistRec* PushRecord(Position* pos, uint16_t move, int captured) {
    VELL_ASSERT(pos->nhist < HIST_SIZE);
    HistRec* h = &pos->hist[pos->nhist];
    h->move = move;
    h->captured = uint8_t(captured);
    h->ep = pos->ep;
    h->fifty = pos->fifty;
    h->castle = pos->castle;
    h->hash = pos->hash;
    pos->nhist++;
    pos->ply++;
    return h;
}

// Rook squares of a castling king move to `to`: origin and destination.
static inline void CastleRook(int from, int to, int* rfrom, int* rto) {
    *rfrom = to > from ? from + 3 : from - 4;
    *rto = to > from ? from + 1 : from - 1;
}

// The mark a Chess960 castling leaves in its record's captured field.
constexpr uint8_t CASTLED_BY_ROOK = 7;

// King and rook of a Chess960 castling to their new squares at once (any of
// the four may coincide); the lists keep their order.
static void RelocateCastlers(Position* pos, int us, int kfrom, int kto, int rfrom, int rto) {
    const uint8_t king = pos->board[kfrom], rook = pos->board[rfrom], rslot = pos->slot[rfrom];
    pos->board[kfrom] = pos->board[rfrom] = 0;
    pos->board[kto] = king;
    pos->board[rto] = rook;
    pos->plist[us][KING][0] = uint8_t(kto);
    pos->slot[kto] = 0;
    pos->plist[us][ROOK][rslot] = uint8_t(rto);
    pos->slot[rto] = rslot;
    const uint64_t kb = (uint64_t(1) << kfrom) ^ (uint64_t(1) << kto);
    const uint64_t rb = (uint64_t(1) << rfrom) ^ (uint64_t(1) << rto);
    pos->bb[us][KING] ^= kb;
    pos->bb[us][ROOK] ^= rb;
    pos->bb[us][0] ^= kb ^ rb;
}

// The rest of MakeMove for a king taking its own rook.
static void MakeCastling960(Position* pos, HistRec* rec, int from, int to, uint64_t hash) {
    const int us = pos->side ^ 1;
    const bool is_short = to > from;
    const int kto = CastleKingTo(us, is_short), rto = CastleRookTo(us, is_short);
    rec->captured = CASTLED_BY_ROOK;
    const int king = pos->board[from], rook = pos->board[to];
    hash ^= Key(king, from) ^ Key(king, kto) ^ Key(rook, to) ^ Key(rook, rto);
    RelocateCastlers(pos, us, from, kto, to, rto);
    pos->fifty = 0;
    pos->hash = SideBit(hash ^ rtable2[pos->ep] ^ rtable2[pos->castle], us ^ 1);
#ifndef NDEBUG
    CheckPosition(pos);
#endif
}

static int PromotedType(uint16_t move) {
    if (move & PROMO_N) return KNIGHT;
    if (move & PROMO_B) return BISHOP;
    if (move & PROMO_R) return ROOK;
    return QUEEN;
}

// The pawn-specific part of a move: en-passant square, the captured pawn of
// an en-passant capture, the promotion.
static void MakePawnMove(Position* pos, uint16_t move, int us, int old_ep, uint64_t* hash) {
    int from = MoveFrom(move), to = MoveTo(move);
    pos->fifty = 0;
    if (to == from + 2 * pawn_dir[us]) {
        pos->ep = uint8_t(from + pawn_dir[us]);
    } else if (to == old_ep) {
        int cap = to - pawn_dir[us];
        uint64_t k = Key(pos->board[cap], cap);
        *hash ^= k;
        pos->pawnhash ^= k;
        LiftPiece(pos, cap);
    } else if (move & PROMO_MASK) {
        LiftPiece(pos, to);
        PlacePiece(pos, us, PromotedType(move), to);
    }
}

void MakeMove(Position* pos, uint16_t move) {
    int from = MoveFrom(move), to = MoveTo(move);
    int us = pos->side, them = us ^ 1;
    int old_ep = pos->ep;
    HistRec* rec = PushRecord(pos, move, PieceType(pos->board[to]));
    rec->pawnhash = pos->pawnhash;

    uint64_t hash = pos->hash ^ rtable2[pos->ep] ^ rtable2[pos->castle];
    pos->ep = NO_SQ;
    pos->lastmove = move;
    pos->castle &= uint8_t(~(pos->cmask[from] | pos->cmask[to]));
    pos->fifty++;
    pos->side = uint8_t(them);

    if (int tpc = pos->board[to]) {
        if (__builtin_expect(PieceColor(tpc) == us, 0)) return MakeCastling960(pos, rec, from, to, hash);
        hash ^= Key(tpc, to);
        if (PieceType(tpc) == PAWN) pos->pawnhash ^= Key(tpc, to);
        LiftPiece(pos, to);
        pos->fifty = 0;
    }
    int piece = pos->board[from];
    VELL_ASSERT(piece > 0);
    hash ^= Key(piece, from);
    if (PieceType(piece) == PAWN) pos->pawnhash ^= Key(piece, from);
    ShiftPiece(pos, us, from, to);

    if (PieceType(piece) == PAWN) {
        MakePawnMove(pos, move, us, old_ep, &hash);
    } else if (PieceType(piece) == KING && (to == from + 2 || to == from - 2)) {
        int rfrom, rto;
        CastleRook(from, to, &rfrom, &rto);
        int rook = pos->board[rfrom];
        hash ^= Key(rook, rfrom) ^ Key(rook, rto);
        ShiftPiece(pos, us, rfrom, rto);
        pos->fifty = 0;
    }
    int now = pos->board[to];
    hash ^= Key(now, to);
    if (PieceType(now) == PAWN) pos->pawnhash ^= Key(now, to);
    pos->hash = SideBit(hash ^ rtable2[pos->ep] ^ rtable2[pos->castle], them);
#ifndef NDEBUG
    CheckPosition(pos);
#endif
}

void UnmakeMove(Position* pos) {
    VELL_ASSERT(pos->nhist > 0);
    pos->nhist--;
    pos->ply--;
    const HistRec* h = &pos->hist[pos->nhist];
    int from = MoveFrom(h->move), to = MoveTo(h->move);
    int piece = pos->board[to];
    VELL_ASSERT(piece > 0 || h->captured == CASTLED_BY_ROOK);
    pos->lastmove = pos->nhist > 0 ? pos->hist[pos->nhist - 1].move : 0;
    pos->ep = h->ep;
    pos->castle = h->castle;
    pos->fifty = h->fifty;
    int us = pos->side ^= 1;

    if (__builtin_expect(h->captured == CASTLED_BY_ROOK, 0)) {
        const bool is_short = to > from;
        RelocateCastlers(pos, us, CastleKingTo(us, is_short), from, CastleRookTo(us, is_short), to);
        pos->hash = h->hash;
        pos->pawnhash = h->pawnhash;
#ifndef NDEBUG
        CheckPosition(pos);
#endif
        return;
    }
    ShiftPiece(pos, us, to, from);
    if (h->captured) PlacePiece(pos, us ^ 1, h->captured, to);
    int type = PieceType(piece);
    if (type == PAWN && to == pos->ep) {
        PlacePiece(pos, us ^ 1, PAWN, to - pawn_dir[us]);
    } else if (type == KING && (to == from + 2 || to == from - 2)) {
        int rfrom, rto;
        CastleRook(from, to, &rfrom, &rto);
        ShiftPiece(pos, us, rto, rfrom);
    }
    if (h->move & PROMO_MASK) {
        LiftPiece(pos, from);
        PlacePiece(pos, us, PAWN, from);
    }
    pos->hash = h->hash;
    pos->pawnhash = h->pawnhash;
#ifndef NDEBUG
    CheckPosition(pos);
#endif
}

void MakeNullMove(Position* pos) {
    PushRecord(pos, 0, 0);
    UpdateHash2(pos);
    pos->fifty = 0;
    pos->ep = NO_SQ;
    pos->side ^= 1;
    pos->lastmove = 0;
    UpdateHash2(pos);
}

void UnmakeNullMove(Position* pos) {
    VELL_ASSERT(pos->nhist > 0);
    pos->nhist--;
    pos->ply--;
    const HistRec* h = &pos->hist[pos->nhist];
    pos->ep = h->ep;
    pos->castle = h->castle;
    pos->fifty = h->fifty;
    pos->side ^= 1;
    pos->hash = h->hash;
    pos->lastmove = pos->nhist > 0 ? pos->hist[pos->nhist - 1].move : 0;
}

#ifndef NDEBUG
// Keys are left out: redrawing the key tables legitimately leaves positions
// with keys of the old tables until the next set-up.
void CheckPosition(const Position* pos) {
    uint64_t sets[2][8] = {};
    uint32_t sig[2] = {};
    uint16_t np[2] = {};
    VELL_ASSERT(pos->board[64] == 0);
    for (int sq = 0; sq < 64; sq++) {
        int code = pos->board[sq];
        if (!code) continue;
        int c = PieceColor(code), t = PieceType(code);
        VELL_ASSERT(t >= PAWN && t <= KING);
        sets[c][0] |= uint64_t(1) << sq;
        sets[c][t] |= uint64_t(1) << sq;
        sig[c] += msig[t];
        np[c] += npv[t];
    }
    for (int c = 0; c < 2; c++) {
        VELL_ASSERT(sig[c] == pos->msig[c] && np[c] == pos->npmat[c]);
        for (int t = 0; t <= KING; t++) VELL_ASSERT(sets[c][t] == pos->bb[c][t]);
        for (int t = PAWN; t <= KING; t++) {
            uint64_t listed = 0;
            int n = 0;
            for (; n < 10 && pos->plist[c][t][n] != NO_SQ; n++) {
                listed |= uint64_t(1) << pos->plist[c][t][n];
                VELL_ASSERT(pos->slot[pos->plist[c][t][n]] == n);
            }
            VELL_ASSERT(n < 10 && listed == sets[c][t] && n == __builtin_popcountll(listed));
        }
    }
    VELL_ASSERT(pos->side <= 1 && pos->ep <= NO_SQ && pos->castle <= 15);
    for (int right = 0; right < 4; right++)
        VELL_ASSERT(!pos->frc || !(pos->castle & (1 << right)) ||
                    pos->board[pos->crook[right]] == PieceCode(right >> 1, ROOK));
}
#endif
