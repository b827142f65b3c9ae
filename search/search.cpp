// The interior search: the node entry Search (mate-distance bounds, draws,
// evaluation, transposition table, node pruning, internal iterative
// deepening) and its move loop FW_Search with the phased move picker.
#include "search/search.h"

#include <algorithm>

#include "base/relaxed.h"
#include "board/bitboard.h"
#include "board/chess960.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "search/limits.h"
#include "search/pick.h"
#include "search/selectivity.h"
#include "search/tablebase.h"
#include "search/timecontrol.h"
#include "search/transposition.h"

// Search refuses to go deeper than this ply; the stacks have room for two more.
static constexpr int MAX_SEARCH_PLY = 65;
// Non-pawn material units a capture removes, by captured type.
static constexpr int capture_units[8] = {0, 0, 3, 3, 5, 10, 90, 0};

static int DrawScore(int side) { return PBlock.draw_score[side].load(R); }
static int Depth7(int depth) { return std::clamp(depth, 0, 7); }

int EndgameException(const Position* pos, int side, const MoveEntry* e) {
    int c = PieceType(e->captured);
    if (!c) return 0;
    const int opp = side ^ 1;
    int pawns = int(pos->msig[opp] & 15);
    if (pawns > 1) return 0;
    if (c == PAWN) pawns--;
    int m = pos->npmat[opp] - capture_units[c] - pos->npmat[side];
    return pawns == 0 && m >= 0 && m <= 3;
}

// Extension of a move whose MoveGivesCheck value is `gives`.
static int ExtensionFor(Position* pos, int side, const MoveEntry* e, int gives) {
    if (gives == 2) return 1;
    const int from = MoveFrom(e->move), to = MoveTo(e->move);
    int p7 = PieceType(e->piece) == PAWN && (RelSq(to, side) >> 3) == 6;
    if ((gives || p7) && ExchangeAtLeast(pos, side, from, to, -89)) return 1;
    int c = PieceType(e->captured);
    return c >= KNIGHT && c <= QUEEN && pos->npmat[side ^ 1] == npv[c];
}

int Extension(Position* pos, int side, const MoveEntry* e) {
    return ExtensionFor(pos, side, e, MoveGivesCheck(pos, side, e));
}

// Repetition (4, 6, 8 ... plies back, within the fifty-move window) and the
// fifty-move rule. Near the root a single repetition is not yet a draw, so
// that the root can still see the move that avoids it.
static int IsDraw(const Position* pos, int ply) {
    if (pos->fifty > 100 && ply > 2) return 1;
    const int count = Repetitions(pos);
    return count >= 2 || (count == 1 && ply > 3);
}

// A move from the table passed the key check, but a rare key collision could
// still offer a move this position cannot make; playing such a move would
// corrupt the board, so its geometry is checked in full.
static int HashMoveIsPseudoLegal(const Position* pos, int side, uint16_t m) {
    const int from = MoveFrom(m), to = MoveTo(m), promo = m & PROMO_MASK;
    const int fpc = pos->board[from], tpc = pos->board[to];
    if (!fpc || PieceColor(fpc) != side || from == to) return 0;
    if (tpc && (PieceColor(tpc) == side || PieceType(tpc) == KING))
        return CastlingIsPseudoLegal960(pos, side, m);  // a Chess960 castling or nothing
    if (__builtin_popcount(promo) > 1) return 0;
    const uint64_t occ = Occupied(*pos), to_bit = uint64_t(1) << to;
    const int type = PieceType(fpc);
    if (type == PAWN) {
        const int dir = pawn_dir[side];
        if ((RelSq(to, side) >> 3 == 7) != (promo != 0)) return 0;
        if (to == from + dir) return !tpc;
        if (to == from + 2 * dir) return RelSq(from, side) >> 3 == 1 && !tpc && !pos->board[from + dir];
        if (!(BB_PawnRays[side][from] & to_bit)) return 0;
        if (tpc) return 1;
        return to == pos->ep && pos->board[to - dir] == PieceCode(side ^ 1, PAWN);
    }
    if (promo) return 0;
    switch (type) {
        case KNIGHT:
            return (BB_KnightRays[from] & to_bit) != 0;
        case BISHOP:
            return (BB_BishopRays[from] & to_bit) && !(BB_Between[from][to] & occ);
        case ROOK:
            return (BB_RookRays[from] & to_bit) && !(BB_Between[from][to] & occ);
        case QUEEN:
            return ((BB_BishopRays[from] | BB_RookRays[from]) & to_bit) && !(BB_Between[from][to] & occ);
        default:
            break;
    }
    if (BB_KingRays[from] & to_bit) return 1;
    if (from != init_king_sq[side] || tpc || pos->frc) return 0;
    const int rook = PieceCode(side, ROOK);
    if (to == from + 2)
        return (pos->castle & (1 << (2 * side))) && !pos->board[from + 1] && pos->board[from + 3] == rook;
    if (to == from - 2)
        return (pos->castle & (2 << (2 * side))) && !pos->board[from - 1] && !pos->board[from - 3] &&
               pos->board[from - 4] == rook;
    return 0;
}

// ---- Move picker ----------------------------------------------------------

enum : int { PICK_HASH = 0, PICK_CAPTURES_GEN = 1, PICK_CAPTURES = 2, PICK_QUIETS = 4, PICK_REST = 5 };

static void SetChildLists(StackRec* ss, MoveEntry* terminator) {
    ss[1].list = terminator + 1;
    ss[2].list = terminator + 2;
}

// The list of a ply ends one entry before the list of the next ply starts:
// every generation step sets the child's list right behind its terminator.
static MoveEntry* ListEnd(const StackRec* ss) { return ss[1].list - 1; }

// The score byte beside the entry (see ThreadRec::move_scores).
static uint8_t& ScoreOf(ThreadRec* td, const MoveEntry* e) { return td->move_scores[e - td->moves]; }

static void SetScore(ThreadRec* td, MoveEntry* e, int s) {
    e->score = uint8_t(s);
    ScoreOf(td, e) = uint8_t(s);
}

// Highest score among the untried entries, the earliest on ties; null when
// none is left. The caller swaps each pick into ss->cur, which moves only an
// entry of a lower score (a capture it demotes stays at ss->cur), so the
// entries holding the highest score keep their places: found once, they are
// handed out in list order, and the list is scanned again only when they are
// used up.
static void FindHighest(ThreadRec* td, StackRec* ss, MoveEntry* cur, MoveEntry* end) {
    const uint8_t* s = &ScoreOf(td, cur);
    const int n = int(end - cur), best = HighestScore(s, n);
    int first = 0;
    while (!(ss->pick_bits = ScoresEqual(s + first, n - first, best))) first += 64;
    ss->pick_base = cur + first;
}

static MoveEntry* SelectBest(ThreadRec* td, StackRec* ss) {
    MoveEntry* const cur = ss->cur;
    MoveEntry* const end = ListEnd(ss);
    if (cur >= end) return nullptr;
    if (!ss->pick_bits) FindHighest(td, ss, cur, end);
    MoveEntry* e = ss->pick_base + __builtin_ctzll(ss->pick_bits);
    ss->pick_bits &= ss->pick_bits - 1;
    return e;
}

static void SwapInto(ThreadRec* td, MoveEntry* slot, MoveEntry* e) {
    if (e == slot) return;
    std::swap(*slot, *e);
    std::swap(ScoreOf(td, slot), ScoreOf(td, e));
}

// The scorers write each score twice: into the entry and, through sc, into
// the byte array beside the list.
static void ScoreCaptures(const Position* pos, ThreadRec* td, MoveEntry* first, uint16_t hash_move) {
    const int recapture = MoveTo(pos->lastmove);
    uint8_t* sc = &ScoreOf(td, first);
    for (MoveEntry* e = first; e->move != END_OF_LIST; e++, sc++) {
        int s;
        if (e->move == hash_move) {
            e->move = 0;
            s = 0;
        } else {
            if (e->captured || !(e->move & PROMO_MASK))
                s = sort_value[e->captured] - PieceType(e->piece);
            else
                s = (e->move & PROMO_Q) ? 200 : 60;
            if (MoveTo(e->move) == recapture) s += 5;
        }
        e->score = *sc = uint8_t(s);
    }
}

static void ScoreQuiets(const Position* pos, ThreadRec* td, int ply, int in_check, MoveEntry* first) {
    const StackRec* ss = &pos->ss[ply];
    const uint16_t hash_move = ss->hash_move;
    uint16_t counter = 0;
    if (pos->lastmove) {
        int sq = MoveTo(pos->lastmove);
        counter = td->counter[sq][pos->board[sq]];
    }
    uint16_t killer3 = 0;
    if (!in_check && pos->ply > 3) {
        killer3 = pos->ss[ply - 2].killer[0];
        if (killer3 == ss->killer[0] || killer3 == ss->killer[1] || killer3 == counter)
            killer3 = pos->ss[ply - 2].killer[1];
    }
    // Held apart: the score stores could otherwise alias them.
    const uint16_t killer0 = ss->killer[0], killer1 = ss->killer[1], check_killer = ss->check_killer;
    uint8_t* sc = &ScoreOf(td, first);
    for (MoveEntry* e = first; e->move != END_OF_LIST; e++, sc++) {
        const uint16_t m = e->move;
        int s;
        if (m == hash_move) {
            e->move = 0;
            s = 0;
        } else if (in_check) {
            s = m == check_killer ? 75 : m == counter ? 70 : 1;
        } else {
            const int h = td->history[MoveTo(m)][e->piece] / 64;
            s = h + 1;
            if (m == killer0)
                s = h / 2 + 91;
            else if (m == killer1)
                s = h / 2 + 76;
            else if (m == counter)
                s = h / 2 + 61;
            else if (m == killer3)
                s = h / 2 + 46;
        }
        e->score = *sc = uint8_t(s);
    }
}

// Legality of a picked move; the node's LegalInfo is found once, out of
// line so that the picker stays small.
[[gnu::noinline]] LegalInfo NodeLegalInfo(const Position* pos, int side, int in_check) {
    return FindLegalInfo(pos, side, in_check);
}

static int PickIsLegal(Position* pos, int side, StackRec* ss, int in_check, uint16_t m) {
    if (!ss->legal.risky) ss->legal = NodeLegalInfo(pos, side, in_check);
    return MoveIsLegalGiven(pos, side, ss->legal, m);
}

static MoveEntry* PickHashMove(Position* pos, int side, int in_check, StackRec* ss) {
    ss->cur = ss->list;
    ss->pick_bits = 0;
    ss->legal.risky = 0;
    ss->check_info_ready = 0;
    const uint16_t m = ss->hash_move;
    if (!m) return nullptr;
    if (!HashMoveIsPseudoLegal(pos, side, m)) {
        ss->hash_move = 0;
        return nullptr;
    }
    MoveEntry* e = ss->list;
    const uint8_t on_to = pos->board[MoveTo(m)];  // a Chess960 castling "takes" its own rook
    *e = MoveEntry{m, 255, pos->board[MoveFrom(m)], PieceColor(on_to) == side ? uint8_t(0) : on_to};
    e[1].move = END_OF_LIST;
    SetChildLists(ss, e + 1);
    ss->cur = e + 1;
    return PickIsLegal(pos, side, ss, in_check, m) ? e : nullptr;
}

static void GenerateCaptures(Position* pos, int side, StackRec* ss) {
    MoveEntry* first = ss->cur;
    MoveEntry* end = GeneratePawnCaptures(pos, side, first);
    end = GeneratePieceCaptures(pos, side, end);
    end = GeneratePromotions(pos, side, 1, end);
    end->move = END_OF_LIST;
    SetChildLists(ss, end);
    ScoreCaptures(pos, ThreadData[pos->thread], first, ss->hash_move);
}

static void GenerateQuiets(Position* pos, int side, int ply, int in_check, StackRec* ss) {
    MoveEntry* first = ListEnd(ss);
    MoveEntry* end = GenerateNonCaptures(pos, side, first);
    end->move = END_OF_LIST;
    SetChildLists(ss, end);
    ss->pick_bits = 0;
    ScoreQuiets(pos, ThreadData[pos->thread], ply, in_check, first);
}

// Good captures first: a victim worth at least the attacker goes at once,
// others only when the exchange does not lose; losing ones wait among the
// quiet moves with a low score.
static MoveEntry* PickCapture(Position* pos, ThreadRec* td, int side, int in_check, StackRec* ss) {
    while (MoveEntry* e = SelectBest(td, ss)) {
        if (e->score <= 179) break;
        SwapInto(td, ss->cur, e);
        e = ss->cur;
        const int from = MoveFrom(e->move), to = MoveTo(e->move);
        if (sort_value[PieceType(e->captured)] < sort_value[PieceType(e->piece)] &&
            swapoff1(pos, side, from, to, Occupied(*pos)) < -49) {
            SetScore(td, e, 8 + PieceType(e->captured));
            continue;
        }
        ss->cur++;
        if (PickIsLegal(pos, side, ss, in_check, e->move)) return e;
    }
    return nullptr;
}

static MoveEntry* NextMove(Position* pos, int side, int ply, int in_check) {
    StackRec* ss = &pos->ss[ply];
    ThreadRec* td = ThreadData[pos->thread];
    switch (ss->phase) {
        case PICK_HASH:
            ss->phase = PICK_CAPTURES_GEN;
            if (MoveEntry* e = PickHashMove(pos, side, in_check, ss)) return e;
            [[fallthrough]];
        case PICK_CAPTURES_GEN:
            GenerateCaptures(pos, side, ss);
            ss->phase = PICK_CAPTURES;
            [[fallthrough]];
        case PICK_CAPTURES:
            if (MoveEntry* e = PickCapture(pos, td, side, in_check, ss)) return e;
            GenerateQuiets(pos, side, ply, in_check, ss);
            ss->phase = PICK_QUIETS;
            [[fallthrough]];
        case PICK_QUIETS:
            while (MoveEntry* e = SelectBest(td, ss)) {
                if (e->score <= 3) break;
                SwapInto(td, ss->cur, e);
                e = ss->cur++;
                if (PickIsLegal(pos, side, ss, in_check, e->move)) return e;
            }
            ss->phase = PICK_REST;
            [[fallthrough]];
        default:
            while (ss->cur < ListEnd(ss)) {
                MoveEntry* e = ss->cur++;
                if (e->move && PickIsLegal(pos, side, ss, in_check, e->move)) return e;
            }
            return nullptr;
    }
}

// The move the picker hands out next: the next of the entries that share the
// highest score (scanning for them now if none are left), or the next in list
// order once the scores are spent. Null before the captures are generated.
static const MoveEntry* PeekNextMove(ThreadRec* td, StackRec* ss) {
    MoveEntry* const end = ListEnd(ss);
    if (ss->cur >= end) return nullptr;
    if (ss->phase == PICK_REST) return ss->cur;
    if (ss->phase != PICK_CAPTURES && ss->phase != PICK_QUIETS) return nullptr;
    // The scan the picker would make for its next move: nothing changes the
    // untried scores before then.
    if (!ss->pick_bits) FindHighest(td, ss, ss->cur, end);
    return ss->pick_base + __builtin_ctzll(ss->pick_bits);
}

// ---- Move loop ------------------------------------------------------------

// Late quiet moves that are still worth a look: en passant, castling, and
// threats (or far-advanced pawn pushes) that do not lose material.
static int KeepLateMove(Position* pos, int side, const MoveEntry* e) {
    if (IsEnPassant(pos, e)) return 1;
    const int from = MoveFrom(e->move), to = MoveTo(e->move), type = PieceType(e->piece);
    if (type == KING && (to == from + 2 || to == from - 2 || pos->board[to])) return 1;  // any castling
    const int threshold = type == PAWN ? -75 : -150;
    if (!(type == PAWN && RelSq(to, side) > 39) && !MoveIsThreat(pos, e)) return 0;
    return swapoff1(pos, side, from, to, Occupied(*pos)) > threshold;
}

static void UpdateHistory(ThreadRec* td, int to, int piece, int good) {
    uint16_t& h = td->history[to][piece];
    if (good)
        h = uint16_t(h + (4096 - h) / 128);
    else
        h = uint16_t(h - (h + 128) / 256);
}

static void UpdateKillers(Position* pos, ThreadRec* td, StackRec* ss, int in_check, uint16_t move) {
    if (pos->lastmove) {
        int sq = MoveTo(pos->lastmove);
        td->counter[sq][pos->board[sq]] = move;
    }
    if (in_check) {
        ss->check_killer = move;
    } else if (ss->killer[0] != move) {
        ss->killer[1] = ss->killer[0];
        ss->killer[0] = move;
    }
}

int FW_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int in_check, int node_type,
              uint16_t* pv) {
    ThreadRec* td = ThreadData[pos->thread];
    StackRec* ss = &pos->ss[ply];
    const int alpha0 = alpha, opp = side ^ 1, eval = ss->eval;
    const int fm = Selectivity.FP_margin[Depth7(depth)], lm = Selectivity.LMP_moves[Depth7(depth)];
    int best = -MATE, searched = 0, q = 0;
    uint16_t best_move = 0;
    uint16_t cpv[MAX_PLY];
    ss->phase = PICK_HASH;
    ss->searched = 0;

    while (MoveEntry* e = NextMove(pos, side, ply, in_check)) {
        const uint16_t m = e->move;
        const int piece = e->piece, captured = e->captured;
        // F1-F5: extension, pruning and reduction of this move.
        int ext = 0;
        if (!in_check) {
            if (!ss->check_info_ready) {
                FindCheckInfo(pos, side, &ss->check_info);
                ss->check_info_ready = 1;
            }
            ext = ExtensionFor(pos, side, e, MoveGivesCheckGiven(ss->check_info, e));
        }
        const int prunable = best >= -8999 && e->score <= 49 && !ext && !in_check;
        int r = 0;
        if (prunable) {
            q++;
            if (node_type != NODE_PV && depth <= Selectivity.FP_depth &&
                piece_value[PieceType(captured)] + fm + eval <= alpha && !EndgameException(pos, side, e))
                continue;
            if (node_type != NODE_PV && depth <= Selectivity.LMP_depth && !ss->iid && q >= lm && !captured &&
                !KeepLateMove(pos, side, e))
                continue;
            if (depth >= Selectivity.LMR_depth) {
                const auto& table =
                    node_type == NODE_PV ? Selectivity.LMR_reduction_pv : Selectivity.LMR_reduction;
                r = table[std::min(depth, MAX_PLY - 1)][std::min(q, 31)] + 2 * ss->crowded;
            }
        }
        // F6-F8: null-window search of late moves, re-searched when they beat alpha.
        // The move after this one, where the picker already knows it, has its
        // table entries fetched while this one's subtree is searched.
        if (depth >= 2)
            if (const MoveEntry* next = PeekNextMove(td, ss); next && next->move) {
                const uint64_t key = KeyAfter(pos, next->move);
                PrefetchTTKey(key, opp);
                __builtin_prefetch(&td->caches.ecache[key & (EVAL_CACHE_SIZE - 1)]);
            }
        MakeMove(pos, m);
        PrefetchTT(pos);
        const int nd = depth + ext;
        cpv[ply + 1] = 0;
        int v;
        if (searched > 0 && nd >= 2) {
            v = -Search(pos, opp, ply + 1, nd - r - 1, -alpha - 1, -alpha, NODE_CUT, cpv);
            if (v > alpha)
                v = -Search(pos, opp, ply + 1, nd - 1, -beta, -alpha,
                            node_type == NODE_PV ? NODE_PV : NODE_PLAIN, cpv);
        } else {
            v = -Search(pos, opp, ply + 1, nd - 1, -beta, -alpha, node_opp[node_type], cpv);
        }
        UnmakeMove(pos);
        if (Stopped()) return 0;
        // F9-F10: history, best move and the line.
        ss->searched = uint16_t(++searched);
        if (!captured && !in_check) UpdateHistory(td, MoveTo(m), piece, v > alpha);
        if (v > best) {
            q /= 2;
            best_move = m;
            pv[ply] = m;
            pv[ply + 1] = 0;
            best = v;
            if (v > alpha) {
                if (v >= beta) break;
                CopyLine(pv, cpv, ply + 1);
                alpha = v;
            }
        }
    }

    if (!best_move)
        best = in_check ? ply - MATE : DrawScore(side);
    else if (best >= beta && !pos->board[MoveTo(best_move)])
        UpdateKillers(pos, td, ss, in_check, best_move);
    StoreTT(pos, ply, depth, alpha0, beta, best, best_move);
    return best;
}

// ---- Node entry -----------------------------------------------------------

struct ProbeResult {
    int cutoff;  // 1 when score is the node's result
    int score;
    int te;  // depth of the entry, below -49 on a miss
    int null_ok, razor_ok;
};

static ProbeResult UseTable(Position* pos, ThreadRec* td, int ply, int depth, int alpha, int beta,
                            int node_type) {
    ProbeResult r{0, 0, TT_MISS, 1, 1};
    Bump(td->tt_probes);
    TTEntry e;
    e.depth = TT_MISS;
    ProbeTTable(pos, &e);
    r.te = e.depth;
    if (e.depth < -49) return r;
    Bump(td->tt_hits);
    pos->ss[ply].hash_move = e.move;
    const int s = ScoreFromTT(e.score, ply);
    const int deep = node_type != NODE_PV && e.depth >= depth;
    if (s > alpha && s >= beta && e.bound != BOUND_UPPER) {
        if (deep || s > MATE_SCORE) return {1, beta, r.te, 1, 1};
        r.razor_ok = 0;
    } else if (s <= alpha && e.bound != BOUND_LOWER) {
        if (deep || s < -MATE_SCORE) return {1, alpha, r.te, 1, 1};
        r.null_ok = 0;
    }
    return r;
}

// Null move: give the opponent a free move; if it still cannot reach beta the
// node is almost certainly a cut node. 1 = cut off, 0 = go on (depth may drop).
static int NullMoveCuts(Position* pos, int side, int ply, int* depth, int alpha, int beta) {
    const int d = *depth;
    const int reduction = d <= 4 ? 2 : d <= 8 ? 3 : 4;
    const int nd = std::max(d - reduction - 1, 0);
    uint16_t cpv[MAX_PLY];
    cpv[ply + 1] = 0;
    MakeNullMove(pos);
    PrefetchTT(pos);
    int v = -Search(pos, side ^ 1, ply + 1, nd, -beta, -alpha, NODE_PLAIN, cpv);
    UnmakeNullMove(pos);
    if (v < beta) return 0;
    if (d <= 4) return 1;
    *depth = d - 4;
    return 0;
}

// Node pruning before the move loop. Returns 1 with *result set when the node
// is decided; may lower *depth after a failed-high null move at depth > 4.
static int PruneNode(Position* pos, int side, int ply, int* depth, int alpha, int beta, int node_type,
                     int in_check, const ProbeResult& tt, uint16_t* pv, int* result) {
    const StackRec* ss = &pos->ss[ply];
    const int opp = side ^ 1, eval = ss->eval, d = *depth;
    const auto& P = Selectivity;
    if (in_check) return 0;
    if (node_type == NODE_ALL) {
        // Razoring: far below alpha at low depth, ask the quiescence search.
        const int margin = P.RP_margin[Depth7(d)];
        if (d <= P.RP_depth && tt.razor_ok && eval < alpha - margin && pos->npmat[opp] > 0 && alpha <= 8999) {
            const int t = alpha - margin / 2;
            if (Q_Search(pos, side, ply, 0, t, beta, NODE_ALL, pv) <= t) {
                *result = alpha;
                return 1;
            }
        }
        return 0;
    }
    if (node_type != NODE_CUT) return 0;
    const int passer_ok = RelSq(ss->passer_sq[opp], opp) <= 31;
    const int has_pieces = pos->npmat[side] > 0;
    if (pos->ss[ply - 1].node_type != NODE_PV && d <= P.CNP_depth && !ss->king_attacked[side] &&
        eval >= beta + std::max(ss->hung_value[side] / 2, int(P.CNP_margin[Depth7(d)])) && passer_ok &&
        beta >= -8999 && tt.null_ok && has_pieces) {
        *result = beta;
        return 1;
    }
    const int iter_depth = ThreadData[pos->thread]->iter_depth.load(R);
    if (d >= P.NMP_depth && eval > beta + 11 && tt.null_ok && passer_ok && ply + d >= (3 * iter_depth) / 4 &&
        beta >= -8999 && has_pieces && NullMoveCuts(pos, side, ply, depth, alpha, beta)) {
        *result = beta;
        return 1;
    }
    return 0;
}

// Nodes of the three plies below the root that a thread is searching are
// marked in a small shared table. A second thread arriving at a marked node
// reduces its late moves two plies more, and so moves on sooner to work of its
// own. One thread never meets a mark.
static constexpr int CRUMBS = 1024;
static std::atomic<uint64_t> crumbs[CRUMBS];

[[gnu::noinline]] static int SharedMoveLoop(Position* pos, int side, int ply, int depth, int alpha, int beta,
                                            int in_check, int node_type, uint16_t* pv) {
    const uint64_t mine = (pos->hash & ~uint64_t(0xFF)) | pos->thread;
    std::atomic<uint64_t>& slot = crumbs[pos->hash & (CRUMBS - 1)];
    uint64_t seen = slot.load(R);
    const bool marked = seen == 0 && slot.compare_exchange_strong(seen, mine, R, R);
    StackRec* ss = &pos->ss[ply];
    ss->crowded = !marked && (seen ^ mine) < 0x100 && seen != mine;
    const int v = FW_Search(pos, side, ply, depth, alpha, beta, in_check, node_type, pv);
    ss->crowded = 0;
    if (marked) slot.store(0, R);
    return v;
}

int Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, uint16_t* pv) {
    ThreadRec* td = ThreadData[pos->thread];
    // The evaluation's cache entry is mostly out of the nearer caches; its
    // fetch overlaps the table probe that comes first.
    __builtin_prefetch(&td->caches.ecache[pos->hash & (EVAL_CACHE_SIZE - 1)]);
    Bump(td->nodes);
    if (node_type == NODE_PV && ply > td->seldepth.load(R)) td->seldepth.store(int16_t(ply), R);
    if (search_limits.nodes && (td->nodes.load(R) & 1023) == 0) NodeLimitCheck();
    // A line is never longer than the search that produced it, even when the
    // window closes at once.
    pv[ply] = 0;
    // 1. Mate-distance bounds.
    alpha = std::max(alpha, ply - MATE);
    beta = std::min(beta, MATE - 1 - ply);
    if (alpha >= beta) return alpha;
    // 2. The node's stack entry; the child's killers start empty.
    StackRec* ss = &pos->ss[ply];
    ss->depth = int16_t(depth);
    ss->alpha = int16_t(alpha);
    ss->beta = int16_t(beta);
    ss->node_type = uint8_t(node_type);
    ss->eval = 0;
    ss->iid = 0;
    ss->searched = 0;
    ss->hash_move = 0;
    ss[1].hash_move = ss[1].killer[0] = ss[1].killer[1] = ss[1].check_killer = 0;
    pv[ply + 1] = 0;
    const int in_check = SqAtakd(pos, KingSq(*pos, side), side ^ 1);
    // 3. Draws by repetition and the fifty-move rule.
    if (pos->fifty > 3 && IsDraw(pos, ply)) return DrawScore(side);
    // 4. Transposition table. A cut-off here does not need the static
    // evaluation, so the table is asked first; the evaluation reads and
    // writes nothing the probe uses, and the other way round.
    const bool horizon = ply > MAX_SEARCH_PLY || pos->nhist >= HIST_SIZE - 2;
    const bool quiet_leaf = depth <= 0 && !in_check;
    ProbeResult tt{0, 0, TT_MISS, 1, 1};
    if (!horizon && !quiet_leaf) {
        tt = UseTable(pos, td, ply, depth, alpha, beta, node_type);
        if (tt.cutoff) return tt.score;
    }
    // 4b. Endgame tables: after a capture or pawn move a position with few
    // pieces has its exact result. A win leaves a PV node room to find the mate.
    if (tb_cardinality.load(R) && pos->fifty == 0 && pos->lastmove && !horizon &&
        depth >= tb_settings.probe_depth.load(R)) {
        int tbv;
        if (ProbeWdl(pos, ply, DrawScore(side), &tbv)) {
            if (tbv >= beta) return beta;
            if (tbv <= alpha) return alpha;
            if (node_type != NODE_PV || tbv < TB_WIN_SCORE - MAX_PLY) return tbv;
            alpha = tbv;
            ss->alpha = int16_t(alpha);
        }
    }
    // The table's entries for the positions after the hash move and after a
    // null move that is deep enough to ask the table come in while the node
    // is evaluated.
    if (depth >= 2 && ss->hash_move) PrefetchTTKey(KeyAfter(pos, ss->hash_move), side ^ 1);
    if (node_type == NODE_CUT && depth >= 4 && !in_check) PrefetchTTKey(KeyAfterNull(pos), side ^ 1);
    // 5. Static evaluation; the horizon of the stacks and the history array.
    const int eval = Evaluate(*pos, td->caches, ss, side, ply, in_check);
    if (horizon) return in_check ? 0 : eval;
    // 6. Quiet horizon nodes go to the quiescence search.
    if (quiet_leaf) {
        if (eval >= beta) return beta;
        int v = Q_Search(pos, side, ply, depth, alpha, beta, node_type, pv);
        return v <= alpha ? alpha : std::min(v, beta);
    }
    // 7. Razoring, static margin cut, null move.
    int result;
    if (PruneNode(pos, side, ply, &depth, alpha, beta, node_type, in_check, tt, pv, &result)) return result;
    // 8. Internal iterative deepening finds a first move when the table has none deep enough.
    int iid_depth = node_type == NODE_PV ? depth - 3 : (depth == 4 && eval >= alpha - 124) ? 1 : depth - 4;
    if (iid_depth >= 1 && tt.te < iid_depth) {
        ss->iid = 1;
        int v = FW_Search(pos, side, ply, iid_depth, alpha, beta, in_check, node_type, pv);
        ss->iid = 0;
        ss->hash_move = pv[ply];
        if (v > SHORT_MATE && v >= beta) return beta;
        if (v < -SHORT_MATE && v <= alpha) return alpha;
    }
    // 9. The move loop.
    int v = ply < 5 && PBlock.nthreads.load(R) > 1
                ? SharedMoveLoop(pos, side, ply, depth, alpha, beta, in_check, node_type, pv)
                : FW_Search(pos, side, ply, depth, alpha, beta, in_check, node_type, pv);
    return v <= alpha ? alpha : std::min(v, beta);
}
