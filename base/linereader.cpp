// Standard input without blocking: bytes are gathered into a partial line,
// finished lines wait in a second buffer, one per line feed, until a reader
// takes them.
#include "base/linereader.h"

#include <cstring>

#include "base/messages.h"
#include "base/platform.h"

namespace {

constexpr int READ_SIZE = 4095;  // bytes taken from the input in one read
// Room for a whole partial line plus one full read, so a read never has to be
// cut short; reads happen only while no finished line is waiting.
constexpr int INBUF_SIZE = MAX_LINE + 2 + READ_SIZE + 16;
// Ends each line in inbuf; a line feed never stands inside a line, so every
// other byte (an '@' in a file name included) is the line's own.
constexpr char MARKER = '\n';

char partial[MAX_LINE + 2];
int bufcnt;
bool overlong;  // the line being received has passed MAX_LINE and is dropped
char inbuf[INBUF_SIZE];
int inlen;
bool ended;  // standard input is closed or read to its end

void EndPartialLine() {
    if (overlong) {
        Complain("input line longer than 65534 characters dropped");
    } else if (bufcnt > 0) {
        if (inlen + bufcnt + 1 > INBUF_SIZE)
            Complain("input buffer full, line dropped");
        else {
            std::memcpy(inbuf + inlen, partial, size_t(bufcnt));
            inlen += bufcnt;
            inbuf[inlen++] = MARKER;
        }
    }
    bufcnt = 0;
    overlong = false;
}

}  // namespace

bool LineWaiting() { return std::memchr(inbuf, MARKER, size_t(inlen)) != nullptr; }

// Moves whatever standard input holds into the buffers, waiting at most
// timeout_ms for it. Nothing is read while a finished line still waits.
void ReadWaiting(int timeout_ms) {
    if (ended || LineWaiting()) return;
    if (!InputWaiting(timeout_ms)) return;
    char bytes[READ_SIZE];
    long n = ReadInput(bytes, sizeof bytes);
    if (n > 0)
        FeedInput(bytes, n);
    else if (n == 0)
        EndInput();
}

bool LinePending() {
    ReadWaiting(0);
    return LineWaiting();
}

void FeedInput(const char* bytes, long n) {
    for (long i = 0; i < n; i++) {
        char c = bytes[i];
        // A carriage return ends a line as a line feed does, so no CR of a
        // CRLF client ever reaches a handler.
        if (c == '\n' || c == '\r' || c == 0) {
            EndPartialLine();
        } else if (bufcnt >= MAX_LINE) {
            overlong = true;
        } else if (!overlong) {
            partial[bufcnt++] = c;
        }
    }
}

void EndInput() {
    if (bufcnt > 0 || overlong) EndPartialLine();
    ended = true;
}

int TakeLine(char* buf, int size) {
    char* end = static_cast<char*>(std::memchr(inbuf, MARKER, size_t(inlen)));
    if (!end) return 0;
    int len = int(end - inbuf);
    int copy = len < size - 1 ? len : size - 1;
    std::memcpy(buf, inbuf, size_t(copy));
    buf[copy] = 0;
    inlen -= len + 1;
    std::memmove(inbuf, end + 1, size_t(inlen));
    return 1;
}

void ResetInput() {
    bufcnt = inlen = 0;
    overlong = ended = false;
}

bool InputExhausted() { return ended && !LineWaiting(); }

bool InputEnded() { return ended; }

int ReadInputLine(char* buf, int size) {
    for (;;) {
        if (TakeLine(buf, size)) return 1;
        if (ended) return 0;
        ReadWaiting(100);
    }
}

bool IsQuit(const char* line) {
    while (*line == ' ' || *line == '\t') line++;
    return !std::strncmp(line, "quit", 4) && (!line[4] || line[4] == ' ' || line[4] == '\t');
}
