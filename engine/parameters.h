// The evaluation weights as a developer handles them: a file of values, the
// values that differ from the defaults, and the input of an SPSA tuning run.
#pragma once
#include <cstddef>

// Sets the weight called name from text, refusing (not clamping, as
// setoption does) a value outside the option's range; false with msg saying
// why, the weight then unchanged.
bool SetParameter(const char* name, const char* text, char* msg, size_t size);
// Applies the lines "name value" of path (the first two words of a line, so
// the tuner's tune.log applies as it stands; blank lines and lines starting
// with # are passed over). Each line skipped is reported with its number and
// why, then a count of the values set; false when path cannot be read.
bool LoadParameters(const char* path);
// One line "name value (default D)" for each weight away from its default.
void ShowChangedParameters();
// One line a weight, "name, int, value, min, max, c_end, r_end", for an
// OpenBench SPSA run that starts from the values in effect.
void ShowSpsaInput();
