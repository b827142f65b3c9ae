// Sizes that every floor of the engine shares: the per-ply stacks and the
// number of search threads.
#pragma once

constexpr int MAX_PLY = 70;  // entries of the per-ply stacks
constexpr int MAX_THREADS = 64;
