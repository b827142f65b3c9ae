// The move generators. Order of generation is part of the
// engine's behaviour (it decides the order of equal-scored moves), so every
// loop keeps its documented order: sets ascending, piece lists as stored.
#include "board/movegen.h"

#include "board/bitboard.h"
#include "board/chess960.h"
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
static inline MoveEntry* PutPawnCaptures(MoveEntry* out, const Position* pos, uint64_t b, int delta,
                                         int piece) {
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
        out = PutAll(out, pos, *p, PieceCode(side, QUEEN),
                     (GenAttacksB(*p, occ) | GenAttacksR(*p, occ)) & enemy);
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
    if (__builtin_expect(pos->frc, 0)) return GenerateCastlings960(pos, side, out);
    int k = pos->plist[side][KING][0];
    if (k != init_king_sq[side]) return out;
    int piece = PieceCode(side, KING);
    if ((pos->castle & (1 << 2 * side)) && !pos->board[k + 1] && !pos->board[k + 2])
        out = Put(out, k, k + 2, piece, 0);
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
        out =
            PutQuiet(out, *p, PieceCode(side, QUEEN), (GenAttacksB(*p, occ) | GenAttacksR(*p, occ)) & empty);
    int k = list[KING][0];
    out = PutQuiet(out, k, PieceCode(side, KING), BB_KingRays[k] & empty);
    return Castlings(pos, side, out);
}
