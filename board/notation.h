// Moves as text and back, the board diagram, and the console board editor.
#pragma once
#include <cstdint>

#include "board/position.h"

// Coordinate text of a move ("e2e4", "e7e8q" under UCI, "e7e8=Q" at the
// console, "null" for 0); buf holds at least 8 bytes. Returns buf.
char* MoveToStr(uint16_t move, char* buf);
// Four forms of a move of the side to move: coordinates, short algebraic,
// file-qualified and rank-qualified (each buffer at least 16 bytes).
void GenMoveStrings(Position* pos, uint16_t move, char* coord, char* san, char* byfile, char* byrank);
// 1 and the move when text names exactly one legal move of the main thread's
// position. Rewrites text in place; it may grow by one character.
int IsValidMove(char* text, uint16_t* move);
void ShowBoard(const Position* pos);
// Edits the main thread's position with lines from readline (which returns
// 0 at the end of input, ending the edit like "."). Returns 0.
int EditBoard(int (*readline)(char* buf, int size));
