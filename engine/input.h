// The input reader: a non-blocking poll of standard input that collects
// lines and hands one per call to the UCI or console handler, and the word
// splitter used on PGN text.
#pragma once

// One pass: time check, read what is waiting, handle at most one line.
void UserInput();
// The main loop's pause: waits at most timeout_ms for input unless a line is
// already waiting (so a line is handled as soon as it arrives), then one pass.
void PollInput(int timeout_ms);
// Next word of text (null continues the previous text): '{', '}', '(' and ')'
// are words of their own; null when the text is used up. Words are cut at 79
// characters.
char* NextWord(const char* text);
// Blocking read of the next whole input line through the same buffers (for the
// board editor); 1 with the line in buf, 0 at the end of input.
int ReadInputLine(char* buf, int size);
// Reads what standard input holds, without waiting; true when a whole line is
// there for the next pass (a long count on the main thread stops for it).
bool LinePending();
// True once standard input has ended and every complete line has been taken.
bool InputExhausted();

// The line buffer on its own, so that it can be driven without a real input.
// FeedInput adds raw bytes as a read would; EndInput marks the end of input
// (a last line without a line feed then counts as complete); TakeLine copies
// the next complete line into buf and returns 1, or returns 0 when none is
// waiting. ResetInput empties everything.
void FeedInput(const char* bytes, long n);
void EndInput();
int TakeLine(char* buf, int size);
void ResetInput();
