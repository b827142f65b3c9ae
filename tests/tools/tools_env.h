// Shared set-up for the tool tests: the engine's tables and records built once
// per test process, and each test run inside its own temporary directory
// (the tools read and write tmp.pgn, tmp.epd, tune.epd and tune.log there).
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/support/fixture.h"

// Builds the tables, keys, control block, parameters and the records of the
// main thread and of thread 1 (which depth-0 analysis uses without a running
// thread) once. Standard input is replaced by a pipe that stays open, so
// input polls see nothing.
void ToolsEngineSetUp();
// Writes text to the standard input pipe (for "quit" during a run).
void ToolsSendInput(const std::string& text);

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    TempDir own_dir_;
    std::string dir_, old_cwd_;
};
