// Whether the game on a board is over by the rules, and why: the result and
// its reason as text, for self-play and for moves asked of the engine.
#pragma once
#include <cstdint>

#include "board/position.h"

enum class GameEndKind : uint8_t { None, Checkmate, Stalemate, FiftyMoves, Threefold, Material };

struct GameEndInfo {
    GameEndKind kind;
    const char* result;  // "1-0", "0-1", "1/2-1/2", or "*" while the game goes on
    const char* reason;  // "checkmate", "stalemate", "fifty-move rule", ... or ""
};

// Mate and stalemate come first: a mate on the hundredth ply still wins.
// Repetition counts the positions in pos's history, within the plies since
// the last capture or pawn move; insufficient material means no pawn, rook or
// queen, and at most one minor piece or only bishops on squares of one colour.
GameEndInfo GameEnd(const Position* pos);
