// Castling in Chess960: the mode switch, castling rights read from and
// written as file letters, the moves and their legality, the start positions.
#pragma once
#include <atomic>
#include <cstdint>

#include "board/position.h"

// The user's choice of Chess960 rules (UCI_Chess960, the console's games):
// the command handlers read it and hand it to the set-ups they make; nothing
// on the board reads it.
void SetChess960(bool on);
bool Chess960();

// Set-up of a position's castling: rights cleared, rook squares at their
// standard homes and castling by the rules asked for (pos->frc = chess960);
// one letter of a castling field in Chess960 terms (K, Q, k, q for the
// outermost rook of a side, a file letter for that file's rook); the
// rights-loss table built once the rights are known.
void ResetCastling(Position* pos, bool chess960);
void AddCastlingLetter(Position* pos, char letter);
void FinishCastling(Position* pos);
// The king of the right's colour stands on its back rank and the right's rook
// on its square, on the right's side of the king.
bool CastlingRightFits(const Position* pos, int right);
// The castling field in file letters ("HAha", "-" for none); returns the end.
char* WriteCastlingFiles(const Position* pos, char* o);
// Every right held has the king on the e-file and the rook in the corner,
// so keys and moves of opening books apply.
bool StandardCastling(const Position* pos);

// Destinations of king and rook for a castling of `side`, short or long.
inline int CastleKingTo(int side, bool is_short) { return (side ? 56 : 0) + (is_short ? 6 : 2); }
inline int CastleRookTo(int side, bool is_short) { return (side ? 56 : 0) + (is_short ? 5 : 3); }

// The legal castlings of `side`, as king-takes-rook moves: paths clear, and
// no square from the king's origin to its destination attacked once king and
// rook have left their squares. (MoveIsLegal then takes them as they come.)
MoveEntry* GenerateCastlings960(const Position* pos, int side, MoveEntry* out);
// A stored move that is a legal castling in this position.
int CastlingIsPseudoLegal960(const Position* pos, int side, uint16_t move);
// The move is a castling of the side to move, in either encoding.
bool IsCastlingMove(const Position* pos, uint16_t move);

// FEN of Chess960 start position n (0..959, 518 the standard start).
void Chess960StartFen(int n, char* buf);
