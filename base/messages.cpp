// ShowMessage, LogMessage and the assertion routine.
#include "base/messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "base/control.h"
#include "base/platform.h"

FILE* fdlog;
const char logfile[] = "vell.log";

bool OpenLog(char* why, size_t size) {
    if (fdlog) return true;
    int error = 0;
    fdlog = OpenLockedForWriting(logfile, &error);
    if (fdlog) return true;
    // A log another engine holds is that engine's: this one runs without.
    if (error == EWOULDBLOCK)
        std::snprintf(why, size, "%s is in use by another engine", logfile);
    else
        std::snprintf(why, size, "can't write %s: %s", logfile, std::strerror(error));
    return false;
}

void ShowMessage(const char* text) {
    // One call for text and line feed: the stream's own lock then keeps a
    // search thread's info line from landing in the middle.
    std::fprintf(stdout, "%s\n", text);
    std::fflush(stdout);
    if (PBlock.log_on.load(std::memory_order_relaxed) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}

void ShowMessagef(const char* fmt, ...) {
    char buf[4096];
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n >= 0 && n < int(sizeof buf)) {
        ShowMessage(buf);
    } else {
        // A longer line (a logged move list) is written straight to the
        // streams; holding the stream lock keeps an info line out of it.
        const bool log = PBlock.log_on.load(std::memory_order_relaxed) && fdlog;
        va_list copy;
        va_copy(copy, again);
        flockfile(stdout);
        std::vfprintf(stdout, fmt, again);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        funlockfile(stdout);
        if (log) {
            std::vfprintf(fdlog, fmt, copy);
            std::fputc('\n', fdlog);
            std::fflush(fdlog);
        }
        va_end(copy);
    }
    va_end(again);
}

void Complain(const char* what) {
    if (UciMode())
        ShowMessagef("info string %s", what);
    else
        ShowMessage(what);
}

void Complainf(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    Complain(buf);
}

void LogMessage(const char* text) {
    if (!fdlog) return;
    std::fprintf(fdlog, "%s\n", text);
    std::fflush(fdlog);
}

void AssertionFail(const char* file, int line, const char* expr) {
    std::fflush(stdout);
    if (FILE* f = std::fopen("assert.log", "w")) {
        std::fprintf(f, "file \"%s\", line %d, assertion \" %s \" failed\n\n", file, line, expr);
        std::fclose(f);
    }
    std::_Exit(-1);
}
