// Reading PGN games (tags, comments, variations, numbers, marks and results
// around the moves) and writing a game in the export format.
#include "tools/pgn.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <strings.h>
#include <sys/types.h>
#include <unistd.h>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "thread/gameend.h"

static constexpr char kStartFen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

bool OpenPgn(PgnReader* r, const char* file) {
    r->f = OpenRegularFile(file, "r");
    r->len = r->at = 0;
    r->games = r->moves = r->cut = 0;
    r->in_game = r->in_comment = false;
    r->variation = 0;
    r->pos.hist = r->hist;
    r->pos.ss = nullptr;
    return r->f != nullptr;
}

void ClosePgn(PgnReader* r) {
    if (r->f) std::fclose(r->f);
    std::free(r->line);
    r->f = nullptr;
    r->line = nullptr;
    r->cap = 0;
}

void PgnSummary(const PgnReader& r, char* buf, int size) {
    std::snprintf(buf, size_t(size), "%ld games, %ld moves read, %ld games cut", r.games, r.moves, r.cut);
}

const char* PgnTagValue(const PgnGame& g, const char* name) {
    for (int i = 0; i < g.ntags; i++)
        if (!std::strcmp(g.tags[i].name, name)) return g.tags[i].value;
    return "";
}

// ---- reading ----

static bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Characters that end a symbol (a move, a number or a result).
static bool Delimiter(char c) { return Blank(c) || std::strchr("{}();[]$.<>", c); }

// Parses one "[Name "value"]" at p; returns the text after it, or null when
// there is none.
static const char* ParseTag(const char* p, const char* end, PgnTag* tag) {
    while (p < end && Blank(*p)) p++;
    if (p >= end || *p++ != '[') return nullptr;
    int n = 0;
    while (p < end && (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_')) {
        if (n < int(sizeof tag->name) - 1) tag->name[n++] = *p;
        p++;
    }
    tag->name[n] = 0;
    while (p < end && Blank(*p)) p++;
    if (n == 0 || p >= end || *p++ != '"') return nullptr;
    n = 0;
    while (p < end && *p != '"') {
        if (*p == '\\' && p + 1 < end) p++;
        if (n < int(sizeof tag->value) - 1) tag->value[n++] = *p;
        p++;
    }
    tag->value[n] = 0;
    if (p >= end) return nullptr;
    p++;
    while (p < end && Blank(*p)) p++;
    return p < end && *p == ']' ? p + 1 : nullptr;
}

static void Cut(PgnReader* r, PgnGame* g, const char* what, const char* skipped = "the rest of the game") {
    g->cut = true;
    r->cut++;
    const char* w = PgnTagValue(*g, "White");
    const char* b = PgnTagValue(*g, "Black");
    std::snprintf(g->problem, sizeof g->problem, "game %ld (%.40s - %.40s): %s, %s is skipped", g->number,
                  w[0] ? w : "?", b[0] ? b : "?", what, skipped);
}

static void StartGame(PgnReader* r, PgnGame* g) {
    r->in_game = true;
    r->movetext = r->tag_result = false;
    g->number = r->games + 1;
    g->ntags = g->count = 0;
    g->result = 2;
    g->cut = g->found = g->bad_start = g->chess960 = false;
    g->problem[0] = 0;
    std::strcpy(g->fen, kStartFen);
    r->pos.ply = 1;
    SetPosition(&r->pos, kStartFen);
    r->first_side = WHITE;
}

static bool IsChess960Name(const char* v) {
    return !strcasecmp(v, "Chess960") || !strcasecmp(v, "Chess 960") || !strcasecmp(v, "Fischerandom") ||
           !strcasecmp(v, "Fischer Random");
}

// The start position from the FEN tag (or the initial position), read as
// Chess960 when a Variant tag says the game is one.
static void SetStart(PgnReader* r, PgnGame* g, const char* fen);

static void AddTag(PgnReader* r, PgnGame* g, const PgnTag& tag) {
    if (!std::strcmp(tag.name, "Result")) {
        g->result = !std::strcmp(tag.value, "1-0") ? 0 : !std::strcmp(tag.value, "0-1") ? 1 : 2;
        r->tag_result = true;
    }
    if (!std::strcmp(tag.name, "FEN") && !r->movetext && !g->cut) SetStart(r, g, tag.value);
    if (g->ntags < PGN_MAX_TAGS) g->tags[g->ntags++] = tag;
    // A FEN tag before it is read again, also one standard chess refused.
    if (!std::strcmp(tag.name, "Variant") && IsChess960Name(tag.value) && !g->chess960 && !r->movetext &&
        (!g->cut || g->bad_start)) {
        g->chess960 = true;
        if (g->bad_start) {
            g->cut = g->bad_start = false;
            g->problem[0] = 0;
            r->cut--;
        }
        const char* fen = PgnTagValue(*g, "FEN");
        SetStart(r, g, fen[0] ? fen : kStartFen);
    }
}

static void SetStart(PgnReader* r, PgnGame* g, const char* fen) {
    char why[128];
    r->pos.ply = 1;
    if (LoadFen(&r->pos, fen, g->chess960, why)) {
        MakeEPD(&r->pos, g->fen);  // as read: rights and squares the board cannot have are gone
        r->first_side = r->pos.side;
    } else {
        char what[200];
        std::snprintf(what, sizeof what, "bad FEN (%.100s)", why);
        Cut(r, g, what, "the game");  // it has no position to start from
        g->bad_start = true;
    }
}

// A tag line: tags one after the other; null when the line holds none, else
// where the text after the last tag starts (movetext may follow on the line).
static const char* TagLine(const char* p, const char* end, PgnReader* r, PgnGame* g, bool apply) {
    PgnTag tag;
    const char* next = ParseTag(p, end, &tag);
    if (!next || !apply) return next;
    for (; next; next = ParseTag(p, end, &tag)) {
        AddTag(r, g, tag);
        p = next;
    }
    return p;
}

static void Move(PgnReader* r, PgnGame* g, const char* word) {
    if (g->cut) return;
    char what[96];
    if (g->count >= GAME_MAX) {
        std::snprintf(what, sizeof what, "more than %d plies", GAME_MAX);
        Cut(r, g, what);
        return;
    }
    uint16_t m;
    if (ParseMove(&r->pos, word, &m) != 1) {
        // Numbered as in the game: a game set up with Black to move starts at "1...".
        int ply = g->count + r->first_side;
        std::snprintf(what, sizeof what, "can't parse move '%.31s' at %d%s", word, ply / 2 + 1,
                      ply & 1 ? "..." : ".");
        Cut(r, g, what);
        return;
    }
    g->moves[g->count] = m;
    int n = 0;
    for (const char* c = word; *c && n < 7; c++)
        if (*c != '!' && *c != '?') g->text[g->count][n++] = *c;
    g->text[g->count][n] = 0;
    g->count++;
    r->moves++;
    MakeMove(&r->pos, m);
    r->pos.ply = 1;
}

// One symbol of the movetext; true when it ends the game.
static bool Symbol(PgnReader* r, PgnGame* g, const char* word) {
    static const char* const results[] = {"1-0", "0-1", "1/2-1/2", "1/2", "*"};
    const size_t len = std::strlen(word);
    for (int i = 0; i < 5; i++) {
        // A result may be glued to the last move ("Qxf7#1-0").
        const size_t n = std::strlen(results[i]);
        if (len < n || std::strcmp(word + len - n, results[i])) continue;
        if (len > n) {
            char move[32];
            std::snprintf(move, sizeof move, "%.*s", int(len - n), word);
            Move(r, g, move);
        }
        if (!r->tag_result) g->result = i < 2 ? i : 2;
        return true;
    }
    bool number = true;
    for (const char* c = word; *c; c++) number &= std::isdigit(static_cast<unsigned char>(*c)) != 0;
    if (!number) Move(r, g, word);
    return false;
}

// A game worth handing out has tags or at least one move.
static bool Finish(PgnReader* r, PgnGame* g) {
    r->in_game = false;
    r->in_comment = false;
    r->variation = 0;
    if (g->ntags == 0 && g->count == 0) {
        if (g->cut) r->cut--;
        return false;
    }
    r->games++;
    return true;
}

// A line ends at LF, CRLF or a CR alone (files from old Macs hold no LF).
static bool NextLine(PgnReader* r) {
    long n = 0;
    int c = 0;
    while ((c = getc_unlocked(r->f)) != EOF) {
        if (size_t(n) + 2 > r->cap) {
            const size_t cap = r->cap ? r->cap * 2 : 256;
            char* grown = static_cast<char*>(std::realloc(r->line, cap));
            if (!grown) break;
            r->line = grown;
            r->cap = cap;
        }
        r->line[n++] = char(c);
        if (c == '\n') break;
        if (c == '\r') {
            const int next = getc_unlocked(r->f);
            if (next == '\n')
                r->line[n++] = '\n';
            else if (next != EOF)
                ungetc(next, r->f);
            break;
        }
    }
    if (n == 0) return false;
    r->line[n] = 0;
    r->len = n;
    r->at = 0;
    r->line_found = r->find && r->find[0] && std::strstr(r->line, r->find);
    return true;
}

static void CommentChar(PgnReader* r, const PgnGame* g, char c) {
    if (c != '}') {
        if (r->note_len < PGN_COMMENT_SIZE - 1) r->note[r->note_len++] = Blank(c) ? ' ' : c;
        return;
    }
    r->in_comment = false;
    r->note[r->note_len] = 0;
    if (r->variation == 0 && r->comment) r->comment(r->ctx, g, r->note);
}

bool ReadPgnGame(PgnReader* r, PgnGame* g) {
    if (!r->f) return false;
    for (;;) {
        if (r->at >= r->len && !NextLine(r)) return r->in_game && Finish(r, g);
        const char* line = r->line;
        const char* end = line + r->len;
        if (r->at == 0) {
            // A tag line ends an open comment or variation and, after moves, the game.
            if (TagLine(line, end, r, g, false)) {
                if (r->in_game && r->movetext && Finish(r, g)) return true;
                if (!r->in_game) StartGame(r, g);
                r->in_comment = false;
                r->variation = 0;
                g->found |= r->line_found;
                r->at = TagLine(line, end, r, g, true) - line;
                continue;
            }
            if (!r->in_comment && line[0] == '%') {  // an escape line
                r->at = r->len;
                continue;
            }
        }
        if (r->in_game) g->found |= r->line_found;
        while (r->at < r->len) {
            char c = line[r->at];
            if (r->in_comment) {
                CommentChar(r, g, c);
                r->at++;
                continue;
            }
            if (Blank(c) || c == '.' || c == ']' || c == '<' || c == '>') {
                r->at++;
            } else if (c == ';' || c == '[') {  // the rest of the line is a comment
                r->at = r->len;
            } else if (c == '{') {
                r->in_comment = true;
                r->note_len = 0;
                r->at++;
            } else if (c == '}') {
                r->at++;
            } else if (c == '(') {
                r->variation++;
                r->at++;
            } else if (c == ')') {
                if (r->variation > 0) r->variation--;
                r->at++;
            } else if (c == 'e' && r->at + 4 <= r->len && !std::strncmp(line + r->at, "e.p.", 4)) {
                r->at += 4;  // the en-passant mark some files write after the capture
            } else if (c == '$') {
                r->at++;
                while (r->at < r->len && std::isdigit(static_cast<unsigned char>(line[r->at]))) r->at++;
            } else {
                char word[32];
                int n = 0;
                while (r->at < r->len && !Delimiter(line[r->at])) {
                    if (n < int(sizeof word) - 1) word[n++] = line[r->at];
                    r->at++;
                }
                word[n] = 0;
                if (r->variation > 0) continue;
                if (!r->in_game) {
                    StartGame(r, g);
                    g->found |= r->line_found;
                }
                r->movetext = true;
                if (Symbol(r, g, word) && Finish(r, g)) return true;
            }
        }
    }
}

// ---- writing ----

static void Append(std::string& out, int* column, const char* word) {
    size_t n = std::strlen(word);
    if (*column > 0 && *column + 1 + int(n) > 80) {
        out += '\n';
        *column = 0;
    }
    if (*column > 0) {
        out += ' ';
        (*column)++;
    }
    out += word;
    *column += int(n);
}

// A tag pair with the value's quotes and backslashes escaped.
std::string TagPair(const char* name, const char* value) {
    std::string text = std::string("[") + name + " \"";
    for (const char* c = value; *c; c++) {
        if (*c == '"' || *c == '\\') text += '\\';
        text += *c;
    }
    return text + "\"]\n";
}

bool AppendPgnGame(const char* file, const Position& start, const uint16_t* moves, int count,
                   const PgnGame* from, bool keep_result, int first_move) {
    static HistRec hist[HIST_SIZE];
    Position pos = start;
    pos.hist = hist;
    pos.nhist = 0;
    pos.ply = 1;
    char fen[128];
    MakeEPD(&pos, fen);
    std::string body;
    int column = 0;
    const int first_side = pos.side;
    for (int i = 0; i < count && i < HIST_SIZE - 1; i++) {
        // A move number stays on the line of its move.
        char word[32] = "", san[16];
        if (pos.side == WHITE || i == 0) {
            int n = (i + first_side) / 2 + first_move;
            std::snprintf(word, sizeof word, pos.side == WHITE ? "%d. " : "%d... ", n);
        }
        std::strcat(word, MoveToSan(&pos, moves[i], san));
        Append(body, &column, word);
        MakeMove(&pos, moves[i]);
        pos.ply = 1;
    }
    // The result the board gives, as the console announces it when the game ends.
    const char* result = GameEnd(&pos).result;
    if (from && keep_result && PgnTagValue(*from, "Result")[0]) result = PgnTagValue(*from, "Result");
    Append(body, &column, result);

    char date[16] = "????.??.??";
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (!from && localtime_r(&now, &tm)) std::strftime(date, sizeof date, "%Y.%m.%d", &tm);
    static const char* const roster[] = {"Event", "Site", "Date", "Round", "White", "Black", "Result"};
    std::string text;
    for (const char* name : roster) {
        const char* value = from ? PgnTagValue(*from, name) : "";
        if (!value[0]) value = name == roster[2] ? date : "?";
        text += TagPair(name, name == roster[6] ? result : value);
    }
    for (int i = 0; from && i < from->ntags; i++) {
        const PgnTag& t = from->tags[i];
        bool skip = !std::strcmp(t.name, "SetUp") || !std::strcmp(t.name, "FEN") ||
                    !std::strcmp(t.name, "Variant");
        for (const char* name : roster) skip |= !std::strcmp(t.name, name);
        if (!skip) text += TagPair(t.name, t.value);
    }
    if (start.frc) text += TagPair("Variant", "Chess960");
    if (start.frc || std::strcmp(fen, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"))
        text += "[SetUp \"1\"]\n[FEN \"" + std::string(fen) + " " + std::to_string(start.fifty) + " " +
                std::to_string(first_move) + "\"]\n";
    text += "\n" + body + "\n\n";
    return AppendWhole(file, text);
}

bool AppendWhole(const char* file, const std::string& text) {
    FILE* f = OpenRegularFile(file, "a");
    if (!f) return false;
    off_t size = ftello(f);
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    if (!ok && size >= 0 && ftruncate(fileno(f), size) != 0) ok = false;  // nothing half written stays
    return std::fclose(f) == 0 && ok;
}
