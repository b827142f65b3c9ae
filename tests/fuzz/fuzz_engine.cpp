// The engine brought up once per fuzz process by the tests' own reset, minus
// the main loop: handlers run on this thread and nothing searches.
#include "tests/fuzz/fuzz_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>

#include "base/linereader.h"
#include "base/relaxed.h"
#include "board/fen.h"
#include "engine/console.h"
#include "engine/shell.h"
#include "engine/uci.h"
#include "tests/support/fixture.h"

namespace {

// Lines a fuzz run must not execute for reasons of time or files, not of
// correctness: the board editor (it waits for input), file commands, tuning,
// perft deeper than 3, and Hash or Threads sizes that would take gigabytes.
bool SkipLine(const char* line) {
    static const std::regex skip(R"(\b(edit|load|save|mkbook|tune|quit)\b|^(?=.*\bperft\b).*([4-9]|[1-9]\d))"
                                 R"(|^(?=.*(Hash|Threads)).*([3-9]|[1-9]\d))");
    return std::regex_search(line, skip);
}

}  // namespace

void StartEngine() {
    static const bool started = [] {
        if (!std::freopen("/dev/null", "w", stdout)) std::abort();
        ResetEngine();
        UseThreads(1);
        return true;
    }();
    (void)started;
}

void RunLines(const uint8_t* data, size_t size, int protocol) {
    StartEngine();
    Position* pos = &ThreadData[0]->pos;
    SetPosition(pos, fen_opn);
    PBlock.protocol.store(Protocol(protocol), R);
    ResetInput();
    char line[4100];
    size_t at = 0;
    while (at < size) {
        size_t end = at;
        while (end < size && data[end] != '\n') end++;
        FeedInput(reinterpret_cast<const char*>(data + at), long(end - at));
        if (end < size) FeedInput("\n", 1);
        at = end + 1;
        while (TakeLine(line, sizeof line)) {
            if (SkipLine(line)) continue;
            if (PBlock.protocol.load(R) == Protocol::Uci || !std::strcmp(line, "uci"))
                HandleUCI(line);
            else if (PBlock.protocol.load(R) == Protocol::Console && line[0])
                HandleConsole(line);
        }
    }
    // Nothing searched, so nothing is running: only the requests are cleared.
    PBlock.next_ponder_state.store(PonderState::Idle, R);
    PBlock.quit.store(0, R);
    PBlock.stop.store(StopReason::None, R);
}
