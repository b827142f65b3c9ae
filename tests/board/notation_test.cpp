// Move text both ways, the board diagram and the board editor.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/notation.h"
#include "engine/messages.h"
#include "tests/board/board_setup.h"

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// Reads a move text as the console would, with room for the extra character.
static uint16_t Parse(const char* text, int* ok = nullptr) {
    char buf[64];
    std::strcpy(buf, text);
    uint16_t m = 0xBEEF;
    int r = IsValidMove(buf, &m);
    if (ok) *ok = r;
    if (!r) {
        EXPECT_EQ(m, 0);
    }
    return m;
}

static std::string Coord(uint16_t m) {
    char buf[8];
    return MoveToStr(m, buf);
}

class Notation : public ::testing::Test {
  protected:
    void SetUp() override {
        BoardTestSetup();
        PBlock.protocol.store(2);
        PBlock.log_on.store(0);
    }
};

TEST_F(Notation, MoveToStr) {
    uint16_t promo = MakeMoveWord(52, 60, PROMO_Q);
    EXPECT_EQ(Coord(promo), "e7e8q");
    EXPECT_EQ(Coord(MakeMoveWord(52, 60, PROMO_N)), "e7e8n");
    EXPECT_EQ(Coord(MakeMoveWord(12, 4, PROMO_R)), "e2e1r");
    EXPECT_EQ(Coord(MakeMoveWord(12, 28)), "e2e4");
    EXPECT_EQ(Coord(0), "null");
    PBlock.protocol.store(0);
    EXPECT_EQ(Coord(promo), "e7e8=Q");
    EXPECT_EQ(Coord(MakeMoveWord(52, 60, PROMO_B)), "e7e8=B");
}

// Written SAN: qualifiers only where another legal move needs them.
TEST_F(Notation, SanWritten) {
    struct Row {
        const char *fen, *coord, *san;
    } rows[] = {
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "exd5"},
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4e5", "e5"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "exd6"},
        {"3r4/4P3/8/8/8/8/7k/4K3 w - -", "e7d8q", "exd8=Q"},
        {"8/4P3/8/8/k7/8/8/4K3 w - -", "e7e8q", "e8=Q+"},
        {"8/4P3/8/8/k7/8/8/4K3 w - -", "e7e8n", "e8=N"},
        {"4k3/8/8/8/8/8/4K3/R6R w - -", "a1d1", "Rad1"},
        {"4k3/8/8/R7/8/8/4K3/R7 w - -", "a1a3", "R1a3"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "a1b2", "Qa1b2"},
        {"4k3/8/8/8/8/8/4K3/R7 w - -", "a1a8", "Ra8+"},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", "a1a8", "Ra8#"},
        {"4k3/8/8/8/8/5n2/4K3/R7 w - -", "e2f3", "Kxf3"},
        {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "b1c3", "Nc3"},  // the e2 knight is pinned
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1", "O-O"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", "O-O-O"},
    };
    for (const Row& r : rows) {
        Position* pos = MainPosition(r.fen);
        char buf[16];
        EXPECT_STREQ(MoveToSan(pos, FindMove(pos, r.coord), buf), r.san) << r.fen;
    }
}

// Texts as real files write them; "" where no single legal move fits.
TEST_F(Notation, SanRead) {
    struct Row {
        const char *fen, *text, *coord;
    } rows[] = {
        {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nc3", "b1c3"},
        {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nbc3", "b1c3"},
        {"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nec3", ""},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "Qa1b2", "a1b2"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "Qab2", ""},
        {"4k3/8/8/3p4/3PP3/8/8/4K3 w - -", "d5", ""},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "exd6", "e5d6"},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", "Ra8#", "a1a8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O+", "e1g1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Kg1", ""},
    };
    for (const Row& r : rows) {
        Position* pos = MainPosition(r.fen);
        uint16_t m;
        int n = ParseMove(pos, r.text, &m);
        EXPECT_EQ(n == 1 ? Coord(m) : "", r.coord) << r.text;
    }
    MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    for (const char* t : {"Nf3!", "Nf3?", "Nf3!?", "Nf3?!", "Nf3!!", "Nf3??", "Ng1f3", "Ng1-f3", "g1f3"})
        EXPECT_EQ(Coord(Parse(t)), "g1f3") << t;
}

TEST_F(Notation, AmbiguousKnightMove) {
    MainPosition("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
    int ok = 1;
    CaptureStdout();
    Parse("Nd2", &ok);
    EXPECT_EQ(GetCapturedStdout(), "ambiguous move\n");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Coord(Parse("Nbd2")), "b1d2");
    EXPECT_EQ(Coord(Parse("Nfd2")), "f3d2");
    EXPECT_EQ(Coord(Parse("N1d2")), "b1d2");
    EXPECT_EQ(Coord(Parse("Nf3d2")), "f3d2");
}

TEST_F(Notation, ThreeMatchesFailSilently) {
    MainPosition("4k3/8/8/1N6/8/5N2/2N5/4K3 w - -");
    int ok = 1;
    CaptureStdout();
    Parse("Nd4", &ok);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(ok, 0);
}

TEST_F(Notation, PromotionTexts) {
    MainPosition("8/4P2k/8/8/8/8/8/4K3 w - -");
    for (const char* t : {"e8q", "e8=Q", "e7e8Q", "e7e8q", "e8Q", "e8=q"}) EXPECT_EQ(Coord(Parse(t)), "e7e8q") << t;
    EXPECT_EQ(Coord(Parse("e8n")), "e7e8n");
    EXPECT_EQ(Coord(Parse("e7e8=R")), "e7e8r");
    EXPECT_EQ(Parse("e8"), 0);  // the piece must be named
}

TEST_F(Notation, CastlingTexts) {
    MainPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    EXPECT_EQ(Coord(Parse("O-O")), "e1g1");
    EXPECT_EQ(Coord(Parse("0-0-0")), "e1c1");
    EXPECT_EQ(Coord(Parse("o-o")), "e1g1");
    EXPECT_EQ(Coord(Parse("e1g1")), "e1g1");
    MainPosition("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
    EXPECT_EQ(Coord(Parse("O-O")), "e8g8");
    EXPECT_EQ(Coord(Parse("O-O-O")), "e8c8");
    MainPosition("r3k2r/8/8/8/8/8/8/R3K1R1 w Qkq -");
    EXPECT_EQ(Parse("O-O"), 0);
}

TEST_F(Notation, CommonTexts) {
    MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(Coord(Parse("e4")), "e2e4");
    EXPECT_EQ(Coord(Parse("e2e4")), "e2e4");
    EXPECT_EQ(Coord(Parse("Nf3")), "g1f3");
    EXPECT_EQ(Coord(Parse("Ngf3")), "g1f3");
    EXPECT_EQ(Coord(Parse("N1f3")), "g1f3");
    EXPECT_EQ(Coord(Parse("Nf3+")), "g1f3");
    EXPECT_EQ(Parse("nf3"), 0);  // case matters
    EXPECT_EQ(Parse("e5"), 0);
    EXPECT_EQ(Parse(""), 0);
    EXPECT_EQ(Parse("Q"), 0);
    MainPosition("4k3/8/8/3p4/4P3/8/8/4K3 w - -");
    EXPECT_EQ(Coord(Parse("exd5")), "e4d5");
    EXPECT_EQ(Coord(Parse("ed")), "e4d5");
    MainPosition("4k3/4r3/8/8/8/8/4N3/4K3 w - -");
    EXPECT_EQ(Parse("Nc3"), 0);  // pinned
    MainPosition("4k3/8/8/8/8/8/4K3/R7 w - -");
    EXPECT_EQ(Coord(Parse("Ra8+")), "a1a8");
    EXPECT_EQ(Coord(Parse("Ra8")), "a1a8");
}

TEST_F(Notation, ShowBoardText) {
    Position* pos = MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    CaptureStdout();
    ShowBoard(pos);
    EXPECT_EQ(GetCapturedStdout(),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
              " r n b q k b n r\n"
              " o o o o o o o o\n"
              " - + - + - + - +\n"
              " + - + - + - + -\n"
              " - + - + - + - +\n"
              " + - + - + - + -\n"
              " P P P P P P P P\n"
              " R N B Q K B N R\n"
              "white\n\n");
    pos = MainPosition("8/8/8/8/8/8/8/k6K b - -");
    CaptureStdout();
    ShowBoard(pos);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find(" k - + - + - + K\nblack\n"), std::string::npos) << out;
}

TEST_F(Notation, ShowBoardCopiesToTheLog) {
    Position* pos = MainPosition("8/8/8/8/8/8/8/k6K b - -");
    FILE* saved = fdlog;
    fdlog = std::tmpfile();
    PBlock.log_on.store(1);
    CaptureStdout();
    ShowBoard(pos);
    std::string out = GetCapturedStdout();
    std::rewind(fdlog);
    char buf[512] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, fdlog);
    std::fclose(fdlog);
    fdlog = saved;
    PBlock.log_on.store(0);
    EXPECT_EQ(std::string(buf, n), out);
}

// ---- the editor ----

static std::vector<std::string> script;
static size_t script_at;

static int ScriptLine(char* buf, int size) {
    if (script_at >= script.size()) return 0;
    std::snprintf(buf, size, "%s\n", script[script_at++].c_str());
    return 1;
}

static std::string Edit(std::vector<std::string> lines, std::string* shown = nullptr) {
    script = std::move(lines);
    script_at = 0;
    CaptureStdout();
    EXPECT_EQ(EditBoard(ScriptLine), 0);
    std::string out = GetCapturedStdout();
    if (shown) *shown = out;
    char epd[100];
    MakeEPD(&ThreadData[0]->pos, epd);
    return epd;
}

TEST_F(Notation, EditBoardBuildsAPosition) {
    MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    std::string shown;
    EXPECT_EQ(Edit({"#", "", "w Ke1 Ra1 Rh1", "b Ke8 pa7", ".", "w Qd1"}, &shown),
              "4k3/p7/8/8/8/8/8/R3K2R b KQ -");
    EXPECT_EQ(shown,
              "\n\n"
              ".                    end edit\n"
              "#                    clear board\n"
              "w  Pa2 Pb2 Kc2       white, pieces\n"
              "b  Pa7 Pb7 Kc7       black, pieces\n");
    Position* pos = &ThreadData[0]->pos;
    EXPECT_EQ(pos->hash, ComputeHash(pos));
    EXPECT_EQ(pos->pawnhash, ComputePawnHash(pos));
    EXPECT_EQ(pos->nhist, 0);
    EXPECT_EQ(pos->ply, 1);
}

TEST_F(Notation, EditBoardChangesSquares) {
    MainPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    // Replacing, emptying (a word with no piece letter), and a bad square
    // ending the line; the end of input ends the edit.
    EXPECT_EQ(Edit({"w Qe2 -d1 Nz9 Ng5", "b xa8 xh8 pe5"}),
              "1nbqkbn1/pppppppp/8/4p3/8/8/PPPPQPPP/RNB1KBNR b KQ -");
    EXPECT_EQ(Edit({"x Ke5", "."}), "1nbqkbn1/pppppppp/8/4p3/8/8/PPPPQPPP/RNB1KBNR b KQ -");
}

TEST_F(Notation, EditBoardRefusesAPositionWithoutKings) {
    MainPosition("4k3/8/8/8/8/8/8/4K3 w - -");
    Position before = ThreadData[0]->pos;
    std::string shown;
    EXPECT_EQ(Edit({"#", "w Ke1", "."}, &shown), "4k3/8/8/8/8/8/8/4K3 w - -");
    EXPECT_NE(shown.find("position not accepted: black has 0 kings"), std::string::npos) << shown;
    EXPECT_EQ(std::memcmp(&ThreadData[0]->pos, &before, sizeof before), 0);
}
