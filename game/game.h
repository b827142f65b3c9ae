// The main thread's game position as the UCI and console handlers use it:
// legality of a given move word, moves typed by a person, keeping the game
// history inside its array, and the board editor.
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
// ParseMove in the main thread's position: 1 and the move when text names
// exactly one legal move; "ambiguous move" is shown when it fits more.
int IsValidMove(const char* text, uint16_t* move);
// Edits the main thread's position with lines from readline (which returns
// 0 at the end of input, ending the edit like "."). Returns 0.
int EditBoard(int (*readline)(char* buf, int size));
