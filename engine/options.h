// The engine's settings as one table, a row per UCI option: the uci listing,
// setoption, the command-line flags and the console setters all go through it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "eval/params.h"

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

// The evaluation weights follow the fixed options, in tuning order, each
// under its parameter name (rook_open_file): the i-th tunable weight of
// eval/params is option ParamOption(i), a spin from its default less
// PARAM_SPAN times its tuning range to the default plus as much. Setting one
// stops a search that answers by itself, like Hash; the evaluation's tables
// are rebuilt before the next search.
constexpr int PARAM_SPAN = 4;
constexpr size_t NUM_OPTIONS = size_t(OptionId::Count) + NUM_TUNABLE;
OptionId ParamOption(int i);
// The parameter option called name, matched exactly as the tuner writes it;
// false when there is none.
bool FindParamOption(const char* name, OptionId* id);

// Every option as "uci" lists it, in the table's order (the tablebase ones
// only in a build that probes tablebases, the parameters only with_parameters).
void ListOptions(bool with_parameters);
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
// A parameter's is read from the weight itself.
long OptionNumber(OptionId id);
const char* OptionText(OptionId id);
// Every value back to its default without putting any into effect.
void ResetOptions();
// The lowest, highest and default value of a spin option, and its name.
long OptionMin(OptionId id);
long OptionMax(OptionId id);
long OptionDefault(OptionId id);
const char* OptionName(OptionId id);
