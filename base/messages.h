// Output to the user and the log file, and the fatal assertion.
#pragma once
#include <cstdio>

extern FILE* fdlog;
extern const char logfile[];

// Text and a line feed to standard output, flushed; copied to the log while logging is on.
void ShowMessage(const char* text);
// printf-style ShowMessage; a line of any length goes out whole.
void ShowMessagef(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// A refusal or a notice for whoever sends the input: an "info string" line
// under UCI, the text alone at the console.
void Complain(const char* what);
void Complainf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Opens the log (replacing an earlier run's) unless it is open; false when
// it cannot be, why (a line for the user) then in why.
bool OpenLog(char* why, size_t size);
// To the log only (when open); callers check log_on.
void LogMessage(const char* text);
// Writes "assert.log" and ends the process with status -1.
[[noreturn]] void AssertionFail(const char* file, int line, const char* expr);

// A broken internal invariant: prints the line, writes assert.log, exits -1.
#define VELL_ASSERT(expr)                                                                         \
    do {                                                                                          \
        if (!(expr)) {                                                                            \
            printf("file \"%s\", line %d, assertion \"%s\" failed\n", __FILE__, __LINE__, #expr); \
            AssertionFail(__FILE__, __LINE__, #expr);                                             \
        }                                                                                         \
    } while (0)
