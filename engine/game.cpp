// Helpers on the main thread's game position shared by both protocols.
#include "engine/game.h"

#include <algorithm>
#include <cstring>

#include "board/makemove.h"
#include "board/notation.h"
#include "search/records.h"

namespace {

constexpr int REBASE_AT = 400;   // game plies kept before the history is rebased
constexpr int FIFTY_CAP = 200;   // the counter is a byte: keep it well away from wrapping
constexpr int FIFTY_PAST = 110;  // any value above 100 means the same to the rules


}  // namespace

Position* GamePos() { return &ThreadData[0]->pos; }

int IsLegalMove(Position* pos, uint16_t move) {
    if (move == 0 || move == END_OF_LIST) return 0;
    uint16_t list[256];
    const int n = LegalMoveList(pos, list);
    return std::find(list, list + n, move) != list + n ? 1 : 0;
}

void PlayGameMove(uint16_t move) {
    Position* pos = GamePos();
    // Past the fifty-move rule the exact count no longer matters, and the
    // counter never exceeds the history it would make the search look back on.
    if (pos->fifty > FIFTY_CAP) pos->fifty = FIFTY_PAST;
    if (pos->nhist >= REBASE_AT) {
        if (pos->fifty > FIFTY_PAST) pos->fifty = FIFTY_PAST;
        int keep = pos->fifty < pos->nhist ? pos->fifty : pos->nhist;
        int drop = pos->nhist - keep;
        std::memmove(pos->hist, pos->hist + drop, size_t(keep) * sizeof(HistRec));
        pos->nhist = uint16_t(keep);
        pos->ncut = uint16_t(pos->ncut + drop);
    }
    MakeMove(pos, move);
    pos->ply = 1;
}

void RekeyGame() {
    Position* pos = GamePos();
    static uint16_t moves[HIST_SIZE];
    int n = pos->nhist;
    for (int i = n - 1; i >= 0; i--) {
        moves[i] = pos->hist[i].move;
        UnmakeMove(pos);
    }
    pos->hash = ComputeHash(pos);
    pos->pawnhash = ComputePawnHash(pos);
    for (int i = 0; i < n; i++) MakeMove(pos, moves[i]);
    pos->ply = 1;
}
