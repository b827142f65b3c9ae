// Games in PGN files: the reader that game loading, the book builder and the
// scans share, and the export writer behind "save".
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "board/position.h"

constexpr int PGN_MAX_TAGS = 32;
constexpr int PGN_COMMENT_SIZE = 1024;  // longer comments keep their start

struct PgnTag {
    char name[32];
    char value[256];
};

struct PgnGame {
    long number;  // 1 for the first game of the file
    PgnTag tags[PGN_MAX_TAGS];
    int ntags;
    char fen[256];  // the start position: the FEN tag as read, else the initial position
    uint16_t moves[GAME_MAX];
    char text[GAME_MAX][8];  // each move as written, marks dropped, at most 7 characters
    int count;
    int result;         // 0 White won, 1 Black won, 2 anything else
    bool cut;           // the game stops before a move that cannot be played
    bool bad_start;     // its FEN tag was refused: it has no position to start from
    char problem[200];  // then the message that says which
    bool found;         // a line of the game holds the reader's search text
    bool chess960;      // a Variant tag names Chess960: castling by rook files
};

struct PgnReader {
    FILE* f = nullptr;
    char* line = nullptr;  // the current line (getline's buffer)
    size_t cap = 0;
    long len = 0, at = 0;
    bool line_found = false;
    const char* find = nullptr;  // optional text that marks the games holding it
    // Called at the end of each comment of the main line with the game so far
    // (g->count moves read), for readers that take scores from comments.
    void (*comment)(void* ctx, const PgnGame* g, const char* text) = nullptr;
    void* ctx = nullptr;
    long games = 0, moves = 0, cut = 0;  // totals of the games read so far
    // Parser state between calls.
    bool in_game = false, movetext = false, in_comment = false, tag_result = false;
    int variation = 0;
    int first_side = WHITE;  // side to move at the start of the game
    char note[PGN_COMMENT_SIZE];
    int note_len = 0;
    Position pos;  // the replay, with its own history
    HistRec hist[HIST_SIZE];
};

// false when the file cannot be opened.
bool OpenPgn(PgnReader* r, const char* file);
void ClosePgn(PgnReader* r);
// Reads the next game, replaying its moves from its start position; false at
// the end of the file. A move that cannot be played ends the game there (cut).
bool ReadPgnGame(PgnReader* r, PgnGame* g);
// "N games, M moves read, K games cut" for the games read so far.
void PgnSummary(const PgnReader& r, char* buf, int size);
// The value of a tag, "" when the game has none.
const char* PgnTagValue(const PgnGame& g, const char* name);

// Appends the game played from start through moves to file in export format:
// the seven tag roster (and SetUp/FEN when start is not the initial position;
// Variant, SetUp and FEN always for a Chess960 game, start.frc),
// numbered SAN moves, lines of at most 80 characters, the result, and an empty
// line. The file gets the whole game or nothing new; false when it could not
// be written. A game loaded from a file (from) keeps its tags, its Result only
// when keep_result says its moves are unchanged (else the board's); first_move
// numbers the first move, as the set-up FEN did.
bool AppendPgnGame(const char* file, const Position& start, const uint16_t* moves, int count,
                   const PgnGame* from = nullptr, bool keep_result = false, int first_move = 1);
// The tag pair line [Name "value"], quotes and backslashes escaped.
std::string TagPair(const char* name, const char* value);
// Appends text to file in one piece: false, and the file as it was, when it
// could not be written whole.
bool AppendWhole(const char* file, const std::string& text);
