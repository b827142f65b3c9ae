// UCI commands: identification, options (their table is engine/options),
// positions and move lists, search requests and their limits, ponderhit, stop
// and quit, and the debugging commands (go perft, d, eval).
#include "engine/uci.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "base/messages.h"
#include "base/relaxed.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "engine/main_loop.h"
#include "engine/options.h"
#include "engine/shell.h"
#include "game/game.h"
#include "search/batch.h"
#include "search/output.h"
#include "search/root.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "thread/movelist.h"
#include "thread/records.h"
#include "tools/epd.h"

namespace {

#ifdef VELL_TUNE
// A build for tuning farms, whose match runners set what uci lists.
constexpr bool LIST_PARAMETERS = true;
#else
// A GUI would show a spin box for every evaluation weight.
constexpr bool LIST_PARAMETERS = false;
#endif

constexpr int WORD_MAX = 127;
constexpr long MAX_PERFT_DEPTH = 20;  // as the console's perft
int default_depth = MAX_DEPTH;
double default_move_time = UNLIMITED_TIME;
// The move number and side to move of the last position set up, which the
// FEN that d shows counts on from.
int setup_move_number = 1;
bool setup_black = false;

// Logging and the book are off for a GUI until it asks for them.
void Identify() {
    ShowMessagef("id name %s", version);
    ShowMessage("id author Quorvik");
    ListOptions(LIST_PARAMETERS);
    ShowMessage("uciok");
    char msg[8];
    SetOption(OptionId::Log, "false", msg, sizeof msg);
    SetOption(OptionId::OwnBook, "false", msg, sizeof msg);
    SetProtocol(Protocol::Uci);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int FullMoveNumber(const Position* pos) {
    return setup_move_number + (int(setup_black) + pos->nhist + pos->ncut) / 2;
}

void NewGame() {
    StopSearchAndWait();
    setup_move_number = FullMoveNumber(GamePos());
    setup_black = GamePos()->side == BLACK;
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
        setup_move_number = 1;
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
        setup_move_number = FenMoveNumber(fen);
    } else {
        return;
    }
    setup_black = pos->side == BLACK;
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
    Limits l;
    l.depth = named(g.depth) ? int(std::clamp(g.depth, 1.0, double(MAX_DEPTH))) : default_depth;
    l.nodes = named(g.nodes) ? uint64_t(std::max(g.nodes, 1.0)) : 0;
    l.mate = named(g.mate) ? int(std::clamp(g.mate, 1.0, 999.0)) : 0;
    if (named(g.movetime)) {
        l.tc_mode = TcMode::MoveTime;
        l.move_time = std::max(g.movetime, 0.0) * 0.001;
    } else if (named(g.time[side]) && !g.infinite) {
        for (int c = 0; c < 2; c++) l.clock[c] = std::max(g.time[c], 0.0) * 0.001;
        l.increment = std::max(g.inc[side], 0.0) * 0.001;
        l.tc_mode = named(g.movestogo) ? TcMode::Session : TcMode::SuddenDeath;
        // "movestogo 0" is read as one move to go.
        l.moves_to_go = int(std::clamp(g.movestogo, 1.0, 1000.0));
    } else {
        l.tc_mode = TcMode::MoveTime;
        l.move_time = g.infinite ? UNLIMITED_TIME : default_move_time;
    }
    if (g.named_moves && g.nmoves == 0)
        ShowMessage("info string no legal move in searchmoves, all moves searched");
    std::copy(g.moves, g.moves + g.nmoves, l.search_moves);
    l.nsearch_moves = g.nmoves;
    l.kind = g.ponder ? PonderState::Ponder : PonderState::Search;
    l.limit_strength = true;
    l.own_book = OptionNumber(OptionId::OwnBook) != 0;
    l.multipv = PBlock.multipv.load(R);
    l.show_wdl = PBlock.show_wdl.load(R) != 0;
    l.info_delay = PBlock.info_delay.load(R);
    l.use_hash = PBlock.use_hash.load(R) != 0;
    if (g.infinite) HoldAnswerUntilStop();
    RequestSearch(l);
}

// The debugging commands use the game board and the search's records, so they
// wait for no search and disturb none: during one they are refused.
bool NoSearchRuns(const char* what) {
    if (PBlock.ponder_state.load(R) == PonderState::Idle && !SearchThreadsBusy()) return true;
    ShowMessagef("info string %s is answered between searches only, the search goes on", what);
    return false;
}

void ShowPerftMove(Position* pos, uint16_t move, uint64_t nodes) {
    char text[8];
    ShowMessagef("%s: %llu", MoveToStr(move, UserMoveStyle(pos), text, pos), (unsigned long long)nodes);
}

// go perft N: the count under each legal move, then the total. The count
// runs to its end; lines sent meanwhile are read after it.
void GoPerft(const char* args) {
    if (!NoSearchRuns("go perft")) return;
    const long depth = IsNumber(args) ? std::clamp<long>(std::atol(args), 1, MAX_PERFT_DEPTH) : 1;
    ThreadRec* td = LookingCopy(GamePos());
    td->nodes.store(0, R);
    PerftSplit(td, int(depth), [] { return false; }, ShowPerftMove);
    ShowMessagef("nodes %llu", (unsigned long long)td->nodes.load(R));
}

// d: the board as the console shows it, the whole FEN and the position's key.
void ShowPositionInfo() {
    if (!NoSearchRuns("d")) return;
    const Position* pos = GamePos();
    ShowBoard(pos);
    char epd[128];
    MakeEPD(pos, epd);
    ShowMessagef("Fen: %s %d %d", epd, int(pos->fifty), FullMoveNumber(pos));
    ShowMessagef("Key: %016llX", (unsigned long long)pos->hash);
}

void ShowEvaluation() {
    if (!NoSearchRuns("eval")) return;
    RefreshChangedEvaluation();
    ShowEvalInfo();
}

bool FirstWordIs(const char* text, const char* word) {
    while (IsBlank(*text)) text++;
    const size_t n = std::strlen(word);
    return !std::strncmp(text, word, n) && (!text[n] || IsBlank(text[n]));
}

}  // namespace

void SetGoDefaults(int depth, double move_time) {
    default_depth = int(std::clamp<long>(depth, 1, MAX_DEPTH));
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
        SetOptionCommand(args);
    } else if (!std::strcmp(cmd, "ucinewgame")) {
        NewGame();
    } else if (!std::strcmp(cmd, "position")) {
        SetUpPosition(args);
    } else if (!std::strcmp(cmd, "go") && FirstWordIs(args, "perft")) {
        const char* depth = std::strstr(args, "perft") + 5;
        while (IsBlank(*depth)) depth++;
        GoPerft(depth);
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
        // Scripts send quit right after go: the search under way ends and is
        // answered, so every go gets its bestmove.
        StopSearchAndWait();
        QuitEngine();
    } else if (!std::strcmp(cmd, "d")) {
        ShowPositionInfo();
    } else if (!std::strcmp(cmd, "eval")) {
        ShowEvaluation();
    } else if (!std::strcmp(cmd, "help")) {
        // A person typing to the engine: one line, no UCI client sends this word.
        ShowMessage("this is UCI mode, for chess GUIs (type uci to start); for the console, run vell -c");
    }
}
