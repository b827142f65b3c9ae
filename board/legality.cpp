// Check, threat and static-exchange tests (the legality test is inline in
// the header).
#include "board/legality.h"

#include <algorithm>

static inline uint64_t Bit(int sq) { return uint64_t(1) << sq; }

void FindCheckInfo(const Position* pos, int side, CheckInfo* info) {
    const int k = KingSq(*pos, side ^ 1);
    const uint64_t occ = pos->bb[0][0] | pos->bb[1][0];
    const uint64_t* own = pos->bb[side];
    info->k = k;
    // A destination the attacks from the king reach has a clear line to it
    // on the board before the move. One lookup by type spares the move loop
    // a jump that is hard to predict.
    const uint64_t diag = GenAttacksB(k, occ), orth = GenAttacksR(k, occ);
    info->checks[NONE] = info->checks[KING] = info->checks[7] = 0;
    info->checks[PAWN] = BB_PawnRays[side ^ 1][k];
    info->checks[KNIGHT] = BB_KnightRays[k];
    info->checks[BISHOP] = diag;
    info->checks[ROOK] = orth;
    info->checks[QUEEN] = diag | orth;
    info->uncovering = 0;
    uint64_t snipers = ((own[BISHOP] | own[QUEEN]) & BB_BishopRays[k]) | ((own[ROOK] | own[QUEEN]) & BB_RookRays[k]);
    for (; snipers; snipers &= snipers - 1) {
        const uint64_t b = BB_Between[LSB(snipers)][k] & occ;
        if (b && !(b & (b - 1))) info->uncovering |= b & own[0];
    }
}

int MoveGivesCheck(const Position* pos, int side, const MoveEntry* entry) {
    CheckInfo info;
    FindCheckInfo(pos, side, &info);
    return MoveGivesCheckGiven(info, entry);
}

// Zone squares on the slider's new lines that another piece of `us` already
// attacks; own pieces of `transparent` do not block the line.
static int ZoneThreat(Position* pos, const MoveEntry* entry, const SqTable& rays, uint64_t transparent,
                      uint64_t zone) {
    int us = pos->side, from = MoveFrom(entry->move), to = MoveTo(entry->move);
    int type = PieceType(entry->piece);
    uint64_t blockers = (pos->bb[0][0] | pos->bb[1][0]) & ~transparent;
    for (uint64_t b = zone & rays[to] & ~rays[from] & ~Bit(from); b; b &= b - 1) {
        int s = LSB(b);
        if (BB_Between[to][s] & blockers) continue;
        pos->bb[us][0] ^= Bit(from);
        pos->bb[us][type] ^= Bit(from);
        int hit = SqAtakd(pos, s, us);
        pos->bb[us][0] ^= Bit(from);
        pos->bb[us][type] ^= Bit(from);
        if (hit) return 1;
    }
    return 0;
}

// A slider reaching, along a line it did not see from `from`, one of `targets`.
static int NewLineHit(uint64_t targets, const SqTable& rays, int from, int to, uint64_t occ) {
    for (uint64_t b = targets & rays[to] & ~rays[from]; b; b &= b - 1)
        if (!(BB_Between[to][LSB(b)] & occ)) return 1;
    return 0;
}

int MoveIsThreat(Position* pos, const MoveEntry* entry) {
    static constexpr int slider[8] = {0, 0, 0, 1, 2, 3, 0, 0};
    int us = pos->side, them = us ^ 1;
    int from = MoveFrom(entry->move), to = MoveTo(entry->move);
    int type = PieceType(entry->piece);
    const uint64_t* en = pos->bb[them];
    const uint64_t* own = pos->bb[us];
    uint64_t zone = BB_KingRays[KingSq(*pos, them)];
    uint64_t occ = pos->bb[0][0] | pos->bb[1][0];

    if (type == PAWN && (BB_PawnRays[us][to] & (en[KNIGHT] | en[BISHOP] | en[ROOK] | en[QUEEN] | zone))) return 1;
    if (type == KNIGHT && (BB_KnightRays[to] & (en[ROOK] | en[QUEEN] | zone))) return 1;
    if (type == BISHOP && NewLineHit(en[ROOK] | en[QUEEN], BB_BishopRays, from, to, occ)) return 1;
    if (type == ROOK && NewLineHit(en[QUEEN], BB_RookRays, from, to, occ)) return 1;

    if ((slider[type] & 2) && ZoneThreat(pos, entry, BB_RookRays, own[ROOK] | own[QUEEN], zone)) return 1;
    if ((slider[type] & 1) && ZoneThreat(pos, entry, BB_BishopRays, own[BISHOP] | own[QUEEN], zone)) return 1;
    return 0;
}

// Cheapest attacker of `side` on `to` among its pieces not in `gone`: pawns,
// knights, then bishops, rooks, queens with a clear line, then the king; 64
// if none.
static int CheapestAttacker(const Position* pos, int side, int to, uint64_t occupied, uint64_t gone) {
    const uint64_t* p = pos->bb[side];
    if (uint64_t b = BB_PawnRays[side ^ 1][to] & p[PAWN] & ~gone) return LSB(b);
    if (uint64_t b = BB_KnightRays[to] & p[KNIGHT] & ~gone) return LSB(b);
    const uint64_t diag = BB_BishopRays[to] & ~gone, orth = BB_RookRays[to] & ~gone;
    for (uint64_t b = p[BISHOP] & diag; b; b &= b - 1)
        if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
    for (uint64_t b = p[ROOK] & orth; b; b &= b - 1)
        if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
    for (uint64_t b = p[QUEEN] & (diag | orth); b; b &= b - 1)
        if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
    if (uint64_t b = BB_KingRays[to] & p[KING] & ~gone) return LSB(b);
    return NO_SQ;
}

// The exchange is played out forwards, collecting what each capture takes,
// then valued backwards: every side after the first capture may stop instead
// of recapturing, and taking a king ends it. The board is only read.
int swapoff1(Position* pos, int side, int from, int to, uint64_t occupied) {
    int gain[64];  // each capture uses up a square of the board
    const bool first_forced = from != NO_SQ;
    if (!first_forced && (from = CheapestAttacker(pos, side, to, occupied, 0)) == NO_SQ) return 0;
    int on_to = PieceType(pos->board[to]);
    uint64_t gone = 0;  // attackers already moved onto `to`
    int n = 0, value;
    for (;;) {
        if (on_to == KING) {
            value = 9999;
            break;
        }
        gain[n++] = piece_value[on_to];
        on_to = PieceType(pos->board[from]);
        gone |= Bit(from);
        occupied &= ~Bit(from);
        side ^= 1;
        from = CheapestAttacker(pos, side, to, occupied, gone);
        if (from == NO_SQ) {
            value = 0;
            break;
        }
    }
    for (; n > 1; n--) value = std::max(gain[n - 1] - value, 0);
    // The first capture may be declined only when the caller did not name it.
    if (n == 1) value = std::max(gain[0] - value, first_forced ? -9999 : 0);
    return value;
}
