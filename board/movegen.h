// Pseudo-legal move generation in four stages.
#pragma once
#include "board/position.h"

// Each generator writes at `out` and returns the end (no terminator).
MoveEntry* GeneratePawnCaptures(Position* pos, int side, MoveEntry* out);
MoveEntry* GeneratePieceCaptures(Position* pos, int side, MoveEntry* out);
// Pawn moves onto the last rank; under = 0 gives queen promotions only.
MoveEntry* GeneratePromotions(Position* pos, int side, int under, MoveEntry* out);
MoveEntry* GenerateNonCaptures(Position* pos, int side, MoveEntry* out);

// Every pseudo-legal move of side in generation order, terminated by
// END_OF_LIST; returns the terminator's entry.
inline MoveEntry* GenerateEverything(Position* pos, int side, MoveEntry* out) {
    out = GeneratePawnCaptures(pos, side, out);
    out = GeneratePieceCaptures(pos, side, out);
    out = GeneratePromotions(pos, side, 1, out);
    out = GenerateNonCaptures(pos, side, out);
    out->move = END_OF_LIST;
    return out;
}
