// The tool tests' fixture: the shared engine set-up with each test inside
// its own temporary folder (the tools read and write tmp.pgn, tmp.epd,
// tune.epd and tune.log there), and file helpers relative to it.
#pragma once
#include <string>

#include "tests/support/fixture.h"

inline void ToolsEngineSetUp() { ResetEngine(); }
// Writes text to the engine's standard input pipe (for "quit" during a run).
inline void ToolsSendInput(const std::string& text) { SendInput(text); }

class ToolsTest : public EngineTest {
protected:
    void Write(const std::string& name, const std::string& text) const { WriteFile(dir / name, text); }
    std::string Read(const std::string& name) const { return ReadFile(dir / name); }
    bool Exists(const std::string& name) const { return ::Exists(dir / name); }
    const std::string& dir_ = dir.path;
};
