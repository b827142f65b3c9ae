// Set-up shared by the evaluation tests: tables, defaults, the bitbase, and
// a thread record (index 1, so the report fields are filled) to evaluate on.
#pragma once
#include <string>

#include "board/position.h"
#include "search/records.h"

// Everything the evaluation needs, built once per process; returns thread 1's record.
ThreadRec* EvalTestSetup();
// Sets thread 1's position from fen (side to move from the FEN).
Position* EvalPosition(const char* fen);
// Evaluates thread 1's position for its side to move at `ply`.
int EvalAt(int ply);
// Sets the position and evaluates it at ply 2 with empty caches.
int EvalFen(const char* fen);
// Clears the report and evaluates at ply 1 (the report is filled).
int EvalWithReport(const char* fen);
// Empties thread 1's evaluation and pawn caches.
void ClearEvalCaches();
// The FEN with ranks flipped and colours swapped (side to move swapped too).
std::string MirrorFen(const std::string& fen);
