// The built engine as a child process with pipes on standard input and
// output, the way a chess GUI or match runner drives it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/support/fixture.h"

class EngineProcess {
public:
    // Starts the engine (VELL_BINARY) with the given arguments in folder dir
    // (created if missing), or in a temporary folder of its own, removed at the end.
    explicit EngineProcess(const std::vector<std::string>& args = {}, std::string dir = "");
    // Closes the input and waits for the engine; fails the test when it had
    // to be killed or ended with anything but status 0 (unless Wait was called).
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    void Send(const std::string& line);  // adds the line feed
    void CloseInput();
    // Next output line without its line feed; false when none arrived within
    // timeout seconds or the engine closed its output.
    bool ReadLine(std::string& line, double timeout);
    // Reads lines until one starts with prefix; every line read is kept in
    // *seen when given. False on timeout or end of output.
    bool WaitFor(const std::string& prefix, double timeout, std::vector<std::string>* seen);
    // Waits for the process to end; returns its exit status, minus the signal
    // that ended it, or -1000 if it had to be killed after timeout seconds.
    int Wait(double timeout);
    bool Ended() const { return eof_; }
    const std::string& Dir() const { return dir_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buf_, dir_;
    bool eof_ = false;
    std::unique_ptr<TempDir> own_;
};
