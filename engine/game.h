// Helpers on the main thread's game position shared by the UCI and console
// handlers: legality of a given move word, waiting for the search threads,
// and keeping the game history inside its array.
#pragma once
#include <cstdint>

#include "board/position.h"

// The main thread's position.
Position* GamePos();
// 1 when move is one of the legal moves of the side to move.
int IsLegalMove(Position* pos, uint16_t move);
// Plays a move on the game position for a protocol that keeps no undo record:
// when the history fills up, it is rebased on the current position keeping
// only the plies since the last capture or pawn move (at most 102), which is
// all that repetition detection and the fifty-move rule look at.
void PlayGameMove(uint16_t move);
// After the hash keys were redrawn: recomputes the position's keys and the
// keys recorded in its history.
void RekeyGame();
