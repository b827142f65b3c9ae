// The end of a game by the rules, seen from the board and its history.
#include "thread/gameend.h"

#include "board/bitboard.h"
#include "board/notation.h"

namespace {

constexpr uint64_t DARK_SQUARES = 0xAA55AA55AA55AA55ULL;

bool NoMatingMaterial(const Position* pos) {
    uint64_t minors = 0, knights = 0;
    for (int c = WHITE; c <= BLACK; c++) {
        if (pos->bb[c][PAWN] | pos->bb[c][ROOK] | pos->bb[c][QUEEN]) return false;
        knights |= pos->bb[c][KNIGHT];
        minors |= pos->bb[c][KNIGHT] | pos->bb[c][BISHOP];
    }
    if (!(minors & (minors - 1))) return true;
    return !knights && (!(minors & DARK_SQUARES) || !(minors & ~DARK_SQUARES));
}

}  // namespace

GameEndInfo GameEnd(const Position* pos) {
    Position p = *pos;  // the move generator wants a writable board; nothing is played
    uint16_t moves[256];
    if (!LegalMoveList(&p, moves)) {
        if (SqAtakd(pos, KingSq(*pos, pos->side), pos->side ^ 1))
            return {GameEndKind::Checkmate, pos->side == WHITE ? "0-1" : "1-0", "checkmate"};
        return {GameEndKind::Stalemate, "1/2-1/2", "stalemate"};
    }
    if (pos->fifty >= 100) return {GameEndKind::FiftyMoves, "1/2-1/2", "fifty-move rule"};
    if (Repetitions(pos) >= 2) return {GameEndKind::Threefold, "1/2-1/2", "threefold repetition"};
    if (NoMatingMaterial(pos)) return {GameEndKind::Material, "1/2-1/2", "insufficient material"};
    return {GameEndKind::None, "*", ""};
}
