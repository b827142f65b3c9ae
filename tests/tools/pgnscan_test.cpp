// PGN scanning: both comment styles, the tuning filters and targets, the
// annotated copy with its weak-move flag, and malformed input. (The first
// written ply and the fifty-move filter are a transcript in uci_transcripts_test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/board/board_setup.h"
#include "tools/pgnscan.h"

namespace {

// The first 60 plies of a real game; ply 58 (30. Qxb1) answers a check.
const char* const game_moves =
    "e4 e5 Nf3 Nc6 Bb5 Nf6 Qe2 Bc5 c3 O-O d3 Re8 Bg5 h6 Bh4 Be7 Bxc6 bxc6 Nbd2 Rb8 Nc4 d6 b3 Be6 Bxf6 "
    "Bxf6 O-O c5 Rfd1 Bd7 Rac1 h5 h3 Qe7 Ne3 c6 Qd2 Red8 b4 Be6 bxc5 dxc5 Qc2 Qd7 c4 Qc7 Rb1 Rb4 Rb3 a5 "
    "a3 Rxb3 Qxb3 Rb8 Qc2 g6 Rb1 Rxb1+ Qxb1 Bd8";
// Knights out and back: no pawn moves or captures, and every fourth ply is
// the start position again.
const char* const shuffle =
    "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8";

// A game with one comment (possibly empty: none) per ply, eight plies a line,
// scanned in the mode; returns the output.
std::string Scan(const char* moves, const std::vector<std::string>& comments, const std::string& result, int mode,
                 int round = 1) {
    std::ostringstream s;
    s << "[Event \"test\"]\n[Site \"here\"]\n[Round \"" << round << "\"]\n[White \"A\"]\n[Black \"B\"]\n"
      << "[Result \"" << result << "\"]\n\n";
    std::istringstream in(moves);
    int i = 0;
    for (std::string m; in >> m; i++) {
        if (i % 2 == 0) s << i / 2 + 1 << ". ";
        s << m << ' ';
        if (i < int(comments.size()) && !comments[i].empty()) s << '{' << comments[i] << "} ";
        if (i % 8 == 7) s << '\n';
    }
    s << result << "\n\n";
    WriteFile("games.pgn", s.str());
    return Printed([&] { Scan_PGN_File("games.pgn", mode); });
}

using PgnScan = EngineTest;

TEST_F(PgnScan, EvalCommentsOfADrawnGame) {
    // "eval N" is White's view in centipawns.
    std::vector<std::string> c(60);
    for (int i = 20; i < 60; i++) c[i] = "eval 0, depth 10";
    c[21] = "eval 100, depth 9";   // Black to move: v = -100
    c[22] = "eval 800, depth 9";   // |v| > 749: dropped
    c[23] = "eval -750, depth 9";  // v = 750: dropped
    c[24] = "eval 749, depth 9";   // kept (draws have no 250 limit): 0.25 + 0.5 p(749) = 0.7447
    c[25] = "eval abc, depth 9";   // no number: no score, dropped
    c[26] = "book} (Qd1 {eval 0, depth 9}) {book";  // a variation's comment is not this move's
    EXPECT_EQ(Scan(game_moves, c, "1/2-1/2", 2),
              "1 games, 60 moves read, 0 games cut\ngames= 1, positions= 35\n");
    std::vector<std::string> lines = Split(ReadFile("tmp.epd"));
    // Plies 20..59 less the four dropped above and ply 58, which is in check,
    // and the final empty line.
    ASSERT_EQ(lines.size(), 40u - 4u - 1u + 1u);
    EXPECT_EQ(lines[0],
              "1rbqr1k1/p1ppbpp1/2p2n1p/4p3/4P2B/2PP1N2/PP1NQPPP/R3K2R w KQ - bm Nc4; ce 0; tune 0.50;")
        << "ply 20";
    // p(-100) = 0.3533: 0.25 + 0.5 p = 0.4267.
    EXPECT_EQ(lines[1],
              "1rbqr1k1/p1ppbpp1/2p2n1p/4p3/2N1P2B/2PP1N2/PP2QPPP/R3K2R b KQ - bm d6; ce -100; tune 0.43;");
    EXPECT_NE(lines[2].find(" bm Bxf6; ce 749; tune 0.74;"), std::string::npos);
    // Ply 27 (White has castled meanwhile) follows ply 24.
    EXPECT_NE(lines[3].find(" b - - bm c5; ce 0; tune 0.50;"), std::string::npos) << lines[3];
    for (const std::string& l : lines) EXPECT_EQ(l.find(" bm Qxb1;"), std::string::npos);
}

TEST_F(PgnScan, SlashCommentsAreTheMoversViewAndTheWinnersFilters) {
    // Black wins. Slash comments give the mover's score in pawns.
    std::vector<std::string> c(60);
    c[20] = "+3.00/10 0.1s";  // White (loser) v = 300: not written
    c[21] = "-3.00/10 0.1s";  // Black (winner) v = -300: not written
    c[22] = "+2.50/10 0.1s";  // loser v = 250: written, 0.5 p(250) = 0.4096
    c[23] = "-2.50/10 0.1s";  // winner v = -250: written, 0.5 + 0.5 p(-250) = 0.5904
    c[24] = "0.00/10 0.1s";   // loser v = 0: 0.25
    c[25] = "0.00/12";        // winner v = 0: 0.75
    EXPECT_EQ(Scan(game_moves, c, "0-1", 2), "1 games, 60 moves read, 0 games cut\ngames= 1, positions= 4\n");
    std::vector<std::string> lines = Split(ReadFile("tmp.epd"));
    ASSERT_EQ(lines.size(), 5u);
    const char* want[] = {" w KQ - bm b3; ce 250; tune 0.41;", " b KQ - bm Be6; ce -250; tune 0.59;",
                          " bm Bxf6; ce 0; tune 0.25;", " bm Bxf6; ce 0; tune 0.75;"};
    for (int i = 0; i < 4; i++) EXPECT_NE(lines[i].find(want[i]), std::string::npos) << lines[i];
    // White's view in pawns as TCEC and lichess write it; a mate is no tuning position.
    EXPECT_EQ(Printed([] { Scan_PGN_File(VELL_TEST_DATA "/tools/tcec_game.pgn", 2); }),
              "1 games, 104 moves read, 0 games cut\ngames= 1, positions= 68\n");
    for (int i = 20; i < 60; i++) c[i] = "[%clk 0:01:00] [%eval 0.1]";
    c[30] = "[%eval #-3]";
    EXPECT_EQ(Scan(game_moves, c, "1/2-1/2", 2),
              "1 games, 60 moves read, 0 games cut\ngames= 1, positions= 38\n");
    std::remove("tmp.epd");  // missing input writes nothing
    EXPECT_EQ(Printed([] { Scan_PGN_File("absent.pgn", 2); }), "can't open absent.pgn\n");
    EXPECT_FALSE(std::filesystem::exists("tmp.epd"));
}

TEST_F(PgnScan, AnnotatedCopyFlagsTheLosersWeakMove) {
    // White wins. Scores in White's view: 0 up to ply 13, then +50 at 14 and
    // +60 from 16 on. Black's move 13 (7... Nf6) lost 50 over one move pair
    // and 60 over two: d1 = 50 > 40, d2 = 60 > 50.
    std::vector<std::string> c(23);
    for (int i = 0; i < 23; i++) {
        int w = i < 14 ? 0 : i < 16 ? 50 : 60;
        char b[32];
        std::snprintf(b, sizeof b, "%+0.2f/5 0.1s", (i % 2 == 0 ? w : -w) / 100.0);
        c[i] = b;
    }
    EXPECT_EQ(Scan(shuffle, c, "1-0", 1, 7), "1 games, 24 moves read, 0 games cut\ngames= 1, positions= 0\n");
    std::vector<std::string> lines = Split(ReadFile("tmp.pgn"));
    // Seven tag lines (the empty line after them is not copied), 24 moves,
    // the empty line after the game and the one that ends the file.
    ASSERT_EQ(lines.size(), 7u + 24u + 2u);
    const struct {
        size_t line;
        const char* text;
    } rows[] = {{2, "[Round \"7\"]"},
                {3, "[Tag \"game_1\"]"},
                {7, "  1.  Nf3     {  0.00}"},
                {20, "      Nf6     {  0.00 ? rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq -}"},
                {21, "  8.  Ng1     {  0.50}"},
                {22, "      Ng8     {  0.50}"},  // scores are shown from White's view
                {30, "      Ng8     {      }"},
                {31, ""},
                {32, ""}};
    for (const auto& r : rows) EXPECT_EQ(lines[r.line], r.text) << r.line;
    for (int i = 0; i < 24; i++) EXPECT_EQ(lines[7 + i].find('?') == std::string::npos, i != 13) << i;
    // A scan of the copy itself reads it to the end before the new copy replaces it.
    EXPECT_EQ(Printed([] { Scan_PGN_File("tmp.pgn", 1); }),
              "1 games, 24 moves read, 0 games cut\ngames= 1, positions= 0\n");
}

}  // namespace
