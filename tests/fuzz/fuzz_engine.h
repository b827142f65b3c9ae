// Shared set-up for the fuzz targets over the line handlers: the engine as
// the tests' fixture leaves it, with one search thread and output thrown
// away, and the handling of one input as a sequence of lines.
#pragma once
#include <cstddef>
#include <cstdint>

// Brings the engine up once per process (later calls do nothing).
void StartEngine();

// Feeds the bytes through the input reader's line buffer and hands every
// complete line to the handler of the given protocol (2 UCI, 0 console), then
// puts the game and control block back to their start.
void RunLines(const uint8_t* data, size_t size, int protocol);
