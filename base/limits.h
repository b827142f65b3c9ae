// Sizes and bounds that every floor of the engine shares: the per-ply stacks,
// the number of search threads and the mate scores.
#pragma once

constexpr int MAX_PLY = 70;  // entries of the per-ply stacks
constexpr int MAX_THREADS = 64;
// A mate for the side to move at ply p scores p - MATE, one it gives MATE - p.
constexpr int MATE = 10000;
constexpr int MATE_SCORE = 9000;  // beyond +-9000 a score is a mate score
