// Move tests without making the move: legality, check, threat, and the
// static exchange value of a capture sequence on one square.
#pragma once
#include <cstdint>

#include "base/messages.h"
#include "board/bitboard.h"
#include "board/position.h"

// 1 if the pseudo-legal move of `side` leaves its king unattacked (castling:
// passes no attacked square; a Chess960 castling, the king taking its own
// rook, is only ever generated or taken from the table when legal). Works as
// if the move's squares were toggled in the sets, without touching the
// position. Inline: perft and the search call it once per move.
inline int MoveIsLegal(Position* pos, int side, uint16_t move) {
    if (!move) return 0;
    unsigned from = MoveFrom(move), to = MoveTo(move);  // unsigned: one widening for all the indexing
    int fpc = pos->board[from], tpc = pos->board[to];
    // One well-predicted branch guards the three checks.
    if (__builtin_expect(!fpc || PieceColor(fpc) != side || (tpc && PieceColor(tpc) == side), 0)) {
        VELL_ASSERT(fpc > 0);
        VELL_ASSERT(PieceColor(fpc) == side);
        VELL_ASSERT(tpc == 0 || PieceColor(tpc) != side || (pos->frc && PieceType(fpc) == KING));
    }
    int them = side ^ 1;
    unsigned k = KingSq(*pos, side);
    if (PieceType(fpc) == KING) {
        // A Chess960 castling (the king taking its own rook) is generated only when legal.
        if (__builtin_expect(tpc != 0, 0) && PieceColor(tpc) == side) return 1;
        if (to == from + 2 || to == from - 2)
            return !SqAtakd(pos, from, them) && !SqAtakd(pos, to, them) &&
                   !SqAtakd(pos, (from + to) >> 1, them);
        k = to;
    }
    const uint64_t* e = pos->bb[them];
    uint64_t gone = uint64_t(1) << to;  // enemy pieces that no longer stand
    uint64_t occ = ((pos->bb[0][0] | pos->bb[1][0]) ^ (uint64_t(1) << from)) | gone;
    if (PieceType(fpc) == PAWN && to == pos->ep) {
        uint64_t taken = uint64_t(1) << (to - pawn_dir[side]);
        gone |= taken;
        occ ^= taken;
    }
    if (((BB_PawnRays[side][k] & e[PAWN]) | (BB_KnightRays[k] & e[KNIGHT]) | (BB_KingRays[k] & e[KING])) &
        ~gone)
        return 0;
    if (SliderSees((e[QUEEN] | e[BISHOP]) & BB_BishopRays[k] & ~gone, k, occ)) return 0;
    return !SliderSees((e[QUEEN] | e[ROOK]) & BB_RookRays[k] & ~gone, k, occ);
}

// Own pieces that stand alone between the king of `side` (on k) and an enemy
// slider.
inline uint64_t PinnedPieces(const Position* pos, int side, int k) {
    const uint64_t* e = pos->bb[side ^ 1];
    const uint64_t occ = pos->bb[0][0] | pos->bb[1][0];
    uint64_t pinned = 0;
    uint64_t snipers = ((e[BISHOP] | e[QUEEN]) & BB_BishopRays[k]) | ((e[ROOK] | e[QUEEN]) & BB_RookRays[k]);
    for (; snipers; snipers &= snipers - 1) {
        const uint64_t b = BB_Between[LSB(snipers)][k] & occ;
        if (b && !(b & (b - 1))) pinned |= b & pos->bb[side][0];
    }
    return pinned;
}

// What MoveIsLegalGiven needs of a position, found once for all moves of
// `side`: the origins whose moves MoveIsLegal has to judge (the king's, those
// of pinned pieces), and the destinations that leave the king safe for any
// other piece (all squares out of check; in check the checker and the squares
// between it and the king; none in double check).
struct LegalInfo {
    uint64_t risky, evasions;
};

inline LegalInfo FindLegalInfo(const Position* pos, int side, int in_check) {
    const int k = KingSq(*pos, side);
    LegalInfo info{PinnedPieces(pos, side, k) | uint64_t(1) << k, ~uint64_t(0)};
    if (in_check) {
        const uint64_t* e = pos->bb[side ^ 1];
        const uint64_t occ = pos->bb[0][0] | pos->bb[1][0];
        const uint64_t checkers = (BB_PawnRays[side][k] & e[PAWN]) | (BB_KnightRays[k] & e[KNIGHT]) |
                                  (GenAttacksB(k, occ) & (e[BISHOP] | e[QUEEN])) |
                                  (GenAttacksR(k, occ) & (e[ROOK] | e[QUEEN]));
        info.evasions = checkers & (checkers - 1) ? 0 : checkers | BB_Between[LSB(checkers)][k];
    }
    return info;
}

// MoveIsLegal for a pseudo-legal move, given the side's LegalInfo. A move of
// another piece, not onto the en-passant square, exposes no line to the king
// and removes a check only by taking the checker or stepping between.
inline int MoveIsLegalGiven(Position* pos, int side, const LegalInfo& info, uint16_t move) {
    const int from = MoveFrom(move), to = MoveTo(move);
    if (((info.risky >> from) & 1) || to == pos->ep || !move) return MoveIsLegal(pos, side, move);
    return (info.evasions >> to) & 1;
}

// 0 no check, 1 direct check by the moved (or promoted) piece, 2 discovered.
int MoveGivesCheck(const Position* pos, int side, const MoveEntry* entry);

// What MoveGivesCheck needs of a position, found once for all moves of
// `side` in it: the enemy king, the squares from which each piece type would
// check it (sliders along a clear line), and the own pieces that stand alone
// between it and an own slider.
struct CheckInfo {
    uint64_t checks[8];  // by the type standing on the destination: squares that give check
    uint64_t uncovering;
    int k;
};
void FindCheckInfo(const Position* pos, int side, CheckInfo* info);
// MoveGivesCheck for a pseudo-legal move, given the position's CheckInfo.
// Inline: the move loops ask it of nearly every move.
inline int MoveGivesCheckGiven(const CheckInfo& info, const MoveEntry* entry) {
    // The piece that stands on the destination: the promoted one or the mover.
    // A move word carries at most one promotion flag; were there more, bishop
    // would win over knight, queen and rook, in that order.
    static constexpr uint8_t kPromoted[16] = {0,    QUEEN,  KNIGHT, KNIGHT, BISHOP, BISHOP, BISHOP, BISHOP,
                                              ROOK, QUEEN,  KNIGHT, KNIGHT, BISHOP, BISHOP, BISHOP, BISHOP};
    const uint16_t m = entry->move;
    const int type = __builtin_expect(!(m & PROMO_MASK), 1)
                         ? PieceType(entry->piece)
                         : kPromoted[((m & (PROMO_Q | PROMO_N)) >> 6) | ((m & (PROMO_B | PROMO_R)) >> 12)];
    const int from = MoveFrom(m), to = MoveTo(m), k = info.k;
    const uint64_t to_bit = uint64_t(1) << to, from_bit = uint64_t(1) << from;
    if (info.checks[type] & to_bit) return 1;
    if (!(info.uncovering & from_bit)) return 0;
    // A piece that stays on its line still blocks it: moving along the line
    // it cannot pass the king nor the slider behind it.
    return (BB_Between[k][to] & from_bit) || (BB_Between[k][from] & to_bit) ? 0 : 2;
}
// 1 if the move of the side to move makes a tactical threat.
int MoveIsThreat(Position* pos, const MoveEntry* entry);
// Exchange value for `side` capturing on `to`, first with the piece on `from`
// (64: the cheapest attacker, and the side may decline).
int swapoff1(Position* pos, int side, int from, int to, uint64_t occupied);
// 1 when swapoff1(pos, side, from, to, occupied set) >= threshold. The side
// capturing first never ends below what it takes minus what it moves (the
// other side may at best take the mover back and stop), so a capture whose
// bare trade already reaches the threshold is not played out.
inline int ExchangeAtLeast(Position* pos, int side, int from, int to, int threshold) {
    if (piece_value[PieceType(pos->board[to])] - piece_value[PieceType(pos->board[from])] >= threshold)
        return 1;
    return swapoff1(pos, side, from, to, Occupied(*pos)) >= threshold;
}
