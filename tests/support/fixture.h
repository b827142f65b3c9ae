// The one in-process set-up every test builds on: the engine as at start-up,
// rebuilt in a fixed order before each test, a temporary folder per test,
// a stdout capture and move text helpers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/position.h"
#include "engine/shell.h"
#include "thread/records.h"

// The tables that depend on nothing (attack sets, the KPK bitbase), the
// locks, and standard input replaced by a pipe nobody writes to; once.
void EngineTables();
// Bytes for the engine's standard input (say "quit" during a batch run).
void SendInput(const std::string& text);
// Tables built once per process; then, every call: search threads ended,
// control block, parameters, keys (as the engine draws them at start),
// a 16 MB table and fresh records for the main thread and thread 1, the
// start position, and search output silenced (info_delay 9999, no log).
void ResetEngine();
// Ends the pool and starts n search threads with fresh records.
void UseThreads(int n);

// A fresh empty folder, removed with everything in it when it goes.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};
void WriteFile(const std::string& path, const std::string& text);
std::string ReadFile(const std::string& path);  // "" when missing
// One of the project's test tablebase files with every byte after its first
// quarter zeroed, as a download that pre-allocated the file and stopped leaves it.
std::string ZeroedTable(const std::string& name);
// Its first keep - 16 bytes (zeros past its end) and its own checksum: a copy
// cut short, or run on, whose size still looks whole.
std::string CutTable(const std::string& name, size_t keep);
// One byte of its header changed.
std::string PatchedTable(const std::string& name, size_t at, char value);
// The parts of text between separators (a last empty part does not count).
std::vector<std::string> Split(const std::string& text, char separator = '\n');

// What f writes to standard output (fd 1); the capture ends before anything
// is checked, so a failure inside f still shows.
std::string Printed(const std::function<void()>& f);

// ResetEngine before each test and the test run inside its own temporary
// folder (the tools write their files in the working folder); threads are
// ended and the folder removed afterwards.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TempDir dir;

private:
    std::string old_cwd_;
};

// The main thread's position set from fen with the moves (coordinate or
// algebraic text, separated by blanks) played; fails the test on a bad move.
Position* SetGame(const char* fen, const char* moves = nullptr, bool chess960 = false);
// The legal move with this coordinate text ("e7e8q") in pos, 0 if none.
uint16_t TextMove(Position* pos, const char* coord);
// Coordinate text of a move ("e7e8q"), whatever the protocol.
std::string Coord(uint16_t move);
std::string Epd(const Position* pos);  // FEN without the move counters
