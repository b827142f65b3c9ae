// The few operating-system services the engine needs: a monotonic clock, a
// short sleep, a non-blocking look at standard input, regular files only, and
// a file only one process writes at a time.
#pragma once
#include <cstddef>
#include <cstdio>

// A huge page on x86-64 Linux: large tables start on such a boundary, so that
// the system can back them with huge pages (fewer address-translation misses).
constexpr size_t HUGE_PAGE = size_t(2) << 20;

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
// fopen for files named from outside: refuses (null, errno EISDIR or ENOTSUP)
// a directory, a FIFO, or a device to read, before a read or write of it
// could block or never end. A device can be written (/dev/null). Mode is "r",
// "rb", "w", "wb", "a" or "ab".
FILE* OpenRegularFile(const char* name, const char* mode);
// Opens name for writing, emptied, under an exclusive lock the process holds
// until the file is closed. Null when that fails, *error then holding why
// (EWOULDBLOCK: another process holds the lock; else the errno of the open),
// and the file left as it was.
FILE* OpenLockedForWriting(const char* name, int* error);
