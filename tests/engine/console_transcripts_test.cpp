// Console sessions against the built engine, one named transcript a row (see
// tests/support/transcript.h for the line forms). A board shows as its EPD
// line, eight ranks and the side to move; "...EPD*" finds the next one.
#include "tests/support/transcript.h"

namespace {

const std::vector<std::string> kStartBoard = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                                              "8  r n b q k b n r",
                                              "7  p p p p p p p p",
                                              "6  . . . . . . . .",
                                              "5  . . . . . . . .",
                                              "4  . . . . . . . .",
                                              "3  . . . . . . . .",
                                              "2  P P P P P P P P",
                                              "1  R N B Q K B N R",
                                              "   a b c d e f g h",
                                              "white",
                                              ""};

// The banner and the start board, then lines.
std::vector<std::string> Session(std::vector<std::string> lines) {
    lines.insert(lines.begin(), kStartBoard.begin(), kStartBoard.end());
    lines.insert(lines.begin(), "Vell 2.00: type help for the commands, play to start a game");
    return lines;
}

const std::vector<std::string> kC = {"-c"};

#ifdef VELL_SYZYGY
// WDL and DTZ as the fathom command gives them for the same table files.
const char* const kTablebaseRows[][2] = {
    {"8/8/8/8/8/2k5/8/KR6 w - - 0 1", "win, dtz 27"},   {"8/8/8/8/8/2k5/8/KR6 b - - 0 1", "loss, dtz 30"},
    {"8/4P3/8/8/8/k7/8/4K3 w - - 0 1", "win, dtz 1"},   {"8/8/8/8/8/5k2/4p3/1K6 w - - 0 1", "loss, dtz 2"},
    {"8/8/3k4/8/8/3B4/8/3K4 w - - 0 1", "draw, dtz 0"}, {"8/8/8/8/8/8/k7/1R5K b - - 0 1", "draw, dtz 0"},
    {"8/8/8/8/2k5/8/3Q4/K7 w - - 0 1", "win, dtz 11"},  {"8/8/8/3k4/8/8/4P3/4K3 w - - 0 1", "draw, dtz 0"},
};

// Each row's verdict; the moves of a promotion, each ending as the tables say.
std::vector<std::string> TablebaseVerdicts() {
    std::vector<std::string> lines = {"> tb", "not in the tablebases", "> syzygy " VELL_TEST_DATA "/syzygy",
                                      "10 tablebase files, up to 3 pieces"};
    for (const auto& row : kTablebaseRows)
        for (std::string line :
             {std::string("> fen ") + row[0], std::string("> tb"), "...position: " + std::string(row[1])})
            lines.push_back(line);
    for (const char* line :
         {"> fen 8/4P3/8/8/8/k7/8/4K3 w - -", "> tb", "...e8=Q: win, dtz 1", "e8=R: win, dtz 1",
          "Kd1: win, dtz 3", "...e8=N: draw, dtz 0", "e8=B: draw, dtz 0", "> syzygy /no/such/folder",
          "no tablebase files in /no/such/folder", "> tb", "not in the tablebases"})
        lines.push_back(line);
    return lines;
}
#endif

const Transcript kConsole[] = {
#ifdef VELL_SYZYGY
    {"TablebaseVerdicts", kC, Session(TablebaseVerdicts())},
    {"DamagedTableLeftOutAndListed",
     kC,
     Session({"> syzygy .", "damaged tablebase file ./KQvK.rtbw", "3 tablebase files, up to 3 pieces",
              "> fen 8/8/8/8/2k5/8/3Q4/K7 w - - 0 1", "...white", "", "> tb", "not in the tablebases", "> tbcheck",
              "damaged tablebase file ./KQvK.rtbw", "1 of 4 tablebase files damaged"}),
     {{"KQvK.rtbw", ZeroedTable("KQvK.rtbw")},
      {"KQvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KQvK.rtbz")},
      {"KRvK.rtbw", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbw")},
      {"KRvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbz")}}},
#endif
    {"LaterProtocolOptionWins", {"-c", "-uci"}, {"@0.3", "> isready", "readyok"}},
    {"UciLineSwitchesProtocol", kC, Session({"> \t uci ", "id name Vell 2.00", "...uciok", "> isready", "readyok"})},
    {"TypedMovesInEveryForm",
     kC,
     Session({"> e2e4", "1. e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3*", "...black", "",
              "> e2e4", "unknown command or illegal move: e2e4", "legal moves: a6 a5 *", "> e5", "1... e5", "...white", "", "> move Nf3", "2. Nf3", "...black", "",
              "> fen 4k3/8/8/8/8/8/8/4K2R w K -", "4k3/8/8/8/8/8/8/4K2R w K -", "...white", "> O-O",
              "...1. O-O",
              // A text that fits more than one move is named, with the moves there are.
              "> fen 4k3/8/8/8/8/5N2/8/1N2K3 w - -", "...white", "", "> Nd2", "ambiguous move: Nd2",
              "/legal moves: .*Nfd2 .*Nbd2 .*/", "> fen 4k3/8/8/1N6/8/5N2/2N5/4K3 w - -", "...white", "", "> Nd4",
              "ambiguous move: Nd4", "legal moves: *", "> bd", "4k3/8/8/1N6/8/5N2/2N5/4K3 w - -"})},
    {"Chess960Games",
     kC,
     Session({"> new960 960", "no Chess960 start position '960': give a number from 0 to 959", "> new960 959",
              "Chess960 start position 959", "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w CAca -", "...white", "",
              "> new960 518",
              "Chess960 start position 518", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha -", "...white", "",
              "> fen 4k3/8/8/8/8/8/8/RK6 w Q -", "4k3/8/8/8/8/8/8/RK6 w A -", "...white", "", "> O-O-O",
              "1. O-O-O", "4k3/8/8/8/8/8/8/2KR4 b - -", "...black", "", "> undo", "...white", "", "> b1a1",
              "1. O-O-O", "4k3/8/8/8/8/8/8/2KR4 b - -", "...black", "", "> new", kStartBoard[0], "...white", "",
              "> fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb -", "1r4kr/8/8/8/8/8/8/1R4KR w HBhb -", "...white", ""})},
    {"UndoRedoAndJump",
     kC,
     Session({"> undo", "> e2e4", "> e7e5", "> g1f3", "...2. Nf3", "...black", "", "> undo",
              "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq*", "...white", "", "> ]", "2. Nf3",
              "...black", "", "> ]", "> jump 0", kStartBoard[0], "...white", "", "> perft 2",
              "/visited 400 nodes .*/", "> book", "", "> jump 99",
              "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq*", "...black", "", "> new", "...white", "",
              // Redo never replays a move of a line that was replaced.
              "> e2e4", "> d7d5", "> e4d5", "> undo", "> undo", "> e7e5", "...1... e5", "...white", "", "> ]", "> jump 5",
              "...rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq*", "...white", "", "> set LMR_depth 3",
              "set LMR_depth to 3"})},
    {"SettingsAndTheirRefusals",
     kC,
     Session({"> level 40 5:00 0", "set level to 40 moves in 300.00 seconds, inc 0.00", "> level 0 10 1",
              "set level to 0 moves in 10.00 seconds, inc 1.00", "> level x 5 0", "!set level*", "*",
              "> level 40 5:xx 0", "!set level*", "*", "> set LMR_depth 2", "set LMR_depth to 2", "> set",
              "set selectivity to default", "> set bogus 3", "set selectivity to default", "> time abc", "*",
              "> time 12.5", "set time to 12.50 seconds on both clocks", "> sd 80", "set depth to 66",
              "> set LMR_depth 3", "set LMR_depth to 3", "> book", "", "> tune",
              "> tune tune", "> tune no_such_weight 5", "unknown parameter no_such_weight",
              "> tune pawn_value_op 5", "can't open tune.epd, nothing tuned", "> elo 2000",
              "playing strength set to Elo 2000", "> elo 99999", "playing strength set to Elo 2330", "> elo x",
              "elo needs a whole number from 1350 to 2330, or nothing for full strength", "> elo 100",
              "playing strength set to Elo 1350", "> elo", "full playing strength", "> sd 6", "> mv", "...00] 06*",
              "...move= *",
              // Full strength is the UCI search's too: no level's budget stops it.
              "> uci", "...uciok", "> go depth 5", "...info depth 5 *", "...bestmove*"})},
    {"PerftAndSwap",
     kC,
     Session({"> perft 3", "/visited 8902 nodes in [0-9]+\\.[0-9]{3} seconds, nps= [0-9.]+/",
              "> perft 12", "perft 12 counts for a long time (any line typed stops it)", "> perft 1", "perft stopped", "/visited [0-9]+ nodes .*/", "/visited 20 nodes .*/",
              "> fen 4k3/8/2p5/3p4/4P3/8/8/4K3 w - -", "...white", "", "> swap", "sq= e4, swap= 100",
              "> fen 4k3/8/8/3p4/4P3/8/8/4K3 w - -", "...white", "", "> swap", "sq= e4, swap= 100",
              "sq= d5, swap= 100", "> perft 1 divide", "e4d5 1", "e4e5 1", "e1d1 1", "e1f1 1", "e1d2 1", "e1e2 1",
              "e1f2 1", "/visited 7 nodes .*/"})},
    {"SaveLoadAndGet",
     kC,
     Session({"> e2e4", "> e7e5", "> save", "> new", "> d2d4", "> save", "> new", "> load tmp.pgn 2",
              "...loading game 2 of tmp.pgn", "...rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq*", "...black", "",
              "> ]", "> set LMR_depth 3", "set LMR_depth to 3",
              "&tmp.pgn=[Event \"?\"]\n[Site \"?\"]\n*",
              // Loading and getting test positions skip comments and bad files.
              "> load game.pgn second", "...r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
              "...white", "> load missing.pgn", "...can't open missing.pgn", "> load empty.pgn",
              "...r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -", "...white", "> load bad.pgn",
              "...game 1 (? - ?): can't parse move 'Bc4' at 2..., the rest of the game is skipped", "...rnbqkbnr/pppp1ppp/8/4p3/2B1P3/8/PPPP1PPP/RNBQK1NR b KQkq*",
              "...black", "", "> get WAC.001",
              "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - bm Qg6; id \"WAC.001\";",
              "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -", "...white", "", "> get WAC.999", "",
              "...white",
              // Devices and directories are refused before anything is read.
              "> load /dev/zero", "...can't open /dev/zero", "> save .", "...can't write ., game not saved",
              "> bookfile /dev/zero", "can't open book file /dev/zero, book unchanged",
              // A refused FEN tag keeps the board; a loaded game saved at once keeps its tags.
              "> new", "> e2e4", "...black", "", "> load tags.pgn 2", "...game 2 (? - ?): bad FEN (bad castling field 'HAha'), the game is skipped",
              "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3*", "...black", "", "> load tags.pgn 3",
              "...no game 3 in tags.pgn", "> load tags.pgn 0", "...no game 0 in tags.pgn", "> load tags.pgn 1",
              "> save t.pgn", "...game saved to t.pgn", "> undo", "...white", "", "> save u.pgn",
              "...game saved to u.pgn", "> ]", "...black", "", "> save r.pgn", "...game saved to r.pgn",
              "&u.pgn=[Event \"E\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"A \\\"x\\\"\"]\n"
              "[Black \"?\"]\n[Result \"*\"]\n*",
              "&r.pgn=[Event \"E\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"A \\\"x\\\"\"]\n"
              "[Black \"?\"]\n[Result \"1-0\"]\n*",
              "&t.pgn=[Event \"E\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"A \\\"x\\\"\"]\n"
              "[Black \"?\"]\n[Result \"1-0\"]\n[ECO \"C20\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K3 w - - 0 40\"]\n\n"
              "40. Ra8+ 1-0\n\n"}),
     {{"game.pgn",
       "[Event \"first\"]\n[White \"a\"]\n\n1. d4 d5 *\n\n"
       "[Event \"second\"]\n\n1. e4 e5 {a comment\nthat goes on} 2. Nf3 Nc6 *\n"},
      {"empty.pgn", ""},
      {"tags.pgn",
       "[Event \"E\"]\n[White \"A \\\"x\\\"\"]\n[Result \"1-0\"]\n[ECO \"C20\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K3 w - - 0 40\"]\n"
       "40. Ra8+ 1-0\n\n[FEN \"4k3/8/8/8/8/8/8/R3K3 w HAha - 0 1\"]\n\n1. Ra2 *\n"},
      {"bad.pgn", "[Event \"x\"]\n\n1. e4 e5 2. Bc4 Bc4 3. Nf3 *\n"},
      {"test.epd",
       "; a comment id \"WAC.001\"\n"
       "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - bm Qg6; id \"WAC.001\";\n"}}},
    {"AnalysisEndsWithTheSummary",
     kC,
     Session({"> go 3", "...move= *", "Hash fill= *", "", "> an", "@0.3", "> .", "...move= *", "> an", "@0.3",
              "> e2e4", "...1. e4", "...rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq*", "...black", "",
              // The report and a changed game end the analysis first (its summary comes before them).
              "> an", "@0.3", "> ev", "...move= *", "Hash fill= *", "", "fen *", "Ply=*", "", "evaluation in centipawns*", "eval=*", "> debug 1",
              "> an", "@0.3", "> undo", "...move= *", "Hash fill= *", "", "fen *", "Ply=*", "", "evaluation in centipawns*", "eval=*", "> an",
              "@0.3", "> ]", "...move= *", "Hash fill= *", "", "1. e4", "fen *", "Ply=*", "", "evaluation in centipawns*", "eval=*"})},
    // An analysis (go N, go, an) leaves no limits of its own behind for mv.
    // Batch runs and the console's own settings limit no later search: after
    // sd 3, ev and a tuning run, go still searches to depth 3, and a UCI go
    // names its own limits (neither depth 3 nor depth 0), with one line.
    {"BatchRunsLeaveNoLimitBehind",
     kC,
     Session({"> sd 3", "> ev", "> tune knight_value_en 4", "...best= *", "> go", "...00] 03.*", "!00] 04.*",
              "...move= *", "> uci", "...uciok", "> go movetime 400", ".../info depth 5 seldepth \\d+ multipv 1 .*/",
              "...bestmove*"}),
     {{"tune.epd", "4k3/pppp4/8/8/8/8/PPPP4/2N1K3 w - - tune 1.0;\n"}}},
    {"AnalysisLeavesThePlayLimits",
     kC,
     Session({"> sd 3", "> go 1", "...00] 01.*", "...move= *", "> mv", "...00] 03.*", "/move= [a-h][1-8].*/",
              "> go", "@0.3", "> .", ".../move= [a-h][1-8].*/"})},
    // The editor reads the console's input: replacing, emptying (a word with
    // no piece letter), a bad square ending the line, a line of no colour
    // ignored; the position is checked (a stale en-passant square goes, no
    // king is refused) and the end of input ends the edit.
    {"Editor",
     kC,
     Session({"> e2e4", "...black", "", "> edit", "> w xe4", "> b xd7 Pd4", "> .",
              "...rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPP1PPP/RNBQKBNR b KQkq -", "...black", "",
              "> fen 4k3/8/8/8/8/8/8/4K3 w - -", "...white", "", "> edit", "> #", "> w Ke1", "> .",
              "...position not accepted: black has 0 kings, needs exactly one", "4k3/8/8/8/8/8/8/4K3 w - -",
              "...white", "", "> edit", "> #", "> w Ke1 Ra1 Rh1", "> b Ke8", "> .",  // rights the pieces can have
              "...4k3/8/8/8/8/8/8/R3K2R b KQ -", "...black", "", "> new", "...white", "", "> edit", "> w Qe2 -d1 Nz9 Ng5", "> b xa8 xh8 xe7 pe5",
              "> x Ke5", "<", "...1nbqkbn1/pppp1ppp/8/4p3/8/8/PPPPQPPP/RNB1KBNR b KQ -"})},
    // Self-play until forced; a position command or a new search ends it, and
    // the stopped search's move is not played.
    {"SelfPlay",
     kC,
     Session({"> level 1 0.02 0", "> self", "...move= *", "...move= *", "> force", "@0.5", "> set LMR_depth 3",
              "...set LMR_depth to 3", "@0.3", "> set LMR_depth 3", "set LMR_depth to 3", "> level 1 2 0",
              "...set level*", "> self", "@0.3", "> new", "...move= *", "Hash fill= *", "", kStartBoard[0],
              "...white", "", "@0.5", "> bd", "!move= *", kStartBoard[0], "...white", "", "> self", "@0.3", "> go 4",
              "...move= *", "Hash fill= *", "", "...00] 04*", "move= *", "Hash fill= *", "", "> bd", "!move= *",
              kStartBoard[0]})},
    // Help, answers to words that are no command, and a game against Vell
    // that its mate ends (its score reads as a mate).
    {"HelpAnswersAndAGameAgainstVell",
     kC,
     Session({"> help", "commands (a legal move typed alone is played; uci switches to UCI):",
              "  help [WORD]              lists the commands, or says more about one",
              "...  play [white|black]       starts a game against Vell: you play the colour named",
              "...  quit                     ends Vell", "> help bogus", "no command bogus; help lists them",
              "> help perft",
              "perft N [divide]: counts the leaf nodes N plies deep",
              "divide prints the count under each first move. Any line typed stops a long count.", "> help quit",
              "quit: ends Vell", "> play",
              "you play white, Vell plays black; type your moves (resign, draw, hint, undo; force or new ends the game)",
              "> new", kStartBoard[0], "...white", "", "> e2e4", "...black", "", "> play",
              "you play black, Vell plays white; type your moves (resign, draw, hint, undo; force or new ends the game)",
              "...black", "", "5.0 s a move for Vell; your time is not counted", "> new", kStartBoard[0],
              "...white", "", "> New",
              "unknown command or illegal move: New", "> e2e5", "unknown command or illegal move: e2e5",
              "legal moves: a3 a4 b3 b4 c3 c4 d3 d4 e3 e4 f3 f4 g3 g4 h3 h4 Na3 Nc3 Nf3 Nh3", "> sd 6",
              "set depth to 6", "> ponder 0", "set ponder to 0*", "> hash 2", "set hash to 2*", "> debug 0",
              "set debug to 0*", "> noise 0", "set noise to 0.00 seconds", "> perft 2 divide", "a2a3 20",
              "...g1h3 20", "/visited 400 nodes .*/", "> fen 6k1/5ppp/p7/8/8/8/5PPP/1R4K1 b - -", "...black", "",
              "> level 1 0.2 0", "set level*", "> play black",
              "you play black, Vell plays white; type your moves (resign, draw, hint, undo; force or new ends the "
              "game)", "...black", "", "0.2 s a move for Vell; your time is not counted", "> a5", "1... a5", "...white", "",
              "!move= *", "/2\\. Rb8#  \\(score #1, depth [0-9]+, [0-9.]+ s\\)/", "1R4k1/5ppp/8/p7/8/8/5PPP/6K1 b - -",
              "...black", "", "checkmate, 1-0", "> Kh8", "unknown command or illegal move: Kh8",
              "legal moves: none, the game has ended"})},
    // Tuning searches without a table, a depth or output; afterwards all is as before.
    {"TuneLeavesTheSettings",
     kC,
     Session({"> sd 3", "> tune pawn_value_op 5", "...done!", "", "> mv", "...00] 03*", "/move= [a-h][1-8].*/",
              "!Hash fill= 0%, Hash hits: main= 0.0%*", "@0.1"}),
     {{"tune.epd", "4k3/8/8/3q4/8/8/3R4/4K3 w - - tune 1.0;\n"}}},
    // Self-play and mv stop where the game is over, saying why; a FEN's halfmove clock counts.
    {"GameOverStopsPlay",
     kC,
     Session({"> fen 8/8/4k3/8/8/3K4/8/7N w - - 0 1", "...white", "", "> self", "insufficient material, 1/2-1/2",
              "> fen 7k/5Q2/6K1/8/8/8/8/8 b - -", "...black", "", "> mv", "stalemate, 1/2-1/2",
              "> fen 4k3/8/8/8/8/8/8/R3K3 w - - 99 80", "...white", "", "> a1a2", "...black", "",
              "fifty-move rule, 1/2-1/2",
              "> fen 4k3/8/8/8/8/8/8/R3K3 w - -", "> sd 1", "> self", ".../(fifty-move rule|threefold repetition), 1/2-1/2|checkmate, 1-0/"})},
    // A limited level under a depth moves once the depth is searched, not when its time is up.
    {"LimitedLevelMovesAtItsDepth",
     kC,
     Session({"> depth 1", "set depth to 1", "> elo 1350", "playing strength set to Elo 1350", "> play black",
              "you play black, Vell plays white; type your moves (resign, draw, hint, undo; force or new ends the game)", "@1", "> sd 1",
              "!set depth to 1", ".../1\\. \\S+  \\(score .*/", "...set depth to 1"})},
    // A verdict a move: the hung queen and the move that allows mate are the
    // only blunders, the queen's capture is no mistake; the game goes to
    // tmp.pgn with its own comment, and the board stays where it was.
    {"AnnotateMarksTheBlunders",
     kC,
     Session({"> sd 4", "> load games.pgn 1", "...black", "", "> annotate",
              "/1\\. e4 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/1\\.\\.\\. e5 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/2\\. Nf3 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/2\\.\\.\\. Nc6 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/3\\. Bb5 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/3\\.\\.\\. Qh4 [0-9.]+ Blunder, \\S+ was best/", "/4\\. Nxh4 [0-9.]+/", "game annotated to tmp.pgn",
              "> bd", "r1b1kbnr/pppp1ppp/2n5/1B2p3/4P2N/8/PPPP1PPP/RNBQK2R b KQkq -", "...black", "",
              "> annotate 2", "/1\\. f3 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/1\\.\\.\\. e5 -?[0-9.]+( (Inaccuracy|Mistake), .* was best)?/",
              "/2\\. g4 #-1 Blunder, \\S+ was best/", "2... Qh4# #-0", "game annotated to tmp.pgn",
              "> annotate 3", "no game 3 in games.pgn",
              // Under a game's clock a position gets a second, not the clock.
              "> sd 80", "> level 40 5:00 0", "...set level*", "> new", "...white", "", "> e2e4", "...black", "",
              "> annotate", "/1\\. e4 .*/", "game annotated to tmp.pgn", "&tmp.pgn=[Event \"Test\"]\n*"}),
     {{"games.pgn", "[Event \"Test\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 { a comment } Nc6 3. Bb5 Qh4 4. Nxh4 1-0\n\n"
                    "[Event \"Mate\"]\n[Result \"0-1\"]\n\n1. f3 e5 2. g4 Qh4# 0-1\n"}}},
    {"BatchRunTakesOnlyQuit",
     kC,
     Session({"> tune pawn_value_op 20\ntune pawn_value_op 20\nev\nquit",  // one write: the run sees them all
              "...busy with a batch run, only quit is taken", "busy with a batch run, only quit is taken",
              "...done!", "", "=0"}),
     {{"tune.epd", [] {
           std::string t;
           for (int i = 0; i < 40; i++) t += "4k3/8/8/3q4/8/8/3R4/4K3 w - - tune 1.0;\n";
           return t;
       }()}}},
    // Weights set by name and from a file within their ranges; params lists those away from the default.
    {"EvaluationParameters",
     kC,
     Session({"> params", "every parameter at its default", "> set rook_open_file 30", "set rook_open_file to 30",
              "> set rook_open_file 300", "rook_open_file takes -26 to 54, not 300, parameter unchanged",
              "> params p.txt", "p.txt line 1: unknown parameter foo, skipped", "1 parameter set from p.txt, 1 skipped",
              "> params", "pawn_value_op 90 (default 82)", "rook_open_file 30 (default 14)",
              "> params none.txt", "cannot open parameter file none.txt"}),
     {{"p.txt", "foo 3\npawn_value_op 90 0.1\n"}}},
    // The board turned, and the last move's square framed.
    {"FlipTurnsTheBoard",
     kC,
     Session({"> e2e4", "1. e4", "...4  . . . .[P]. . .", "> flip", "...1  R N B K Q B N R", "2  P P P . P P P P",
              "3  . . . . . . . .", "4  . . .[P]. . . .", "...   h g f e d c b a", "black"})},
    // Vell's reply in one line with its score, depth and time, then the clocks;
    // moves lists the game; undo gives the person their move back.
    {"PlayShowsOneLineAMove",
     kC,
     Session({"> level 0 1:00 0", "> sd 2", "> play white", "...clocks: white 1:00.0, black 1:00.0", "> e4", "1. e4", "...black",
              "", "!00] *", "/1\\.\\.\\. \\S+  \\(score -?[0-9]+, depth 2, [0-9.]+ s\\)/", "...white", "",
              "/clocks: white [0-9:.]+, black [0-9:.]+/", "> moves", "/1\\. e4 \\S+/", "> undo", kStartBoard[0],
              "...white", "", "@0.3", "> bd", kStartBoard[0]})},
    {"LinesOnShowsTheSearch",
     kC,
     Session({"> lines on", "lines on: in a game Vell shows every search line and the summary", "> sd 2",
              "> play black", "...00] 02*", "...move= *"})},
    // A move typed for one's own side while Vell thinks is answered, and not kept.
    {"PremoveIsRefused",
     kC,
     Session({"> level 1 1 0", "> play black", "...1.0 s a move*",
              "> e5", "it is Vell's move: e5 is not kept, type it after Vell's reply (force moves for Vell)",
              "/1\\. \\S+  \\(score .*/"})},
    {"HintNamesAMove",
     kC,
     Session({"> hint", "/hint: [A-Za-z][a-h1-8x+#=QRBN-]+/", "> bd", kStartBoard[0]})},
    // Vell takes a draw when it stands worse, declines when it stands better.
    {"DrawAndResign",
     kC,
     Session({"> fen 4k3/8/8/8/8/8/8/QQQQK3 b - -", "> sd 2", "> play white", ".../1\\.\\.\\. .*\\)/", "...5.0 s a move*",
              "> draw", "Vell accepts the draw, 1/2-1/2", "> save", "game saved to tmp.pgn (You - Vell 2.00, 1/5)",
              "> fen 4k3/8/8/8/8/8/8/QQQQK3 w - -", "> play black", ".../1\\. .*\\)/", "...5.0 s a move*", "> draw",
              "Vell declines the draw: it scores its position *", "> resign", "you resign, 1-0", "> resign",
              "no game against Vell: play starts one"})},
    {"CastlingInAnyCase",
     kC,
     Session({"> fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "> o-o", "...1. O-O", "> 0-0-0", "...1... O-O-O"})},
    // File names keep their blanks; a last word that is a number picks the game.
    {"FileNamesWithBlanks",
     kC,
     Session({"> e2e4", "> save my game.pgn", "...game saved to my game.pgn", "> new", "> d2d4", "> save my game.pgn",
              "> load my game.pgn 2", "...loading game 2 of my game.pgn",
              "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq*", "...black", "", "> load my game.pgn",
              "loading game 1 of my game.pgn", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq*",
              "...black", "", "> bookfile no such book.opn",
              "can't open book file no such book.opn, book unchanged"})},
    {"OwnBookFollowsTheBookFile",
     kC,
     Session({"> ownbook", "ownbook off: play, mv and self search every move", "> ownbook on",
              "ownbook on: play, mv and self play book moves while the book has some", "> bookfile",
              "no book file, ownbook off"})},
    // A book of a few games keeps nothing, and says why.
    {"MkbookCountsThePositionsKept",
     kC,
     Session({"> mkbook", "...done: book.opn keeps 0 positions",
              "warning: the book is empty. A position is kept when*",
              "to play from it, type: bookfile book.opn (which turns ownbook on), or rename it vell.opn"}),
     {{"book.pgn", "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 1-0\n"}}},
};

}  // namespace

TRANSCRIPT_TESTS(Console, kConsole);
