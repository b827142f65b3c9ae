// Pseudo-legal move generation in four stages, the full list for a ply,
// and perft.
#pragma once
#include "board/position.h"
#include "search/records.h"

// Each generator writes at `out` and returns the end (no terminator).
MoveEntry* GeneratePawnCaptures(Position* pos, int side, MoveEntry* out);
MoveEntry* GeneratePieceCaptures(Position* pos, int side, MoveEntry* out);
// Pawn moves onto the last rank; under = 0 gives queen promotions only.
MoveEntry* GeneratePromotions(Position* pos, int side, int under, MoveEntry* out);
MoveEntry* GenerateNonCaptures(Position* pos, int side, MoveEntry* out);

// All moves of the side to move at ss[ply].list, terminated; sets the list
// starts of ply + 1 and ply + 2.
void GenerateAll(Position* pos);

// Adds the number of legal move sequences of length depth to td->nodes.
// Depth 0 (or below) adds nothing.
void Perft(ThreadRec* td, int side, int ply, int depth);
