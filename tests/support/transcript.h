// The built engine as a child process, the referee (the engine's own move
// generator judging every move an engine prints) and the transcript runner
// that drives the engine with {send, expect} lines for UCI and console sessions.
#pragma once
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/types.h>

#include "tests/support/fixture.h"
#include "thread/records.h"

double Seconds();  // on a steady clock

// The engine (VELL_BINARY) with pipes on standard input and output, the way a
// chess GUI or match runner drives it, started in a temporary folder of its own
// that holds the files given (name, text).
using Files = std::vector<std::pair<std::string, std::string>>;
class EngineProcess {
public:
    explicit EngineProcess(const std::vector<std::string>& args, const Files& files = {});
    // Closes the input and waits for the engine; fails the test when it had
    // to be killed or ended with anything but status 0 (unless Wait was called).
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    void Send(const std::string& line);  // adds the line feed
    void CloseInput();
    // Keeps reading the engine's output (so it never blocks on a full pipe)
    // for timeout seconds, or until a whole line is there when line is given;
    // then takes that line without its line feed. False when none came or
    // the engine closed its output.
    bool Read(double timeout, std::string* line = nullptr);
    // Waits for the process to end; returns its exit status, minus the signal
    // that ended it, or -1000 if it had to be killed after timeout seconds.
    int Wait(double timeout);
    bool Ended() const { return eof_; }
    TempDir dir;

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buf_;
    bool eof_ = false;
};

// Needs the engine's tables (ResetEngine or EngineTest builds them).
class Referee {
public:
    Referee();
    ~Referee();
    Referee(const Referee&) = delete;
    Referee& operator=(const Referee&) = delete;
    // As the engine takes a position: false and the position unchanged when
    // the FEN is refused; false at the first illegal move, which ends the list.
    bool Set(const std::string& fen, const std::vector<std::string>& moves = {});
    std::vector<std::string> Legal();  // coordinate text, "e7e8q" for promotions
    bool Play(const std::string& move);
    std::string Fen() const;
    // "" when every move the line names is legal here: the best and ponder
    // move of "bestmove" ("0000" exactly when there is no legal move), the
    // "currmove" and the whole "pv" of an info line; otherwise what is wrong.
    // Other lines pass.
    std::string Check(const std::string& line);
    bool chess960 = false;  // reads positions under Chess960 rules, as the engine was told

private:
    ThreadRec* td_;
    std::string fen_;
};

// One session. Each line of `lines` is one of
//   "> text"   send text and a line feed to the engine (lines of text joined by
//              "\n" go out in one write, as a burst)
//   "<"        close the engine's input
//   "@0.5"     pause half a second (the output is read meanwhile)
//   "=N"       the engine ends with exit status N (default: it must end with 0
//              once the transcript is over and its input closed)
//   "text"     the next output line is exactly text
//   "text*"    the next output line starts with text
//   "/regex/"  the next output line matches regex as a whole
//   "...X"     lines are skipped until one matches X (any form above)
//   "!X"       no line matching X may come before the next expectation is met
//   "&name=text"  the file name in the engine's folder holds exactly text
//              (starts with text when it ends in '*')
// Expectations wait up to 30 s, only to catch a hang. In UCI sessions (no
// "-c" argument) the referee checks every bestmove, ponder move, currmove and
// PV against the position of the matching `go`, and every `go` must get
// exactly one bestmove by the end; in console sessions every board shown
// must be a position the referee takes.
struct Transcript {
    const char* name;
    std::vector<std::string> args;  // "-nolog" is added unless the first is "+log"
    std::vector<std::string> lines;
    Files files = {};  // written before the start
};
void RunTranscript(const Transcript& t);

inline void PrintTo(const Transcript& t, std::ostream* os) { *os << t.name; }

// A parameterised suite Suite with one test per transcript of table.
#define TRANSCRIPT_TESTS(Suite, table)                          \
    class Suite : public testing::TestWithParam<Transcript> {}; \
    TEST_P(Suite, Session) { RunTranscript(GetParam()); }       \
    INSTANTIATE_TEST_SUITE_P(                                   \
        T, Suite, testing::ValuesIn(table),                     \
        [](const testing::TestParamInfo<Transcript>& i) { return std::string(i.param.name); })
