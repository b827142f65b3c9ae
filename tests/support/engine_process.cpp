// Child-process plumbing for the tests that drive the built engine.
#include "tests/support/engine_process.h"

#include <chrono>
#include <csignal>
#include <stdexcept>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VELL_BINARY
#define VELL_BINARY "vell"
#endif

static double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

EngineProcess::EngineProcess(const std::vector<std::string>& args, std::string dir) {
    signal(SIGPIPE, SIG_IGN);
    if (dir.empty()) {
        own_ = std::make_unique<TempDir>();
        dir = own_->path;
    }
    dir_ = dir;
    mkdir(dir_.c_str(), 0755);
    int to_child[2], from_child[2];
    if (pipe(to_child) || pipe(from_child)) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[0]), close(to_child[1]), close(from_child[0]), close(from_child[1]);
        if (chdir(dir_.c_str()) != 0) _exit(127);
        std::vector<char*> argv{const_cast<char*>(VELL_BINARY)};
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VELL_BINARY, argv.data());
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    in_ = to_child[1];
    out_ = from_child[0];
}

EngineProcess::~EngineProcess() {
    CloseInput();
    if (pid_ > 0) {
        int status = Wait(30);
        EXPECT_EQ(status, 0) << "the engine did not end cleanly at the end of its input";
    }
    if (out_ >= 0) close(out_);
}

void EngineProcess::Send(const std::string& line) {
    const std::string bytes = line + "\n";
    size_t done = 0;
    while (in_ >= 0 && done < bytes.size()) {
        ssize_t w = write(in_, bytes.data() + done, bytes.size() - done);
        if (w <= 0) break;
        done += size_t(w);
    }
}

void EngineProcess::CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

bool EngineProcess::ReadLine(std::string& line, double timeout) {
    double deadline = Now() + timeout;
    for (;;) {
        size_t nl = buf_.find('\n');
        if (nl != std::string::npos) {
            line = buf_.substr(0, nl);
            buf_.erase(0, nl + 1);
            return true;
        }
        if (eof_) return false;
        double left = deadline - Now();
        if (left <= 0) return false;
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, int(left * 1000) + 1) <= 0) continue;
        char tmp[4096];
        ssize_t r = read(out_, tmp, sizeof tmp);
        if (r <= 0) {
            eof_ = true;
            if (!buf_.empty()) {  // a last line without its line feed
                line = buf_;
                buf_.clear();
                return true;
            }
            return false;
        }
        buf_.append(tmp, size_t(r));
    }
}

bool EngineProcess::WaitFor(const std::string& prefix, double timeout, std::vector<std::string>* seen) {
    double deadline = Now() + timeout;
    std::string line;
    while (ReadLine(line, deadline - Now())) {
        seen->push_back(line);
        if (line.starts_with(prefix)) return true;
    }
    return false;
}

int EngineProcess::Wait(double timeout) {
    if (pid_ <= 0) return -1;
    double deadline = Now() + timeout;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) break;
        if (Now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1000;
        }
        usleep(2000);
    }
    pid_ = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -WTERMSIG(status);
}
