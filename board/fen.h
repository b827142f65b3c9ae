// FEN text in and out: the start position, the trusting set-up for the
// engine's own texts, the checking one for text from outside, and the EPD text
// of a position.
#pragma once

#include "board/position.h"

// The start position.
extern const char fen_opn[];

// Trusts its text: internal callers pass well-formed FENs. Text from outside
// (UCI, console, EPD, PGN) goes through LoadFen instead. Under Chess960 rules
// (chess960) castling is the king taking its own rook and the castling field
// may name rooks by file (Shredder-FEN and X-FEN).
void SetPosition(Position* pos, const char* fen, bool chess960 = false);
// Checks a FEN from outside (one king a side, at most nine of a kind and no
// more than a piece list holds once every pawn has promoted to it, no pawn on
// the first or last rank, side not to move not in check), drops castling
// rights and an en-passant square the placement cannot have, and only then
// sets pos. Returns 1 on success; 0 leaves pos untouched and writes one line
// saying why into why (at least 128 bytes). Without Chess960 rules a
// castling field takes only K, Q, k and q.
int LoadFen(Position* pos, const char* fen, bool chess960, char* why);
// The castling field of a FEN from outside makes sense only in Chess960
// terms: file letters, or K/Q/k/q rights whose king or rook stands away from
// e1/e8 and the corners.
bool FenNeedsChess960(const char* fen);
// The fifth FEN field, the plies since the last capture or pawn move, which
// the fifty-move rule needs: 0 when it is missing or no number, 101 for any
// count above 100 (they all mean the same).
uint8_t FenHalfmoveClock(const char* fen);
// The move number field of a FEN text (its sixth), 1 when it has none.
int FenMoveNumber(const char* fen);
// Four-field FEN without move counters (castling in file letters when
// pos->frc); buf must hold at least 100 bytes.
void MakeEPD(const Position* pos, char* buf);
