// PGN scanning: collects each game's moves with the scores found in their
// comments, then annotates the game or writes its tuning positions.
#include "tools/pgnscan.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <unistd.h>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "eval/params.h"
#include "thread/records.h"
#include "tools/pgn.h"

// What the scan carries from one game to the next.
struct ScanState {
    PgnReader reader;
    PgnGame game;
    int16_t scores[GAME_MAX];  // centipawns from White's point of view
    int positions;
};

static double Expected(int v) { return 1.0 / (1.0 + std::pow(10.0, -1.05 * v / 400.0)); }

static int16_t ClampScore(double x) {
    if (!(x > -9999.0)) return -9999;  // NaN too
    if (x > 9999.0) return 9999;
    return int16_t(x);
}

static bool InCheck(const Position& pos) { return SqAtakd(&pos, KingSq(pos, pos.side), pos.side ^ 1) != 0; }

// The annotation line of move i; the weak-move flag marks the non-winner's
// moves after which its score fell clearly over the next two moves.
static void AnnotateMove(FILE* out, const Position& pos, const PgnGame& g, const int16_t* score, int i) {
    int count = g.count, result = g.result;
    char prefix[16], comment[160];
    int mover = pos.side;
    if (mover == WHITE)
        std::snprintf(prefix, sizeof prefix, "%3d. ", pos.nhist / 2 + 1);
    else
        std::strcpy(prefix, "     ");
    if (score[i] != NO_SCORE)
        std::snprintf(comment, sizeof comment, "%6.2f", score[i] / 100.0);
    else
        std::strcpy(comment, "      ");
    auto near = [&](int k, int lim) { return score[k] >= -lim && score[k] <= lim; };
    if (i > 10 && i < count - 5 && mover != result && near(i, 149) && near(i - 3, 999) && near(i - 1, 999) &&
        near(i + 1, 999) && near(i + 3, 999)) {
        int d1 = score[i + 1] - score[i - 1];
        int d2 = score[i + 3] - score[i - 3];
        if (mover == WHITE) d1 = -d1, d2 = -d2;
        if (d1 > 40 && d2 > 50) {
            char epd[128];
            MakeEPD(&pos, epd);
            std::strcat(comment, " ? ");
            std::strcat(comment, epd);
        }
    }
    std::fprintf(out, "%s %-6s  {%s}\n", prefix, g.text[i], comment);
}

// One tuning line for move i, or nothing when the position is filtered out.
static void WriteTuningPosition(FILE* out, const Position& pos, const char* text, int16_t score, int i,
                                int result, int* positions) {
    int v = pos.side == WHITE ? score : -score;
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
    std::fprintf(out, "%s bm %s; ce %d; tune %0.2f;\n", epd, text, v, target);
    ++*positions;
}

// Replays the game from its start, writing its annotation (mode 1) or its
// tuning positions (mode 2).
static void ProcessGame(FILE* out, ScanState& s, int mode) {
    const PgnGame& g = s.game;
    Position* pos = &ThreadData[0]->pos;
    pos->ply = 1;
    SetPosition(pos, g.fen, g.chess960);
    for (int i = 0; i < g.count; i++) {
        if (mode == 1)
            AnnotateMove(out, *pos, g, s.scores, i);
        else
            WriteTuningPosition(out, *pos, g.text[i], s.scores[i], i, g.result, &s.positions);
        MakeMove(pos, g.moves[i]);
    }
    if (mode == 1) std::fputc('\n', out);
}

// White's view in pawns after key ("wv=0.35", "[%eval -1.20]", "[%eval #-3]"
// for a mate), as centipawns into score; false when text has no such value.
static bool WhitePawns(const char* text, const char* key, int16_t* score) {
    const char* at = std::strstr(text, key);
    // "wv=" must start a field, not end a longer name.
    while (at && at > text && std::isalnum(static_cast<unsigned char>(at[-1]))) at = std::strstr(at + 1, key);
    if (!at) return false;
    const char* p = at + std::strlen(key);
    if (*p == '#') return *++p == '-' ? (*score = -9999, true) : (*score = 9999, true);
    char* end;
    const double x = std::strtod(p, &end);
    if (end == p) return false;
    *score = ClampScore(x * 100.0);
    return true;
}

// Scores the last move from a comment after it: "eval N" is White's view in
// centipawns, "wv=0.35" and "[%eval 0.35]" White's view in pawns; otherwise a
// leading "+0.35/12" is the mover's view in pawns. Anything else (book,
// empty, no number) leaves the score as it was.
static void ScoreComment(void* ctx, const PgnGame* g, const char* text) {
    ScanState& s = *static_cast<ScanState*>(ctx);
    if (g->count == 0 || g->cut) return;
    int16_t& score = s.scores[g->count - 1];
    if (WhitePawns(text, "[%eval ", &score) || WhitePawns(text, "wv=", &score)) return;
    if (const char* e = std::strstr(text, "eval ")) {
        char* end;
        long v = std::strtol(e + 5, &end, 10);
        if (end != e + 5) score = ClampScore(double(v));
        return;
    }
    const char* slash = std::strchr(text, '/');
    if (!slash) return;
    char head[64];
    std::snprintf(head, sizeof head, "%.*s", int(slash - text < 63 ? slash - text : 63), text);
    char* end;
    double x = std::strtod(head, &end);
    if (end == head) return;
    x *= 100.0;
    if (s.reader.pos.side == WHITE) x = -x;  // Black made the move
    score = ClampScore(x);
}

static void CopyTags(FILE* out, const PgnGame& g) {
    for (int i = 0; i < g.ntags; i++) {
        std::fprintf(out, "[%s \"", g.tags[i].name);
        for (const char* c = g.tags[i].value; *c; c++) {
            if (*c == '"' || *c == '\\') std::fputc('\\', out);
            std::fputc(*c, out);
        }
        std::fputs("\"]\n", out);
        if (!std::strcmp(g.tags[i].name, "Round")) std::fprintf(out, "[Tag \"game_%ld\"]\n", g.number);
    }
}

void Scan_PGN_File(const char* file, int mode) {
    if (mode != 1 && mode != 2) return;
    ScanState* s = static_cast<ScanState*>(std::calloc(1, sizeof(ScanState)));
    if (!s) return;
    new (&s->reader) PgnReader();
    if (!OpenPgn(&s->reader, file)) {
        std::printf("can't open %s\n", file);
        ClosePgn(&s->reader);
        std::free(s);
        return;
    }
    // Written beside the target and renamed over it only when complete: the
    // old file survives a failed write, and a scan of tmp.pgn itself reads
    // the games to the end.
    const char* target = mode == 1 ? "tmp.pgn" : "tmp.epd";
    char part[16];
    std::snprintf(part, sizeof part, "%s.new", target);
    // A fresh file, never the old one emptied: the input may be that very
    // file (a scan of tmp.pgn.new), and the reader keeps it open to its end.
    unlink(part);
    FILE* out = OpenRegularFile(part, "w");
    if (!out) {
        std::printf("can't write %s: %s\n", part, std::strerror(errno));
        ClosePgn(&s->reader);
        std::free(s);
        return;
    }
    InitEval();
    PBlock.log_on.store(0, std::memory_order_relaxed);
    s->reader.comment = ScoreComment;
    s->reader.ctx = s;
    for (int i = 0; i < GAME_MAX; i++) s->scores[i] = NO_SCORE;
    while (ReadPgnGame(&s->reader, &s->game)) {
        if (s->game.cut) std::printf("%s\n", s->game.problem);
        if (mode == 1) CopyTags(out, s->game);
        if (s->game.count > 0) ProcessGame(out, *s, mode);
        for (int i = 0; i < GAME_MAX; i++) s->scores[i] = NO_SCORE;
        if (s->game.number % 100 == 0) std::printf("game %ld\n", s->game.number);
        std::fflush(stdout);
    }
    std::fputc('\n', out);
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written || std::rename(part, target) != 0) {
        std::printf("can't write %s: %s, the old file stays\n", target, std::strerror(errno));
        unlink(part);
    }
    char summary[128];
    PgnSummary(s->reader, summary, sizeof summary);
    ClosePgn(&s->reader);
    std::printf("%s\ngames= %ld, positions= %d\n", summary, s->reader.games, s->positions);
    std::fflush(stdout);
    std::free(s);
}
