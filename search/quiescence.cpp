// The quiescence search: captures and queen promotions below the horizon,
// at its first level also quiet checking moves.
#include <algorithm>

#include "board/bitboard.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "search/search.h"

static MoveEntry* AddMove(const Position* pos, MoveEntry* out, int from, int to) {
    *out = MoveEntry{MakeMoveWord(from, to), 0, pos->board[from], 0};
    return out + 1;
}

static MoveEntry* AddTargets(const Position* pos, MoveEntry* out, int from, uint64_t targets) {
    for (; targets; targets &= targets - 1) out = AddMove(pos, out, from, LSB(targets));
    return out;
}

// Quiet moves onto empty squares from which the piece attacks the enemy king
// directly. Discovered checks, king moves and castling are left out.
static MoveEntry* GenerateQuietChecks(const Position* pos, int side, MoveEntry* out) {
    const int k = KingSq(*pos, side ^ 1);
    const uint64_t occ = Occupied(*pos), empty = ~occ;
    const uint8_t(*list)[PLIST_SIZE] = pos->plist[side];
    for (const uint8_t* p = list[PAWN]; *p != NO_SQ; p++) {
        const int to = *p + pawn_dir[side];
        if ((RelSq(*p, side) >> 3) == 6 || pos->board[to]) continue;
        if (BB_PawnRays[side][to] & (uint64_t(1) << k)) out = AddMove(pos, out, *p, to);
    }
    for (const uint8_t* p = list[KNIGHT]; *p != NO_SQ; p++)
        out = AddTargets(pos, out, *p, BB_KnightRays[*p] & BB_KnightRays[k] & empty);
    const uint64_t* bb = pos->bb[side];
    const uint64_t diag = (bb[BISHOP] | bb[QUEEN]) ? GenAttacksB(k, occ) & empty : 0;
    const uint64_t orth = (bb[ROOK] | bb[QUEEN]) ? GenAttacksR(k, occ) & empty : 0;
    if (diag)
        for (const uint8_t* p = list[BISHOP]; *p != NO_SQ; p++)
            out = AddTargets(pos, out, *p, GenAttacksB(*p, occ) & diag);
    if (orth)
        for (const uint8_t* p = list[ROOK]; *p != NO_SQ; p++)
            out = AddTargets(pos, out, *p, GenAttacksR(*p, occ) & orth);
    // A queen checks from either kind of line, whichever way it got there.
    for (const uint8_t* p = list[QUEEN]; *p != NO_SQ; p++)
        out = AddTargets(pos, out, *p, (GenAttacksB(*p, occ) | GenAttacksR(*p, occ)) & (diag | orth));
    return out;
}

static void ScoreQuiescenceCaptures(const Position* pos, MoveEntry* first) {
    const int recapture = MoveTo(pos->lastmove);
    for (MoveEntry* e = first; e->move != END_OF_LIST; e++) {
        int s;
        if (e->captured || !(e->move & PROMO_MASK))
            s = sort_value[e->captured] - PieceType(e->piece);
        else
            s = (e->move & PROMO_Q) ? 200 : 1;
        if (MoveTo(e->move) == recapture) s += 5;
        e->score = uint8_t(s);
    }
}

// Moves the best untried entry of [cur, end) to cur (the earliest on ties).
static MoveEntry* TakeBest(MoveEntry* cur, MoveEntry* end) {
    if (cur >= end) return nullptr;
    MoveEntry* best = cur;
    for (MoveEntry* e = cur + 1; e < end; e++)
        if (e->score > best->score) best = e;
    if (best != cur) std::swap(*cur, *best);
    return cur;
}

enum class QVerdict { Skip, Search };

// The filters in front of a quiescence move: the endgame exception, delta
// pruning, the recapture-only rule of deep levels and the exchange test.
// The check information of the node is found at the first move that needs it.
static QVerdict Filter(Position* pos, int side, int depth, int stand, int best, int recapture,
                       const MoveEntry* e, CheckInfo* info, bool* info_ready) {
    if (EndgameException(pos, side, e)) return QVerdict::Search;
    if (!*info_ready) {
        FindCheckInfo(pos, side, info);
        *info_ready = true;
    }
    const int gives = MoveGivesCheckGiven(*info, e);
    const int from = MoveFrom(e->move), to = MoveTo(e->move);
    int margin = piece_value[PieceType(e->captured)] + 150;
    if (PieceType(e->piece) == PAWN && RelSq(to, side) > 47) margin += 1000;
    if (stand + margin <= best && !gives) return QVerdict::Skip;
    if (depth < -7 && !gives) {
        if (to != recapture) return QVerdict::Skip;
    } else if (gives == 2) {
        return QVerdict::Search;
    }
    return ExchangeAtLeast(pos, side, from, to, -75) ? QVerdict::Search : QVerdict::Skip;
}

int Q_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, uint16_t* pv) {
    StackRec* ss = &pos->ss[ply];
    const int stand = ss->eval;
    if (stand >= beta) return stand;
    int best = std::max(stand, alpha);
    const int child_type = node_opp[node_type];
    const int recapture = MoveTo(pos->lastmove);
    ss->phase = 0;
    uint16_t cpv[MAX_PLY];

    MoveEntry* first = ss->list;
    MoveEntry* end = GeneratePawnCaptures(pos, side, first);
    end = GeneratePieceCaptures(pos, side, end);
    end = GeneratePromotions(pos, side, 0, end);
    end->move = END_OF_LIST;
    ss[1].list = end + 1;
    ss[2].list = end + 2;
    ScoreQuiescenceCaptures(pos, first);
    ss->cur = first;
    LegalInfo legal{0, 0};  // found at the first legality test (risky is never 0)
    CheckInfo check_info;
    bool check_info_ready = false;

    for (;;) {
        MoveEntry* e;
        if (ss->phase == 0) {
            e = TakeBest(ss->cur, end);
            if (!e) {
                // Captures are used up: quiet checks follow only at the first level.
                if (depth < 0) return best;
                MoveEntry* checks_end = GenerateQuietChecks(pos, side, end);
                checks_end->move = END_OF_LIST;
                ss[1].list = checks_end + 1;
                ss[2].list = checks_end + 2;
                ss->cur = end;
                ss->phase = 3;
                continue;
            }
        } else {
            e = ss->cur;
            if (e->move == END_OF_LIST) return best;
        }
        ss->cur++;
        const uint16_t m = e->move;
        if (!legal.risky) legal = NodeLegalInfo(pos, side, 0);
        if (!MoveIsLegalGiven(pos, side, legal, m)) continue;
        if (Filter(pos, side, depth, stand, best, recapture, e, &check_info, &check_info_ready) == QVerdict::Skip)
            continue;
        MakeMove(pos, m);
        cpv[ply + 1] = 0;
        const int v = -Search(pos, side ^ 1, ply + 1, depth - 1, -beta, -best, child_type, cpv);
        UnmakeMove(pos);
        if (v > best) {
            if (v >= beta) return v;
            pv[ply] = m;
            CopyLine(pv, cpv, ply + 1);
            best = v;
        }
    }
}
