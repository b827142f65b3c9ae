// Each pass of the main loop runs the time check and hands one finished line
// from the line reader to the UCI or console handler.
#include "engine/input.h"

#include <cstring>

#include "base/control.h"
#include "base/linereader.h"
#include "base/platform.h"
#include "engine/console.h"
#include "engine/main_loop.h"
#include "engine/uci.h"
#include "search/timecontrol.h"

namespace {

// "uci" alone, blanks around it allowed.
bool IsUciLine(const char* line) {
    line += std::strspn(line, " \t");
    return !std::strncmp(line, "uci", 3) && line[3 + std::strspn(line + 3, " \t")] == 0;
}

void Dispatch(char* line) {
    const Protocol protocol = PBlock.protocol.load(std::memory_order_relaxed);
    if (protocol == Protocol::Uci || IsUciLine(line))
        HandleUCI(line);
    else if (protocol == Protocol::Console && line[0])
        HandleConsole(line);
}

}  // namespace

void UserInput() {
    PBlock.elapsed.store(GetTime() - start, std::memory_order_relaxed);
    TimeCheck();
    ReadWaiting(0);
    char line[MAX_LINE + 2];
    if (TakeLine(line, sizeof line))
        Dispatch(line);
    else if (InputEnded())
        EndOfInput();
}

void PollInput(int timeout_ms) {
    if (!LineWaiting()) {
        if (InputEnded())
            SleepMs(timeout_ms);  // a closed input must not turn the loop into a spin
        else
            ReadWaiting(timeout_ms);
    }
    UserInput();
}
