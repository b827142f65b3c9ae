// Moves as text and back, and the board diagram.
#pragma once
#include <cstdint>

#include "board/position.h"

// How a move is written: UCI's coordinates ("e7e8q"), the console's
// ("e7e8=Q") or standard algebraic ("e8=Q+", "O-O"); a castling in
// coordinates as the king's own step (e1g1) or, as Chess960 writes it, the
// king taking its rook (e1h1).
enum class Notation : uint8_t { Uci, Console, San };
struct MoveStyle {
    Notation notation = Notation::Uci;
    bool king_takes_rook = false;
};
// The text of a move ("null" for 0) in the given style; buf holds at least
// 8 bytes, 16 for San. pos is the position the move is played from: SAN
// needs it, and a castling is rewritten to the style's form only with it;
// without it (the later moves of a line) the move word is written as it
// stands, castling by the rules its position was set up under. Returns buf.
char* MoveToStr(uint16_t move, MoveStyle style, char* buf, Position* pos = nullptr);
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
// The board as its EPD line, eight ranks with their numbers (from black's
// side when flipped), the file letters and the side to move; '.' is an empty
// square and the last move's destination is framed in brackets.
void ShowBoard(const Position* pos, bool flipped = false);
