// Game-end detection on a game position and its history.
#include "thread/gameend.h"

#include <algorithm>

#include "base/messages.h"
#include "board/bitboard.h"
#include "board/notation.h"

namespace {

constexpr uint64_t LIGHT_SQUARES = 0x55AA55AA55AA55AAull;

// No pawn, rook or queen, and either at most one minor piece or only bishops
// that all stand on squares of one colour: no series of legal moves mates.
bool MaterialDead(const Position* pos) {
    const uint64_t* w = pos->bb[WHITE];
    const uint64_t* b = pos->bb[BLACK];
    if (w[PAWN] | b[PAWN] | w[ROOK] | b[ROOK] | w[QUEEN] | b[QUEEN]) return false;
    const uint64_t knights = w[KNIGHT] | b[KNIGHT], bishops = w[BISHOP] | b[BISHOP];
    const int minors = __builtin_popcountll(knights | bishops);
    if (minors <= 1) return true;
    return !knights && (!(bishops & LIGHT_SQUARES) || !(bishops & ~LIGHT_SQUARES));
}

// The current position stood on the board twice before, within the plies
// since the last capture or pawn move.
bool ThirdRepetition(const Position* pos) {
    int count = 0;
    const int limit = std::min<int>(pos->fifty, pos->nhist);
    for (int i = 2; i <= limit; i += 2)
        if (pos->hist[pos->nhist - i].hash == pos->hash) count++;
    return count >= 2;
}

}  // namespace

GameEndInfo GameEnd(const Position* pos) {
    // The move list needs a position it may look at as its own; a copy leaves
    // the caller's alone.
    Position copy = *pos;
    uint16_t list[256];
    if (LegalMoveList(&copy, list) == 0) {
        if (SqAtakd(&copy, KingSq(copy, copy.side), copy.side ^ 1))
            return {GameEndKind::Checkmate, copy.side == WHITE ? "0-1" : "1-0", "checkmate"};
        return {GameEndKind::Stalemate, "1/2-1/2", "stalemate"};
    }
    if (MaterialDead(pos)) return {GameEndKind::Material, "1/2-1/2", "insufficient material"};
    if (pos->fifty >= 100) return {GameEndKind::FiftyMoves, "1/2-1/2", "fifty-move rule"};
    if (ThirdRepetition(pos)) return {GameEndKind::Repetition, "1/2-1/2", "threefold repetition"};
    return {GameEndKind::None, "*", ""};
}

bool ShowGameEnd(const Position* pos) {
    const GameEndInfo end = GameEnd(pos);
    if (end.kind == GameEndKind::None) return false;
    ShowMessagef("%s, %s", end.reason, end.result);
    return true;
}
