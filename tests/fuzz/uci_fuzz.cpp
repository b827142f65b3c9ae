// Fuzzes the UCI handler: any bytes become input lines.
#include "tests/fuzz/fuzz_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunLines(data, size, 2);
    return 0;
}
