// The engine's settings as one table, a row per UCI option: the uci listing,
// setoption, the command-line flags and the console setters all go through it.
#pragma once
#include <cstddef>
#include <cstdint>

enum class OptionId : uint8_t {
    Hash,
    Threads,
    Ponder,
    ClearHash,
    Overhead,
    OwnBook,
    BookFile,
    Log,
    MultiPV,
    LimitStrength,
    Elo,
    Chess960,
    ShowWDL,
    SyzygyPath,
    SyzygyProbeDepth,
    Syzygy50MoveRule,
    SyzygyProbeLimit,
    Count
};

// Every option as "uci" lists it, in the table's order (the tablebase ones
// only in a build that probes tablebases).
void ListOptions();
// The arguments of "setoption": the option named (in any case, with any
// blanks between its words) is set and answered with "info string"; an option
// that changes the tables or the threads waits for the end of a search that
// only stop or ponderhit may answer.
void SetOptionCommand(const char* args);

enum class OptionOutcome { Set, BadValue, Failed };
// Sets the option from text at once and without a reply (the console, the
// command line). BadValue when text is no value of the option; Failed when it
// could not be put into effect, msg then saying why; the option stays as it
// was in both cases.
OptionOutcome SetOption(OptionId id, const char* text, char* msg, size_t size);
// Only stores the value (clamped), for start-up to put into effect; false
// when text is no value of the option.
bool PresetOption(OptionId id, const char* text);
// The value in effect: a number (checks are 0 or 1) or the text of a string option.
long OptionNumber(OptionId id);
const char* OptionText(OptionId id);
// Every value back to its default without putting any into effect.
void ResetOptions();
// The lowest and highest value of a spin option.
long OptionMin(OptionId id);
long OptionMax(OptionId id);
