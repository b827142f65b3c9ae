// Making and unmaking moves and null moves with incremental position keys,
// the piece primitives beneath them, and the key tables.
#pragma once
#include <cstdint>

#include "board/position.h"

extern uint64_t rtable[1024];  // piece code * 64 + square
extern uint64_t rtable2[66];   // en-passant square 0..64 or castling rights 0..15
extern uint32_t seed;          // state of the key generator; persists across InitKeys
extern int keys_discarded;     // candidates the last InitKeys threw away

// Draws fresh key tables, continuing the generator from where it stopped.
void InitKeys();

void MakeMove(Position* pos, uint16_t move);
void UnmakeMove(Position* pos);
void MakeNullMove(Position* pos);
void UnmakeNullMove(Position* pos);
// Toggles the en-passant and castling parts of hash and sets its side bit.
void UpdateHash2(Position* pos);

void AddPiece(Position* pos, int colour, int type, int sq);
void RemovePiece(Position* pos, int sq);
void MovePiece(Position* pos, int colour, int from, int to);

// Keys from scratch, for set-up and for checking the incremental ones.
uint64_t ComputeHash(const Position* pos);
uint64_t ComputePawnHash(const Position* pos);

#ifndef NDEBUG
// Board, lists, sets, material and keys agree; asserts otherwise.
void CheckPosition(const Position* pos);
#endif
