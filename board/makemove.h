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

// A piece's key on a square, and a key with its lowest bit set to the side to move.
inline uint64_t Key(int code, int sq) { return rtable[code * 64 + sq]; }
inline uint64_t SideBit(uint64_t h, int side) { return (h & ~uint64_t(1)) | uint64_t(side); }

// The key MakeMove gives the position after a move of a piece that stays what
// it is and takes what stands on its target (not castling, en passant or
// promotion), read without making it: the search asks for the table's entries
// of a move it will make soon.
inline uint64_t KeyAfter(const Position* pos, uint16_t move) {
    const int from = MoveFrom(move), to = MoveTo(move);
    const int piece = pos->board[from], target = pos->board[to];
    uint64_t h = pos->hash ^ rtable2[pos->ep] ^ rtable2[pos->castle];
    h ^= Key(piece, from) ^ Key(piece, to) ^ (target ? Key(target, to) : 0);
    const int ep = PieceType(piece) == PAWN && (to - from == 16 || from - to == 16) ? (from + to) / 2 : NO_SQ;
    return SideBit(h ^ rtable2[ep] ^ rtable2[pos->castle & ~(pos->cmask[from] | pos->cmask[to])], pos->side ^ 1);
}

// The key MakeNullMove gives: no en-passant square, the other side to move.
inline uint64_t KeyAfterNull(const Position* pos) {
    return SideBit(pos->hash ^ rtable2[pos->ep] ^ rtable2[NO_SQ], pos->side ^ 1);
}

// Keys from scratch, for set-up and for checking the incremental ones.
uint64_t ComputeHash(const Position* pos);
uint64_t ComputePawnHash(const Position* pos);

#ifndef NDEBUG
// Board, lists, sets, material and keys agree; asserts otherwise.
void CheckPosition(const Position* pos);
#endif
