// Standard input without blocking: bytes are gathered into a partial line,
// finished lines wait in a second buffer separated by '@', and each pass of
// the main loop hands one of them to the UCI or console handler.
#include "engine/input.h"

#include <cstring>

#include "engine/console.h"
#include "engine/messages.h"
#include "engine/platform.h"
#include "engine/session.h"
#include "engine/shell.h"
#include "engine/uci.h"
#include "search/records.h"
#include "search/threads.h"
#include "search/timecontrol.h"

namespace {

// Longest line kept; longer ones are dropped. Room for a position command
// with a move list of about ten thousand plies.
constexpr int MAX_LINE = 65534;
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

constexpr auto R = std::memory_order_relaxed;

void Complain(const char* what) {
    if (PBlock.protocol.load(R) == 2)
        ShowMessagef("info string %s", what);
    else
        ShowMessage(what);
}

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

// Nobody can send "stop" any more: the search under way ends at once and is
// answered, then the engine shuts down as on "quit". A batch run (its
// searches are not the main loop's) goes on and the engine ends after it.
void AtEndOfInput() {
    if (PBlock.quit.load(R)) return;
    if (PBlock.ponder_state.load(R) != 0) StopSearchAndWait();
    if (SearchThreadsBusy()) return;
    PBlock.stop.store(2, R);
    PBlock.quit.store(1, R);
}

// "uci" alone, blanks around it allowed.
bool IsUciLine(const char* line) {
    line += std::strspn(line, " \t");
    return !std::strncmp(line, "uci", 3) && line[3 + std::strspn(line + 3, " \t")] == 0;
}

// The first word of the line is "quit".
bool IsQuit(const char* line) {
    while (*line == ' ' || *line == '\t') line++;
    return !std::strncmp(line, "quit", 4) && (!line[4] || line[4] == ' ' || line[4] == '\t');
}

void Dispatch(char* line) {
    int protocol = PBlock.protocol.load(R);
    // A batch run works on the game position and the search records itself:
    // a command typed meanwhile would change them under it or start a second run.
    if (batch_run && !IsQuit(line)) {
        if (line[0]) Complain("busy with a batch run, only quit is taken");
        return;
    }
    if (protocol == 2 || IsUciLine(line))
        HandleUCI(line);
    else if (protocol == 0 && line[0])
        HandleConsole(line);
}

}  // namespace

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

void UserInput() {
    PBlock.elapsed.store(GetTime() - start, R);
    TimeCheck();
    ReadWaiting(0);
    char line[MAX_LINE + 2];
    if (TakeLine(line, sizeof line))
        Dispatch(line);
    else if (ended)
        AtEndOfInput();
}

void PollInput(int timeout_ms) {
    if (!LineWaiting()) {
        if (ended)
            SleepMs(timeout_ms);  // a closed input must not turn the loop into a spin
        else
            ReadWaiting(timeout_ms);
    }
    UserInput();
}

int ReadInputLine(char* buf, int size) {
    for (;;) {
        if (TakeLine(buf, size)) return 1;
        if (ended) return 0;
        ReadWaiting(100);
    }
}

char* NextWord(const char* text) {
    static const char* at = "";
    static char word[80];
    if (text) at = text;
    while (*at == ' ') at++;
    if (!*at) return nullptr;
    if (std::strchr("{}()", *at)) {
        word[0] = *at++;
        word[1] = 0;
        return word;
    }
    int n = 0;
    while (*at && *at != ' ' && !std::strchr("{}()", *at)) {
        unsigned char c = static_cast<unsigned char>(*at++);
        if (c < 32 || c > 127) continue;
        if (n < int(sizeof word) - 1) word[n++] = char(c);
    }
    word[n] = 0;
    return word;
}
