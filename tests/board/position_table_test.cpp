// Positions and moves as text and as tables of cases: FENs accepted, repaired
// or refused; move text both ways. (Legality is perft's, the board editor a
// console transcript's.)
#include <gtest/gtest.h>

#include <set>

#include "board/fen.h"
#include "thread/gameend.h"
#include "tests/board/board_setup.h"

namespace {

// A FEN from outside and the position it gives ("=" the same), or why it is
// refused; read under standard rules unless the row says Chess960.
const struct {
    const char *fen, *expect;
    bool chess960 = false;
} kFens[] = {
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", "="},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 20", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -"},
    {"4k3/8/8/8/8/8/8/4K3 b", "4k3/8/8/8/8/8/8/4K3 b - -"},
    // Castling rights need king and rook at home.
    {"r3k3/8/8/8/8/8/8/4K2R w KQkq -", "r3k3/8/8/8/8/8/8/4K2R w Kq -"},
    {"r2k3r/8/8/8/8/8/8/R3K1R1 w KQkq -", "r2k3r/8/8/8/8/8/8/R3K1R1 w Q -"},
    // An en-passant square needs a double push just played, capture or not
    // (the make/unmake table loads two that stay).
    {"4k3/8/8/3pP3/8/8/8/4K3 b - d6", "4k3/8/8/3pP3/8/8/8/4K3 b - -"},
    {"4k3/8/8/4P3/8/8/8/4K3 w - d6", "4k3/8/8/4P3/8/8/8/4K3 w - -"},
    {"4k3/3n4/8/3p4/8/8/8/4K3 w - d6", "4k3/3n4/8/3p4/8/8/8/4K3 w - -"},
    {"4k3/8/8/8/4P3/8/8/4K3 w - e3", "4k3/8/8/8/4P3/8/8/4K3 w - -"},
    {"8/8/8/8/8/8/8/4K3 w - -", "black has 0 kings, needs exactly one"},
    {"4k3/8/8/8/8/8/8/3KK3 w - -", "white has 2 kings, needs exactly one"},
    {"4k3/pppppppp/p7/p7/8/8/8/4K3 w - -", "black has 10 pawns, at most 9 fit"},
    {"6k1/P1P5/8/8/8/B7/1B1B1B1B/B1B1B1BK w - -",
     "white has 9 bishops and 2 pawns, promotions could make more than 10 bishops"},
    {"4k2P/8/8/8/8/8/8/4K3 w - -", "pawn on the first or last rank"},
    {"4k3/8/8/8/8/8/8/p3K3 w - -", "pawn on the first or last rank"},
    {"4k3/8/8/8/8/8/8/4K2r b - -", "the side not to move is in check"},
    {"", "empty FEN"},
    {"4k3/8/8/8/8/8/4K3 w - -", "the FEN board has 7 ranks, not 8"},
    {"4k3/8/8/8/8/8/8/8/4K3 w - -", "the FEN board has more than 8 ranks"},
    {"4k3/8/8/8/8/8/8/4K4 w - -", "rank 1 of the FEN board has more than 8 squares"},
    {"4k2/8/8/8/8/8/8/4K3 w - -", "rank 8 of the FEN board has 7 squares, not 8"},
    {"4k3/8/8/8/8/8/8/4K2X w - -", "unexpected character 'X' in the FEN board"},
    {"4k3/8/8/8/8/8/8/4K3 x - -", "the side to move must be w or b"},
    {"4k3/8/8/8/8/8/8/4K3 w KX -", "bad castling field 'KX'"},
    // Rooks named by file are Chess960's; K and Q there mean the outermost rook.
    {"4k3/8/8/8/8/8/8/4K2R w H -", "bad castling field 'H'"},
    {"4k3/8/8/8/8/8/8/4K2R w H -", "=", true},
    {"4k3/8/8/8/8/8/8/R2RK3 w Q -", "4k3/8/8/8/8/8/8/R2RK3 w A -", true},
    {"r3k1rr/8/8/8/8/8/8/4KR1R w KQkq -", "r3k1rr/8/8/8/8/8/8/4KR1R w Hha -", true},
    {"r3k1rr/8/8/8/8/8/8/4KR1R w Fg -", "r3k1rr/8/8/8/8/8/8/4KR1R w Fg -", true},
    {"4k3/8/8/8/8/8/8/4K3 w - e9", "bad en-passant field 'e9'"},
    {nullptr, "the FEN board field is too long"},  // 200 digits
};

// Move text as people and files write it: the one legal move it names ("" none);
// the texts listed in MoveText are also how the engine writes that move.
const struct {
    const char *fen, *text, *coord;
} kTexts[] = {
    {fen_opn, "e4", "e2e4"},
    {fen_opn, "Nf3", "g1f3"},
    {fen_opn, "Ng1f3", "g1f3"},
    {fen_opn, "nf3", ""},  // case matters
    {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "exd6", "e5d6"},
    {"4k3/8/8/3p4/3PP3/8/8/4K3 w - -", "d5", ""},
    {"4k3/4r3/8/8/8/8/4N3/4K3 w - -", "Nc3", ""},        // pinned
    {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nc3", "b1c3"},  // so the other knight's move is plain
    {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nbc3", "b1c3"},
    {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nec3", ""},
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", "Ra8#", "a1a8"},
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "N1d2", "b1d2"},  // Nd2 fits two (the console names it)
    {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "Qa1b2", "a1b2"},
    {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "Qab2", ""},
    {"8/4P2k/8/8/8/8/8/4K3 w - -", "e8q", "e7e8q"},
    {"8/4P2k/8/8/8/8/8/4K3 w - -", "e7e8=R", "e7e8r"},
    {"8/4P2k/8/8/8/8/8/4K3 w - -", "e8", ""},  // the piece must be named
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "0-0-0", "e1c1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Kg1", ""},
    {"r3k2r/8/8/8/8/8/8/R3K1R1 w Qkq -", "O-O", ""},
};

// Written SAN: qualifiers only where another legal move needs them.
const struct {
    const char *fen, *move, *san;
} kWritten[] = {
    {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "exd5"}, {"3r4/4P3/8/8/8/8/7k/4K3 w - -", "e7d8q", "exd8=Q"},
    {"8/4P3/8/8/k7/8/8/4K3 w - -", "e7e8q", "e8=Q+"},  {"4k3/8/8/8/8/8/4K3/R6R w - -", "a1d1", "Rad1"},
    {"4k3/8/8/R7/8/8/4K3/R7 w - -", "a1a3", "R1a3"},
};

// One move written each way: as typed (its SAN), in UCI and console
// coordinates, and in coordinates with castling as the king taking its rook;
// the position read under standard or Chess960 rules.
const struct {
    const char* fen;
    bool chess960;
    const char *san, *uci, *console, *king_takes_rook;
} kStyles[] = {
    {"8/4P2k/8/8/8/8/8/4K3 w - -", false, "e8=N", "e7e8n", "e7e8=N", "e7e8n"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", false, "O-O", "e1g1", "e1g1", "e1h1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", true, "O-O-O", "e1c1", "e1c1", "e1a1"},
    {"rk6/8/8/8/8/8/8/RK6 w Aa -", true, "O-O-O", "b1c1", "b1c1", "b1a1"},
    {"rk6/8/8/8/8/8/8/RK6 w Aa -", true, "Kc2", "b1c2", "b1c2", "b1c2"},
};

// A position, its halfmove clock, moves played from it, and how the game stands.
const struct {
    const char* fen;
    int fifty;
    const char *moves, *end;
} kEnds[] = {
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", 0, "a1a8", "1-0 checkmate"},
    {"7k/8/6QK/8/8/8/8/8 b - -", 0, "", "1/2-1/2 stalemate"},
    {"4k3/8/8/8/8/8/8/R3K3 w - -", 99, "a1a2", "1/2-1/2 fifty-move rule"},
    {"4k3/8/8/8/8/8/8/R3K3 w - -", 98, "a1a2", "*"},
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", 99, "a1a8", "1-0 checkmate"},  // a mate outranks the count
    {"4k3/8/8/8/8/8/8/R3K3 w - -", 0, "e1e2 e8e7 e2e1 e7e8 e1e2 e8e7 e2e1", "*"},
    {"4k3/8/8/8/8/8/8/R3K3 w - -", 0, "e1e2 e8e7 e2e1 e7e8 e1e2 e8e7 e2e1 e7e8",
     "1/2-1/2 threefold repetition"},
    {"8/8/4k3/8/8/3K4/8/7N w - -", 0, "", "1/2-1/2 insufficient material"},
    {"8/8/4k1b1/8/8/3K4/8/7B w - -", 0, "", "1/2-1/2 insufficient material"},
    {"8/8/4k1b1/8/8/3K4/8/6B1 w - -", 0, "", "*"},
    {"8/8/4k3/8/8/3K4/8/6NN w - -", 0, "", "*"},
};

}  // namespace

using Positions = EngineTest;

TEST_F(Positions, FenTable) {
    for (const auto& row : kFens) {
        Position* pos = SetGame("4k3/8/8/8/8/8/8/4K3 w - -");
        MakeMove(pos, TextMove(pos, "e1e2"));
        Position before = *pos;
        char why[128] = "";
        std::string fen = row.fen ? row.fen : std::string(200, '1');
        if (!LoadFen(pos, fen.c_str(), row.chess960, why)) {
            EXPECT_EQ(why, std::string(row.expect)) << fen;
            EXPECT_EQ(std::memcmp(pos, &before, sizeof before), 0) << fen;
            continue;
        }
        EXPECT_EQ(Epd(pos), row.expect[0] == '=' ? fen : row.expect);
        ExpectKeysFromScratch(pos);
        EXPECT_TRUE(pos->nhist == 0 && pos->ply == 1 && pos->hist == before.hist && pos->ss == before.ss);
    }
}

TEST_F(Positions, MoveText) {
    char coord[8], san[16];
    for (const auto& row : kTexts) {
        uint16_t m = 0xBEEF;
        int fits = ParseMove(SetGame(row.fen), row.text, &m);
        EXPECT_EQ(fits == 1 ? MoveToStr(m, {}, coord) : "", std::string(row.coord))
            << row.fen << " " << row.text;
        EXPECT_TRUE(fits == 1 || m == 0);
        if (fits == 1 && std::set<std::string>{"e4", "Nf3", "exd6", "Nc3", "Ra8#", "Qa1b2"}.count(row.text)) {
            EXPECT_STREQ(MoveToSan(SetGame(row.fen), m, san), row.text) << row.fen;
        }
    }
    for (const auto& row : kWritten) {
        Position* pos = SetGame(row.fen);
        EXPECT_STREQ(MoveToStr(TextMove(pos, row.move), {Notation::San}, san, pos), row.san) << row.fen;
    }
    for (const auto& row : kStyles) {
        Position* pos = SetGame(row.fen, nullptr, row.chess960);
        uint16_t m = 0;
        const std::string what = std::string(row.fen) + " " + row.san;
        ASSERT_EQ(ParseMove(pos, row.san, &m), 1) << what;
        EXPECT_STREQ(MoveToStr(m, {Notation::Uci, false}, san, pos), row.uci) << what;
        EXPECT_STREQ(MoveToStr(m, {Notation::Console, false}, san, pos), row.console) << what;
        EXPECT_STREQ(MoveToStr(m, {Notation::Uci, true}, san, pos), row.king_takes_rook) << what;
        EXPECT_STREQ(MoveToStr(m, {Notation::San, row.chess960}, san, pos), row.san) << what;
    }
}

TEST_F(Positions, GameEnds) {
    for (const auto& row : kEnds) {
        Position* pos = SetGame(row.fen);
        pos->fifty = uint8_t(row.fifty);
        std::string moves = row.moves;
        for (size_t at = 0; at < moves.size(); at += 5)
            MakeMove(pos, TextMove(pos, moves.substr(at, 4).c_str()));
        const GameEndInfo end = GameEnd(pos);
        EXPECT_EQ(end.kind == GameEndKind::None ? "*" : std::string(end.result) + " " + end.reason, row.end)
            << row.fen << " " << row.moves;
    }
}
