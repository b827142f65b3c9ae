// Console commands: setting up and stepping through games, analysis and
// self-play requests, time controls, PGN load and save, test positions, perft,
// the exchange test, book and tuning commands, and typed moves.
#include "engine/console.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <unistd.h>

#include "base/linereader.h"
#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/bitboard.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "book/mkbook.h"
#include "engine/main_loop.h"
#include "engine/options.h"
#include "engine/parameters.h"
#include "engine/shell.h"
#include "eval/params.h"
#include "game/game.h"
#include "search/batch.h"
#include "search/output.h"
#include "search/selectivity.h"
#include "search/tablebase.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "thread/gameend.h"
#include "thread/movelist.h"
#include "thread/records.h"
#include "tools/annotate.h"
#include "tools/epd.h"
#include "tools/pgn.h"
#include "tools/tune.h"

namespace {

constexpr int WORD_MAX = 127;
constexpr int NARGS = 9;

struct Words {
    char cmd[WORD_MAX + 2];             // one spare byte: a typed move may grow by one
    char arg[NARGS + 1][WORD_MAX + 2];  // arg[1] .. arg[9]
    const char* rest;                   // the line after the command word and one blank
};

void SplitLine(const char* line, Words* w) {
    std::memset(w, 0, sizeof *w);
    const char* p = line;
    for (int i = 0; i <= NARGS; i++) {
        while (*p == ' ') p++;
        char* out = i == 0 ? w->cmd : w->arg[i];
        int n = 0;
        while (*p && *p != ' ') {
            if (n < WORD_MAX) out[n++] = *p;
            p++;
        }
        out[n] = 0;
        if (i == 0) w->rest = *p ? p + 1 : p;
    }
}

bool ParseInt(const char* s, long* v) {
    if (!*s) return false;
    char* end;
    *v = std::strtol(s, &end, 10);
    return *end == 0 && *v > -1000000000L && *v < 1000000000L;
}

bool ParseNum(const char* s, double* v) {
    if (!*s) return false;
    char* end;
    *v = std::strtod(s, &end);
    return *end == 0 && std::isfinite(*v) && std::fabs(*v) < 1e9;
}

// The rest of the line without the blanks around it: a file name may hold blanks.
void RestOfLine(const Words& w, char* out, size_t size) {
    const char* p = w.rest;
    while (*p == ' ') p++;
    size_t len = std::strlen(p);
    while (len > 0 && p[len - 1] == ' ') len--;
    std::snprintf(out, size, "%.*s", int(len), p);
}

// The report runs a search of its own on search thread 1's record, so the
// search under way ends first.
void ShowReport() {
    StopSearchAndWait();
    RefreshChangedEvaluation();
    ShowEvalInfo();
}

void Show() {
    if (PBlock.debug)
        ShowReport();
    else
        ShowGameBoard(GamePos());
}

// What a command does to the search under way, taken care of before the
// command runs. STOP: it uses the search's records or the game position, so
// the search ends first (answered as usual). GAME: it changes the game or
// starts a search of its own, so self-play and any search about to start end
// as well, and the finished search's move stays off the board. BATCH: it is a
// batch run that polls the input; the commands typed meanwhile are refused.
enum : uint8_t { STOP = 1, GAME = 2 | STOP, BATCH = 4 };

void Prepare(uint8_t flags) {
    if (flags & GAME) KeepEngineMoveOff();
    if (flags & STOP) StopSearchAndWait();
}

void SetClocks() {
    double t = ConsoleLimits().move_time;
    ConsoleLimits().clock[0] = t;
    ConsoleLimits().clock[1] = t;
}

void MakeGameMove(uint16_t move) {
    MakeMove(GamePos(), move);
    GamePos()->ply = 1;
}

void UnmakeGameMove() {
    UnmakeMove(GamePos());
    GamePos()->ply = 1;
}

bool RecordFull() {
    if (GamePos()->nhist < GAME_MAX) return false;
    ShowMessagef("game record full (%d plies), move not played", GAME_MAX);
    return true;
}

void TakeBackAll() {
    while (GamePos()->nhist > 0) UnmakeGameMove();
}

// The recorded move after the current position, if it can still be played.
uint16_t RecordedMove() {
    Position* pos = GamePos();
    if (pos->nhist >= GAME_MAX) return 0;
    uint16_t m = pos->hist[pos->nhist].move;
    return IsLegalMove(pos, m) ? m : 0;
}

// The game loaded last, whose tags a save keeps while the game on the board
// is still that one, and the number of the first move of the game on the board.
PgnGame loaded;
bool have_loaded;
char last_file[256];  // the file a game was loaded from last
int first_move = 1;

void ForgetLoadedGame(int number = 1) {
    have_loaded = false;
    first_move = number;
    SetFirstMoveNumber(number);
}

// The colour the person took in the last game against Vell on this board
// (-1: none), and the level it was played at, for the tags of a save.
int person_side = -1;

// A new game from the standard start, or from Chess960 start position n.
void NewGame(int n = -1) {
    SetOpponentGame(-1);
    ForgetLoadedGame();
    char fen[100];
    SetChess960(n >= 0);
    if (n >= 0) Chess960StartFen(n, fen);
    GamePos()->ply = 1;
    person_side = -1;
    SetPosition(GamePos(), n >= 0 ? fen : fen_opn, n >= 0);
    if (n >= 0) ShowMessagef("Chess960 start position %d", n);
    ShowGameBoard(GamePos());
    computer = 2;
    SetClocks();
}

// new960 [N]: start position N (0..959), a random one without N.
void NewGame960(const Words& w) {
    char* end;
    long n = std::strtol(w.arg[1], &end, 10);
    if (!w.arg[1][0]) {
        n = std::rand() % 960;
    } else if (*end || n < 0 || n > 959) {
        ShowMessagef("no Chess960 start position '%.40s': give a number from 0 to 959", w.arg[1]);
        return;
    }
    NewGame(int(n));
}

// A FEN from the user: refused with the reason when it is no position. A
// Chess960 position switches the game to Chess960.
bool LoadUserFen(const char* fen) {
    char why[128];
    const bool chess960 = Chess960() || FenNeedsChess960(fen);
    GamePos()->ply = 1;
    if (LoadFen(GamePos(), fen, chess960, why)) {
        SetChess960(chess960);
        GamePos()->fifty = FenHalfmoveClock(fen);
        ForgetLoadedGame(FenMoveNumber(fen));
        return true;
    }
    ShowMessagef("bad FEN, position not changed: %s", why);
    return false;
}

// The level and depth last set with level and depth (sd); time and otim
// change the console's clocks, and a game against Vell takes these back.
struct LevelRec {
    TcMode mode;
    int moves;
    double time, inc;
    int depth;
} level;

void ApplyLevel() {
    ConsoleLimits().tc_mode = level.mode;
    ConsoleLimits().session_moves = level.moves;
    ConsoleLimits().move_time = level.time;
    ConsoleLimits().increment = level.inc;
    ConsoleLimits().depth = level.depth;
    SetClocks();
}

void Level(const Words& w) {
    long moves;
    double time = 0, inc = 0;
    bool ok = ParseInt(w.arg[1], &moves) && moves >= 0 && moves <= 255;
    if (ok) {
        if (const char* colon = std::strchr(w.arg[2], ':')) {
            char min[WORD_MAX + 2];
            std::snprintf(min, sizeof min, "%.*s", int(colon - w.arg[2]), w.arg[2]);
            double m, s;
            ok = ParseNum(min, &m) && ParseNum(colon + 1, &s);
            time = ok ? m * 60 + s : 0;
        } else {
            ok = ParseNum(w.arg[2], &time);
        }
    }
    if (ok && w.arg[3][0]) ok = ParseNum(w.arg[3], &inc);
    if (!ok || time < 0 || inc < 0) {
        ShowMessage("level needs moves, time (seconds or min:sec) and increment, e.g. level 40 5:00 0");
        return;
    }
    ConsoleLimits().move_time = time;
    ConsoleLimits().tc_mode = moves == 0   ? TcMode::SuddenDeath
                              : moves == 1 ? TcMode::MoveTime
                                           : TcMode::Session;
    ConsoleLimits().session_moves = int(moves);
    ConsoleLimits().increment = inc;
    ConsoleLimits().clock[0] = time;
    ConsoleLimits().clock[1] = time;
    level.mode = ConsoleLimits().tc_mode;
    level.moves = int16_t(moves);
    level.time = time;
    level.inc = inc;
    ShowMessagef("set level to %d moves in %0.2f seconds, inc %0.2f", int(moves), time, inc);
}

// An analysis has limits of its own; the console's settings stay as they are.
void Analyse(const Words& w, bool an) {
    Limits l = ConsoleSearchLimits();
    l.kind = PonderState::Analyse;
    l.limit_strength = false;  // analysis is never weakened
    l.tc_mode = TcMode::MoveTime;
    l.move_time = 99999;
    l.depth = MAX_DEPTH;
    if (an) {
        computer = 2;
        l.info_delay = 0;
        ShowMessage("analysing until a line is typed (any line typed stops it)");
    } else {
        // Without a depth, the one set with depth (sd) holds.
        long d = w.arg[1][0] ? std::atol(w.arg[1]) : level.depth;
        if (d >= 0 && d < MAX_DEPTH)
            l.depth = int(d);
        else
            ShowMessage("searching without a depth limit (any line typed stops it)");
    }
    if (PBlock.use_hash.load(R) <= 1) ClearTTable();
    RequestSearch(l);
}

void SearchAndPlay(bool self) {
    // A game that is over has no move to look for: say why instead.
    if (ShowGameEnd(GamePos())) return;
    if (self) {
        PBlock.ponder = 0;
        selfplay = 1;
    } else {
        computer = GamePos()->side;
    }
    RequestSearch(ConsoleSearchLimits());
}

// The first four fields of an EPD line, which are all a position needs.
void EpdFen(const char* line, char* fen, size_t size) {
    size_t n = 0;
    int fields = 0;
    const char* p = line;
    while (*p == ' ') p++;
    while (*p && n + 1 < size) {
        if (*p == ' ' && (++fields == 4 || p[1] == ' ')) break;
        fen[n++] = *p++;
    }
    fen[n] = 0;
}

void GetTestPosition(const Words& w) {
    FILE* f = OpenRegularFile("test.epd", "r");
    if (!f) return;
    char id[WORD_MAX + 16];
    std::snprintf(id, sizeof id, "id \"%s\"", w.arg[1]);
    char line[256], found[256] = "";
    while (std::fgets(line, sizeof line, f)) {
        if (line[0] == ';' || line[0] == ' ') continue;
        if (std::strstr(line, id)) {
            std::snprintf(found, sizeof found, "%s", line);
            break;
        }
    }
    std::fclose(f);
    found[std::strcspn(found, "\r\n")] = 0;
    ShowMessage(found);
    if (std::strlen(found) > 8) {
        char fen[256];
        EpdFen(found, fen, sizeof fen);
        LoadUserFen(fen);
    }
    ShowGameBoard(GamePos());
    ClearTTable();
}

void Redo() {
    uint16_t m = RecordedMove();
    if (!m) return;
    AnnounceMove(GamePos(), m);
    MakeGameMove(m);
    Show();
    ShowGameEnd(GamePos());
}

void Jump(const Words& w) {
    long n = std::atol(w.arg[1]);
    TakeBackAll();
    for (long i = 0; i < n; i++) {
        uint16_t m = RecordedMove();
        if (!m) break;
        MakeGameMove(m);
    }
    ShowGameBoard(GamePos());
}

// load FILE [N or TEXT]: game N (default 1), or the first game a line of
// which holds TEXT. FILE may hold blanks: when the whole rest of the line
// names no file, its last word is N or TEXT.
void LoadGame(const Words& w) {
    char file[512], tag_text[WORD_MAX + 2] = "";
    RestOfLine(w, file, sizeof file);
    if (char* blank = std::strrchr(file, ' '); blank && access(file, F_OK) != 0) {
        std::snprintf(tag_text, sizeof tag_text, "%s", blank + 1);
        *blank = 0;
        while (blank > file && blank[-1] == ' ') *--blank = 0;
    }
    const char* tag = tag_text;
    const bool numbered = !tag[0] || std::isdigit(static_cast<unsigned char>(tag[0]));
    if (numbered)
        ShowMessagef("loading game %ld of %s", tag[0] ? std::atol(tag) : 1L, file);
    else
        ShowMessagef("loading the first game of %s with %s", file, tag);
    static PgnReader reader;
    static PgnGame game;
    if (!OpenPgn(&reader, file)) {
        ShowMessagef("can't open %s", file);
        ClosePgn(&reader);
        SetClocks();
        return;
    }
    const bool by_number = numbered;
    long want = !tag[0] ? 1 : by_number ? std::atol(tag) : 0;
    reader.find = by_number ? nullptr : tag;
    bool found = false;
    while (!found && (!by_number || want >= 1) && ReadPgnGame(&reader, &game))
        found = by_number ? game.number == want : game.found;
    ClosePgn(&reader);
    Position* pos = GamePos();
    if (found && game.bad_start) {
        ShowMessage(game.problem);  // no position to set up: the board stays as it was
    } else if (found) {
        // The position changes only once the game is really there.
        AbortSearch();
        WaitSearchThreads();
        char why[128];
        pos->ply = 1;
        SetChess960(game.chess960);
        LoadFen(pos, game.fen, game.chess960, why);  // the reader has played from it already
        pos->fifty = FenHalfmoveClock(PgnTagValue(game, "FEN"));
        for (int i = 0; i < game.count && !RecordFull(); i++) MakeGameMove(game.moves[i]);
        if (game.cut) ShowMessage(game.problem);
        pos->hist[pos->nhist].move = 0;
        loaded = game;
        std::snprintf(last_file, sizeof last_file, "%s", w.arg[1]);
        ForgetLoadedGame(FenMoveNumber(PgnTagValue(game, "FEN")));
        have_loaded = true;
    } else {
        ShowMessagef("no game %s in %s", tag[0] ? tag : "1", file);
    }
    ShowGameBoard(pos);
    SetClocks();
}

// The game from its set-up position: start gets that position (on hist), moves
// the moves; returns how many.
int GameFromStart(Position* start, HistRec* hist, uint16_t* moves) {
    *start = *GamePos();
    std::memcpy(hist, start->hist, sizeof(HistRec) * HIST_SIZE);
    start->hist = hist;
    const int n = start->nhist;
    for (int i = n - 1; i >= 0; i--) {
        moves[i] = hist[i].move;
        UnmakeMove(start);
    }
    start->ply = 1;
    return n;
}

// Whether the record's moves are still those of the game loaded last.
bool SameAsLoaded(const uint16_t* moves, int n) {
    return have_loaded && !loaded.cut && n == loaded.count && std::equal(moves, moves + n, loaded.moves);
}

// A result agreed at the board (resign, draw) and the plies it was agreed at.
const char* agreed_result;
int agreed_plies;

void AddSavedTag(PgnGame* g, const char* name, const char* value) {
    if (g->ntags >= PGN_MAX_TAGS) return;
    PgnTag& t = g->tags[g->ntags++];
    std::snprintf(t.name, sizeof t.name, "%s", name);
    std::snprintf(t.value, sizeof t.value, "%s", value);
}

// The tags of a game played against Vell: the players, the level, the date
// and a result agreed at the board.
void GameTags(PgnGame* g, int plies) {
    g->ntags = 0;
    AddSavedTag(g, "White", person_side == WHITE ? "You" : "Vell 2.00");
    AddSavedTag(g, "Black", person_side == BLACK ? "You" : "Vell 2.00");
    char text[64];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (localtime_r(&now, &tm)) {
        std::strftime(text, sizeof text, "%Y.%m.%d", &tm);
        AddSavedTag(g, "Date", text);
    }
    if (agreed_result && agreed_plies == plies) AddSavedTag(g, "Result", agreed_result);
    // The level as PGN writes time controls; a time for each move is one move per that time.
    if (level.mode == TcMode::Session)
        std::snprintf(text, sizeof text, "%d/%g", level.moves, level.time);
    else if (level.mode == TcMode::SuddenDeath)
        std::snprintf(text, sizeof text, level.inc > 0 ? "%g+%g" : "%g", level.time, level.inc);
    else
        std::snprintf(text, sizeof text, "1/%g", level.time);
    AddSavedTag(g, "TimeControl", text);
}

// save [FILE]: the game from its set-up position, appended to FILE (tmp.pgn).
void SaveGame(const Words& w) {
    char file[512];
    RestOfLine(w, file, sizeof file);
    if (!file[0]) std::snprintf(file, sizeof file, "tmp.pgn");
    static HistRec hist[HIST_SIZE];
    static uint16_t moves[HIST_SIZE];
    Position start;
    const int n = GameFromStart(&start, hist, moves);
    // A loaded game keeps its result while its moves are the ones it was loaded with.
    bool same = SameAsLoaded(moves, n);
    static PgnGame played;
    const PgnGame* tags = have_loaded ? &loaded : nullptr;
    if (!have_loaded && person_side >= 0) {
        GameTags(&played, n);
        tags = &played;
        same = agreed_result && agreed_plies == n;
    }
    if (!AppendPgnGame(file, start, moves, n, tags, same, first_move))
        ShowMessagef("can't write %s, game not saved", file);
    else if (tags == &played)
        ShowMessagef("game saved to %s (%s - %s, %s)", file, PgnTagValue(played, "White"),
                     PgnTagValue(played, "Black"), PgnTagValue(played, "TimeControl"));
    else
        ShowMessagef("game saved to %s", file);
}

// The game so far in SAN, numbered from its first move.
void ShowGameMoves(const Words&) {
    static HistRec hist[HIST_SIZE];
    static uint16_t moves[HIST_SIZE];
    Position start;
    const int n = GameFromStart(&start, hist, moves);
    if (n == 0) {
        ShowMessage("no moves yet");
        return;
    }
    std::string text;
    const int first_side = start.side;
    for (int i = 0; i < n; i++) {
        char word[32] = "", san[16];
        if (start.side == WHITE || i == 0)
            std::snprintf(word, sizeof word, start.side == WHITE ? "%d. " : "%d... ",
                          (i + first_side) / 2 + first_move);
        text += word;
        text += MoveToSan(&start, moves[i], san);
        text += ' ';
        MakeMove(&start, moves[i]);
        start.ply = 1;
        if (text.size() > 70 || i == n - 1) {
            text.pop_back();
            ShowMessage(text.c_str());
            text.clear();
        }
    }
}

void ShowVerdict(void*, const char* verdict, int, int) {
    if (verdict) ShowMessage(verdict);
}

// annotate [N]: the game on the board (from its start), or game N of the file
// loaded last, annotated and appended to tmp.pgn.
void Annotate(const Words& w) {
    static PgnGame game;
    static PgnComments comments;
    static HistRec saved_hist[HIST_SIZE];
    comments.Clear();
    const long want = std::atol(w.arg[1]);
    if (want >= 1) {
        static PgnReader reader;
        reader = PgnReader{};
        bool found = last_file[0] && OpenPgn(&reader, last_file);
        reader.comment = KeepComment;
        reader.ctx = &comments;
        found = found && [&] {
            while (ReadPgnGame(&reader, &game)) {
                if (game.number == want) return true;
                comments.Clear();
            }
            return false;
        }();
        ClosePgn(&reader);
        if (!found) {
            ShowMessagef("no game %ld in %s", want, last_file[0] ? last_file : "the file loaded last");
            return;
        }
    } else {
        // The record as the reader would hand it: the loaded game's tags while
        // its moves are the ones loaded.
        static uint16_t moves[HIST_SIZE];
        Position start;
        const int n = GameFromStart(&start, saved_hist, moves);
        if (SameAsLoaded(moves, n)) {
            game = loaded;
        } else {
            game = PgnGame{};
            const char* roster[][2] = {{"Event", "?"}, {"Site", "?"}, {"Date", "????.??.??"}, {"Round", "?"},
                                       {"White", "?"}, {"Black", "?"}, {"Result", GameEnd(GamePos()).result}};
            for (auto& t : roster) AddSavedTag(&game, t[0], t[1]);
            char epd[100];
            MakeEPD(&start, epd);
            std::snprintf(game.fen, sizeof game.fen, "%s %d %d", epd, int(start.fifty), first_move);
            game.chess960 = start.frc;
            if (start.frc) AddSavedTag(&game, "Variant", "Chess960");
            if (start.frc || std::strcmp(epd, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -")) {
                AddSavedTag(&game, "SetUp", "1");
                AddSavedTag(&game, "FEN", game.fen);
            }
            game.count = n;
            std::copy(moves, moves + n, game.moves);
        }
    }
    // The search runs on the game position: the game comes back afterwards.
    const Position kept = *GamePos();
    std::memcpy(saved_hist, kept.hist, sizeof saved_hist);
    // A time a move is the time a position; under a game's clock (level 40
    // 5:00) each position gets the default second, not the whole clock.
    const Limits& l = ConsoleLimits();
    AnnotateSettings s = AnnotateSettingsFor(l.depth < MAX_DEPTH ? l.depth : 0,
                                             l.tc_mode == TcMode::MoveTime ? l.move_time : 0);
    s.progress = ShowVerdict;
    std::string text;
    const bool done = AnnotateGame(game, comments, s, &text);
    HistRec* const hist = GamePos()->hist;
    *GamePos() = kept;
    GamePos()->hist = hist;
    std::memcpy(hist, saved_hist, sizeof saved_hist);
    if (!done) return;
    if (AppendWhole("tmp.pgn", text))
        ShowMessage("game annotated to tmp.pgn");
    else
        ShowMessage("can't write tmp.pgn, game not annotated");
}

// set NAME VALUE: an evaluation weight within its range or a search depth;
// any other name puts the search depths back to their defaults.
void SetSelectivity(const Words& w) {
    if (OptionId id; FindParamOption(w.arg[1], &id)) {
        char why[200];
        if (SetParameter(w.arg[1], w.arg[2], why, sizeof why))
            ShowMessagef("set %s to %s", w.arg[1], w.arg[2]);
        else
            ShowMessagef("%s, parameter unchanged", why);
        return;
    }
    if (const DepthDesc* d = FindDepthParam(w.arg[1])) {
        *d->field = int8_t(std::atoi(w.arg[2]));
        ShowMessagef("set %s to %d", d->name, int(*d->field));
        return;
    }
    ResetSelectivity();
    ShowMessage("set selectivity to default");
}

void Tune(const Words& w) {
    if (!w.arg[1][0] || !w.arg[2][0]) return;
    if (!FindParam(w.arg[1])) {
        ShowMessagef("unknown parameter %s", w.arg[1]);
        return;
    }
    // The tuner sets up its positions on the game board; the game comes back after it.
    static Position game;
    static HistRec hist[HIST_SIZE];
    game = *GamePos();
    std::memcpy(hist, GamePos()->hist, sizeof hist);
    const bool tuned = TTune(w.arg[1], w.arg[2]);
    *GamePos() = game;
    std::memcpy(GamePos()->hist, hist, sizeof hist);
    if (tuned) ShowMessage("done!\n");
}

// perft N divide: the count under each ply-one move on a line of its own.
void ShowDivide(Position* pos, uint16_t move, uint64_t nodes) {
    char text[8];
    ShowMessagef("%s %llu", MoveToStr(move, UserMoveStyle(pos), text, pos), (unsigned long long)nodes);
}

void RunPerft(const Words& w) {
    long depth = std::atol(w.arg[1]);
    depth = depth < 0 ? 0 : depth > 20 ? 20 : depth;
    const bool divide = !std::strcmp(w.arg[2], "divide");
    if (w.arg[2][0] && !divide) {
        ShowMessage("perft takes a depth and, to count each first move apart, divide: perft 5 divide");
        return;
    }
    if (depth > 6) ShowMessagef("perft %ld counts for a long time (any line typed stops it)", depth);
    ThreadRec* td = LookingCopy(GamePos());
    double t0 = GetTime();
    td->nodes.store(0, R);
    PBlock.elapsed.store(0, R);
    const bool done = PerftSplit(td, int(depth), LinePending, divide ? ShowDivide : nullptr);
    double elapsed = GetTime() - t0;
    PBlock.elapsed.store(elapsed, R);
    double nodes = double(td->nodes.load(R));
    if (!done) ShowMessage("perft stopped");
    ShowMessagef("visited %0.0f nodes in %0.3f seconds, nps= %0.0f", nodes, elapsed,
                 nodes / (elapsed + 0.001));
}

// Each piece whose capture wins material, with what the exchange wins.
void SwapTest() {
    Position* pos = GamePos();
    for (int sq = 0; sq < 64; sq++) {
        int code = pos->board[sq];
        if (!code) continue;
        const int gain = swapoff1(pos, PieceColor(code) ^ 1, NO_SQ, sq, Occupied(*pos));
        if (gain > 0) std::printf("sq= %s, swap= %d\n", sq_name[sq], gain);
    }
    std::fflush(stdout);
}

// A square name somewhere in the word, or castling: what a person typing a
// move writes, so a refusal lists the moves there are.
bool LooksLikeMove(const char* word) {
    if (!std::strncmp(word, "O-O", 3) || !std::strncmp(word, "0-0", 3) || !std::strncmp(word, "o-o", 3))
        return true;
    for (const char* p = word; p[0] && p[1]; p++)
        if (p[0] >= 'a' && p[0] <= 'h' && p[1] >= '1' && p[1] <= '8') return true;
    return false;
}

void ShowLegalMoves() {
    Position* pos = GamePos();
    uint16_t list[256];
    const int n = LegalMoveList(pos, list);
    char text[256 * 8 + 16] = "legal moves:";
    size_t len = std::strlen(text);
    for (int i = 0; i < n; i++) {
        char move[16];
        MoveToSan(pos, list[i], move);
        len += size_t(std::snprintf(text + len, sizeof text - len, " %s", move));
    }
    ShowMessage(n ? text : "legal moves: none, the game has ended");
}

// A word that is no command: played when it is a legal move, else answered.
void TypedMove(const char* word) {
    char text[WORD_MAX + 2];
    std::snprintf(text, sizeof text, "%.*s", WORD_MAX, word);
    // A move typed while Vell thinks is the person's next one: it is not kept
    // (the position it is meant for is not there yet).
    if (OpponentGameSide() == GamePos()->side && LooksLikeMove(text)) {
        ShowMessagef("it is Vell's move: %s is not kept, type it after Vell's reply (force moves for Vell)",
                     text);
        return;
    }
    uint16_t m;
    const int fits = ParseMove(GamePos(), text, &m);
    if (fits >= 2) {
        ShowMessagef("ambiguous move: %s", text);
        ShowLegalMoves();
        return;
    }
    if (fits != 1) {
        ShowMessagef("unknown command or illegal move: %s", text);
        if (LooksLikeMove(text)) ShowLegalMoves();
        return;
    }
    if (OpponentGameSide() == GamePos()->side) {
        ShowMessage("it is Vell's move: wait for it, or type force to move for it");
        return;
    }
    if (RecordFull()) return;
    Prepare(GAME);
    if (OpponentGameSide() >= 0) ChargePersonClock(GamePos()->side);
    AnnounceMove(GamePos(), m);
    MakeGameMove(m);
    Show();
    if (!ShowGameEnd(GamePos())) AnswerIfEngineToMove();
}

void SetDepth(const Words& w) {
    long n;
    if (!ParseInt(w.arg[1], &n)) {
        ShowMessage("depth needs a whole number");
        return;
    }
    ConsoleLimits().depth = int(n < 0 ? 0 : n > MAX_DEPTH ? MAX_DEPTH : n);
    level.depth = ConsoleLimits().depth;
    ShowMessagef("set depth to %d", int(ConsoleLimits().depth));
}

void SetTime(const Words& w) {
    double t;
    if (!ParseNum(w.arg[1], &t) || t < 0) {
        ShowMessage("time needs a number of seconds");
    } else if (computer == 0 || computer == 1) {
        ConsoleLimits().clock[computer] = t;
        ShowMessagef("set time to %0.2f seconds on %s's clock", t, computer ? "black" : "white");
    } else {
        // Vell plays no side yet: whichever it takes gets the time.
        ConsoleLimits().clock[0] = t;
        ConsoleLimits().clock[1] = t;
        ShowMessagef("set time to %0.2f seconds on both clocks", t);
    }
}

void SetNoise(const Words& w) {
    double t;
    if (!ParseNum(w.arg[1], &t)) {
        ShowMessage("noise needs a number of seconds");
        return;
    }
    PBlock.info_delay.store(t, R);
    ShowMessagef("set noise to %0.2f seconds", t);
}

void SetMultiPv(const Words& w) {
    char msg[8];
    if (SetOption(OptionId::MultiPV, w.arg[1], msg, sizeof msg) != OptionOutcome::Set)
        ShowMessagef("multipv needs a whole number from %ld to %ld", OptionMin(OptionId::MultiPV),
                     OptionMax(OptionId::MultiPV));
    else
        ShowMessagef("set multipv to %ld", OptionNumber(OptionId::MultiPV));
}

// A small whole number for ponder, hash and debug; false with a message when
// the word is none.
bool SmallNumber(const Words& w, long* n) {
    if (ParseInt(w.arg[1], n) && *n >= 0 && *n <= 255) return true;
    ShowMessagef("%s needs a whole number from 0 to 255", w.cmd);
    return false;
}

void SetPonder(const Words& w) {
    long n;
    if (!SmallNumber(w, &n)) return;
    PBlock.ponder = int16_t(n);
    ShowMessagef("set ponder to %ld (%s)", n, n ? "time planned as if pondering" : "no pondering planned");
}

void SetHash(const Words& w) {
    long n;
    if (!SmallNumber(w, &n)) return;
    PBlock.use_hash.store(uint8_t(n), R);
    ShowMessagef("set hash to %ld (%s)", n,
                 n == 0   ? "no table"
                 : n == 1 ? "table cleared before each analysis"
                          : "table kept between searches");
}

void SetDebug(const Words& w) {
    long n;
    if (!SmallNumber(w, &n)) return;
    PBlock.debug = int16_t(n);
    ShowMessagef("set debug to %ld (%s)", n, n ? "the evaluation report in place of the board" : "the board");
}

// play [white|black]: the person takes that colour (the side to move when
// none is named) and Vell the other.
void Play(const Words& w) {
    int person = GamePos()->side;
    if (!std::strcmp(w.arg[1], "white"))
        person = WHITE;
    else if (!std::strcmp(w.arg[1], "black"))
        person = BLACK;
    else if (w.arg[1][0]) {
        ShowMessage("play takes white, black or nothing (the side to move)");
        return;
    }
    ApplyLevel();
    SetOpponentGame(person ^ 1);
    person_side = person;
    SetBoardFlipped(person == BLACK);
    ShowMessagef("you play %s, Vell plays %s; type your moves (resign, draw, hint, undo; force or new ends "
                 "the game)",
                 person == WHITE ? "white" : "black", person == WHITE ? "black" : "white");
    ShowGameBoard(GamePos());
    if (ShowGameEnd(GamePos())) return;
    ShowClocks();
    StartPersonClock();
    AnswerIfEngineToMove();
}

// elo N: play at that level; elo alone: full strength.
// The same level and limit as the UCI options set.
void SetElo(const Words& w) {
    char msg[8];
    if (!w.arg[1][0]) {
        SetOption(OptionId::LimitStrength, "false", msg, sizeof msg);
        ShowMessage("full playing strength");
    } else if (SetOption(OptionId::Elo, w.arg[1], msg, sizeof msg) != OptionOutcome::Set) {
        ShowMessagef("elo needs a whole number from %ld to %ld, or nothing for full strength",
                     OptionMin(OptionId::Elo), OptionMax(OptionId::Elo));
    } else {
        SetOption(OptionId::LimitStrength, "true", msg, sizeof msg);
        ShowMessagef("playing strength set to Elo %d", StrengthElo());
    }
}

void Undo(const Words&) {
    if (GamePos()->nhist == 0) return;
    UnmakeGameMove();
    // In a game against Vell the person gets their own move back, Vell's reply with it.
    if (OpponentGameSide() == GamePos()->side && GamePos()->nhist > 0) UnmakeGameMove();
    if (OpponentGameSide() >= 0) StartPersonClock();
    Show();
}

void Edit(const Words&) {
    ForgetLoadedGame();
    EditBoard(ReadInputLine);
    GamePos()->ply = 1;
    ShowGameBoard(GamePos());
}

void SetFen(const Words& w) {
    if (LoadUserFen(w.rest)) ShowGameBoard(GamePos());
}

// The engine stops playing any side, its own moves in self-play and in a
// game against a person included.
void Force(const Words&) {
    computer = 2;
    SetOpponentGame(-1);
}

void Quit(const Words&) { QuitEngine(); }

void ListBookMoves(const Words&) {
    GetCandidates(&LookingCopy(GamePos())->pos, 1);
    ShowMessage("");
}

// A book set is a book to play from: ownbook goes on with it, off with none.
void BookFile(const Words& w) {
    char msg[300], file[512];
    RestOfLine(w, file, sizeof file);
    if (SetOption(OptionId::BookFile, file, msg, sizeof msg) != OptionOutcome::Set) {
        ShowMessagef("can't open book file %s, book unchanged", file);
        return;
    }
    SetOption(OptionId::OwnBook, file[0] ? "true" : "false", msg, sizeof msg);
    if (file[0])
        ShowMessagef("book file %s, ownbook on", file);
    else
        ShowMessage("no book file, ownbook off");
}

void OwnBook(const Words& w) {
    char msg[300];
    const bool on = !std::strcmp(w.arg[1], "on"), off = !std::strcmp(w.arg[1], "off");
    if (on || off) SetOption(OptionId::OwnBook, on ? "true" : "false", msg, sizeof msg);
    else if (w.arg[1][0]) ShowMessage("ownbook takes on or off");
    ShowMessagef("ownbook %s: play, mv and self %s", OptionNumber(OptionId::OwnBook) ? "on" : "off",
                 OptionNumber(OptionId::OwnBook) ? "play book moves while the book has some"
                                                 : "search every move");
}

// The game against Vell ends with result; nothing is played any more.
void EndGameWith(const char* result, const char* why) {
    agreed_result = result;
    agreed_plies = GamePos()->nhist;
    computer = 2;
    SetOpponentGame(-1);
    ShowMessagef("%s, %s", why, result);
}

bool InGame() {
    if (OpponentGameSide() >= 0) return true;
    ShowMessage("no game against Vell: play starts one");
    return false;
}

void Resign(const Words&) {
    if (InGame()) EndGameWith(person_side == WHITE ? "0-1" : "1-0", "you resign");
}

// Vell's score within this much of level, or below it, takes a draw.
constexpr int DRAW_ACCEPT_SCORE = 25;

void OfferDraw(const Words&) {
    if (!InGame()) return;
    const int score = EngineGameScore();
    if (score <= DRAW_ACCEPT_SCORE) {
        EndGameWith("1/2-1/2", "Vell accepts the draw");
        return;
    }
    char text[16];
    ConsoleScore(score, text, sizeof text);
    ShowMessagef("Vell declines the draw: it scores its position %s", text);
}

void Hint(const Words&) {
    if (OpponentGameSide() == GamePos()->side)
        ShowMessage("it is Vell's move: a hint comes on your move");
    else if (ShowGameEnd(GamePos()))
        return;
    else if (!RequestHint())
        ShowMessage("a search runs: ask again when it ends");
}

void Flip(const Words&) {
    FlipBoard();
    ShowGameBoard(GamePos());
}

void SetLines(const Words& w) {
    const bool on = !std::strcmp(w.arg[1], "on");
    if (!on && std::strcmp(w.arg[1], "off")) {
        ShowMessage("lines takes on or off");
        return;
    }
    SetGameLines(on);
    ShowMessagef("lines %s: in a game Vell shows %s", on ? "on" : "off",
                 on ? "every search line and the summary" : "one line a move");
}

// The tables' verdict on the game position and on each legal move from it.
void ShowTablebase(const Words&) {
    if (!TablebaseSupported()) {
        ShowMessage("this build has no tablebase support");
        return;
    }
    Position* pos = GamePos();
    TbResult wdl;
    int dtz, n;
    static TbMoveResult moves[256];
    if (!ProbeRootTable(pos, &wdl, &dtz, moves, &n)) {
        ShowMessage("not in the tablebases");
        return;
    }
    // Best first: wins soonest to their next capture or pawn move, then
    // draws, then losses that hold out longest.
    std::stable_sort(moves, moves + n, [](const TbMoveResult& a, const TbMoveResult& b) {
        if (a.wdl != b.wdl) return a.wdl > b.wdl;
        const bool winning = a.wdl > TbResult::Draw;
        return winning ? std::abs(a.dtz) < std::abs(b.dtz) : std::abs(a.dtz) > std::abs(b.dtz);
    });
    ShowMessagef("position: %s, dtz %d", TbResultName(wdl), dtz);
    ShowMessage("(dtz: plies to the next capture or pawn move, which resets the fifty-move count, with best "
                "play; moves best first)");
    for (int i = 0; i < n; i++) {
        char san[16];
        ShowMessagef("%s: %s, dtz %d", MoveToSan(pos, moves[i].move, san), TbResultName(moves[i].wdl),
                     moves[i].dtz);
    }
}

void SetSyzygyPath(const Words& w) {
    char path[300], msg[300];
    const char* p = w.rest;
    while (*p == ' ') p++;
    size_t len = std::strlen(p);
    while (len > 0 && p[len - 1] == ' ') len--;
    std::snprintf(path, sizeof path, "%.*s", int(len), p);
    // The option refuses a path it would have to cut.
    const bool fits = len < sizeof path &&
                      SetOption(OptionId::SyzygyPath, path, msg, sizeof msg) != OptionOutcome::BadValue;
    if (!fits)
        ShowMessage("tablebase path too long, tables unchanged");
    else
        ShowMessage(msg);
}

// Every table file of the path read again, as a download may still be going on.
void CheckTablebases(const Words&) {
    char msg[1000];
    TablebaseCheck(msg, sizeof msg);
    ShowMessage(msg);
}

struct Command {
    const char* name;
    void (*run)(const Words& w);
    uint8_t flags;
    const char* args;   // as help shows them
    const char* brief;  // one line for help
    const char* more;   // what help WORD adds
};

void Help(const Words& w);

const Command commands[] = {
    {"help", Help, 0, "[WORD]", "lists the commands, or says more about one", "? does the same."},
    {"?", Help, 0, "[WORD]", "the same as help", ""},
    {"new", [](const Words&) { NewGame(); }, GAME, "", "starts a new game from the initial position",
     "Also ends a game against Vell and self-play; Vell plays no side until play, mv or self. A Chess960 "
     "game ends too: new plays standard chess."},
    {"new960", NewGame960, GAME, "[N]", "starts Chess960 from position N (0 to 959), else a random one",
     "518 is the standard start. Castling is typed O-O or O-O-O, or in coordinates as the king taking "
     "its own rook (e1h1)."},
    {"play", Play, GAME, "[white|black]", "starts a game against Vell: you play the colour named",
     "Without a colour you play the side to move. Vell answers each legal move you type with its own, under "
     "the current level, until the game ends; force or new ends it. Vell moves at once when it is its turn."},
    {"force", Force, GAME, "", "Vell plays no side any more (ends play and self)",
     "Moves typed afterwards are only played on the board."},
    {"fen", SetFen, GAME, "FEN", "sets up the position FEN",
     "A FEN that is no position is refused with the reason and the position stays. Chess960 castling fields "
     "(HAha, or KQkq for rooks away from the corners) switch to Chess960."},
    {"move", [](const Words& w) { TypedMove(w.arg[1]); }, 0, "MOVE", "plays MOVE (the same as typing it)",
     "Moves are read in coordinates (e2e4, e7e8q) or algebraic notation (e4, Nf3, exd5, O-O, e8=Q)."},
    {"undo", Undo, GAME, "", "takes back the last move (in play, your last move and Vell's reply)",
     "[ does the same; ] replays a move."},
    {"[", Undo, GAME, "", "the same as undo", ""},
    {"]", [](const Words&) { Redo(); }, GAME, "", "replays the move taken back", ""},
    {"jump", Jump, GAME, "N", "goes to the position after N plies of the game", ""},
    {"bd", [](const Words&) { Show(); }, 0, "", "shows the board (the evaluation report with debug 1)",
     "The board is its FEN line, eight ranks with their numbers (white pieces upper case, black lower case, "
     ". an empty square, the last move's square in brackets), the file letters and the side to move."},
    {"flip", Flip, 0, "", "turns the board (play black turns it too)", ""},
    {"moves", ShowGameMoves, 0, "", "lists the game so far in SAN", ""},
    {"resign", Resign, GAME, "", "resigns the game against Vell", "save keeps the result."},
    {"draw", OfferDraw, 0, "", "offers Vell a draw",
     "Vell accepts when its score after its last move is about level (+0.25) or below; save keeps the "
     "result."},
    {"hint", Hint, 0, "", "names the move a short search finds (not played)", ""},
    {"lines", SetLines, 0, "on|off", "in a game: every search line (on) or one line a move (off)", ""},
    {"ownbook", OwnBook, STOP, "[on|off]", "plays from the book in play, mv and self",
     "bookfile turns it on; the UCI option OwnBook is the same setting."},
    {"go", [](const Words& w) { Analyse(w, false); }, GAME, "[DEPTH]",
     "searches to DEPTH (else the depth set) and shows the summary",
     "The move found is not played. The search lines and the summary are described in the README."},
    {"an", [](const Words& w) { Analyse(w, true); }, GAME, "", "analyses until a line is typed",
     "Any line ends the analysis and is then handled: . only ends it, a move ends it and is played."},
    {".", [](const Words&) {}, GAME, "", "ends an analysis or a search", ""},
    {"mv", [](const Words&) { SearchAndPlay(false); }, GAME, "", "Vell searches the side to move under the level",
     "It shows its search lines and the move it found; the move is not played."},
    {"self", [](const Words&) { SearchAndPlay(true); }, GAME, "", "Vell plays both sides until force or new",
     "Each move is played and shown; self-play stops when the game ends."},
    {"level", Level, 0, "MOVES TIME [INC]", "time control: MOVES per TIME (seconds or min:sec), INC a move",
     "MOVES 0 is the whole game in TIME, 1 is TIME for every move. Example: level 40 5:00 0."},
    {"time", SetTime, 0, "SECONDS", "sets Vell's clock", "Only while Vell plays a side (after mv or play)."},
    {"depth", SetDepth, 0, "N", "searches at most N plies (0 to 66)", "sd does the same."},
    {"sd", SetDepth, 0, "N", "the same as depth", ""},
    {"ponder", SetPonder, 0, "N", "1: time planned as if pondering, 0: not",
     "The console never ponders itself."},
    {"hash", SetHash, 0, "N", "0: no table, 1: cleared before each analysis, 2: kept", ""},
    {"noise", SetNoise, 0, "SECONDS", "search lines only after a search ran SECONDS", ""},
    {"elo", SetElo, 0, "[N]", "plays at the level of N Elo (1350 to 2330), at full strength without N",
     "A level searches fewer nodes and misjudges its moves a little; see Playing strength in the README."},
    {"multipv", SetMultiPv, 0, "N", "searches the best N moves (1 to 256)", ""},
    {"debug", SetDebug, 0, "N", "1: the evaluation report in place of the board, 0: the board", ""},
    {"ev", [](const Words&) { ShowReport(); }, 0, "", "shows the evaluation report of the position",
     "Material, positional terms by piece type for each colour, and each piece's square score."},
    {"get", GetTestPosition, GAME, "ID", "sets up the position with id ID in test.epd", ""},
    {"load", LoadGame, GAME, "FILE [N|TEXT]",
     "loads game N (default 1) of a PGN file, or the first with TEXT",
     "The position after the last move is shown; undo, ] and jump step through the game. FILE may hold "
     "blanks: when the whole rest of the line is no file, its last word is N or TEXT."},
    {"save", SaveGame, 0, "[FILE]", "appends the game to FILE (tmp.pgn) as PGN",
     "FILE is the rest of the line and may hold blanks. A game against Vell names the players and the level."},
    {"annotate", Annotate, GAME | BATCH, "[N]", "annotates the game, or game N of the file loaded last",
     "Each move gets its evaluation, a move that loses chances a mark and a better line; the game is "
     "appended to tmp.pgn."},
    {"edit", Edit, GAME, "", "edits the board: lines of pieces, . to end",
     "Each line starts with w or b (the colour) and holds pieces on squares such as Ke1 Pe2, xe4 empties "
     "a square, # empties the board; . ends the edit."},
    {"book", ListBookMoves, STOP, "", "lists the book moves of the position",
     ""},
    {"bookfile", BookFile, STOP, "[FILE]", "switches to the book FILE (.bin: Polyglot), none without FILE",
     "FILE is the rest of the line and may hold blanks. A book set turns ownbook on."},
    {"mkbook", [](const Words&) { MakeBook(); }, GAME | BATCH, "",
     "builds book.opn from the games in book.pgn",
     "It says how many positions it kept. Play from the new book with bookfile book.opn."},
    {"set", SetSelectivity, STOP, "[NAME VALUE]", "sets an evaluation or search depth parameter",
     "An evaluation parameter (the names params and the tuner use) takes a value within its range, a "
     "search depth (RP_depth ... LMR_depth) any value; any other name sets the search depths to their "
     "defaults."},
    {"params", [](const Words& w) { w.arg[1][0] ? (void)LoadParameters(w.arg[1]) : ShowChangedParameters(); },
     STOP, "[FILE]", "sets the evaluation parameters of FILE, or lists those set",
     "FILE holds lines of a name and a value (the tune.log that -tune writes will do); lines it cannot use "
     "are reported and skipped. Without FILE, the parameters away from their defaults are listed."},
    {"tune", Tune, GAME | BATCH, "NAME RANGE", "tunes an evaluation parameter against tune.epd", ""},
    {"perft", RunPerft, STOP, "N [divide]",
     "counts the leaf nodes N plies deep",
     "divide prints the count under each first move. Any line typed stops a long count."},
    {"swap", [](const Words&) { SwapTest(); }, STOP, "", "shows each capture that wins material", ""},
    {"tb", ShowTablebase, 0, "", "the tablebases' verdict on the position and each move",
     "Needs tablebases set with syzygy (or the UCI option of the tablebase path)."},
    {"tbcheck", CheckTablebases, 0, "", "checks every tablebase file of the path and lists the damaged ones",
     "A damaged file was left out when the path was set; set the path again after replacing it."},
    {"syzygy", SetSyzygyPath, STOP, "PATH", "probes the Syzygy tablebases in PATH (folders joined by :)",
     "An empty PATH probes none."},
    {"quit", Quit, 0, "", "ends Vell", ""},
};

void Help(const Words& w) {
    if (w.arg[1][0]) {
        for (const Command& c : commands) {
            if (std::strcmp(w.arg[1], c.name)) continue;
            ShowMessagef("%s%s%s: %s", c.name, c.args[0] ? " " : "", c.args, c.brief);
            if (c.more[0]) ShowMessage(c.more);
            return;
        }
        ShowMessagef("no command %s; help lists them", w.arg[1]);
        return;
    }
    ShowMessage("commands (a legal move typed alone is played; uci switches to UCI):");
    for (const Command& c : commands) {
        char head[40];
        std::snprintf(head, sizeof head, "%s %s", c.name, c.args);
        ShowMessagef("  %-24s %s", head, c.brief);
    }
}

}  // namespace

void HandleConsole(char* line) {
    line[std::strcspn(line, "\r\n")] = 0;
    Words w;
    SplitLine(line, &w);
    if (!w.cmd[0]) return;
    static bool level_taken;
    if (!level_taken) {
        // The level the command line set is the one a game starts with.
        level = {ConsoleLimits().tc_mode, ConsoleLimits().session_moves, ConsoleLimits().move_time,
                 ConsoleLimits().increment, ConsoleLimits().depth};
        level_taken = true;
    }
    for (const Command& c : commands) {
        if (!std::strcmp(w.cmd, c.name)) {
            Prepare(c.flags);
            if (c.flags & BATCH) BeginBatch();
            c.run(w);
            if (c.flags & BATCH) EndBatch();
            if (c.flags & GAME) AnswerIfEngineToMove();
            return;
        }
    }
    TypedMove(w.cmd);  // a word that is no command may be a move
}

AnnotateSettings AnnotateSettingsFor(int depth, double move_time) {
    AnnotateSettings s;
    s.limits = BatchLimits(depth > 0 ? depth : MAX_DEPTH);
    if (depth <= 0) s.limits.move_time = move_time > 0 ? move_time : 1.0;
    s.limits.info_delay = SILENT_OUTPUT;
    s.limits.multipv = 1;
    s.limits.show_wdl = false;
    s.annotator = version;
    if (OptionNumber(OptionId::OwnBook)) s.book_move = IsBookMove;
    return s;
}
