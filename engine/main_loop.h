// The life of one search request on the main thread: its start, its answer
// once it ends, and the stop that every command changing what a search works
// on goes through first. The UCI and console handlers change the state of a
// run only through these.
#pragma once

#include "base/control.h"
#include "board/position.h"
#include "search/limits.h"

// Asks the main loop for a search under limits (of a kind other than Idle);
// it starts from a copy of them.
void RequestSearch(const Limits& limits);
// The console's own settings that its searches start from (level, depth,
// time, the clocks of its game); the protocol's go never reads them.
Limits& ConsoleLimits();
// Back to five seconds a move at full depth.
void ResetConsoleLimits();
// A console search: ConsoleLimits with the MultiPV, output delay, table and
// strength settings in effect.
Limits ConsoleSearchLimits();
// Withdraws a search request that has not started yet.
void DropSearchRequest();
// True when a search was asked for and none runs.
bool SearchRequested();
// A pondering search becomes an ordinary one on the same clock.
void PonderHit();
// Ends the search under way at once, its unfinished iteration thrown away.
void AbortSearch();
// Ends the search under way and the main loop.
void QuitEngine();
// Which command set the input speaks from now on.
void SetProtocol(Protocol p);
// Standard input has ended and every line is handled: nobody can send "stop"
// any more, so the search under way ends at once and is answered, then the
// engine shuts down as on "quit".
void EndOfInput();

// Starts the search that next_ponder_state asks for (book move, threads).
void StartSearch();
// True when the search under way has ended and its answer is due: every
// search thread idle, not pondering, and not an analysis waiting for "stop".
bool SearchAnswerDue();
// Sums the statistics and answers: "bestmove" under UCI (never a null move
// while one is legal, "0000" without one), the summary at the console; in
// self-play the move is played and the next search requested.
void FinishSearch();
// Keeps the answer of the search being started back until "stop" (go infinite).
void HoldAnswerUntilStop();
// True while a search asked for or under way answers only "stop" or
// "ponderhit" (go infinite, go ponder).
bool SearchWaitsForStop();
// Runs fn once, right after the next search's answer (changes that such a
// search must not see and that may not answer it early).
void AfterAnswer(void (*fn)());
// Ends the search under way before a command changes the game, the position,
// the tables or a search record: stops it (its best result still counts),
// waits until every search thread is idle and answers it as FinishSearch does,
// in order before anything the command prints. Call KeepEngineMoveOff first
// to keep its move off the board. A batch run's search is only stopped and waited for.
// Returns at once when no search runs.
void StopSearchAndWait();

// A game against a person at the console: the engine plays side (WHITE or
// BLACK) and answers the moves typed for the other; -1 ends the game.
void SetOpponentGame(int side);
// The side the engine plays in a game against a person, -1 when none runs.
int OpponentGameSide();
// In a game against a person, asks for the engine's move when it is the
// engine's turn and the game has not ended on the board.
void AnswerIfEngineToMove();
// At the console: when the game in pos has ended by the rules, one line with
// the reason and the result ("checkmate, 1-0"); true then.
bool ShowGameEnd(const Position* pos);
// Keeps the move of the search under way (self-play, a game against a
// person) off the board, and drops a search about to start.
void KeepEngineMoveOff();

// The console game's board and record.
// Turns the board (black's side at the bottom) or back; the board as turned.
void FlipBoard();
void SetBoardFlipped(bool flipped);
void ShowGameBoard(const Position* pos);
// Every search line during a game against a person (on), or one summary
// line a move (off, the default).
void SetGameLines(bool on);
// The number of the game's first move (a FEN's move number).
void SetFirstMoveNumber(int n);
// "12. Nf3" or "12... Nf6" for move in pos, then note.
void AnnounceMove(const Position* pos, uint16_t move, const char* note = "");
// Vell's score after its last move in a game against a person, its own view.
int EngineGameScore();
// The person's clock: starts now; charged for the move they play now.
void StartPersonClock();
void ChargePersonClock(int side);
// Both clocks, or the time a move where each move has its own.
void ShowClocks();
// Asks for a short full-strength search whose move is only named; false when
// a search runs or is asked for already.
bool RequestHint();
