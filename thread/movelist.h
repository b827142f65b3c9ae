// The full move list of a search thread's ply, and perft.
#pragma once

#include "thread/records.h"

// All moves of the side to move at ss[ply].list, terminated; sets the list
// starts of ply + 1 and ply + 2.
void GenerateAll(Position* pos);

// Adds the number of legal move sequences of length depth to td->nodes.
// Depth 0 (or below) adds nothing.
void Perft(ThreadRec* td, int side, int ply, int depth);
// Perft from td->pos for a person waiting: the top of the tree is split so
// that interrupted() is asked between subtrees of at most five plies (a
// second or so each), and a true answer ends the count. With each, the count
// under every first move is handed to it (pos as before that move) as soon as
// it is known. False when the count was ended.
using PerftEach = void (*)(Position* pos, uint16_t move, uint64_t nodes);
bool PerftSplit(ThreadRec* td, int depth, bool (*interrupted)(), PerftEach each = nullptr);
