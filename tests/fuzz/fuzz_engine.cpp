// The engine brought up once per fuzz process, as main() would, minus the
// main loop: handlers run on this thread and nothing searches.
#include "tests/fuzz/fuzz_engine.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bitboard.h"
#include "board/position.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/shell.h"
#include "engine/uci.h"
#include "eval/endgame.h"
#include "eval/params.h"
#include "search/records.h"
#include "search/threads.h"
#include "search/transposition.h"

namespace {

constexpr auto R = std::memory_order_relaxed;

}  // namespace

void StartEngine() {
    static bool started = false;
    if (started) return;
    started = true;
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    ThreadData[0] = NewThreadRec(0);
    InitBitboards();
    InitKPK();
    SetPBlockDefaults();
    SetPersonalityDefaults();
    InitReductions();
    PBlock.hash_mb = 1;
    PBlock.log_on.store(0, R);
    if (InitTTable() != 0) std::abort();
    pthread_mutex_init(&lock, nullptr);
    pthread_spin_init(&spinlock1, PTHREAD_PROCESS_PRIVATE);
    if (StartThreadPool(1) != 0) std::abort();
    InitEval();
}

namespace {

bool HasWord(const char* line, const char* word) {
    size_t n = std::strlen(word);
    for (const char* p = std::strstr(line, word); p; p = std::strstr(p + 1, word))
        if ((p == line || p[-1] == ' ') && (p[n] == 0 || p[n] == ' ' || p[n] == '\r')) return true;
    return false;
}

long LargestNumber(const char* line) {
    long best = 0;
    for (const char* p = line; *p; p++)
        if (std::isdigit(uint8_t(*p))) best = std::max(best, std::strtol(p, nullptr, 10) > 1000000 ? 1000000 : std::strtol(p, nullptr, 10));
    return best;
}

}  // namespace

bool SkipLine(const char* line) {
    static const char* const words[] = {"edit", "load", "save", "mkbook", "tune", "quit"};
    for (const char* w : words)
        if (HasWord(line, w)) return true;
    if (HasWord(line, "perft") && LargestNumber(line) > 3) return true;
    if ((std::strstr(line, "Hash") || std::strstr(line, "Threads")) && LargestNumber(line) > 2) return true;
    return false;
}

void RunLines(const uint8_t* data, size_t size, int protocol) {
    StartEngine();
    Position* pos = &ThreadData[0]->pos;
    SetPosition(pos, fen_opn);
    PBlock.protocol.store(int16_t(protocol), R);
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
            if (PBlock.protocol.load(R) == 2 || !std::strcmp(line, "uci"))
                HandleUCI(line);
            else if (PBlock.protocol.load(R) == 0 && line[0])
                HandleConsole(line);
        }
    }
    // Nothing searched, so nothing is running: only the requests are cleared.
    PBlock.next_ponder_state.store(0, R);
    PBlock.quit.store(0, R);
    PBlock.stop.store(0, R);
}
