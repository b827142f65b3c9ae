// The move generators and perft. Order of generation is part of the
// engine's behaviour (it decides the order of equal-scored moves), so every
// loop keeps its documented order: sets ascending, piece lists as stored.
#include "board/movegen.h"

#include "board/bitboard.h"
#include "board/legality.h"
#include "board/makemove.h"

constexpr uint64_t FILE_A = 0x0101010101010101ull, FILE_H = 0x8080808080808080ull;

static inline MoveEntry* Put(MoveEntry* out, int from, int to, int piece, int captured) {
    out->move = uint16_t((from << 8) | to);
    out->piece = uint8_t(piece);
    out->captured = uint8_t(captured);
    return out + 1;
}

// All moves of one piece to the squares of `targets`, ascending.
static inline MoveEntry* PutAll(MoveEntry* out, const Position* pos, int from, int piece, uint64_t targets) {
    for (; targets; targets &= targets - 1) {
        int to = LSB(targets);
        out = Put(out, from, to, piece, pos->board[to]);
    }
    return out;
}

// Moves of one piece to the empty squares of `targets`, ascending.
static inline MoveEntry* PutQuiet(MoveEntry* out, int from, int piece, uint64_t targets) {
    for (; targets; targets &= targets - 1) out = Put(out, from, LSB(targets), piece, 0);
    return out;
}

// Pawn captures whose destinations are `b`, the origin `delta` below each.
static inline MoveEntry* PutPawnCaptures(MoveEntry* out, const Position* pos, uint64_t b, int delta, int piece) {
    for (; b; b &= b - 1) {
        int to = LSB(b);
        out = Put(out, to - delta, to, piece, pos->board[to]);
    }
    return out;
}

MoveEntry* GeneratePawnCaptures(Position* pos, int side, MoveEntry* out) {
    uint64_t targets = pos->bb[side ^ 1][0];
    if (pos->ep != NO_SQ) targets |= uint64_t(1) << pos->ep;
    uint64_t pawns = pos->bb[side][PAWN] & ~BB_r7[side];
    int piece = PieceCode(side, PAWN);
    if (side == WHITE) {
        out = PutPawnCaptures(out, pos, ((pawns & ~FILE_A) << 7) & targets, 7, piece);
        return PutPawnCaptures(out, pos, ((pawns & ~FILE_H) << 9) & targets, 9, piece);
    }
    out = PutPawnCaptures(out, pos, ((pawns & ~FILE_H) >> 7) & targets, -7, piece);
    return PutPawnCaptures(out, pos, ((pawns & ~FILE_A) >> 9) & targets, -9, piece);
}

MoveEntry* GeneratePieceCaptures(Position* pos, int side, MoveEntry* out) {
    uint64_t enemy = pos->bb[side ^ 1][0];
    uint64_t occ = pos->bb[0][0] | pos->bb[1][0];
    const uint8_t(*list)[PLIST_SIZE] = pos->plist[side];
    for (const uint8_t* p = list[KNIGHT]; *p != NO_SQ; p++)
        out = PutAll(out, pos, *p, PieceCode(side, KNIGHT), BB_KnightRays[*p] & enemy);
    for (const uint8_t* p = list[BISHOP]; *p != NO_SQ; p++)
        out = PutAll(out, pos, *p, PieceCode(side, BISHOP), GenAttacksB(*p, occ) & enemy);
    for (const uint8_t* p = list[ROOK]; *p != NO_SQ; p++)
        out = PutAll(out, pos, *p, PieceCode(side, ROOK), GenAttacksR(*p, occ) & enemy);
    for (const uint8_t* p = list[QUEEN]; *p != NO_SQ; p++)
        out = PutAll(out, pos, *p, PieceCode(side, QUEEN), (GenAttacksB(*p, occ) | GenAttacksR(*p, occ)) & enemy);
    int k = list[KING][0];
    return PutAll(out, pos, k, PieceCode(side, KING), BB_KingRays[k] & enemy);
}

static inline MoveEntry* PutPromotions(MoveEntry* out, int from, int to, int piece, int captured, int under) {
    out = Put(out, from, to, piece, captured);
    out[-1].move |= PROMO_Q;
    if (under) {
        static constexpr uint16_t flags[3] = {PROMO_N, PROMO_B, PROMO_R};
        for (uint16_t f : flags) {
            out = Put(out, from, to, piece, captured);
            out[-1].move |= f;
        }
    }
    return out;
}

MoveEntry* GeneratePromotions(Position* pos, int side, int under, MoveEntry* out) {
    uint64_t enemy = pos->bb[side ^ 1][0];
    int piece = PieceCode(side, PAWN), dir = pawn_dir[side];
    for (uint64_t b = pos->bb[side][PAWN] & BB_r7[side]; b; b &= b - 1) {
        int from = LSB(b), to = from + dir;
        if (!pos->board[to]) out = PutPromotions(out, from, to, piece, 0, under);
        if ((from & 7) != 0 && (enemy >> (to - 1) & 1))
            out = PutPromotions(out, from, to - 1, piece, pos->board[to - 1], under);
        if ((from & 7) != 7 && (enemy >> (to + 1) & 1))
            out = PutPromotions(out, from, to + 1, piece, pos->board[to + 1], under);
    }
    return out;
}

// In list order, each pawn's single push and then its double push; the
// target sets are worked out for all pawns at once.
static MoveEntry* PawnPushes(const Position* pos, int side, MoveEntry* out) {
    int piece = PieceCode(side, PAWN), dir = pawn_dir[side];
    uint64_t empty = ~(pos->bb[0][0] | pos->bb[1][0]);
    uint64_t pawns = pos->bb[side][PAWN] & ~BB_r7[side];  // promotions are generated apart
    uint64_t single, twice;
    if (side == WHITE) {
        single = (pawns << 8) & empty;
        twice = ((single & 0x0000000000FF0000ull) << 8) & empty;
    } else {
        single = (pawns >> 8) & empty;
        twice = ((single & 0x0000FF0000000000ull) >> 8) & empty;
    }
    for (const uint8_t* p = pos->plist[side][PAWN]; *p != NO_SQ; p++) {
        int from = *p, to = from + dir;
        if (single >> (to & 63) & 1) {
            out = Put(out, from, to, piece, 0);
            if (twice >> ((to + dir) & 63) & 1) out = Put(out, from, to + dir, piece, 0);
        }
    }
    return out;
}

static MoveEntry* Castlings(const Position* pos, int side, MoveEntry* out) {
    int k = pos->plist[side][KING][0];
    if (k != init_king_sq[side]) return out;
    int piece = PieceCode(side, KING);
    if ((pos->castle & (1 << 2 * side)) && !pos->board[k + 1] && !pos->board[k + 2]) out = Put(out, k, k + 2, piece, 0);
    if ((pos->castle & (2 << 2 * side)) && !pos->board[k - 1] && !pos->board[k - 2] && !pos->board[k - 3])
        out = Put(out, k, k - 2, piece, 0);
    return out;
}

MoveEntry* GenerateNonCaptures(Position* pos, int side, MoveEntry* out) {
    uint64_t occ = pos->bb[0][0] | pos->bb[1][0], empty = ~occ;
    const uint8_t(*list)[PLIST_SIZE] = pos->plist[side];
    out = PawnPushes(pos, side, out);
    for (const uint8_t* p = list[KNIGHT]; *p != NO_SQ; p++)
        out = PutQuiet(out, *p, PieceCode(side, KNIGHT), BB_KnightRays[*p] & empty);
    for (const uint8_t* p = list[BISHOP]; *p != NO_SQ; p++)
        out = PutQuiet(out, *p, PieceCode(side, BISHOP), GenAttacksB(*p, occ) & empty);
    for (const uint8_t* p = list[ROOK]; *p != NO_SQ; p++)
        out = PutQuiet(out, *p, PieceCode(side, ROOK), GenAttacksR(*p, occ) & empty);
    for (const uint8_t* p = list[QUEEN]; *p != NO_SQ; p++)
        out = PutQuiet(out, *p, PieceCode(side, QUEEN), (GenAttacksB(*p, occ) | GenAttacksR(*p, occ)) & empty);
    int k = list[KING][0];
    out = PutQuiet(out, k, PieceCode(side, KING), BB_KingRays[k] & empty);
    return Castlings(pos, side, out);
}

static MoveEntry* GenerateEverything(Position* pos, int side, MoveEntry* out) {
    out = GeneratePawnCaptures(pos, side, out);
    out = GeneratePieceCaptures(pos, side, out);
    out = GeneratePromotions(pos, side, 1, out);
    out = GenerateNonCaptures(pos, side, out);
    out->move = END_OF_LIST;
    return out;
}

void GenerateAll(Position* pos) {
    int ply = pos->ply;
    VELL_ASSERT(ply < MAX_PLY);
    MoveEntry* end = GenerateEverything(pos, pos->side, pos->ss[ply].list);
    if (ply + 1 < MAX_PLY) pos->ss[ply + 1].list = end + 1;
    if (ply + 2 < MAX_PLY) pos->ss[ply + 2].list = end + 2;
}

// Room a ply's list may need (pseudo-legal moves stay well below this).
constexpr int LIST_ROOM = 256;

// Legal moves among the leaves. Out of check, a move of a piece that is
// neither the king nor pinned, and not onto the en-passant square, cannot
// expose the king; in check every move takes the full test (finding the
// checkers as the search's FindLegalInfo does costs the leaves more than it saves).
static uint64_t CountLeaves(Position* pos, int side, const MoveEntry* list, const MoveEntry* end) {
    const int k = KingSq(*pos, side);
    const uint64_t risky = SqAtakd(pos, k, side ^ 1) ? ~uint64_t(0) : PinnedPieces(pos, side, k) | uint64_t(1) << k;
    uint64_t n = 0;
    for (const MoveEntry* e = list; e != end; e++) {
        if ((risky >> MoveFrom(e->move) & 1) || MoveTo(e->move) == pos->ep)
            n += MoveIsLegal(pos, side, e->move);
        else
            n++;
    }
    return n;
}

static uint64_t PerftCount(ThreadRec* td, int side, int ply, int depth) {
    Position* pos = &td->pos;
    MoveEntry* list = pos->ss[ply].list;
    VELL_ASSERT(ply + 1 < MAX_PLY && list + LIST_ROOM <= td->moves + MOVE_BUFFER);
    MoveEntry* end = GenerateEverything(pos, side, list);
    pos->ss[ply + 1].list = end + 1;
    uint64_t n = 0;
    if (depth == 1) return CountLeaves(pos, side, list, end);  // the leaves are counted, not made
    for (MoveEntry* e = list; e != end; e++) {
        if (!MoveIsLegal(pos, side, e->move)) continue;  // also skips a move of 0
        MakeMove(pos, e->move);
        n += PerftCount(td, side ^ 1, ply + 1, depth - 1);
        UnmakeMove(pos);
    }
    return n;
}

void Perft(ThreadRec* td, int side, int ply, int depth) {
    if (depth < 1) return;
    Bump(td->nodes, PerftCount(td, side, ply, depth));
}
