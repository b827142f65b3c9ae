// UCI commands: identification, options, positions and move lists, search
// requests and their limits, ponderhit, stop and quit.
#include "engine/uci.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <strings.h>

#include "base/messages.h"
#include "base/relaxed.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "engine/session.h"
#include "engine/shell.h"
#include "game/game.h"
#include "search/root.h"
#include "search/tablebase.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "thread/records.h"

namespace {

constexpr int WORD_MAX = 127;
constexpr int MAX_MULTIPV = 256;
constexpr double UNLIMITED = 1e7;  // seconds: a search without a clock

int default_depth = 66;
double default_move_time = UNLIMITED;
// The level is kept while the limit is off, as GUIs set the two apart.
bool limit_strength = false;
long uci_elo = ELO_MIN;

long Clamp(long v, long lo, long hi) { return v < lo ? lo : v > hi ? hi : v; }

void Identify() {
    ShowMessagef("id name %s", version);
    ShowMessage("id author Quorvik");
    ShowMessage("option name Hash type spin default 64 min 0 max 8192");
    ShowMessage("option name Threads type spin default 1 min 1 max 64");
    ShowMessage("option name Ponder type check default true");
    ShowMessage("option name Clear Hash type button");
    ShowMessage("option name Communication Overhead type spin default 25 min 0 max 5000");
    ShowMessage("option name OwnBook type check default false");
    ShowMessage("option name BookFile type string default vell.opn");
    ShowMessage("option name Log type check default false");
    ShowMessagef("option name MultiPV type spin default 1 min 1 max %d", MAX_MULTIPV);
    ShowMessage("option name UCI_LimitStrength type check default false");
    ShowMessagef("option name UCI_Elo type spin default %d min %d max %d", ELO_MIN, ELO_MIN, ELO_MAX);
    ShowMessage("option name UCI_Chess960 type check default false");
    if (TablebaseSupported()) {
        ShowMessage("option name SyzygyPath type string default <empty>");
        ShowMessage("option name SyzygyProbeDepth type spin default 1 min 1 max 100");
        ShowMessage("option name Syzygy50MoveRule type check default true");
        ShowMessage("option name SyzygyProbeLimit type spin default 7 min 0 max 7");
    }
    ShowMessage("uciok");
    PBlock.log_on.store(0, R);
    PBlock.own_book = 0;
    SetProtocol(Protocol::Uci);
}

// A whole number from an option value, saturated; false when the value is no number.
bool ReadSpin(const char* option, const char* text, long lo, long hi, long* out) {
    char* end;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end) {
        ShowMessagef("info string bad value '%.40s' for %s, option unchanged", text, option);
        return false;
    }
    *out = Clamp(v, lo, hi);
    return true;
}

bool ReadCheck(const char* option, const char* text, bool* out) {
    if (strcasecmp(text, "true") && strcasecmp(text, "false")) {
        ShowMessagef("info string bad value '%.40s' for %s, option unchanged", text, option);
        return false;
    }
    *out = !strcasecmp(text, "true");
    return true;
}

// Table and thread changes asked for while a search waits for "stop": they
// would end it and answer it early, so they wait for its answer.
struct PendingOptions {
    long hash = -1, threads = -1;
    bool clear = false;
};
PendingOptions pending;

void SetHash(long mb);
void SetThreads(long n);
void ClearHash();

void ApplyPendingOptions() {
    const PendingOptions p = pending;
    pending = PendingOptions{};
    if (p.threads >= 0) SetThreads(p.threads);
    if (p.hash >= 0) SetHash(p.hash);
    if (p.clear) ClearHash();
}

// True when the change was put off until the search under way is answered.
bool PutOff(const char* what, long* slot, long value) {
    if (!SearchWaitsForStop()) return false;
    if (slot)
        *slot = value;
    else
        pending.clear = true;
    AfterAnswer(ApplyPendingOptions);
    ShowMessagef("info string %s is applied when the search ends", what);
    return true;
}

void SetHash(long mb) {
    if (PutOff("Hash", &pending.hash, mb)) return;
    // The table is replaced under the search's feet otherwise.
    StopSearchAndWait();
    const int16_t old_mb = PBlock.hash_mb;
    PBlock.hash_mb = int16_t(mb);
    if (InitTTable() != 0) {
        // Without the memory the old table (and its keys) stays as it was.
        PBlock.hash_mb = old_mb;
        ShowMessagef("info string cannot allocate %ldM bytes, Hash stays at %dM bytes", mb, int(old_mb));
        return;
    }
    // A search with no table switched it off; a table of any size brings it back.
    if (PBlock.hash_mb >= 1 && PBlock.use_hash.load(std::memory_order_relaxed) == 0)
        PBlock.use_hash.store(1, std::memory_order_relaxed);
    RekeyGame();  // the keys were drawn anew with the table
    ShowMessagef("info string Hash size set to %dM bytes", PBlock.hash_mb);
}

void SetThreads(long n) {
    if (PutOff("Threads", &pending.threads, n)) return;
    if (n != PBlock.nthreads.load(R)) {
        StopSearchAndWait();
        KillThreadPool(PBlock.nthreads.load(R));
        PBlock.nthreads.store(int8_t(n), R);
        // Short of memory the threads that got theirs search; without even
        // one the engine cannot go on.
        if (const int started = StartSearchThreads(); started < n) {
            if (started == 0) {
                ShowMessage("info string no memory for a search thread");
                std::exit(1);
            }
            ShowMessagef("info string no memory for more than %d threads", started);
        }
    }
    ShowMessagef("info string Threads set to %d", int(PBlock.nthreads.load(R)));
}

void ClearHash() {
    if (PBlock.use_hash.load(R) == 0 || PutOff("Clear Hash", nullptr, 0)) return;
    StopSearchAndWait();
    ClearTTable();
    ShowMessage("info string Hash table cleared");
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies the words of text into out with single blanks between them.
void CopyWords(const char* text, const char* end, char* out, size_t size) {
    size_t n = 0;
    for (const char* t = text; t < end; t++) {
        if (IsBlank(*t)) {
            if (n > 0 && out[n - 1] != ' ' && n + 1 < size) out[n++] = ' ';
        } else if (n + 1 < size) {
            out[n++] = *t;
        }
    }
    if (n > 0 && out[n - 1] == ' ') n--;
    out[n] = 0;
}

// The word "value" after the name, with a blank before it; nullptr when there is none.
const char* FindValueWord(const char* name) {
    for (const char* v = std::strstr(name, "value"); v; v = std::strstr(v + 1, "value"))
        if (v > name && IsBlank(v[-1]) && (!v[5] || IsBlank(v[5]))) return v;
    return nullptr;
}

// Option names are matched in any case and with any blanks between their words,
// as GUIs send them; the value is everything after "value" as it stands but
// for the blanks at its ends (a book's path may hold runs of blanks and tabs).
void SetOption(const char* args) {
    const char* name = std::strstr(args, "name");
    if (!name) return;
    name += 4;
    const char* value = FindValueWord(name);
    char opt[256], val[256];
    CopyWords(name, value ? value : name + std::strlen(name), opt, sizeof opt);
    const char* v = value ? value + 5 : "";
    while (IsBlank(*v)) v++;
    size_t len = std::strlen(v);
    while (len > 0 && IsBlank(v[len - 1])) len--;
    // A longer path could only be cut to name another file.
    if (len >= sizeof val) {
        ShowMessagef("info string value for %.40s longer than %d characters, option unchanged", opt,
                     int(sizeof val - 1));
        return;
    }
    std::memcpy(val, v, len);
    val[len] = 0;
    long n;
    bool on;
    if (!strcasecmp(opt, "Hash")) {
        if (ReadSpin("Hash", val, 0, 8192, &n)) SetHash(n);
    } else if (!strcasecmp(opt, "Threads")) {
        if (ReadSpin("Threads", val, 1, MAX_THREADS, &n)) SetThreads(n);
    } else if (!strcasecmp(opt, "Communication Overhead")) {
        if (!ReadSpin("Communication Overhead", val, 0, 5000, &n)) return;
        PBlock.overhead.store(double(n) / 1000.0, R);
        ShowMessagef("info string Communication Overhead set to %ld", n);
    } else if (!strcasecmp(opt, "Ponder")) {
        if (ReadCheck("Ponder", val, &on)) PBlock.ponder = on;
    } else if (!strcasecmp(opt, "OwnBook")) {
        if (!ReadCheck("OwnBook", val, &on)) return;
        PBlock.own_book = on;
        ShowMessagef("info string OwnBook set to %d", PBlock.own_book);
    } else if (!strcasecmp(opt, "BookFile")) {
        if (SetBookFile(val))
            ShowMessagef("info string BookFile set to %s", val);
        else
            ShowMessagef("info string cannot open book file %s, book unchanged", val);
    } else if (!strcasecmp(opt, "Log")) {
        if (!ReadCheck("Log", val, &on)) return;
        PBlock.log_on.store(on, R);
        ShowMessagef("info string Log set to %d", int(PBlock.log_on.load(R)));
    } else if (!strcasecmp(opt, "Clear Hash")) {
        ClearHash();
    } else if (TablebaseSupported() && !strcasecmp(opt, "SyzygyPath")) {
        StopSearchAndWait();  // no search may probe while the tables change
        char msg[300];
        TablebaseInit(val, msg, sizeof msg);
        ShowMessagef("info string %s", msg);
    } else if (TablebaseSupported() && !strcasecmp(opt, "SyzygyProbeDepth")) {
        if (ReadSpin("SyzygyProbeDepth", val, 1, 100, &n)) tb_settings.probe_depth.store(int(n), R);
    } else if (TablebaseSupported() && !strcasecmp(opt, "Syzygy50MoveRule")) {
        if (ReadCheck("Syzygy50MoveRule", val, &on)) tb_settings.rule50.store(on, R);
    } else if (TablebaseSupported() && !strcasecmp(opt, "SyzygyProbeLimit")) {
        if (!ReadSpin("SyzygyProbeLimit", val, 0, 7, &n)) return;
        tb_settings.probe_limit.store(int(n), R);
        TablebaseLimitChanged();
    } else if (!strcasecmp(opt, "UCI_Chess960")) {
        // Takes effect with the next position command, as GUIs send it.
        if (!ReadCheck("UCI_Chess960", val, &on)) return;
        SetChess960(on);
        ShowMessagef("info string UCI_Chess960 set to %d", int(on));
    } else if (!strcasecmp(opt, "MultiPV")) {
        if (!ReadSpin("MultiPV", val, 1, MAX_MULTIPV, &n)) return;
        PBlock.multipv.store(int16_t(n), R);
        ShowMessagef("info string MultiPV set to %d", int(PBlock.multipv.load(R)));
    } else if (!strcasecmp(opt, "UCI_LimitStrength")) {
        if (!ReadCheck("UCI_LimitStrength", val, &limit_strength)) return;
        SetStrength(limit_strength ? int(uci_elo) : 0);
        ShowMessagef("info string UCI_LimitStrength set to %d", int(limit_strength));
    } else if (!strcasecmp(opt, "UCI_Elo")) {
        if (!ReadSpin("UCI_Elo", val, ELO_MIN, ELO_MAX, &uci_elo)) return;
        SetStrength(limit_strength ? int(uci_elo) : 0);
        ShowMessagef("info string UCI_Elo set to %ld", uci_elo);
    }
}

void NewGame() {
    StopSearchAndWait();
    GamePos()->nhist = GamePos()->ncut = 0;
    if (PBlock.use_hash.load(R)) ClearTTable();
}

// Coordinate move text (e2e4, e7e8q) to a move word; 0 when it names no squares.
uint16_t ParseCoord(const char* t) {
    if (std::strlen(t) < 4) return 0;
    if (t[0] < 'a' || t[0] > 'h' || t[1] < '1' || t[1] > '8') return 0;
    if (t[2] < 'a' || t[2] > 'h' || t[3] < '1' || t[3] > '8') return 0;
    int from = (t[1] - '1') * 8 + (t[0] - 'a');
    int to = (t[3] - '1') * 8 + (t[2] - 'a');
    uint16_t promo = 0;
    switch (t[4]) {
        case 'q':
            promo = PROMO_Q;
            break;
        case 'r':
            promo = PROMO_R;
            break;
        case 'b':
            promo = PROMO_B;
            break;
        case 'n':
            promo = PROMO_N;
            break;
        default:
            break;
    }
    return MakeMoveWord(from, to, promo);
}

// Plays the move list on the game position; stops at the first move that is
// not legal where it stands.
void PlayMoveList(char* moves) {
    for (char* word = std::strtok(moves, " \t\r\n"); word; word = std::strtok(nullptr, " \t\r\n")) {
        uint16_t move = ParseCoord(word);
        if (!IsLegalMove(GamePos(), move)) {
            ShowMessagef("info string illegal move %.40s", word);
            break;
        }
        PlayGameMove(move);
    }
}

void SetUpPosition(char* args) {
    StopSearchAndWait();
    char* moves = std::strstr(args, "moves");
    if (moves) {
        if (moves > args) moves[-1] = 0;
        moves = moves[5] ? moves + 6 : moves + 5;
    }
    Position* pos = GamePos();
    if (std::strstr(args, "startpos")) {
        pos->ply = 1;
        SetPosition(pos, fen_opn, Chess960());
    } else if (char* fen = std::strstr(args, "fen")) {
        fen += 3;
        while (*fen == ' ') fen++;
        char why[128];
        pos->ply = 1;
        if (!LoadFen(pos, fen, Chess960(), why)) {
            ShowMessagef("info string bad FEN, position not changed: %s", why);
            return;
        }
        pos->fifty = FenHalfmoveClock(fen);
    } else {
        return;
    }
    if (moves) PlayMoveList(moves);
    if (pos->nhist < HIST_SIZE) pos->hist[pos->nhist].move = 0;
}

// What a go line names; a limit it does not name is no limit.
constexpr double NOT_NAMED = -1e18;
struct GoRequest {
    double time[2] = {NOT_NAMED, NOT_NAMED}, inc[2] = {0, 0};
    double movetime = NOT_NAMED, nodes = NOT_NAMED, depth = NOT_NAMED, mate = NOT_NAMED,
           movestogo = NOT_NAMED;
    bool infinite = false, ponder = false;
    uint16_t moves[MAX_ROOT_MOVES];
    int nmoves = 0;
    bool named_moves = false;
};

// The word after a limit is its number only when it starts as one; any other
// word is read as the next keyword ("go depth infinite" is still infinite).
bool IsNumber(const char* t) {
    if (*t == '+' || *t == '-') t++;
    if (*t == '.') t++;
    return *t >= '0' && *t <= '9';
}

// Huge values saturate: "nodes 1e30" is as good as no node limit, not a
// limit of one node.
double ToNumber(const char* text) { return std::clamp(std::strtod(text, nullptr), -1e12, 1e12); }

void ParseGo(char* args, GoRequest* g) {
    static const char* const numbers[] = {"wtime", "btime", "winc", "binc",     "movetime",
                                          "nodes", "depth", "mate", "movestogo"};
    double* slots[] = {&g->time[0], &g->time[1], &g->inc[0], &g->inc[1],   &g->movetime,
                       &g->nodes,   &g->depth,   &g->mate,   &g->movestogo};
    bool in_moves = false;
    int key = -1;  // a limit still waiting for its number
    for (char* w = std::strtok(args, " \t"); w; w = std::strtok(nullptr, " \t")) {
        if (key >= 0 && IsNumber(w)) {
            *slots[key] = ToNumber(w);
            key = -1;
            continue;
        }
        key = -1;
        for (int i = 0; i < int(std::size(numbers)); i++)
            if (!std::strcmp(w, numbers[i])) key = i;
        if (key >= 0) {
            *slots[key] = 0;  // named without a number: read as 0 unless one follows
            in_moves = false;
        } else if (!std::strcmp(w, "infinite")) {
            g->infinite = true;
        } else if (!std::strcmp(w, "ponder")) {
            g->ponder = true;
        } else if (!std::strcmp(w, "searchmoves")) {
            in_moves = g->named_moves = true;
        } else if (in_moves) {
            uint16_t m = ParseCoord(w);
            if (IsLegalMove(GamePos(), m) && g->nmoves < MAX_ROOT_MOVES) g->moves[g->nmoves++] = m;
        }
    }
}

// Every go starts from fresh limits: only what it names limits the search.
void Go(char* args) {
    StopSearchAndWait();
    GoRequest g;
    ParseGo(args, &g);
    const int side = GamePos()->side;
    computer = side;
    // A named limit always limits: depth, nodes or mate of 0 or less (or none
    // given) mean 1, a clock or move time below zero means an empty one.
    auto named = [](double v) { return v != NOT_NAMED; };
    PBlock.max_depth.store(int8_t(named(g.depth) ? std::clamp(g.depth, 1.0, 66.0) : default_depth), R);
    PBlock.node_limit.store(named(g.nodes) ? uint64_t(std::max(g.nodes, 1.0)) : 0, R);
    PBlock.mate_limit.store(int16_t(named(g.mate) ? std::clamp(g.mate, 1.0, 999.0) : 0), R);
    PBlock.increment.store(0, R);
    if (named(g.movetime)) {
        PBlock.tc_mode.store(TcMode::MoveTime, R);
        PBlock.move_time.store(std::max(g.movetime, 0.0) * 0.001, R);
    } else if (named(g.time[side]) && !g.infinite) {
        for (int c = 0; c < 2; c++) PBlock.clock[c].store(std::max(g.time[c], 0.0) * 0.001, R);
        PBlock.increment.store(std::max(g.inc[side], 0.0) * 0.001, R);
        PBlock.tc_mode.store(named(g.movestogo) ? TcMode::Session : TcMode::SuddenDeath, R);
        // "movestogo 0" is read as one move to go.
        PBlock.moves_to_go.store(int16_t(std::clamp(g.movestogo, 1.0, 1000.0)), R);
    } else {
        PBlock.tc_mode.store(TcMode::MoveTime, R);
        PBlock.move_time.store(g.infinite ? UNLIMITED : default_move_time, R);
    }
    if (g.named_moves && g.nmoves == 0)
        ShowMessage("info string no legal move in searchmoves, all moves searched");
    LimitRootMoves(g.moves, g.nmoves);
    if (g.infinite) HoldAnswerUntilStop();
    RequestSearch(g.ponder ? PonderState::Ponder : PonderState::Search);
}

}  // namespace

void SetGoDefaults(int depth, double move_time) {
    default_depth = int(Clamp(depth, 1, 66));
    default_move_time = move_time;
}

void HandleUCI(char* line) {
    if (char* lf = std::strchr(line, '\n')) *lf = 0;
    if (!line[0]) return;
    if (PBlock.log_on.load(R)) ShowMessagef("CMD: %s", line);
    // Tokens may be separated by any run of blanks, tabs included.
    while (IsBlank(*line)) line++;
    size_t len = std::strcspn(line, " \t\r\n");
    if (len > WORD_MAX) return;  // no command is that long
    char cmd[WORD_MAX + 1];
    std::memcpy(cmd, line, len);
    cmd[len] = 0;
    char* args = line + len + (line[len] ? 1 : 0);

    if (!std::strcmp(cmd, "uci")) {
        Identify();
    } else if (!std::strcmp(cmd, "isready")) {
        // An idle engine first maps in a new table's memory; a running search is answered at once.
        if (!SearchThreadsBusy()) WaitTTableMapped();
        ShowMessage("readyok");
    } else if (!std::strcmp(cmd, "setoption")) {
        SetOption(args);
    } else if (!std::strcmp(cmd, "ucinewgame")) {
        NewGame();
    } else if (!std::strcmp(cmd, "position")) {
        SetUpPosition(args);
    } else if (!std::strcmp(cmd, "go")) {
        Go(args);
    } else if (!std::strcmp(cmd, "ponderhit")) {
        PonderHit();
    } else if (!std::strcmp(cmd, "stop")) {
        // Answered before the next command is read, so a client that sends
        // isready next gets this bestmove first.
        computer = 2;
        StopSearchAndWait();
    } else if (!std::strcmp(cmd, "quit")) {
        QuitEngine();
    }
}
