// The full move list of a search thread's ply and perft on the thread's stack.
#include "thread/movelist.h"

#include "base/messages.h"
#include "base/relaxed.h"
#include "board/bitboard.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"

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
    const uint64_t risky =
        SqAtakd(pos, k, side ^ 1) ? ~uint64_t(0) : PinnedPieces(pos, side, k) | uint64_t(1) << k;
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

static bool CountSplit(ThreadRec* td, int depth, bool (*interrupted)()) {
    Position* pos = &td->pos;
    if (depth <= 5) {
        Perft(td, pos->side, pos->ply, depth);
        return true;
    }
    GenerateAll(pos);
    bool first = true;
    for (MoveEntry* e = pos->ss[pos->ply].list; e->move != END_OF_LIST; e++) {
        if (!MoveIsLegal(pos, pos->side, e->move)) continue;
        if (!first && interrupted()) return false;
        first = false;
        MakeMove(pos, e->move);
        const bool go_on = CountSplit(td, depth - 1, interrupted);
        UnmakeMove(pos);
        if (!go_on) return false;
    }
    return true;
}

bool PerftSplit(ThreadRec* td, int depth, bool (*interrupted)(), PerftEach each) {
    if (!each || depth < 1) return CountSplit(td, depth, interrupted);
    Position* pos = &td->pos;
    GenerateAll(pos);
    for (MoveEntry* e = pos->ss[pos->ply].list; e->move != END_OF_LIST; e++) {
        if (!MoveIsLegal(pos, pos->side, e->move)) continue;
        if (depth > 5 && interrupted()) return false;  // quicker counts run to their end
        const uint64_t before = td->nodes.load(R);
        MakeMove(pos, e->move);
        bool go_on = true;
        if (depth > 1)
            go_on = CountSplit(td, depth - 1, interrupted);
        else
            td->nodes.fetch_add(1, R);
        UnmakeMove(pos);
        if (!go_on) return false;
        each(pos, e->move, td->nodes.load(R) - before);
    }
    return true;
}
