// PGN games in and out, and Polyglot books: keys and lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

#include "book/book.h"
#include "book/polyglot.h"
#include "tests/board/board_setup.h"
#include "tools/annotate.h"
#include "tools/pgn.h"

namespace {

// Each game read: its ply count, its last move as written, and "cut" when a
// move ended it.
std::string ReadGames(const std::string& file) {
    static PgnReader r;
    static PgnGame g;
    std::string out;
    EXPECT_TRUE(OpenPgn(&r, file.c_str()));
    while (ReadPgnGame(&r, &g)) {
        out += std::to_string(g.count) + (g.count ? std::string(" ") + g.text[g.count - 1] : "");
        out += g.cut ? " cut;" : ";";
    }
    ClosePgn(&r);
    return out;
}

using PgnFiles = EngineTest;

TEST_F(PgnFiles, FragmentsToGames) {
    const struct {
        const char *pgn, *games;
    } rows[] = {
        {"[Event \"a\"]\n[Result \"*\"]\n\n% escaped\n1. e4 {two\nlines} e5 $1 ; rest Nc6\n"
         "2. Nf3 (2. Nc3 (2. f4) Nc6) 2... Nc6!? *\n",
         "4 Nc6;"},
        {"[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K2R b KQ - 0 30\"]\n\n30... Kd7 31. O-O-O+ Kc7 1/2-1/2\n",
         "3 Kc7;"},
        // the e2 knight is pinned, so Nd4 and Nc3 name the other knights
        {"[FEN \"4k3/4r3/8/5N2/8/8/4N3/1N2K3 w - -\"]\n1. Nd4 Kd8 2. Nc3 Ke8 3. Ng3 *\n", "4 Ke8 cut;"},
        {"1. e4!! e5?? 2. Qh5?! Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n1. d4 d5 2. Bc4 Nf6 *\n[Event \"c\"]\n1. c4 "
         "0-1\n",
         "7 Qxf7#;2 d5 cut;1 c4;"},
        {"[FEN \"7k/4P3/8/8/8/8/8/4K3 w - -\"]\n1. e8Q+ Kg7 2. Qe5+ Kg8 *\n", "4 Kg8;"},
        // Chess960: castling by SAN, the Variant tag after the FEN or without one
        {"[FEN \"rk2r3/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w EAea - 0 1\"]\n[Variant \"Chess960\"]\n\n"
         "1. O-O-O O-O 2. Kb1 *\n[Variant \"chess960\"]\n1. e4 e5 2. Nf3 Nc6 3. Bc4 Nf6 4. O-O *\n",
         "3 Kb1;7 O-O;"},
        // Brackets closed but never opened, or never closed, end with their game.
        {"1. e4 } e5 2. Nf3 1-0\n\n[Result \"1-0\"]\n1. d4 { never closed d5\n\n"
         "[Result \"1-0\"]\n1. c4 ) e5 ( Nf3 \n\n[Result \"1-0\"]\n1. Nf3 d5 1-0\n",
         "3 Nf3;1 d4;2 e5;2 d5;"},
        // CR-only line ends, movetext after the last tag, "e.p." and a result glued to the move.
        {"[Event \"a\"]\r\r1. e4 *\r\r[Event \"b\"]\r1. d4 *\r", "1 e4;1 d4;"},
        {"[Event \"a\"] 1. e4 *\n[Event \"b\"]\n1. d4 d5 *\n", "1 e4;2 d5;"},
        {"[FEN \"4k3/8/8/3pP3/8/8/8/4K3 w - d6\"]\n1. exd6 e.p. Kd7 2. Kd2 Kxd6 1/2-1/2\n", "4 Kxd6;"},
        {"1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7#1-0\n1. d4 d5*\n", "7 Qxf7#;2 d5;"},
    };
    for (const auto& r : rows) {
        WriteFile("games.pgn", r.pgn);
        EXPECT_EQ(ReadGames("games.pgn"), r.games) << r.pgn;
    }
    std::string dance;  // 800 plies: cut where a game record ends
    for (int i = 0; i < 200; i++) dance += "Nf3 Nf6 Ng1 Ng8 ";
    WriteFile("games.pgn", dance + "*\n");
    EXPECT_EQ(ReadGames("games.pgn"), std::to_string(HIST_SIZE - 100) + " Ng8 cut;");
}

TEST_F(PgnFiles, SavedGamesReadBackTheSame) {
    const struct {
        const char *fen, *moves;
        bool chess960 = false;
    } games[] = {{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                  "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O Nf6 d3 O-O Bg5 h6 Bxf6 Qxf6 Nc3 d6 Nd5 Qd8 c3 a6 b4 Ba7 a4 Be6"
                  " Qb3 Rb8 a5 Kh8 Rfe1 f5 exf5 Bxf5 Re2 Qe8 Rae1 Qf7"},
                 {"4k3/1P6/8/8/8/8/8/R3K2R b KQ -", "Kd7 b8=N+ Kc7 O-O Kxb8 Rf8+"},
                 {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "f3 e5 g4 Qh4#"},
                 {"4k3/8/8/8/8/8/3q4/4K3 w - -", "Kxd2"},
                 {"rk2r3/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w EAea -", "O-O-O O-O Kb1", true}};
    for (const auto& g : games) {
        const Position start = *SetGame(g.fen, nullptr, g.chess960);
        const Position* pos = SetGame(g.fen, g.moves, g.chess960);
        std::vector<uint16_t> moves;
        for (int i = 0; i < pos->nhist; i++) moves.push_back(pos->hist[i].move);
        ASSERT_TRUE(AppendPgnGame("saved.pgn", start, moves.data(), pos->nhist));
    }
    std::string saved = ReadFile("saved.pgn");
    EXPECT_NE(saved.find("[FEN \"4k3/1P6/8/8/8/8/8/R3K2R b KQ - 0 1\"]\n\n1... Kd7 2. b8=N+ Kc7 3. O-O Kxb8 "
                         "4. Rf8+ *\n\n"),
              std::string::npos)
        << saved;
    for (const std::string& l : Split(saved)) EXPECT_LE(l.size(), 80u) << l;
    EXPECT_NE(saved.find("[Result \"0-1\"]"), std::string::npos) << saved;  // the mate decides it
    EXPECT_NE(saved.find("2. g4 Qh4# 0-1\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("1. Kxd2 1/2-1/2\n"), std::string::npos) << saved;  // so does a draw by rule
    EXPECT_NE(saved.find("[Variant \"Chess960\"]\n[SetUp \"1\"]\n[FEN \"rk2r3/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w "
                         "EAea - 0 1\"]\n\n1. O-O-O O-O 2. Kb1 *\n"),
              std::string::npos)
        << saved;
    EXPECT_EQ(ReadGames("saved.pgn"), "36 Qf7;6 Rf8+;4 Qh4#;1 Kxd2;3 Kb1;");
}

// Annotated at depth 4: an evaluation after every move, the marks and better
// lines where chances go, the game's own comments kept, and text the reader
// takes back move for move.
TEST_F(PgnFiles, AnnotatedGames) {
    const struct {
        const char* pgn;
        int plies;
        std::vector<std::string> has;
        std::vector<std::string> lacks = {};
        bool (*book_move)(Position*, uint16_t) = nullptr;
    } rows[] = {
        {"[Event \"a\"]\n[Annotator \"someone\"]\n\n{ before } 1. e4 e5 2. Nf3 { a comment } Nc6 3. Bb5 Qh4 "
         "4. Nxh4 1-0\n",
         7,
         {"{ White: ", "} { before } 1. e4 { [%eval ",
          "2. Nf3 { [%eval ", "] } { a comment } 2... Nc6", "3... Qh4 $4 { [%eval ", "Blunder. ", " was best. } ( 3... ",
          "4. Nxh4 { [%eval ", "[BlackBlunders \"1\"]", "[WhiteBlunders \"0\"]", "[Annotator \"x\"]"}},
        {"1. f3 e5 2. g4 Qh4# 0-1\n", 4, {"2. g4 $4 { [%eval #-1] (", "Blunder. ", " was best. } ( 2. ", "2... Qh4# { [%eval #-0] } 0-1"}},
        {"[FEN \"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 40\"]\n40. Ra8# 1-0\n", 1, {"40. Ra8# { [%eval #0] } 1-0"}},
        // Long enough for an evaluation to meet the end of a line.
        {"1. e4 e5 2. Nf3 Nc6 3. Bb5 Nf6 4. Qe2 Bc5 5. c3 O-O 6. d3 Re8 7. Bg5 h6 8. Bh4 Be7 9. Bxc6 bxc6 "
         "10. Nbd2 Rb8 11. Nc4 d6 12. b3 Be6 13. Bxf6 Bxf6 14. O-O c5 15. Rfd1 Bd7 *\n",
         30,
         {"15... Bd7 { [%eval "}},
        // Book moves are not judged, however they score.
        {"1. e4 e5 2. Nf3 Nc6 3. Bb5 Qh4 4. Nxh4 1-0\n",
         7,
         {"3... Qh4 { [%eval ", "[BlackBlunders \"0\"]"},
         {"$4", "Blunder."},
         [](Position* pos, uint16_t) { return pos->nhist < 6; }},
        // Trading queens into a worse ending is judged by the chances of the
        // material left after the capture: a mistake, where the queens still
        // on would have made it a blunder.
        {"[FEN \"6q1/8/6Q1/4p1KP/1k6/p4P2/6P1/8 b - - 4 104\"]\n104... Qxg6+ *\n",
         1,
         {"104... Qxg6+ $2 {", "Mistake. "},
         {"$4"}},
    };
    UseThreads(1);
    static PgnReader r;
    static PgnGame g;
    static PgnComments comments;
    for (const auto& row : rows) {
        WriteFile("in.pgn", row.pgn);
        r = PgnReader{};
        comments.Clear();
        ASSERT_TRUE(OpenPgn(&r, "in.pgn"));
        r.comment = KeepComment;
        r.ctx = &comments;
        ASSERT_TRUE(ReadPgnGame(&r, &g));
        ClosePgn(&r);
        AnnotateSettings s;
        s.limits.depth = 4;
        s.limits.move_time = 1000;
        s.limits.kind = PonderState::Idle;
        s.limits.info_delay = SILENT_OUTPUT;
        s.annotator = "x";
        s.book_move = row.book_move;
        std::string text;
        ASSERT_TRUE(AnnotateGame(g, comments, s, &text));
        for (const std::string& l : Split(text)) EXPECT_LE(l.size(), 80u) << l;
        std::string flat = text;
        std::replace(flat.begin(), flat.end(), '\n', ' ');
        for (const std::string& part : row.has) EXPECT_NE(flat.find(part), std::string::npos) << part << "\n" << text;
        for (const std::string& part : row.lacks) EXPECT_EQ(flat.find(part), std::string::npos) << part << "\n" << text;
        size_t evals = 0;
        for (size_t at = text.find("[%eval "); at != std::string::npos; at = text.find("[%eval ", at + 1)) evals++;
        EXPECT_EQ(evals, size_t(row.plies)) << text;
        EXPECT_EQ(flat.find("someone"), std::string::npos);
        WriteFile("out.pgn", text);
        EXPECT_EQ(ReadGames("out.pgn"), std::to_string(row.plies) + " " + g.text[g.count - 1] + ";");
    }
}

// The start and 1. e4 keys are pinned by the book lookups below.
TEST_F(PgnFiles, PolyglotKeysOfKnownPositions) {
    const struct {
        const char* fen;
        uint64_t key;
    } rows[] = {
        {"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6", 0x0756b94461c50fb0ULL},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6", 0x22a48b5a8e47ff78ULL},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq -", 0x652a607ca3f242c1ULL},
        {"rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3", 0x3c8123ea7b067637ULL},
        {"rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq -", 0x5c3f9b829b279560ULL},
    };
    for (const auto& r : rows) EXPECT_EQ(PolyglotKey(SetGame(r.fen)), r.key) << r.fen;
}

TEST_F(PgnFiles, PolyglotBookGivesTheWeightsInTheFile) {
    ASSERT_TRUE(SetBookFile(VELL_TEST_DATA "/tools/polyglot_excerpt.bin"));
    const char* want[] = {"e2e4 1100,d2d4 1058,g1f3 405,c2c4 353,g2g3 47,b2b3 18,f2f4 11,b2b4 4,",
                          "c7c5 475,e7e5 256,e7e6 156,c7c6 109,d7d6 34,g7g6 26,g8f6 24,d7d5 15,b8c6 3,"};
    Position* pos = SetGame("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    // The choice follows the weights: 1.e4 and 1.d4 hold 72% of them, an eighth of the entries each.
    int heavy = 0;
    for (unsigned draw = 1; draw <= 200; draw++) {
        std::srand(draw);
        const uint16_t m = GetCandidates(pos, 0);
        heavy += m == MakeMoveWord(12, 28) || m == MakeMoveWord(11, 27);
    }
    EXPECT_GT(heavy, 120);
    for (const char* w : want) {
        uint16_t chosen = 0;
        std::istringstream out(Printed([&] { chosen = GetCandidates(pos, 1); }));
        std::string got, move, rest;
        std::getline(out, rest);  // the header
        for (int weight; out >> move >> weight >> rest;) got += move + " " + std::to_string(weight) + ",";
        EXPECT_EQ(got, w);
        EXPECT_NE(chosen, 0);
        if (w == want[0]) MakeMove(pos, MakeMoveWord(12, 28));  // 1. e4
    }
    // The same entry three times is one candidate with the weights added.
    const std::string e2e4(std::string("\x46\x3b\x96\x18\x16\x91\xfc\x9c\x03\x1c\x00\x0a", 12) +
                           std::string(4, '\0'));
    WriteFile("thrice.bin", e2e4 + e2e4 + e2e4);
    ASSERT_TRUE(SetBookFile("thrice.bin"));
    pos = SetGame("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(Printed([&] { GetCandidates(pos, 1); }), "move  weight  share\ne2e4     30  100.0%\n");
    // An entry of weight 0 is never chosen; a position with only such entries has no book move.
    const std::string zero_e4 = e2e4.substr(0, 10) + std::string(6, '\0');
    const std::string d2d4(std::string("\x46\x3b\x96\x18\x16\x91\xfc\x9c\x02\xdb\x00\x01", 12) +
                           std::string(4, '\0'));
    for (const auto& [file, move] : {std::pair{zero_e4 + d2d4, MakeMoveWord(11, 27)}, {zero_e4, uint16_t(0)}}) {
        WriteFile("zero.bin", file);
        ASSERT_TRUE(SetBookFile("zero.bin"));
        for (unsigned draw = 1; draw <= 20; draw++) {
            std::srand(draw);
            EXPECT_EQ(GetCandidates(pos, 0), move) << draw;
        }
    }
    EXPECT_EQ(SetBookFile("absent.bin"), 0);
    EXPECT_TRUE(SetBookFile(""));
}

}  // namespace
