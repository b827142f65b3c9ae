// UCI commands: identification, options, positions and move lists, search
// requests and their limits, ponderhit, stop and quit.
#include "engine/uci.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "engine/game.h"
#include "engine/messages.h"
#include "engine/session.h"
#include "engine/shell.h"
#include "search/records.h"
#include "search/root.h"
#include "search/threads.h"
#include "search/transposition.h"

namespace {

constexpr auto R = std::memory_order_relaxed;
constexpr int WORD_MAX = 127;
constexpr int MAX_MULTIPV = 256;
constexpr double UNLIMITED = 1e7;  // seconds: a search without a clock

int default_depth = 66;
double default_move_time = UNLIMITED;

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
    ShowMessage("uciok");
    PBlock.log_on.store(0, R);
    PBlock.own_book = 0;
    PBlock.protocol.store(2, R);
}

// strtol that saturates instead of overflowing and reads garbage as 0.
long ToInt(const char* text) {
    long v = std::strtol(text, nullptr, 10);
    return Clamp(v, -1000000000L, 1000000000L);
}

void SetHash(const char* value) {
    // The table is replaced under the search's feet otherwise.
    StopSearchAndWait();
    PBlock.hash_mb = int16_t(Clamp(ToInt(value), 0, 8192));
    if (InitTTable() != 0) std::exit(-1);
    // A search with no table switched it off; a table of any size brings it back.
    if (PBlock.hash_mb >= 1 && PBlock.use_hash.load(std::memory_order_relaxed) == 0)
        PBlock.use_hash.store(1, std::memory_order_relaxed);
    RekeyGame();  // the keys were drawn anew with the table
    ShowMessagef("info string Hash size set to %dM bytes", PBlock.hash_mb);
}

void SetThreads(const char* value) {
    int n = int(Clamp(ToInt(value), 1, MAX_THREADS));
    if (n != PBlock.nthreads.load(R)) {
        StopSearchAndWait();
        KillThreadPool(PBlock.nthreads.load(R));
        PBlock.nthreads.store(int8_t(n), R);
        int err = StartThreadPool(n);
        VELL_ASSERT(err == 0);
    }
    ShowMessagef("info string Threads set to %d", int(PBlock.nthreads.load(R)));
}

void ClearHash() {
    if (PBlock.use_hash.load(R) == 0) return;
    StopSearchAndWait();
    ClearTTable();
    ShowMessage("info string Hash table cleared");
}

void SetOption(const char* args) {
    const char* name = std::strstr(args, "name");
    if (!name) return;
    const char* value = std::strstr(args, "value");
    char opt[256], val[256];
    if (value && value > name) {
        const char* from = name + 5;
        long len = long(value - from) - 1;
        if (from > value) len = 0;
        len = Clamp(len, 0, sizeof opt - 1);
        std::memcpy(opt, from, size_t(len));
        opt[len] = 0;
        const char* v = std::strlen(value) >= 6 ? value + 6 : "";
        std::snprintf(val, sizeof val, "%s", v);
    } else {
        std::snprintf(opt, sizeof opt, "%s", std::strlen(name) >= 5 ? name + 5 : "");
        val[0] = 0;
    }
    if (!std::strcmp(opt, "Hash")) {
        SetHash(val);
    } else if (!std::strcmp(opt, "Threads")) {
        SetThreads(val);
    } else if (!std::strcmp(opt, "Communication Overhead")) {
        long v = Clamp(ToInt(val), 0, 5000);
        PBlock.overhead.store(double(v) / 1000.0, R);
        ShowMessagef("info string Communication Overhead set to %ld", v);
    } else if (!std::strcmp(opt, "Ponder")) {
        PBlock.ponder = !std::strcmp(val, "true");
    } else if (!std::strcmp(opt, "OwnBook")) {
        PBlock.own_book = !std::strcmp(val, "true");
        ShowMessagef("info string OwnBook set to %d", PBlock.own_book);
    } else if (!std::strcmp(opt, "BookFile")) {
        if (SetBookFile(val)) ShowMessagef("info string BookFile set to %s", val);
        else ShowMessagef("info string cannot open book file %s, book unchanged", val);
    } else if (!std::strcmp(opt, "Log")) {
        PBlock.log_on.store(!std::strcmp(val, "true"), R);
        ShowMessagef("info string Log set to %d", int(PBlock.log_on.load(R)));
    } else if (!std::strcmp(opt, "Clear Hash")) {
        ClearHash();
    } else if (!std::strcmp(opt, "MultiPV")) {
        PBlock.multipv.store(int16_t(Clamp(ToInt(val), 1, MAX_MULTIPV)), R);
        ShowMessagef("info string MultiPV set to %d", int(PBlock.multipv.load(R)));
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
        SetPosition(pos, fen_opn);
    } else if (char* fen = std::strstr(args, "fen")) {
        fen += 3;
        while (*fen == ' ') fen++;
        char why[128];
        pos->ply = 1;
        if (!LoadFen(pos, fen, why)) {
            ShowMessagef("info string bad FEN, position not changed: %s", why);
            return;
        }
    } else {
        return;
    }
    if (moves) PlayMoveList(moves);
    if (pos->nhist < HIST_SIZE) pos->hist[pos->nhist].move = 0;
}

// What a go line names; a limit it does not name is no limit.
struct GoRequest {
    double time[2] = {-1, -1}, inc[2] = {0, 0};
    double movetime = -1, nodes = 0, depth = 0, mate = 0, movestogo = -1;
    bool infinite = false, ponder = false;
    uint16_t moves[MAX_ROOT_MOVES];
    int nmoves = 0;
    bool named_moves = false;
};

// A number from outside: garbage reads as 0, NaN and huge values are cut.
double ToNumber(const char* text) {
    double v = text ? std::strtod(text, nullptr) : 0;
    return v > -1e12 && v < 1e12 ? v : 0;
}

void ParseGo(char* args, GoRequest* g) {
    static const char* const numbers[] = {"wtime", "btime", "winc", "binc", "movetime", "nodes", "depth", "mate",
                                          "movestogo"};
    double* slots[] = {&g->time[0], &g->time[1], &g->inc[0],  &g->inc[1],     &g->movetime,
                       &g->nodes,   &g->depth,   &g->mate,    &g->movestogo};
    bool in_moves = false;
    for (char* w = std::strtok(args, " \t"); w; w = std::strtok(nullptr, " \t")) {
        int key = -1;
        for (int i = 0; i < int(std::size(numbers)); i++)
            if (!std::strcmp(w, numbers[i])) key = i;
        if (key >= 0) {
            *slots[key] = ToNumber(std::strtok(nullptr, " \t"));
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
    PBlock.max_depth.store(int8_t(g.depth >= 1 ? std::min(g.depth, 66.0) : default_depth), R);
    PBlock.node_limit.store(g.nodes >= 1 ? uint64_t(g.nodes) : 0, R);
    PBlock.mate_limit.store(int16_t(g.mate >= 1 ? std::min(g.mate, 999.0) : 0), R);
    PBlock.increment.store(0, R);
    if (g.movetime >= 0) {
        PBlock.tc_mode.store(1, R);
        PBlock.move_time.store(g.movetime * 0.001, R);
    } else if (g.time[side] >= 0 && !g.infinite) {
        // A clock below zero means the same as an empty one.
        for (int c = 0; c < 2; c++) PBlock.clock[c].store(std::max(g.time[c], 0.0) * 0.001, R);
        PBlock.increment.store(std::max(g.inc[side], 0.0) * 0.001, R);
        PBlock.tc_mode.store(g.movestogo >= 0 ? 40 : 0, R);
        // "movestogo 0" is read as one move to go.
        PBlock.moves_to_go.store(int16_t(std::clamp(g.movestogo, 1.0, 1000.0)), R);
    } else {
        PBlock.tc_mode.store(1, R);
        PBlock.move_time.store(g.infinite ? UNLIMITED : default_move_time, R);
    }
    if (g.named_moves && g.nmoves == 0) ShowMessage("info string no legal move in searchmoves, all moves searched");
    LimitRootMoves(g.moves, g.nmoves);
    if (g.infinite) HoldAnswerUntilStop();
    PBlock.next_ponder_state.store(g.ponder ? 2 : 1, R);
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
    size_t len = std::strcspn(line, " \r\n");
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
        if (PBlock.ponder_state.load(R) == 2) PBlock.ponder_state.store(1, R);
    } else if (!std::strcmp(cmd, "stop")) {
        // Answered before the next command is read, so a client that sends
        // isready next gets this bestmove first.
        computer = 2;
        StopSearchAndWait();
    } else if (!std::strcmp(cmd, "quit")) {
        PBlock.stop.store(2, R);
        PBlock.quit.store(1, R);
    }
}
