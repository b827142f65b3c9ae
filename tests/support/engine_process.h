// Runs the built engine as a child process with pipes on standard input and
// output, the way a chess GUI or match runner drives it.
#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

class EngineProcess {
public:
    // Starts the engine (VELL_BINARY) with the given arguments in directory
    // dir (created if missing; a fresh temporary one when empty).
    explicit EngineProcess(const std::vector<std::string>& args = {}, std::string dir = "");
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    void Send(const std::string& line);  // adds the line feed
    void SendRaw(const std::string& bytes);
    void CloseInput();
    // Next output line without its line feed; false when none arrived within
    // timeout seconds or the engine closed its output.
    bool ReadLine(std::string& line, double timeout);
    // Reads lines until one starts with prefix; every line read is kept in
    // *seen when given. False on timeout or end of output.
    bool WaitFor(const std::string& prefix, double timeout, std::vector<std::string>* seen = nullptr,
                 std::string* match = nullptr);
    // All lines that arrive until the engine has been silent for quiet seconds.
    std::vector<std::string> Drain(double quiet);
    // Waits for the process to end; returns its exit status, or -1000 if it
    // had to be killed after timeout seconds.
    int Wait(double timeout);
    const std::string& Dir() const { return dir_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buf_, dir_;
    bool eof_ = false;
};

// Every line that arrives within the next seconds (a search may never fall silent).
std::vector<std::string> ReadFor(EngineProcess& e, double seconds);
// A fresh empty directory under the system's temporary directory.
std::string MakeTempDir();
std::string ReadFile(const std::string& path);
