// The fixed benchmark: positions searched to a fixed depth with one thread
// and a cleared 16 MB table. Its total node count is the engine's signature.
#pragma once
#include <cstdint>

// Depth of "vell -bench" when none is given.
constexpr int BENCH_DEPTH = 8;

// Runs every bench position at depth, prints one line per position and the
// totals with nodes per second. Needs a started engine (tables, thread
// pool); restores hash size, keys, limits and the game position. Returns 0.
int RunBench(int depth);
// The first count positions (all when count <= 0) with the given number of
// threads; returns the total nodes. Deterministic for threads == 1.
uint64_t BenchNodes(int depth, int count, int threads, int verbose, double* seconds);
// Number of bench positions.
int BenchSize();
