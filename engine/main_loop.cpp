// Starting, answering and stopping the searches the main loop runs for the
// UCI and console handlers.
#include "engine/main_loop.h"

#include <cstdio>

#include "base/messages.h"
#include "base/platform.h"
#include "base/relaxed.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "engine/shell.h"
#include "game/game.h"
#include "search/output.h"
#include "search/root.h"
#include "search/batch.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/timecontrol.h"
#include "search/transposition.h"
#include "thread/gameend.h"
#include "thread/records.h"
#include "tools/epd.h"

namespace {

// Only the main thread reads and writes these.
bool hold_until_stop;
int opponent_game_side = -1;  // side the engine plays against a person
bool opponent_reply;          // the search under way answers the person's move
void (*after_answer)();       // run once after the next answer
Limits requested;             // of the search asked for
// Five seconds a move, and clocks of five seconds until a level sets them.
Limits ConsoleDefaults() {
    Limits l;
    l.clock[0] = l.clock[1] = 5.0;
    return l;
}
Limits console_limits = ConsoleDefaults();

// The console game's view and record: the board turned, search lines during a
// game, the number of the game's first move, Vell's last score (its own view),
// a hint search under way, and each side's time used and when the person's
// turn began.
bool board_flipped;
bool game_lines;
int first_move_number = 1;
int engine_score;
bool hint_pending;
double person_since;

// The engine's clock after its move in a game against a person: the time
// used goes, the increment comes, and a new session of a level refills it.
void RunClock(int side) {
    Limits& l = console_limits;
    if (l.tc_mode == TcMode::MoveTime) return;
    double c = l.clock[side] - PBlock.elapsed.load(R) + l.increment;
    // The moves left of the session, as the search just ended counted them.
    if (l.tc_mode == TcMode::Session && search_limits.moves_to_go <= 1) c += l.move_time;
    l.clock[side] = c > 0 ? c : 0;
}

// Plays the engine's move on the game board and shows it; false when the
// game has ended there.
bool PlayEngineMove(Position* pos, uint16_t best, const char* note = "") {
    AnnounceMove(pos, best, note);
    MakeMove(pos, best);
    pos->ply = 1;
    ShowGameBoard(pos);
    return !ShowGameEnd(pos);
}

// Minutes and seconds, as a chess clock shows them.
void ClockText(double seconds, char* out, size_t size) {
    const int tenths = int(seconds * 10 + 0.5);
    std::snprintf(out, size, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
}

// A move to answer with when the search was stopped before it had one: the
// table's move when it is legal here, else the first legal move.
uint16_t FallbackMove(Position* pos) {
    TTEntry e{};
    e.depth = int8_t(TT_MISS);
    if (entries >= 2) ProbeTTable(pos, &e);
    if (e.depth > TT_EMPTY && IsLegalMove(pos, e.move)) return e.move;
    uint16_t list[256];
    return LegalMoveList(pos, list) ? list[0] : 0;
}

}  // namespace

void StartSearch() {
    Position* pos = &ThreadData[0]->pos;
    start = GetTime();
    PBlock.elapsed.store(0, R);
    requested.kind = PBlock.next_ponder_state.load(R);
    RefreshChangedEvaluation();
    InitSearch(requested);
    if (pos->nhist <= 35 && requested.own_book) {
        const uint16_t move = GetCandidates(pos, 0);
        // A book move outside "go searchmoves" is not played: the search decides.
        if (move && RootMoveAllowed(move)) {
            PBlock.best_pv[1].store(move, R);
            Complain("book move");
            PBlock.best_score.store(0, R);
            SetStop(StopReason::Report);
        }
    }
    // A position past the fifty-move count is searched as any other: the draw
    // is the player's to claim, and the move played may still mate.
    if (!PBlock.best_pv[1].load(R)) WakeSearchThreads();
    PBlock.next_ponder_state.store(PonderState::Idle, R);
}

void HoldAnswerUntilStop() { hold_until_stop = true; }

bool SearchWaitsForStop() {
    return hold_until_stop || PBlock.ponder_state.load(R) == PonderState::Ponder ||
           (PBlock.next_ponder_state.load(R) == PonderState::Ponder &&
            PBlock.ponder_state.load(R) == PonderState::Idle);
}

void AfterAnswer(void (*fn)()) { after_answer = fn; }

bool SearchAnswerDue() {
    const PonderState state = PBlock.ponder_state.load(R);
    // A limited level that finished early waits; input is still read meanwhile.
    return state != PonderState::Idle && state != PonderState::Ponder && !hold_until_stop &&
           !SearchThreadsBusy() && GetTime() - start >= AnswerHold();
}

void FinishSearch() {
    hold_until_stop = false;
    Collect();
    ShowFinalSearchInfo();
    Position* pos = &ThreadData[0]->pos;
    const SearchResult result = SearchOutcome();
    uint16_t best = result.best;
    const uint16_t ponder = result.ponder;
    if (!best) best = FallbackMove(pos);
    char text[8], reply[8];
    const MoveStyle style = UserMoveStyle(pos);
    if (UciMode()) {
        if (!best)
            ShowMessage("bestmove 0000");
        else if (ponder)
            ShowMessagef("bestmove %s ponder %s", MoveToStr(best, style, text, pos),
                         MoveToStr(ponder, style, reply));
        else
            ShowMessagef("bestmove %s", MoveToStr(best, style, text, pos));
    } else if (hint_pending) {
        char san[16];
        if (best) ShowMessagef("hint: %s", MoveToSan(pos, best, san));
    } else if (!opponent_reply || game_lines) {
        ShowSearchSummary();
        ShowMessage("");
    }
    hint_pending = false;
    if (selfplay) {
        // Self-play goes on until the game is over by the rules or its record is full.
        if (best && pos->nhist < GAME_MAX && PlayEngineMove(pos, best) && pos->nhist < GAME_MAX)
            RequestSearch(requested);
        else
            selfplay = 0;
        if (!selfplay && pos->nhist >= GAME_MAX)
            ShowMessagef("game record full (%d plies), self-play stopped", GAME_MAX);
    } else if (opponent_reply && !UciMode() && best && pos->side == opponent_game_side &&
               pos->nhist < GAME_MAX) {
        RunClock(pos->side);
        engine_score = BestShownScore();
        char note[64], score[16];
        ConsoleScore(engine_score, score, sizeof score);
        std::snprintf(note, sizeof note, "  (score %s, depth %d, %.1f s)", score, PBlock.best_depth.load(R),
                      PBlock.elapsed.load(R));
        if (PlayEngineMove(pos, best, note)) ShowClocks();
        person_since = GetTime();
    }
    opponent_reply = false;
    LimitStrength(false);
    PBlock.ponder_state.store(PonderState::Idle, R);
    if (void (*fn)() = after_answer) {
        after_answer = nullptr;
        fn();
    }
}

void StopSearchAndWait() {
    const bool ours = PBlock.ponder_state.load(R) != PonderState::Idle;
    if (!ours && !SearchThreadsBusy()) return;
    // The first iteration takes a few hundred nodes: letting it finish gives
    // a searched move to answer with rather than a guess.
    const double asked = GetTime();
    while (ours && PBlock.best_depth.load(R) <= 0 && SearchThreadsBusy() && GetTime() - asked < 0.5)
        SleepMs(1);
    SetStop(StopReason::Report);
    PonderHit();
    hold_until_stop = false;
    WaitSearchThreads();
    if (ours) FinishSearch();
}

void RequestSearch(const Limits& limits) {
    requested = limits;
    PBlock.next_ponder_state.store(limits.kind, R);
}

Limits& ConsoleLimits() { return console_limits; }

void ResetConsoleLimits() { console_limits = ConsoleDefaults(); }

Limits ConsoleSearchLimits() {
    Limits l = console_limits;
    l.multipv = PBlock.multipv.load(R);
    l.info_delay = PBlock.info_delay.load(R);
    l.use_hash = PBlock.use_hash.load(R) != 0;
    l.limit_strength = true;
    return l;
}

bool SearchRequested() {
    return PBlock.next_ponder_state.load(R) != PonderState::Idle &&
           PBlock.ponder_state.load(R) == PonderState::Idle;
}

void PonderHit() {
    PonderState ponder = PonderState::Ponder;
    PBlock.ponder_state.compare_exchange_strong(ponder, PonderState::Search, R, R);
}

void AbortSearch() { SetStop(StopReason::Abort); }

void QuitEngine() {
    AbortSearch();
    PBlock.quit.store(1, R);
}

void SetProtocol(Protocol p) { PBlock.protocol.store(p, R); }

void EndOfInput() {
    if (PBlock.quit.load(R)) return;
    if (PBlock.ponder_state.load(R) != PonderState::Idle) StopSearchAndWait();
    // A search outside the main loop goes on, and the engine ends after it.
    if (SearchThreadsBusy()) return;
    QuitEngine();
}

bool ShowGameEnd(const Position* pos) {
    const GameEndInfo end = GameEnd(pos);
    if (end.kind == GameEndKind::None) return false;
    ShowMessagef("%s, %s", end.reason, end.result);
    return true;
}

void SetOpponentGame(int side) {
    opponent_game_side = side;
    if (side >= 0) computer = side;
}

int OpponentGameSide() { return opponent_game_side; }

void AnswerIfEngineToMove() {
    Position* pos = GamePos();
    if (opponent_game_side != pos->side || PBlock.ponder_state.load(R) != PonderState::Idle ||
        PBlock.next_ponder_state.load(R) != PonderState::Idle)
        return;
    if (GameEnd(pos).kind != GameEndKind::None) return;
    computer = pos->side;
    opponent_reply = true;
    Limits l = ConsoleSearchLimits();
    if (!game_lines) l.info_delay = SILENT_OUTPUT;  // the summary line after the move says enough
    RequestSearch(l);
}

void FlipBoard() { board_flipped = !board_flipped; }

void SetBoardFlipped(bool flipped) { board_flipped = flipped; }

void ShowGameBoard(const Position* pos) { ShowBoard(pos, board_flipped); }

void SetGameLines(bool on) { game_lines = on; }

void SetFirstMoveNumber(int n) { first_move_number = n; }

void AnnounceMove(const Position* pos, uint16_t move, const char* note) {
    // The number counts from the game's first move, whichever side made it.
    const int first_side = pos->side ^ (pos->nhist & 1);
    const int number = (pos->nhist + first_side) / 2 + first_move_number;
    char san[16];
    Position copy = *pos;  // SAN looks at the legal moves, which needs a position to play on
    ShowMessagef(pos->side == WHITE ? "%d. %s%s" : "%d... %s%s", number, MoveToSan(&copy, move, san), note);
}

int EngineGameScore() { return engine_score; }

void StartPersonClock() { person_since = GetTime(); }

void ChargePersonClock(int side) {
    Limits& l = console_limits;
    if (l.tc_mode == TcMode::MoveTime) return;
    double c = l.clock[side] - (GetTime() - person_since) + l.increment;
    if (l.tc_mode == TcMode::Session && l.session_moves > 0) {
        // The moves this side has made, the one being played included.
        const Position* pos = GamePos();
        const bool first = side == (pos->side ^ (pos->nhist & 1));
        const int own_moves = (first ? (pos->nhist + 1) / 2 : pos->nhist / 2) + 1;
        if (own_moves % l.session_moves == 0) c += l.move_time;
    }
    l.clock[side] = c > 0 ? c : 0;
}

void ShowClocks() {
    const Limits& l = console_limits;
    if (l.tc_mode == TcMode::MoveTime) {
        ShowMessagef("%.1f s a move for Vell; your time is not counted", l.move_time);
        return;
    }
    char w[16], b[16];
    ClockText(l.clock[WHITE], w, sizeof w);
    ClockText(l.clock[BLACK], b, sizeof b);
    ShowMessagef("clocks: white %s, black %s", w, b);
}

bool RequestHint() {
    if (PBlock.ponder_state.load(R) != PonderState::Idle || SearchRequested()) return false;
    Limits l = ConsoleSearchLimits();
    l.limit_strength = false;  // a hint is the best move a short search finds
    l.tc_mode = TcMode::MoveTime;
    l.move_time = 1.0;
    l.info_delay = SILENT_OUTPUT;
    hint_pending = true;
    RequestSearch(l);
    return true;
}

void KeepEngineMoveOff() {
    selfplay = 0;
    opponent_reply = false;
    DropSearchRequest();
}

void DropSearchRequest() { PBlock.next_ponder_state.store(PonderState::Idle, R); }
