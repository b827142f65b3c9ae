// Shared set-up for the fuzz targets over the line handlers: the engine as
// start-up leaves it (tables, one search thread, a small table), with output
// thrown away, and the handling of one input as a sequence of lines.
#pragma once
#include <cstddef>
#include <cstdint>

// Brings the engine up once per process (later calls do nothing).
void StartEngine();

// Lines a fuzz run must not execute for reasons of time or files, not of
// correctness: deep perft, the board editor (it waits for input), file
// commands, tuning, and sizes that would allocate gigabytes.
bool SkipLine(const char* line);

// Feeds the bytes through the input reader's line buffer and hands every
// complete line to the handler of the given protocol (2 UCI, 0 console), then
// puts the game and control block back to their start.
void RunLines(const uint8_t* data, size_t size, int protocol);
