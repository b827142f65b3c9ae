// The few operating-system services the engine needs: a monotonic clock, a
// short sleep, and a non-blocking look at standard input.
#pragma once
#include <cstddef>

// Monotonic seconds.
double GetTime();
// Sleeps about a millisecond.
void SleepMs(int ms = 1);
// Waits at most timeout_ms for standard input to become readable (a closed
// input counts as readable, so the read reports the end).
bool InputWaiting(int timeout_ms);
// Reads what is waiting without blocking; returns the bytes read, 0 at the
// end of input, -1 when nothing was there after all.
long ReadInput(char* buf, size_t n);
