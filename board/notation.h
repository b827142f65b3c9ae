// Moves as text and back, and the board diagram.
#pragma once
#include <cstdint>

#include "board/position.h"

// Coordinate text of a move ("e2e4", "e7e8q" under UCI, "e7e8=Q" at the
// console, "null" for 0); buf holds at least 8 bytes. Returns buf.
char* MoveToStr(uint16_t move, char* buf);
// All legal moves of the side to move, in generation order (at most 256).
int LegalMoveList(Position* pos, uint16_t* out);
// Standard algebraic text of a legal move: qualifiers only as other legal
// moves need them, O-O, =Q, and + or # (out holds at least 16 bytes).
// Returns out.
char* MoveToSan(Position* pos, uint16_t move, char* out);
// Reads a move of pos's side to move written in coordinates (e2e4, e7e8q) or
// algebraic notation (e4, exd5, Nbd2, N1d2, Ng1f3, e8=Q, e8Q, O-O, 0-0, o-o,
// with or without +, #, !, ?). Returns how many legal moves the text fits;
// *move is that move when exactly one does, else 0.
int ParseMove(Position* pos, const char* text, uint16_t* move);
void ShowBoard(const Position* pos);
