// The full move list of a search thread's ply, and perft.
#pragma once

#include "thread/records.h"

// All moves of the side to move at ss[ply].list, terminated; sets the list
// starts of ply + 1 and ply + 2.
void GenerateAll(Position* pos);

// Adds the number of legal move sequences of length depth to td->nodes.
// Depth 0 (or below) adds nothing.
void Perft(ThreadRec* td, int side, int ply, int depth);
