// Fuzzes the FEN reader: any bytes go through the checks that guard outside
// text; whatever they accept must be a position the board code can work on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/position.h"
#include "tests/fuzz/fuzz_engine.h"
#include "thread/movelist.h"
#include "thread/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartEngine();
    ThreadRec* td = ThreadData[0];
    std::string fen(reinterpret_cast<const char*>(data), size);
    char why[128];
    Position* pos = &td->pos;
    Position before = *pos;
    if (!LoadFen(pos, fen.c_str(), false, why)) {
        if (std::memcmp(&before, pos, sizeof before) != 0) std::abort();  // a refusal changes nothing
        return 0;
    }
    if (ComputeHash(pos) != pos->hash || ComputePawnHash(pos) != pos->pawnhash) std::abort();
    char out[128];
    MakeEPD(pos, out);
    // An accepted position must survive a shallow tree walk and read back the same.
    td->nodes = 0;
    Perft(td, pos->side, 1, 2);
    char again[128];
    MakeEPD(pos, again);
    if (std::strcmp(out, again) != 0) std::abort();
    return 0;
}
