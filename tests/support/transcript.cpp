// The referee and the transcript runner.
#include "tests/support/transcript.h"

#include <deque>
#include <regex>
#include <sstream>
#include <thread>

#include "board/legality.h"
#include "board/makemove.h"
#include "engine/shell.h"
#include "tests/support/engine_process.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
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
    if (!LoadFen(&td_->pos, fen.c_str(), why)) return false;
    fen_ = Fen();
    for (auto& m : moves)
        if (!Play(m)) return false;
    return true;
}

bool Referee::SetUci(const std::string& command) {
    auto w = Words(command);
    size_t i = 2;
    std::string fen;
    if (w.size() > 1 && w[1] == "startpos") {
        fen = fen_opn;
    } else if (w.size() > 1 && w[1] == "fen") {
        for (; i < w.size() && w[i] != "moves"; i++) fen += w[i] + " ";
    } else {
        return false;
    }
    if (i < w.size() && w[i] != "moves") return false;
    std::vector<std::string> moves(w.begin() + long(std::min(i + 1, w.size())), w.end());
    return Set(fen, moves);
}

std::vector<std::string> Referee::Legal() {
    std::vector<std::string> out;
    for (uint16_t m : PseudoMoves(&td_->pos))
        if (MoveIsLegal(&td_->pos, td_->pos.side, m)) out.push_back(Coord(m));
    return out;
}

bool Referee::Play(const std::string& move) {
    Position* pos = &td_->pos;
    for (auto& m : Legal())
        if (m == move) {
            MakeMove(pos, TextMove(pos, move.c_str()));
            fen_ = Fen();
            SetPosition(pos, fen_.c_str());  // keeps the history shallow however long the game
            return true;
        }
    return false;
}

std::string Referee::Fen() const {
    char buf[128];
    MakeEPD(&td_->pos, buf);
    return buf;
}

std::string Referee::Check(const std::string& line) {
    auto w = Words(line);
    std::vector<std::string> seq;
    if (w.size() >= 2 && w[0] == "bestmove") {
        if (Legal().empty()) return w[1] == "0000" ? "" : "no legal move, yet '" + line + "'";
        seq.push_back(w[1]);
        if (w.size() >= 4 && w[2] == "ponder") seq.push_back(w[3]);
    } else if (!w.empty() && w[0] == "info" && (w.size() < 2 || w[1] != "string")) {
        for (size_t i = 1; i + 1 < w.size(); i++)
            if (w[i] == "currmove" && Legal().size() > 0) {
                std::vector<std::string> legal = Legal();
                if (std::find(legal.begin(), legal.end(), w[i + 1]) == legal.end())
                    return "illegal currmove in '" + line + "' at " + fen_;
            }
        auto pv = std::find(w.begin(), w.end(), "pv");
        if (pv != w.end()) seq.assign(pv + 1, w.end());
    }
    const std::string base = fen_;
    std::string error;
    for (auto& m : seq)
        if (!Play(m)) {
            error = "illegal move " + m + " in '" + line + "' at " + base;
            break;
        }
    Set(base);
    return error;
}

void RunTranscript(const Transcript& t) {
    std::vector<std::string> args = t.args;
    if (args.empty() || args[0] != "+log")
        args.insert(args.begin(), "-nolog");
    else
        args.erase(args.begin());
    const bool uci = std::find(args.begin(), args.end(), "-c") == args.end();
    EngineProcess e(args);
    Referee ref;
    std::string position = fen_opn;
    std::deque<std::string> searches;  // the position of every go not answered yet
    int gos = 0, answers = 0;
    std::vector<std::string> seen;
    auto judge = [&](const std::string& line) {
        if (!uci) return;
        if (!searches.empty()) {
            ref.Set(searches.front());
            EXPECT_EQ(ref.Check(line), "") << t.name;
        }
        if (line.starts_with("bestmove")) {
            answers++;
            if (!searches.empty()) searches.pop_front();
        }
    };
    auto history = [&] {
        std::string text = "\nlast lines:";
        for (size_t i = seen.size() > 25 ? seen.size() - 25 : 0; i < seen.size(); i++) text += "\n  " + seen[i];
        return text;
    };
    auto read = [&](std::string& line, double timeout) {
        if (!e.ReadLine(line, timeout)) return false;
        seen.push_back(line);
        judge(line);
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
    for (auto& [name, text] : t.files) WriteFile(e.Dir() + "/" + name, text);
    for (const std::string& l : t.lines) {
        if (l.starts_with("> ")) {
            const std::string text = l.substr(2);
            e.Send(text);  // several lines go out in one write
            std::istringstream lines(text);
            for (std::string cmd; uci && std::getline(lines, cmd);) {
                auto w = Words(cmd);
                if (w.empty()) continue;
                if (w[0] == "position") {
                    ref.Set(position);
                    ref.SetUci(cmd);  // a refused FEN keeps the last position, a bad move ends the list
                    position = ref.Fen();
                }
                if (w[0] == "go") gos++, searches.push_back(position);
            }
        } else if (l == "<") {
            e.CloseInput();
        } else if (l.starts_with("@")) {
            std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(l.substr(1))));
        } else if (l.starts_with("=")) {
            finish(std::stoi(l.substr(1)));
        } else if (l.starts_with("!")) {
            forbid = l.substr(1);
        } else if (l.starts_with("&")) {
            const size_t eq = l.find('=');
            const std::string text = ReadFile(e.Dir() + "/" + l.substr(1, eq - 1)), want = l.substr(eq + 1);
            EXPECT_TRUE(Matches(want, text))
                << t.name << ": " << l << " but it holds\n" << text;
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
    const bool quit = std::find(t.lines.begin(), t.lines.end(), "> quit") != t.lines.end();
    if (uci && !quit) {
        EXPECT_EQ(answers, gos) << t.name << ": every go gets exactly one bestmove" << history();
    }
}
