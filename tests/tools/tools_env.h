// The tool tests run in EngineTest's temporary folder (the tools read and
// write tmp.pgn, tmp.epd, tune.epd and tune.log in the working folder).
#pragma once
#include <string>

#include "tests/support/fixture.h"

// What f writes to standard output.
template <class F>
std::string Output(F f) {
    CaptureStdout c;
    f();
    return c.Text();
}
