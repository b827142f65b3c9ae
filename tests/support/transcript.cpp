// The engine as a child process, the referee and the transcript runner.
#include "tests/support/transcript.h"

#include <chrono>
#include <csignal>
#include <deque>
#include <iterator>
#include <regex>
#include <sstream>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"

#ifndef VELL_BINARY
#define VELL_BINARY "vell"
#endif

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

EngineProcess::EngineProcess(const std::vector<std::string>& args, const Files& files) {
    signal(SIGPIPE, SIG_IGN);
    for (auto& [name, text] : files) WriteFile(dir / name, text);
    int to_child[2], from_child[2];
    if (pipe(to_child) || pipe(from_child)) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[0]), close(to_child[1]), close(from_child[0]), close(from_child[1]);
        if (chdir(dir.path.c_str()) != 0) _exit(127);
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
        EXPECT_EQ(Wait(30), 0) << "the engine did not end cleanly at the end of its input";
    }
    close(out_);
}

void EngineProcess::Send(const std::string& line) {
    const std::string bytes = line + "\n";  // a blocking pipe takes it whole
    if (in_ >= 0 && write(in_, bytes.data(), bytes.size()) < 0) CloseInput();  // the engine has gone
}

void EngineProcess::CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

bool EngineProcess::Read(double timeout, std::string* line) {
    const double deadline = Seconds() + timeout;
    for (double left; !eof_ && !(line && buf_.find('\n') != std::string::npos) && (left = deadline - Seconds()) > 0;) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, int(left * 1000) + 1) <= 0) continue;
        char tmp[4096];
        const ssize_t r = read(out_, tmp, sizeof tmp);
        if (r <= 0)
            eof_ = true;
        else
            buf_.append(tmp, size_t(r));
    }
    const size_t nl = buf_.find('\n');
    if (!line || (nl == std::string::npos && (!eof_ || buf_.empty()))) return false;
    *line = buf_.substr(0, nl);  // a last line may come without its line feed
    buf_.erase(0, nl == std::string::npos ? nl : nl + 1);
    return true;
}

int EngineProcess::Wait(double timeout) {
    if (pid_ <= 0) return -1;
    const double deadline = Seconds() + timeout;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
        if (Seconds() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1000;
        }
        usleep(2000);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

bool Matches(const std::string& want, const std::string& s) {
    if (want.size() > 1 && want.front() == '/' && want.back() == '/')
        return std::regex_match(s, std::regex(want.substr(1, want.size() - 2)));
    if (!want.empty() && want.back() == '*') return s.starts_with(want.substr(0, want.size() - 1));
    return s == want;
}

}  // namespace

Referee::Referee() : td_(NewThreadRec(0)) {
    EngineTables();
    Set(fen_opn);
}

Referee::~Referee() { std::free(td_); }

bool Referee::Set(const std::string& fen, const std::vector<std::string>& moves) {
    char why[128];
    if (!LoadFen(&td_->pos, fen.c_str(), chess960, why)) return false;
    fen_ = Fen();
    for (auto& m : moves)
        if (!Play(m)) return false;
    return true;
}

std::vector<std::string> Referee::Legal() {
    uint16_t moves[256];
    std::vector<std::string> out;
    for (int i = 0, n = LegalMoveList(&td_->pos, moves); i < n; i++) out.push_back(Coord(moves[i]));
    return out;
}

bool Referee::Play(const std::string& move) {
    Position* pos = &td_->pos;
    const uint16_t m = TextMove(pos, move.c_str());
    if (!m) return false;
    MakeMove(pos, m);
    fen_ = Fen();
    SetPosition(pos, fen_.c_str(), chess960);  // keeps the history shallow however long the game
    return true;
}

std::string Referee::Fen() const { return Epd(&td_->pos); }

std::string Referee::Check(const std::string& line) {
    const auto w = Words(line);
    const bool none = Legal().empty();
    std::vector<std::vector<std::string>> seqs;  // each played from here, one move after the other
    if (w.size() >= 2 && w[0] == "bestmove") {
        if (none) return w[1] == "0000" ? "" : "no legal move, yet '" + line + "'";
        seqs.push_back({w[1]});
        if (w.size() >= 4 && w[2] == "ponder") seqs[0].push_back(w[3]);
    } else if (w.size() >= 2 && w[0] == "info" && w[1] != "string") {
        const auto cur = std::find(w.begin(), w.end(), "currmove");
        if (!none && cur < w.end() - 1) seqs.push_back({cur[1]});
        const auto pv = std::find(w.begin(), w.end(), "pv");
        if (pv != w.end()) seqs.emplace_back(pv + 1, w.end());
    }
    const std::string base = fen_;
    for (auto& seq : seqs) {
        for (auto& m : seq)
            if (!Play(m)) {
                Set(base);
                return "illegal move " + m + " in '" + line + "' at " + base;
            }
        Set(base);
    }
    return "";
}

void RunTranscript(const Transcript& t) {
    std::vector<std::string> args = t.args;
    if (args.empty() || args[0] != "+log")
        args.insert(args.begin(), "-nolog");
    else
        args.erase(args.begin());
    const bool uci = std::find(args.begin(), args.end(), "-c") == args.end();
    EngineProcess e(args, t.files);
    Referee ref;
    std::string position = fen_opn;
    std::deque<std::string> searches;  // the position of every go not answered yet
    int gos = 0, answers = 0;
    std::vector<std::string> seen;
    auto history = [&] {
        std::string text = "\nlast lines:";
        for (size_t i = seen.size() > 25 ? seen.size() - 25 : 0; i < seen.size(); i++) text += "\n  " + seen[i];
        return text;
    };
    auto read = [&](std::string& line, double timeout) {  // the next line, judged
        if (!e.Read(timeout, &line)) return false;
        seen.push_back(line);
        const size_t n = seen.size();
        if (!uci && (line == "white" || line == "black") && n >= 10 && seen[n - 10].find('/') != std::string::npos) {
            const std::string& epd = seen[n - 10];
            // A console game in Chess960 shows FENs only Chess960 reads.
            if (FenNeedsChess960(epd.c_str())) ref.chess960 = true;
            EXPECT_TRUE(ref.Set(epd.substr(0, epd.find(" bm")))) << t.name << ": no legal position " << epd;
        }
        if (uci && !searches.empty()) {
            ref.Set(searches.front());
            EXPECT_EQ(ref.Check(line), "") << t.name;
        }
        if (uci && line.starts_with("bestmove")) {
            answers++;
            if (!searches.empty()) searches.pop_front();
        }
        return true;
    };
    bool ended = false;
    std::string forbid;
    auto finish = [&](int status) {  // reads to the end of output; the engine must end with status
        std::string line;
        while (read(line, 30))
            if (!forbid.empty() && Matches(forbid, line)) ADD_FAILURE() << t.name << ": '" << line << "'" << history();
        EXPECT_EQ(e.Wait(30), status) << t.name << history();
        ended = true;
    };
    for (const std::string& l : t.lines) {
        if (l.starts_with("> ")) {
            const std::string text = l.substr(2);
            e.Send(text);  // several lines go out in one write
            std::istringstream lines(text);
            for (std::string cmd; uci && std::getline(lines, cmd);) {
                const auto w = Words(cmd);
                if (!w.empty() && w[0] == "position") {
                    // As the engine takes it: a refused FEN keeps the last position, a bad move ends the list.
                    const auto moves = std::find(w.begin(), w.end(), "moves");
                    std::string fen = w.size() > 1 && w[1] == "startpos" && moves - w.begin() <= 2 ? fen_opn : "";
                    if (w.size() > 2 && w[1] == "fen")
                        for (auto i = w.begin() + 2; i < moves; i++) fen += *i + " ";
                    ref.Set(position);
                    if (!fen.empty()) ref.Set(fen, {moves + (moves != w.end()), w.end()});
                    position = ref.Fen();
                }
                // go perft counts moves and answers no bestmove.
                if (!w.empty() && w[0] == "go" && (w.size() < 2 || w[1] != "perft"))
                    gos++, searches.push_back(position);
                if (cmd.find("setoption name UCI_Chess960 value ") == 0) ref.chess960 = w.back() == "true";
            }
        } else if (l == "<") {
            e.CloseInput();
        } else if (l.starts_with("@")) {
            e.Read(std::stod(l.substr(1)));
        } else if (l.starts_with("=")) {
            finish(std::stoi(l.substr(1)));
        } else if (l.starts_with("!")) {
            forbid = l.substr(1);
        } else if (l.starts_with("&")) {
            const size_t eq = l.find('=');
            const std::string text = ReadFile(e.dir / l.substr(1, eq - 1));
            EXPECT_TRUE(Matches(l.substr(eq + 1), text)) << t.name << ": " << l << " but it holds\n" << text;
        } else {
            const bool skip = l.starts_with("...");
            const std::string want = skip ? l.substr(3) : l;
            std::string line;
            bool found = false;
            while (!found && read(line, 30)) {
                found = Matches(want, line);
                if (!found && !forbid.empty() && Matches(forbid, line))
                    ADD_FAILURE() << t.name << ": '" << line << "' before '" << want << "'" << history();
                if (!found && !skip) break;
            }
            forbid.clear();
            if (!found) {
                ADD_FAILURE() << t.name << ": expected '" << l << "'"
                              << (e.Ended() ? " but the engine ended, status " + std::to_string(e.Wait(10)) : "")
                              << history();
                return;
            }
        }
    }
    if (!ended) e.CloseInput(), finish(0);
    if (uci && std::find(t.lines.begin(), t.lines.end(), "> quit") == t.lines.end()) {
        EXPECT_EQ(answers, gos) << t.name << ": every go gets exactly one bestmove" << history();
    }
}
