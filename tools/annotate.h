// Annotating games: every position of a game searched, each move's score as
// a [%eval] comment, and the moves that lose expected result marked with a
// better line; per side the counts and the average centipawn loss.
#pragma once
#include <string>

#include "search/limits.h"
#include "tools/pgn.h"

// Losses in expected result (per mille of a point) that make a move an
// inaccuracy, a mistake or a blunder.
constexpr int INACCURACY_LOSS = 50, MISTAKE_LOSS = 100, BLUNDER_LOSS = 150;

enum class Verdict : uint8_t { None, Inaccuracy, Mistake, Blunder };
Verdict VerdictOf(int expected_loss);

struct AnnotateSettings {
    Limits limits;  // each position's search
    const char* annotator = "";  // the Annotator tag's value
    // Moves it says yes to are left unmarked (the own book's), none when null.
    bool (*book_move)(Position* pos, uint16_t move) = nullptr;
    // Called after each move is judged with a line saying what it was, and
    // with the plies done and the plies of the game.
    void (*progress)(void* ctx, const char* verdict, int done, int plies) = nullptr;
    void* ctx = nullptr;
};

// The comments of the main line: after[k] follows move k, after[0] comes
// before the first move. A reader keeps them with KeepComment as its callback.
struct PgnComments {
    std::string after[GAME_MAX + 1];
    void Clear() {
        for (auto& s : after) s.clear();
    }
};
void KeepComment(void* ctx, const PgnGame* g, const char* text);

// The game annotated as PGN text, searched on the main thread's position
// (which it leaves at the game's end); false with text empty when the search
// was asked to quit on the way.
bool AnnotateGame(const PgnGame& g, const PgnComments& comments, const AnnotateSettings& s, std::string* text);

// Every game of file to standard output, each once it is done, progress to
// standard error; false when the file cannot be read.
bool AnnotateFile(const char* file, const AnnotateSettings& s);
