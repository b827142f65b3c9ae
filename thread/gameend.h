// Whether a game has ended on the board, and how: mate, stalemate, the
// fifty-move rule, threefold repetition or too little material to mate.
#pragma once

#include "board/position.h"

enum class GameEndKind : uint8_t { None, Checkmate, Stalemate, FiftyMoves, Repetition, Material };

struct GameEndInfo {
    GameEndKind kind;
    const char* result;  // "1-0", "0-1", "1/2-1/2", "*" while the game goes on
    const char* reason;  // "checkmate", "stalemate", ... ("" while the game goes on)
};

// The state of the game in pos, its history included. Mate and stalemate
// come first: a mate on the hundredth quiet ply is still a mate.
GameEndInfo GameEnd(const Position* pos);
// At the console: when the game in pos has ended, one line with the reason
// and the result ("checkmate, 1-0"); true then.
bool ShowGameEnd(const Position* pos);
