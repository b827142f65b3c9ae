// The annotator: searches each position of a game once, judges every move by
// the expected result it gives away, and writes the game back as PGN with
// evaluations, marks, better lines and a summary per side.
#include "tools/annotate.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "base/control.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "search/batch.h"
#include "search/wdl.h"
#include "thread/gameend.h"
#include "thread/records.h"

namespace {

constexpr int LOSS_CAP = 1000;    // centipawns: a mate counts as this much in the average loss
constexpr int LINE_MOVES = 10;    // moves of a better line shown
constexpr int PGN_LINE = 80;      // export lines stay within this

const char* const verdict_name[] = {"", "Inaccuracy", "Mistake", "Blunder"};
const char* const verdict_nag[] = {"", "$6", "$2", "$4"};

struct Judged {
    int score;     // the position before the move, for its side to move
    int material;  // left in that position, which the score's chances depend on
    uint16_t best;
    uint16_t line[LINE_MOVES + 1];  // the best line, 0-ended
};

struct SideTotals {
    int count[4];  // by verdict
    long loss;     // centipawns summed over the judged moves
    int judged;
    int Acpl() const { return judged ? int((loss + judged / 2) / judged) : 0; }
};

// Score for the side to move of the position set on the main thread: the
// search's, or the rules' when the game is over there.
void SearchPosition(const Limits& limits, Judged* j) {
    Position* pos = &ThreadData[0]->pos;
    j->best = 0;
    j->line[0] = 0;
    j->material = MaterialLeft(*pos);
    const GameEndInfo end = GameEnd(pos);
    if (end.kind == GameEndKind::Checkmate || end.kind == GameEndKind::Stalemate) {
        j->score = end.kind == GameEndKind::Checkmate ? -MATE : 0;
        return;
    }
    const SearchResult r = RunBatchSearch(limits);
    j->score = r.score;
    j->best = r.best;
    int n = 0;
    for (int i = 1; i < MAX_PLY && n < LINE_MOVES; i++) {
        const uint16_t m = PBlock.best_pv[i].load(R);
        if (!m) break;
        j->line[n++] = m;
    }
    if (n == 0 && r.best) j->line[n++] = r.best;
    j->line[n] = 0;
}

int Clamped(int score) { return std::clamp(score, -LOSS_CAP, LOSS_CAP); }

// "0.35", "-1.20", "#3" or "#-2" for a score from White's point of view.
std::string EvalText(int white_score) {
    char buf[16];
    if (white_score > MATE_SCORE)
        std::snprintf(buf, sizeof buf, "#%d", (MATE - white_score + 1) / 2);
    else if (white_score < -MATE_SCORE)
        std::snprintf(buf, sizeof buf, "#-%d", (MATE + white_score) / 2);
    else
        std::snprintf(buf, sizeof buf, "%.2f", white_score / 100.0);
    return buf;
}

// The line as numbered SAN from pos (which it leaves as it was), stopping
// before a move that is not legal there.
std::string VariationText(const Position& from, int first_number, const uint16_t* line) {
    static HistRec hist[HIST_SIZE];
    Position pos = from;
    std::memcpy(hist, from.hist, sizeof(HistRec) * from.nhist);
    pos.hist = hist;
    std::string text;
    int number = first_number;
    for (int i = 0; line[i] && pos.nhist < HIST_SIZE - 1; i++) {
        uint16_t list[256];
        const int n = LegalMoveList(&pos, list);
        if (std::find(list, list + n, line[i]) == list + n) break;
        char san[16];
        MoveToSan(&pos, line[i], san);
        if (pos.side == WHITE)
            text += std::to_string(number) + ". ";
        else if (i == 0)
            text += std::to_string(number) + "... ";
        text += san;
        text += ' ';
        if (pos.side == BLACK) number++;
        MakeMove(&pos, line[i]);
    }
    if (!text.empty()) text.pop_back();
    return text;
}

// Words joined into lines of at most PGN_LINE characters.
void Wrap(const std::string& words, std::string* out) {
    size_t col = 0, i = 0;
    while (i < words.size()) {
        size_t j = words.find(' ', i);
        // An evaluation stays on one line: readers look for "[%eval " with its blank.
        if (j != std::string::npos && !words.compare(i, j - i, "[%eval")) j = words.find(' ', j + 1);
        if (j == std::string::npos) j = words.size();
        if (j > i) {
            const size_t len = j - i;
            if (col && col + 1 + len > PGN_LINE) {
                *out += '\n';
                col = 0;
            } else if (col) {
                *out += ' ';
                col++;
            }
            out->append(words, i, len);
            col += len;
        }
        i = j + 1;
    }
    *out += '\n';
}

bool Replaced(const char* tag) {
    static const char* const ours[] = {"Annotator",        "WhiteInaccuracies", "WhiteMistakes", "WhiteBlunders",
                                       "WhiteACPL",        "BlackInaccuracies", "BlackMistakes", "BlackBlunders",
                                       "BlackACPL"};
    for (const char* t : ours)
        if (!std::strcmp(t, tag)) return true;
    return false;
}

}  // namespace

Verdict VerdictOf(int expected_loss) {
    return expected_loss >= BLUNDER_LOSS      ? Verdict::Blunder
           : expected_loss >= MISTAKE_LOSS    ? Verdict::Mistake
           : expected_loss >= INACCURACY_LOSS ? Verdict::Inaccuracy
                                              : Verdict::None;
}

void KeepComment(void* ctx, const PgnGame* g, const char* text) {
    std::string& s = static_cast<PgnComments*>(ctx)->after[std::clamp(g->count, 0, GAME_MAX)];
    if (!s.empty()) s += ' ';
    s += text;
}

bool AnnotateGame(const PgnGame& g, const PgnComments& comments, const AnnotateSettings& s, std::string* text) {
    text->clear();
    static Judged judged[GAME_MAX + 1];
    Position* pos = &ThreadData[0]->pos;
    char why[128];
    if (g.bad_start || !LoadFen(pos, g.fen, g.chess960, why)) return true;
    pos->fifty = FenHalfmoveClock(PgnTagValue(g, "FEN"));
    pos->ply = 1;
    PBlock.draw_score[0].store(0, R);
    PBlock.draw_score[1].store(0, R);
    const int first_number = FenMoveNumber(PgnTagValue(g, "FEN"));
    // Each position once: a move's score is the next position's, negated.
    static HistRec start_hist[HIST_SIZE];
    Position first = *pos;
    std::memcpy(start_hist, pos->hist, sizeof(HistRec) * pos->nhist);
    first.hist = start_hist;
    for (int i = 0; i <= g.count; i++) {
        SearchPosition(s.limits, &judged[i]);
        if (PBlock.quit.load(R)) return false;
        if (i == g.count) break;
        MakeMove(pos, g.moves[i]);
        pos->ply = 1;
        if (s.progress) s.progress(s.ctx, nullptr, i + 1, g.count);
    }

    SideTotals totals[2] = {};
    std::string moves;
    if (!comments.after[0].empty()) moves += "{ " + comments.after[0] + " } ";
    Position replay = first;
    static HistRec replay_hist[HIST_SIZE];
    std::memcpy(replay_hist, start_hist, sizeof(HistRec) * first.nhist);
    replay.hist = replay_hist;
    int number = first_number;
    std::string body;
    for (int i = 0; i < g.count; i++) {
        const int side = replay.side;
        const uint16_t move = g.moves[i];
        const Judged &j = judged[i], &next = judged[i + 1];
        const int before = j.score, after = -next.score;  // both for the mover
        uint16_t list[256];
        const bool forced = LegalMoveList(&replay, list) == 1;
        const bool book = s.book_move && s.book_move(&replay, move);
        const bool best = move == j.best;
        Verdict v = Verdict::None;
        if (!book && !forced) {
            const int lost = best ? 0
                                  : ExpectedResult(WinDrawLoss(before, j.material)) -
                                        ExpectedResult(WinDrawLoss(after, next.material));
            v = VerdictOf(lost);
            totals[side].count[int(v)]++;
            totals[side].loss += best ? 0 : std::max(0, Clamped(before) - Clamped(after));
            totals[side].judged++;
        }
        char san[16];
        MoveToSan(&replay, move, san);
        const std::string number_text = std::to_string(number) + (side == WHITE ? "." : "...");
        body += number_text + " " + san;
        if (v != Verdict::None) body += std::string(" ") + verdict_nag[int(v)];
        const int white_after = side == WHITE ? after : -after;
        // The verdict shares the evaluation's comment: GUIs that show both
        // comments run them together.
        body += " { [%eval " + EvalText(white_after) + "]";
        std::string said = number_text + " " + san + " " + EvalText(white_after);
        std::string line;
        if (v != Verdict::None) {
            const int white_before = side == WHITE ? before : -before;
            char best_san[16];
            MoveToSan(&replay, j.best, best_san);
            body += " (" + EvalText(white_before) + " -> " + EvalText(white_after) + ") " + verdict_name[int(v)] +
                    ". " + best_san + " was best.";
            line = VariationText(replay, number, j.line);
            said += std::string(" ") + verdict_name[int(v)] + ", " + best_san + " was best";
        } else if (book) {
            said += " book";
        }
        body += " }";
        if (!comments.after[i + 1].empty()) body += " { " + comments.after[i + 1] + " }";
        if (!line.empty()) body += " ( " + line + " )";
        body += ' ';
        if (s.progress) s.progress(s.ctx, said.c_str(), i + 1, g.count);
        if (side == BLACK) number++;
        MakeMove(&replay, move);
    }

    // Tags: the game's own, then ours.
    for (int i = 0; i < g.ntags; i++)
        if (!Replaced(g.tags[i].name)) *text += TagPair(g.tags[i].name, g.tags[i].value);
    *text += TagPair("Annotator", s.annotator);
    char summary[256] = "";
    for (int c = WHITE; c <= BLACK; c++) {
        const char* name = c == WHITE ? "White" : "Black";
        const SideTotals& t = totals[c];
        const int values[4] = {t.count[1], t.count[2], t.count[3], t.Acpl()};
        const char* what[4] = {"Inaccuracies", "Mistakes", "Blunders", "ACPL"};
        for (int k = 0; k < 4; k++)
            *text += TagPair((std::string(name) + what[k]).c_str(), std::to_string(values[k]).c_str());
        const size_t n = std::strlen(summary);
        auto s_if = [](int k) { return k == 1 ? "" : "s"; };
        std::snprintf(summary + n, sizeof summary - n,
                      "%s%s: %d inaccurac%s, %d mistake%s, %d blunder%s, ACPL %d.", c == WHITE ? "" : " ", name,
                      t.count[1], t.count[1] == 1 ? "y" : "ies", t.count[2], s_if(t.count[2]), t.count[3],
                      s_if(t.count[3]), t.Acpl());
    }
    // Without a Result tag the one that ends the moves stands.
    const char* result = PgnTagValue(g, "Result");
    if (!*result) result = g.result == 0 ? "1-0" : g.result == 1 ? "0-1" : "*";
    *text += "\n";
    Wrap(std::string("{ ") + summary + " } " + moves + body + result, text);
    *text += "\n";
    return true;
}

namespace {

struct FileProgress {
    long game, games;
    long plies_done, plies_total;  // of the whole file
    double start;
    double shown;  // when the last line was written
    const PgnGame* g;
};

// A line a second at most (and one at the end of each game): a long file at
// a tenth of a second a move would otherwise scroll tens of thousands.
void ShowFileProgress(void* ctx, const char* verdict, int done, int plies) {
    if (verdict) return;
    FileProgress& p = *static_cast<FileProgress*>(ctx);
    const double now = GetTime();
    if (now - p.shown < 1.0 && done < plies) return;
    p.shown = now;
    const long all_done = p.plies_done + done;
    const double spent = now - p.start;
    const double left = all_done ? spent / double(all_done) * double(p.plies_total - all_done) : 0;
    auto player = [&](const char* tag) { return *PgnTagValue(*p.g, tag) ? PgnTagValue(*p.g, tag) : "?"; };
    std::fprintf(stderr, "game %ld of %ld: %s - %s, move %d of %d, about %.0f s left\n", p.game, p.games,
                 player("White"), player("Black"), (done + 1) / 2, (plies + 1) / 2, left);
}

// A game in one write: stdio may split a long text in two, and a run stopped
// between them would leave half a game.
void WriteWhole(const std::string& text) {
    std::fflush(stdout);
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += size_t(n);
    }
}

}  // namespace

bool AnnotateFile(const char* file, const AnnotateSettings& settings) {
    static PgnReader reader;
    static PgnGame game;
    static PgnComments comments;
    // A first pass counts the games and moves for the progress lines.
    if (!OpenPgn(&reader, file)) {
        ClosePgn(&reader);
        return false;
    }
    while (ReadPgnGame(&reader, &game)) {
    }
    FileProgress p{0, reader.games, 0, reader.moves + reader.games, GetTime(), 0, &game};
    ClosePgn(&reader);
    reader = PgnReader{};
    if (!OpenPgn(&reader, file)) return false;
    reader.comment = KeepComment;
    reader.ctx = &comments;
    AnnotateSettings s = settings;
    s.progress = ShowFileProgress;
    s.ctx = &p;
    std::string text;
    for (;;) {
        comments.Clear();
        if (!ReadPgnGame(&reader, &game)) break;
        p.game = game.number;
        if (!AnnotateGame(game, comments, s, &text)) break;
        p.plies_done += game.count + 1;
        WriteWhole(text);
    }
    ClosePgn(&reader);
    return true;
}
