// The line reader: standard input read without blocking into whole lines,
// one at a time for whichever loop polls it.
#pragma once

// Longest line kept; longer ones are dropped. Room for a position command
// with a move list of about ten thousand plies.
constexpr int MAX_LINE = 65534;

// Moves whatever standard input holds into the buffers, waiting at most
// timeout_ms for it. Nothing is read while a finished line still waits.
void ReadWaiting(int timeout_ms);
// A whole line is waiting to be taken.
bool LineWaiting();
// Reads what standard input holds, without waiting; true when a whole line is
// there for the next pass (a long count on the main thread stops for it).
bool LinePending();
// True once standard input has ended and every complete line has been taken.
bool InputExhausted();
// True once standard input has ended (lines may still wait).
bool InputEnded();
// Blocking read of the next whole input line through the same buffers (for the
// board editor); 1 with the line in buf, 0 at the end of input.
int ReadInputLine(char* buf, int size);
// The first word of the line is "quit".
bool IsQuit(const char* line);

// The line buffer on its own, so that it can be driven without a real input.
// FeedInput adds raw bytes as a read would; EndInput marks the end of input
// (a last line without a line feed then counts as complete); TakeLine copies
// the next complete line into buf and returns 1, or returns 0 when none is
// waiting. ResetInput empties everything.
void FeedInput(const char* bytes, long n);
void EndInput();
int TakeLine(char* buf, int size);
void ResetInput();
