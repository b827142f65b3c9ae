// UCI sessions against the built engine, one named transcript a row (see
// tests/support/transcript.h for the line forms). The referee checks every
// move the engine prints and that every go gets exactly one bestmove.
#include "tests/support/transcript.h"

#include <regex>

namespace {

// Knights going back and forth for plies plies, far beyond the history array.
std::string KnightDance(int plies) {
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string cmd = "position startpos moves";
    for (int i = 0; i < plies; i++) cmd += std::string(" ") + cycle[i % 4];
    return cmd;
}

// A won game of 24 knight moves, each with an engine's score comment.
std::string KnightGame() {
    const char* cycle[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    std::string moves;
    for (int i = 0; i < 24; i++)
        moves += (i % 2 ? "" : std::to_string(i / 2 + 1) + ". ") + cycle[i % 4] + " {+0.10/5 0.1s} ";
    return "[Event \"t\"]\n[Result \"1-0\"]\n\n" + moves + "1-0\n";
}

const Transcript kUci[] = {
    {"IdentifiesItself",
     {},
     {"@0.3", "> uci", "id name Vell 2.00", "id author Quorvik",
      "option name Hash type spin default 64 min 0 max 8192",
      "option name Threads type spin default 1 min 1 max 64", "option name Ponder type check default true",
      "option name Clear Hash type button",
      "option name Communication Overhead type spin default 25 min 0 max 5000",
      "option name OwnBook type check default false",
      "option name BookFile type string default vell.opn", "option name Log type check default false",
      "option name MultiPV type spin default 1 min 1 max 256",
      "option name UCI_LimitStrength type check default false",
      "option name UCI_Elo type spin default 1350 min 1350 max 2330",
      "option name UCI_Chess960 type check default false",
      "option name UCI_ShowWDL type check default false",
#ifdef VELL_SYZYGY
      "option name SyzygyPath type string default <empty>",
      "option name SyzygyProbeDepth type spin default 1 min 1 max 100",
      "option name Syzygy50MoveRule type check default true",
      "option name SyzygyProbeLimit type spin default 7 min 0 max 7",
#endif
#ifdef VELL_TUNE
      "option name pawn_value_op type spin default 82 min 2 max 162",
      "...option name pinned type spin default -12 min -52 max 28",
#endif
      "uciok",
      "> isready", "readyok"}},
#ifdef VELL_SYZYGY
    // Only the moves that keep the win: the rook is attacked and Kb1 drops it.
    {"TablebaseWinKeptByTheMovePlayed",
     {},
     {"> setoption name SyzygyPath value " VELL_TEST_DATA "/syzygy", "info string 10 tablebase files, up to 3 pieces",
      "> position fen 8/8/8/8/8/2k5/3R4/K7 w - - 0 1", "> go depth 6",
      "/info depth 1 .* score cp 7999 .* tbhits [1-9]\\d* pv .*/",
      ".../bestmove d2(d1|a2|b2|e2|f2|g2|h2|d5|d6|d7|d8)( .*)?/",
      // The count is the search's own: a position out of the tables probes none.
      "> position startpos", "> go depth 2", "/info depth 1 .* tbhits 0 pv .*/", "...bestmove*",
      // A castling right is not in the tables; the positions after the first move are.
      "> position fen 4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "> go depth 1", "/info depth 1 .* tbhits 0 pv .*/",
      "...bestmove*",
      // Under the probe limit a 3-piece root is searched; at the limit again it is probed.
      "> setoption name SyzygyProbeLimit value 2", "info string SyzygyProbeLimit set to 2",
      "> position fen 8/8/8/8/8/2k5/3R4/K7 w - - 0 1", "> go depth 1", "/info depth 1 .* tbhits 0 pv .*/",
      "...bestmove*", "> setoption name SyzygyProbeLimit value 3", "info string SyzygyProbeLimit set to 3",
      "> go depth 1", "/info depth 1 .* score cp 7999 .* tbhits [1-9]\\d* pv .*/", "...bestmove*"}},
    // Twenty-seven plies to the mate do not fit in the ten the clock leaves.
    {"TablebaseWinSpoiledByTheFiftyMoveRule",
     {},
     {"> setoption name SyzygyPath value " VELL_TEST_DATA "/syzygy", "info string *",
      "> position fen 8/8/8/8/8/2k5/8/KR6 w - - 90 1", "> go depth 4", "/info depth 1 .* score cp 0 .*/",
      "...bestmove*", "> setoption name Syzygy50MoveRule value false",
      "info string Syzygy50MoveRule set to 0", "> go depth 4",
      "/info depth 1 .* score cp 7999 .*/", "...bestmove*"}},
    {"TablebasePathRefusals",
     {},
     {"> setoption name SyzygyPath value /no/such/folder", "info string no tablebase files in /no/such/folder",
      "> setoption name SyzygyPath value .", "info string damaged tablebase file ./KRvK.rtbw",
      "info string no sound tablebase files in .", "> position fen 8/8/8/8/8/2k5/8/KR6 w - - 0 1", "> go depth 1",
      "!* tbhits *", "...bestmove*"},
     {{"KRvK.rtbw", std::string(80, 'x')}}},
    // A zeroed table is left out and never probed; the sound ones beside it are.
    {"DamagedTableLeftOut",
     {},
     {"> setoption name SyzygyPath value .", "info string damaged tablebase file ./KRvK.rtbw",
      "info string 3 tablebase files, up to 3 pieces", "> position fen 8/8/8/8/8/2k5/3R4/K7 w - - 0 1",
      "> go depth 3", "!* tbhits *", "...bestmove*", "> position fen 8/8/8/8/2k5/8/3Q4/K7 w - - 0 1",
      "> go depth 3", "/info depth 1 .* score cp 7999 .* tbhits [1-9].*/", "...bestmove*"},
     {{"KRvK.rtbw", ZeroedTable("KRvK.rtbw")},
      {"KRvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbz")},
      {"KQvK.rtbw", ReadFile(VELL_TEST_DATA "/syzygy/KQvK.rtbw")},
      {"KQvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KQvK.rtbz")}}},
    // Sound tables of every layout the check walks: two leading pawns, pawns
    // of the side that is not first, a table of both sides, two of a kind.
    {"SoundTablesOfEveryLayout",
     {},
     {"> setoption name SyzygyPath value " VELL_TEST_DATA "/syzygy-shapes",
      "info string 6 tablebase files, up to 4 pieces"}},
    // Cut short with their checksums kept, a piece table and a pawn table are
    // left out, as is one that runs on past its last block; the sound ones
    // beside them are probed.
    {"CutTablesLeftOut",
     {},
     {"> setoption name SyzygyPath value .", "/info string damaged tablebase file \\./K[QPB]vK\\.rtbw/",
      "/info string damaged tablebase file \\./K[QPB]vK\\.rtbw/",
      "/info string damaged tablebase file \\./K[QPB]vK\\.rtbw/", "info string 4 tablebase files, up to 3 pieces",
      "> position fen 8/8/8/8/2k5/8/3Q4/K7 w - - 0 1", "> go depth 3",
      "/info depth 1 .* score cp 1\\d{3} .* tbhits 0 pv .*/", "...bestmove*",
      "> position fen 8/8/8/8/8/2k5/3R4/K7 w - - 0 1", "> go depth 3",
      "/info depth 1 .* score cp 7999 .* tbhits [1-9].*/", "...bestmove*"},
     {{"KQvK.rtbw", CutTable("KQvK.rtbw", 144)},
      {"KQvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KQvK.rtbz")},
      {"KPvK.rtbw", CutTable("KPvK.rtbw", 64 * 100 + 16)},
      {"KBvK.rtbw", CutTable("KBvK.rtbw", 64 * 2 + 16)},
      {"KPvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KPvK.rtbz")},
      {"KRvK.rtbw", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbw")},
      {"KRvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbz")}}},
    // Headers that would send the prober astray: symbols in a loop, a piece of
    // no kind, a queen of the wrong colour, pawns in a table of none, an index
    // naming a block not there.
    {"DamagedHeadersLeftOut",
     {},
     {"> setoption name SyzygyPath value .", "/info string damaged tablebase file \\./K[QBNR]vK\\.rtb[wz]/",
      "/info string damaged tablebase file \\./K[QBNR]vK\\.rtb[wz]/",
      "/info string damaged tablebase file \\./K[QBNR]vK\\.rtb[wz]/",
      "/info string damaged tablebase file \\./K[QBNR]vK\\.rtb[wz]/",
      "/info string damaged tablebase file \\./K[QBNR]vK\\.rtb[wz]/", "info string 3 tablebase files, up to 3 pieces"},
     {{"KQvK.rtbz", PatchedTable("KQvK.rtbz", 37, 1)},  // its symbol 1 made a pair of itself
      {"KQvK.rtbw", PatchedTable("KQvK.rtbw", 8, 0x6d)},  // the first table's queen made Black's
      {"KBvK.rtbw", PatchedTable("KBvK.rtbw", 6, 0x77)},
      {"KNvK.rtbw", PatchedTable("KNvK.rtbw", 4, 0x33)},
      {"KRvK.rtbw", PatchedTable("KRvK.rtbw", 66, 5)},
      {"KRvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KRvK.rtbz")},
      {"KPvK.rtbw", ReadFile(VELL_TEST_DATA "/syzygy/KPvK.rtbw")},
      {"KPvK.rtbz", ReadFile(VELL_TEST_DATA "/syzygy/KPvK.rtbz")}}},
#endif
    // Past the fifty-move count the position is still searched: the draw is
    // the player's to claim, and the mate in one stands.
    {"SearchedPastTheFiftyMoveCount",
     {},
     {"> position fen 7k/8/6K1/8/8/8/8/1Q6 w - - 120 1", "> go depth 5", "/info depth 1 .* score mate 1 .*/",
      "...bestmove b1b8*"}},
    // Scripts send quit right after go: the search ends and is answered first.
    {"QuitRightAfterGo", {}, {"> position startpos\ngo depth 3\nquit", "...bestmove*", "=0"}},
    {"QuitDuringGoInfinite", {}, {"> position startpos", "> go infinite", "...info depth 2*", "> quit", "...bestmove*", "=0"}},
    // A limited level holds its answer for most of its time but answers
    // isready and stop at once, and moves at once with its clock nearly gone;
    // a depth or node count named answers as soon as it is reached.
    {"LimitedStrength",
     {},
     {"> setoption name UCI_LimitStrength value true",
      "info string UCI_LimitStrength set to 1", "> position startpos moves e2e4", "> go wtime 600000 btime 600000",
      "> isready", "!bestmove*", "...readyok", "> stop", "...bestmove*", "> go wtime 30 btime 30", "@1",
      "> isready", "!readyok", "...bestmove*", "readyok", "> go depth 1 wtime 600000", "@1", "> isready",
      "!readyok", "...bestmove*", "readyok", "> go nodes 2000 wtime 600000", "@1", "> isready", "!readyok",
      "...bestmove*", "readyok"}},
    // A level's node budget, between two anchors and at one, with the go's own
    // node limit only lowered to it; UCI_Elo alone leaves full strength, and
    // a search without a clock answers without the level's pause.
    {"StrengthBudgetFollowsTheLevel",
     {},
     {"> setoption name UCI_Elo value 1400", "info string UCI_Elo set to 1400", "> go depth 6",
      "...info depth 6 *", "...bestmove*", "> setoption name UCI_LimitStrength value true",
      "info string UCI_LimitStrength set to 1", "> setoption name UCI_Elo value 1750",
      "info string UCI_Elo set to 1750", "> go depth 30", ".../.* nodes ([5-9]|1[0-2])\\d{3} .*/",
      "!/.* nodes ((1[3-9]|[2-9]\\d)\\d{3}|\\d{6,}) .*/", "...bestmove*", "> go nodes 100000",
      ".../.* nodes ([5-9]|1[0-2])\\d{3} .*/", "!/.* nodes ((1[3-9]|[2-9]\\d)\\d{3}|\\d{6,}) .*/", "...bestmove*",
      "> setoption name UCI_Elo value 2000", "info string UCI_Elo set to 2000", "> go depth 30",
      ".../.* nodes [4-6]\\d{4} .*/", "!/.* nodes ([7-9]\\d{4}|\\d{6,}) .*/", "...bestmove*", "> go depth 2",
      "...bestmove*", "> setoption name UCI_LimitStrength value false", "info string UCI_LimitStrength set to 0",
      "> go depth 7", "...info depth 7 *", "...bestmove*"}},
    // Every option, a setoption and its reply a line: the value in effect,
    // clamped to the range at both ends; a bad value leaves the option as it
    // was. During go infinite the options that change the table, the threads
    // or the tablebases answer at once that they wait, never the search, and
    // take effect in order after its bestmove (the latest Hash winning);
    // search lines may come between the replies while it runs, a bestmove not.
    {"EveryOptionRepliesWithTheValueInEffect",
     {},
     {"> setoption name Hash value -1",                   "info string Hash size set to 0M bytes",
      "> setoption name hASH\tvalue  16 ",                "info string Hash size set to 16M bytes",
      "> setoption name Hash value abc",                  "info string bad value 'abc' for Hash, option unchanged",
      "> setoption name Threads value 0",                 "info string Threads set to 1",
      "> setoption name Threads value 1000",              "info string Threads set to 64",
      "> setoption name Threads value 4x",                "info string bad value '4x' for Threads, option unchanged",
      "> setoption name Threads value 1",                 "info string Threads set to 1",
      "> setoption name Ponder value False",              "info string Ponder set to 0",
      "> setoption name Ponder value maybe",              "info string bad value 'maybe' for Ponder, option unchanged",
      "> setoption name clear   hash",                    "info string Hash table cleared",
      "> setoption name Communication Overhead value -5", "info string Communication Overhead set to 0",
      "> setoption name communication overhead value 9999", "info string Communication Overhead set to 5000",
      "> setoption name OwnBook value true",              "info string OwnBook set to 1",
      "> setoption name OwnBook value yes",               "info string bad value 'yes' for OwnBook, option unchanged",
      "> setoption name BookFile value none.opn",         "info string cannot open book file none.opn, book unchanged",
      "> setoption name bookfile value b.opn",            "info string BookFile set to b.opn",
      "> setoption name Log value false",                 "info string Log set to 0",
      "> setoption name  multipv  value 0",               "info string MultiPV set to 1",
      "> setoption name MultiPV value 999",               "info string MultiPV set to 256",
      "> setoption name MultiPV value two",               "info string bad value 'two' for MultiPV, option unchanged",
      "> setoption name MultiPV value 1",                 "info string MultiPV set to 1",
      "> setoption name UCI_LimitStrength value TRUE",    "info string UCI_LimitStrength set to 1",
      "> setoption name UCI_LimitStrength value false",   "info string UCI_LimitStrength set to 0",
      "> setoption name UCI_Elo value 9999",              "info string UCI_Elo set to 2330",
      "> setoption name uci_elo value 100",               "info string UCI_Elo set to 1350",
      "> setoption name UCI_Elo value x",                 "info string bad value 'x' for UCI_Elo, option unchanged",
      "> setoption name UCI_Chess960 value true",         "info string UCI_Chess960 set to 1",
      "> setoption name UCI_Chess960 value false",        "info string UCI_Chess960 set to 0",
#ifdef VELL_SYZYGY
      "> setoption name SyzygyPath value <empty>",        "info string no tablebases in use",
      "> setoption name SyzygyProbeDepth value 0",        "info string SyzygyProbeDepth set to 1",
      "> setoption name SyzygyProbeDepth value 500",      "info string SyzygyProbeDepth set to 100",
      "> setoption name SyzygyProbeDepth value deep",     "info string bad value 'deep' for SyzygyProbeDepth, option unchanged",
      "> setoption name Syzygy50MoveRule value FALSE",    "info string Syzygy50MoveRule set to 0",
      "> setoption name Syzygy50MoveRule value true",     "info string Syzygy50MoveRule set to 1",
      "> setoption name SyzygyProbeLimit value -1",       "info string SyzygyProbeLimit set to 0",
      "> setoption name syzygyprobelimit value 99",       "info string SyzygyProbeLimit set to 7",
#endif
      "> setoption name rook_open_file value 99",         "info string rook_open_file set to 54",
      "> setoption name Pawn_Isolated value -100",        "info string pawn_isolated set to -33",
      "> setoption name pawn_isolated value many",        "info string bad value 'many' for pawn_isolated, option unchanged",
      "> setoption name NoSuchOption value 3",
      "> go infinite",
      "> setoption name Hash value 8", "!bestmove*", "...info string Hash is applied when the search ends",
      "> setoption name Threads value 2", "!bestmove*", "...info string Threads is applied when the search ends",
      "> setoption name Clear Hash", "!bestmove*", "...info string Clear Hash is applied when the search ends",
#ifdef VELL_SYZYGY
      "> setoption name SyzygyPath value " VELL_TEST_DATA "/syzygy", "!bestmove*",
      "...info string SyzygyPath is applied when the search ends",
#endif
      "> setoption name Hash value 4", "!bestmove*", "...info string Hash is applied when the search ends",
      "> setoption name rook_open_file value 20", "!bestmove*",
      "...info string rook_open_file is applied when the search ends",
      "> setoption name MultiPV value 2", "!bestmove*", "...info string MultiPV set to 2",
      "> setoption name UCI_Chess960 value true", "!bestmove*", "...info string UCI_Chess960 set to 1",
      "> setoption name UCI_Chess960 value false", "!bestmove*", "...info string UCI_Chess960 set to 0",
      "@0.3", "> isready", "!bestmove*", "...readyok",
      "> stop", "...bestmove*",
      "info string Threads set to 2",
      "info string Hash table cleared",
#ifdef VELL_SYZYGY
      "info string 10 tablebase files, up to 3 pieces",
#endif
      "info string Hash size set to 4M bytes",
      "info string rook_open_file set to 20",
      "> isready", "readyok"},
     {{"b.opn", ""}}},
    {"PonderHoldsTheMoveUntilPonderhitOrStop",
     {},
     {"> position startpos moves e2e4", "> go ponder depth 3", "@0.5", "> isready", "!bestmove*", "...readyok",
      "> ponderhit", "...bestmove*", "> isready", "readyok", "> go ponder wtime 60000 btime 60000", "@0.3",
      "> stop", "...bestmove*"}},
    {"EachGoStartsFromFreshLimits",
     {},
     {"> go depth 2", "!info depth 3 *", "...bestmove*", "> go wtime 100000 btime 100000", "...info depth 4 *",
      "...bestmove*", "> go depth 0", "!info depth 2 *", "...bestmove*", "> go nodes -5", "...bestmove*",
      "> go wtime -100 btime -5", "...bestmove*", "> go nodes 1e30 depth 3", "...info depth 3 *", "...bestmove*",
      "> go depth infinite", "@0.3", "> isready", "!bestmove*", "...readyok", "> stop", "...bestmove*"}},
    {"BadFenIsRefusedAndThePositionKept",
     {},
     {"> position startpos moves e2e4", "> position fen 8/8/8/8/8/8/8/8 w - -", "info string *",
      "> go depth 2", "...bestmove*", "> position fen 8/8/8/4k3/8/8/8/R3K3 w - - 99 80", "> go depth 8",
      ".../info depth 8 .* score cp 0 .*/", "...bestmove*"}},
    {"IllegalMoveEndsTheList",
     {},
     {"> position startpos moves e2e4 e7e5 e1e3 g1f3", "info string illegal move e1e3", "> go depth 2",
      "...bestmove*", "> position fen 4k3/8/8/8/8/8/5r2/R3K2R w KQ - moves e1g1",
      "info string illegal move e1g1", "> position startpos moves e2", "info string illegal move e2",
      "> position startpos moves e7e8q", "info string illegal move e7e8q"}},
    {"Chess960CastlingIsTheKingTakingItsRook",
     {},
     {"> setoption name UCI_Chess960 value true", "info string UCI_Chess960 set to 1",
      "> position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1", "info string illegal move e1g1",
      "> position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1h1 f8c5", "> go depth 3", "...bestmove*",
      "> position fen 4k3/8/8/8/8/8/8/RK6 w A - 0 1", "> go depth 2 searchmoves b1a1", "...bestmove b1a1*",
      "> position fen 6k1/8/8/8/8/8/8/6KR w K - 0 1", "> go depth 2 searchmoves g1h1", "...bestmove g1h1*",
      "> position fen rk2r3/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w KQkq - 0 1 moves b1a1 b8e8", "> go depth 3",
      "...bestmove*", "> position fen 4k3/8/8/8/8/8/8/qRK5 w B - 0 1 moves c1b1", "info string illegal move c1b1",
      "> setoption name UCI_Chess960 value false", "info string UCI_Chess960 set to 0",
      "> position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1h1", "info string illegal move e1h1",
      "> position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1", "> go depth 2", "...bestmove*"}},
    {"ThousandsOfPliesFitTheHistory",
     {},
     {"> " + KnightDance(3000), "> go depth 3", "...bestmove*", "> " + KnightDance(3000) + " e2e4",
      "> go depth 3", "...bestmove*"}},
    {"NoLegalMoveGivesNullMoveText",
     {},
     {"> position startpos moves e2e4", "> go depth 2", "...bestmove*",
      "> position fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -", "> go depth 3",
      "...bestmove 0000"}},
    {"OverlongLineIsDroppedWithAMessage",
     {},
     {"> position startpos moves" + std::string(70000, ' '), "> isready", "info string *", "readyok"}},
    {"GarbageIsRefused",
     {},
     {"> \x01\x02\xff\xfe garbage", "> " + std::string(300, 'z'), "> position", "> position fen",
      "> position startpos moves", "> setoption", "> setoption name", "> setoption value 5 name Hash",
      "> setoption name Hash value abc", "> go depth abc", "...bestmove*", "> isready", "readyok",
      "> go wtime", "@0.1", "> stop", "...bestmove*", "> go movetime 0", "...bestmove*",
      "> go nodes 1000 depth 1", "...bestmove*", "> go infinite ponder", "> stop", "...bestmove*"}},
    {"CrLfLines",
     {},
     {"> isready\r", "readyok", "> position startpos moves e2e4 e7e5\r", "> go depth 2\r", "...bestmove*",
      "> setoption name OwnBook value true\r", "info string OwnBook set to 1", "> setoption name Clear Hash\r",
      "info string Hash table cleared", "> quit\r", "=0"}},
    {"EndOfInputEndsAnInfiniteSearch", {}, {"> go infinite", "@0.3", "<", "...bestmove*", "=0"}},
    {"IdleEngineExitsAtEndOfInputWithAnEmptyLog", {}, {"<", "=0", "&vell.log="}},
    {"LogsCommandsAndRepliesUntilUci",
     {"+log"},
     {"> isready", "CMD: isready", "readyok", "> uci", "CMD: uci", "...uciok", "> isready", "readyok", "<", "=0",
      "&vell.log=CMD: isready\nreadyok\nCMD: uci\nid name Vell 2.00\nid author Quorvik\n*"},
     {{"vell.log", "left over from an earlier run\n"}}},
    {"LongLogLinesGoOutWhole", {"+log"}, {"> " + KnightDance(1200), "CMD: " + KnightDance(1200)}},
    {"BatchOptionsRunInTheirOrder",
     {"-d", "2", "-tune", "-anepd", "x.epd"},
     {"Analyzing x.epd...", "...Analyzing tune.epd...", "=0"},
     {{"x.epd", "4k3/8/8/3q4/8/8/3R4/4K3 w - - bm Rxd5;\n"}, {"tune.epd", "4k3/8/8/8/8/8/8/4K3 w - - tune 0.5;\n"}}},
    {"CommandLineLimitsAndBadValues",
     {"-threads", "0", "-hash", "-5", "-d", "2", "-t"},
     {"> go", "!info depth 3 *", "...bestmove*"}},
    {"MissingEpdFileIsNamed", {"-anepd", "none.epd"}, {"can't open none.epd", "=0"}},
    {"BenchPrintsItsNodeCountAndExits", {"-bench", "2"}, {"...nodes *", "=0"}},
    // Whole games on standard output: the tags kept, ours added, the moves
    // with their evaluations.
    {"AnnotateWritesEachGame",
     {"-annotate", "g.pgn", "-d", "3"},
     {"[Event \"t\"]", "[Result \"1-0\"]", "[Annotator \"Vell 2.00\"]", "...[BlackACPL *", "",
      "/\\{ White: .*/", ".../(.* )?1-0/", "", "=0"},
     {{"g.pgn", KnightGame()}}},
    // UCI_ShowWDL: the chances after the score, a sure win for a mate.
    {"ShowWDLAddsTheChances",
     {},
     {"> position startpos", "> go depth 2", "!/.* wdl .*/", "...bestmove*", "> setoption name UCI_ShowWDL value true",
      "info string UCI_ShowWDL set to 1", "> go depth 2",
      ".../info .* score cp -?\\d+ wdl \\d+ \\d+ \\d+ nodes .*/", "...bestmove*",
      "> position fen 1n4k1/5ppp/8/8/Q7/8/8/6K1 w - -", "> go depth 3", ".../info .* score mate 1 wdl 1000 0 0 nodes .*/",
      "...bestmove*", "> setoption name UCI_ShowWDL value false", "info string UCI_ShowWDL set to 0",
      "> go depth 2", "!/.* wdl .*/", "...bestmove*"}},
    {"PgnScanRunsInsteadOfTheMainLoop",
     {"-scan_pgn2", "g.pgn"},
     {"> isready", "1 games, 24 moves read, 0 games cut", "games= 1, positions= 1", "!readyok", "=0",
      "&tmp.epd=rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm Nf3; ce 10; tune 0.76;\n\n"},
     {{"g.pgn", KnightGame()}}},
    // One write with several stop/position/go groups, as a GUI sends them when
    // options change during a search: every go is answered, in order.
    {"BurstOfGroupsInOneWrite",
     {},
     {"> go infinite", "@0.2",
      "> stop\nposition startpos moves e2e4\ngo infinite\nstop\nposition startpos moves e2e4 e7e5\ngo depth 3\n"
      "position startpos moves d2d4\ngo depth 2",
      "...bestmove*", "...bestmove*", "...bestmove*", "...bestmove*"}},
    {"GoWhilePonderingIsAnswered",
     {},
     {"> position startpos moves e2e4", "> go ponder wtime 10000 btime 10000", "@0.2",
      "> position startpos moves e2e4 e7e5", "> go depth 3", "...bestmove*", "...bestmove*"}},
    // Stop then isready: the search answers first; a stop before the first iteration still answers a move.
    {"StopAnswersTheSearchFirst",
     {},
     {"> go infinite", "@0.2", "> stop\nisready", "...bestmove*", "readyok", "> go infinite\nstop", "...bestmove*",
      "> position fen 7k/5Q2/6K1/8/8/8/8/8 b - -\ngo infinite\nstop", "bestmove 0000"}},
    {"EndOfInputEndsADeepSearchAtOnce", {}, {"> go depth 60", "@0.2", "<", "...bestmove*", "=0"}},
    {"NodeLimitEndsTheSearch", {}, {"> go nodes 20000", "!/.* nodes ([3-9]\\d{4}|\\d{6,}) .*/", "...bestmove*"}},
    // A mate limit, then an infinite search that holds even a mate until stop; a second stop is ignored.
    {"MateLimitAndInfiniteHoldsItsAnswerUntilStop",
     {},
     {"> position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - -", "> go mate 1",
      "/info depth 1 seldepth \\d+ multipv 1 time \\d+ score mate 1 nodes \\d+ nps \\d+ hashfull \\d+ pv a1a8/",
      "...bestmove a1a8", "> go infinite", "@0.5", "> isready", "!bestmove*", "...readyok", "> stop",
      "...bestmove a1a8", "> stop", "> isready", "readyok"}},
    {"SearchmovesLimitTheRoot",
     {},
     {"> go depth 4 searchmoves h2h4", "...bestmove h2h4*", "> go depth 2 searchmoves e2e5",
      "info string no legal move in searchmoves, all moves searched", ".../bestmove (?!h2h4).*/"}},
    {"MultiPVLinesAreNumbered",
     {},
     {"> setoption name MultiPV value 3", "info string MultiPV set to 3", "> position fen 7k/8/8/4K3/8/8/8/R7 w - -",
      "> go depth 4", "/info depth 1 .* multipv 1 .*/", "/info depth 1 .* multipv 2 .*/", "/info depth 1 .* multipv 3 .*/",
      ".../info depth 4 .* multipv 1 .* score mate 3 .*/", "/info depth 4 .* multipv 2 .*/",
      "/info depth 4 .* multipv 3 .*/", "bestmove e5f6*"}},
    // Any move but a capture ends the game by the fifty-move rule, and so does the line.
    {"LinesEndWhereTheGameWould",
     {},
     {"> position fen 4k3/8/8/8/8/8/8/R3K3 w - - 99 80", "> go depth 4", ".../info depth 4 .* pv [a-h1-8]{4}/",
      "...bestmove*"}},
    {"CurrentMoveAfterAFewSeconds",
     {},
     {"> go infinite", ".../info depth \\d+ currmove [a-h][1-8][a-h][1-8] currmovenumber \\d+/", "> stop",
      "...bestmove*"}},
    // vell.opn holds 1.e4, won three times: a book move comes at once, and only with OwnBook on.
    {"OwnBookAnswersFromTheBook",
     {},
     {"> position startpos", "> go depth 2", "!info string book move", "...bestmove*",
      "> setoption name OwnBook value true", "> position startpos", "> go depth 2", "!info depth*",
      "...info string book move", "bestmove e2e4*", "> go depth 2 searchmoves a2a3 h2h3", "!info string book move",
      ".../bestmove (a2a3|h2h3).*/", "> setoption name BookFile value  my  book.opn ",
      "info string BookFile set to my  book.opn"},
     {{"vell.opn", std::string("\xC0\x22\x44\xE8\x30\x28\0\0\x03\0\0\0\0\0", 14)}, {"my  book.opn", ""}}},
    // Clock fields as the protocol means them: movetime in milliseconds (answered long before
    // the pause ends), the increment of the side to move (black's 5 s leave far more than 2 s
    // to think), and an underpromotion in the move list (the bishop checks: Kh2 is the only reply).
    {"ClockFieldsAndPromotionLetters",
     {},
     {"> go movetime 200", "@4", "> isready", "!readyok", "...bestmove*", "readyok",
      "> position startpos moves e2e4", "> go wtime 10000 btime 10000 winc 0 binc 5000", "@2", "> isready",
      "!bestmove*", "...readyok", "> stop", "...bestmove*",
      "> position fen 8/P7/8/8/8/8/1p6/5K1k w - - moves a7a8b", "> go depth 3", "...bestmove h1h2*"}},
    // The debugging commands between searches; during one they are refused and the search goes on.
    {"PerftBoardAndEvaluation",
     {},
     {"> go perft 3", "a2a3: 380", "a2a4: 420", "...g1h3: 400", "nodes 8902",
      "> position fen 4k3/8/8/8/8/8/8/4K2R w K - 5 40 moves e1f1 e8d8", "> go perft 1", "...f1g1: 1", "...nodes 13",
      "> d", "3k4/8/8/8/8/8/8/5K1R w - -", "...white", "", "Fen: 3k4/8/8/8/8/8/8/5K1R w - - 7 41",
      "/Key: [0-9A-F]{16}/", "> eval", "", "evaluation in centipawns*", "...white", "win/draw/loss per mille for the side to move: 999 1 0", "",
      "> setoption name UCI_Chess960 value true", "info string UCI_Chess960 set to 1",
      "> position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1", "> go perft 2", "...e1h1: 3", "nodes 66",
      "> go infinite", "> d", "...info string d is answered between searches only, the search goes on",
      "> go perft 2", "...info string go perft is answered between searches only, the search goes on",
      "> eval", "...info string eval is answered between searches only, the search goes on", "> stop",
      "...bestmove*"}},
    // The weights of a file, the first two words of a line: what cannot be used is reported and
    // skipped. -spsa starts the tuning lines from the values in effect.
    {"ParameterFileAndSpsaLines",
     {"-params", "p.txt", "-spsa"},
     {"info string p.txt line 1: unknown parameter foo, skipped",
      "info string p.txt line 3: rook_open_file takes -26 to 54, not 99, skipped",
      "info string p.txt line 5: no value for hung, skipped", "info string 1 parameter set from p.txt, 3 skipped",
      "pawn_value_op, int, 82, 2, 162, 8.00, 0.0020", "...rook_open_file, int, 40, -26, 54, 4.00, 0.0020",
      "...pinned, int, -12, -52, 28, 4.00, 0.0020", "=0"},
     {{"p.txt", "foo 3\n\nrook_open_file 99\n# rook_open_file 41\nhung\nrook_open_file 40 0.10412\n"}}},
    // A person typing help is told where the console is.
    {"HelpPointsToTheConsole",
     {},
     {"> help", "this is UCI mode, for chess GUIs (type uci to start); for the console, run vell -c"}},
};

// Searches on several threads, with changes of the thread count between and
// during searches; run under ThreadSanitizer too.
const std::string kMiddlegame =
    "> position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - moves a1c1";
const Transcript kThreads[] = {
#ifdef VELL_SYZYGY
    // Every thread probes after the knight is taken; the probes share the library.
    {"TablebaseProbesFromEveryThread",
     {"-threads", "2"},
     {"> setoption name SyzygyPath value " VELL_TEST_DATA "/syzygy", "info string *",
      "> position fen 8/8/3n4/8/2k5/8/3Q4/K7 w - - 0 1", "> go depth 10",
      ".../info depth 10 .* score cp 7998 .* tbhits [1-9]\\d* pv d2d6.*/", "...bestmove d2d6*"}},
#endif
    {"TwoAndFourThreadsSearchAndStop",
     {},
     {"> setoption name Hash value 8", "> setoption name Threads value 2", kMiddlegame, "> go infinite",
      "...info depth 3*", "> isready", "...readyok", "> stop", "...bestmove*", "> isready", "!bestmove*",
      "...readyok", "> setoption name Threads value 4", "> ucinewgame", "> position startpos moves e2e4",
      "> go infinite", "...info depth 3*", "> stop", "...bestmove*", kMiddlegame, "> go depth 6",
      "...bestmove*"}},
    {"ThreadCountChangedDuringASearch",
     {"-threads", "3"},
     {kMiddlegame, "> go infinite", "...info depth 3*", "> setoption name Threads value 2", "!bestmove*",
      "...info string Threads is applied when the search ends", "@0.2", "> go depth 5", "...bestmove*",
      "info string Threads set to 2", "...bestmove*"}},
    {"QuitDuringASearch", {"-threads", "4"}, {kMiddlegame, "> go infinite", "...info depth 3*", "> quit", "=0"}},
    {"PonderThenPonderhit",
     {"-threads", "4"},
     {"> position startpos moves d2d4 g8f6", "> go ponder wtime 3000 btime 3000 winc 10 binc 10", "@0.3",
      "> ponderhit", "...bestmove*"}},
    {"NodeLimitOfAllThreads",
     {"-threads", "3"},
     {kMiddlegame, "> go nodes 30000", "!/.* nodes ([4-9]\\d{4}|\\d{6,}) .*/", "...bestmove*",
      "> go infinite\nstop\ngo nodes 5000\nstop\nisready", "...bestmove*", "...bestmove*", "readyok"}},
};

}  // namespace

// The node count of the depth 10 line of a search from the start, after the
// lines of before (which may hold a shallower search of their own).
std::string DepthTenNodes(const std::vector<std::string>& args, const std::string& before, const Files& files = {}) {
    EngineProcess e(args, files);
    e.Send(before + "position startpos\ngo depth 10");
    std::string line, nodes;
    std::smatch m;
    const std::regex depth10("info depth 10 .* nodes (\\d+) .*");
    while (e.Read(30, &line) && !(line.starts_with("bestmove") && !nodes.empty()))
        if (std::regex_match(line, m, depth10)) nodes = m[1];
    return nodes;
}

// A weight set over UCI and the same weight from a tune.log line search alike, and not as the default does.
TEST(UciParameters, SetoptionAndParameterFileSearchAlike) {
    const std::string plain = DepthTenNodes({"-nolog"}, "");
    const std::string set = DepthTenNodes({"-nolog"}, "setoption name rook_open_file value 40\n");
    const std::string file =
        DepthTenNodes({"-nolog", "-params", "p.txt"}, "", {{"p.txt", "rook_open_file 40 0.10412\n"}});
    EXPECT_FALSE(plain.empty());
    EXPECT_NE(set, plain);
    EXPECT_EQ(set, file);
    // A weight of the tables built from the weights (the material), set between
    // two searches of one session: the second searches as a fresh engine with
    // that weight does, nothing kept of the first's evaluations.
    const std::string pawn = DepthTenNodes({"-nolog"}, "setoption name pawn_value_op value 90\n");
    EXPECT_NE(pawn, plain);
    EXPECT_EQ(DepthTenNodes({"-nolog"}, "position startpos\ngo depth 9\nsetoption name pawn_value_op value 90\n"
                                        "setoption name Clear Hash\n"),
              pawn);
}

TRANSCRIPT_TESTS(Uci, kUci);
TRANSCRIPT_TESTS(UciThreads, kThreads);
