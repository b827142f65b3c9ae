// PGN scanning: collects each game's moves with the scores found in their
// comments, then annotates the game or writes its tuning positions.
#include "tools/pgnscan.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "eval/params.h"
#include "search/records.h"

static constexpr char start_fen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
static constexpr int LINE_CHUNK = 255;    // fgets size: at most 254 characters a read
static constexpr int COMMENT_SIZE = 1024;  // longer comments keep their start

// Everything the scanner carries from one character (and one line) to the next.
struct ScanState {
    PgnMove moves[MAX_GAME_PLIES];
    int count;
    bool last_kept;  // the last move token was stored, so a comment may score it
    int depth;       // comment nesting, 0 outside comments
    char comment[COMMENT_SIZE];
    int clen;
    bool in_token, token_is_move;
    int tlen;
    int result, games, positions, mode;
    FILE* out;
};

static double Expected(int v) { return 1.0 / (1.0 + std::pow(10.0, -1.05 * v / 400.0)); }

static int16_t ClampScore(double x) {
    if (!(x > -9999.0)) return -9999;  // NaN too
    if (x > 9999.0) return 9999;
    return int16_t(x);
}

static bool InCheck(const Position& pos) {
    return SqAtakd(&pos, KingSq(pos, pos.side), pos.side ^ 1) != 0;
}

// The annotation line of move i; the weak-move flag marks the non-winner's
// moves after which its score fell clearly over the next two moves.
static void AnnotateMove(FILE* out, const Position& pos, const PgnMove* m, int i, int count, int result) {
    char prefix[16], comment[160];
    int mover = i & 1;
    if (mover == WHITE)
        std::snprintf(prefix, sizeof prefix, "%3d. ", i / 2 + 1);
    else
        std::strcpy(prefix, "     ");
    if (m[i].score != NO_SCORE)
        std::snprintf(comment, sizeof comment, "%6.2f", m[i].score / 100.0);
    else
        std::strcpy(comment, "      ");
    auto near = [&](int k, int lim) { return m[k].score >= -lim && m[k].score <= lim; };
    if (i > 10 && i < count - 5 && mover != result && near(i, 149) && near(i - 3, 999) &&
        near(i - 1, 999) && near(i + 1, 999) && near(i + 3, 999)) {
        int d1 = m[i + 1].score - m[i - 1].score;
        int d2 = m[i + 3].score - m[i - 3].score;
        if (mover == WHITE) d1 = -d1, d2 = -d2;
        if (d1 > 40 && d2 > 50) {
            char epd[128];
            MakeEPD(&pos, epd);
            std::strcat(comment, " ? ");
            std::strcat(comment, epd);
        }
    }
    std::fprintf(out, "%s %-6s  {%s}\n", prefix, m[i].text, comment);
}

// One tuning line for move i, or nothing when the position is filtered out.
static void WriteTuningPosition(FILE* out, const Position& pos, const PgnMove& m, int i, int result,
                                int* positions) {
    int v = pos.side == WHITE ? m.score : -m.score;
    if (i < 20 || i > 250 || pos.fifty > 20 || std::abs(v) > 749 || InCheck(pos)) return;
    double p = Expected(v), target;
    if (result == 2) {
        target = 0.5 * 0.5 + 0.5 * p;
    } else if (result == pos.side) {
        if (v <= -251) return;
        target = 0.5 * 1.0 + 0.5 * p;
    } else {
        if (v >= 251) return;
        target = 0.5 * 0.0 + 0.5 * p;
    }
    char epd[128];
    MakeEPD(&pos, epd);
    std::fprintf(out, "%s bm %s; ce %d; tune %0.2f;\n", epd, m.text, v, target);
    ++*positions;
}

void ProcessGame(FILE* out, const PgnMove* moves, int count, int mode, int result, int* positions) {
    Position* pos = &ThreadData[0]->pos;
    SetPosition(pos, start_fen);
    if (count > MAX_GAME_PLIES) count = MAX_GAME_PLIES;
    for (int i = 0; i < count; i++) {
        char text[16];  // IsValidMove may add a character
        std::snprintf(text, sizeof text, "%s", moves[i].text);
        uint16_t move;
        if (!IsValidMove(text, &move)) break;
        if (mode == 1)
            AnnotateMove(out, *pos, moves, i, count, result);
        else
            WriteTuningPosition(out, *pos, moves[i], i, result, positions);
        MakeMove(pos, move);
    }
    if (mode == 1) std::fputc('\n', out);
}

// Scores a closed comment for the last move: "eval N" is White's view in
// centipawns; otherwise a leading "+0.35/12" is the mover's view in pawns.
// Anything else (book, empty, no number) leaves the score as it was.
static void ScoreComment(ScanState& s) {
    if (s.count == 0 || !s.last_kept) return;
    s.comment[s.clen] = 0;
    PgnMove& m = s.moves[s.count - 1];
    if (const char* e = std::strstr(s.comment, "eval ")) {
        char* end;
        long v = std::strtol(e + 5, &end, 10);
        if (end != e + 5) m.score = ClampScore(double(v));
        return;
    }
    char* slash = std::strchr(s.comment, '/');
    if (!slash) return;
    *slash = 0;
    char* end;
    double x = std::strtod(s.comment, &end);
    if (end == s.comment) return;
    x *= 100.0;
    if ((s.count - 1) & 1) x = -x;  // Black's move
    m.score = ClampScore(x);
}

static void EndToken(ScanState& s) {
    if (s.in_token && s.token_is_move) {
        s.moves[s.count].text[s.tlen] = 0;
        s.moves[s.count].score = NO_SCORE;
        s.count++;
        s.last_kept = true;
    }
    s.in_token = false;
}

static void MovetextChar(ScanState& s, char c) {
    if (s.depth > 0) {
        if (c == '{') {
            s.depth++;
        } else if (c == '}') {
            if (--s.depth == 0) ScoreComment(s);
        } else if (s.depth == 1 && s.clen < COMMENT_SIZE - 1) {
            s.comment[s.clen++] = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
        }
        return;
    }
    if (c == '{') {
        EndToken(s);
        s.depth = 1;
        s.clen = 0;
        return;
    }
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '}') {
        EndToken(s);
        return;
    }
    if (!s.in_token) {
        s.in_token = true;
        s.tlen = 0;
        s.token_is_move = std::isalpha(static_cast<unsigned char>(c)) != 0;
        if (s.token_is_move && s.count >= MAX_GAME_PLIES) {
            s.token_is_move = false;  // past the replay limit: neither stored nor scored
            s.last_kept = false;
        }
    }
    if (s.token_is_move && s.tlen < 7) s.moves[s.count].text[s.tlen++] = c;
}

static void FinishGame(ScanState& s) {
    EndToken(s);
    if (s.count > 0) ProcessGame(s.out, s.moves, s.count, s.mode, s.result, &s.positions);
    s.count = 0;
    s.last_kept = false;
    s.depth = 0;  // a comment left open does not run into the next game
}

static void TagLine(ScanState& s, const char* line) {
    FinishGame(s);
    if (s.mode == 1) {
        std::fputs(line, s.out);
        if (std::strstr(line, "Round ")) std::fprintf(s.out, "[Tag \"game_%d\"]\n", s.games);
    }
    if (std::strstr(line, "Event ")) {
        s.games++;
        if (s.games % 100 == 0) {
            std::printf("game %d\n", s.games);
            std::fflush(stdout);
        }
    }
    if (std::strstr(line, "Result ")) {
        if (std::strstr(line, "1-0"))
            s.result = 0;
        else if (std::strstr(line, "0-1"))
            s.result = 1;
        else
            s.result = 2;
    }
}

void Scan_PGN_File(const char* file, int mode) {
    if (mode != 1 && mode != 2) return;
    FILE* in = std::fopen(file, "r");
    if (!in) return;
    FILE* out = std::fopen(mode == 1 ? "tmp.pgn" : "tmp.epd", "w");
    if (!out) {
        std::fclose(in);
        return;
    }
    InitEval();
    PBlock.log_on.store(0, std::memory_order_relaxed);
    ScanState* s = static_cast<ScanState*>(std::calloc(1, sizeof(ScanState)));
    if (!s) {
        std::fclose(in);
        std::fclose(out);
        return;
    }
    s->result = 2;
    s->mode = mode;
    s->out = out;
    char line[LINE_CHUNK + 1];
    bool line_start = true;  // the previous read ended its line
    while (std::fgets(line, LINE_CHUNK, in)) {
        size_t len = std::strlen(line);
        bool starts_line = line_start;
        line_start = len > 0 && line[len - 1] == '\n';
        // The rest of an over-long line always continues the movetext or
        // comment it belongs to, whatever its first character.
        if (starts_line && line[0] == '[' && line[1] != '%') {
            TagLine(*s, line);
            continue;
        }
        if (starts_line && (line[0] == '\n' || (line[0] == '\r' && line[1] == '\n'))) continue;
        for (size_t k = 0; k < len; k++) MovetextChar(*s, line[k]);
    }
    FinishGame(*s);
    std::fputc('\n', out);
    std::fclose(in);
    std::fclose(out);
    std::printf("games= %d, positions= %d\n", s->games, s->positions);
    std::fflush(stdout);
    std::free(s);
}
