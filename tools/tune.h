// Tuning evaluation parameters one at a time against the labelled positions
// of "tune.epd", with the depth-0 EPD error as the measure.
#pragma once
#include <cstdint>
#include <cstdio>

extern FILE* fdtune;  // "tune.log", open only during the -tune pass

// Interval search for the value of *param within its entry value +- range
// that gives the smallest error over the positions of file; returns it with
// *param restored.
int PTune(const char* file, const char* name, int16_t* param, int range);
// Console "tune": one parameter by name (a tunable one, or "tune" for the
// spare parameter) over the range given as text; false when it refused.
bool TTune(const char* name, const char* range);
// The -tune pass: every tunable parameter in table order, logged to "tune.log".
void RunTuningPass();
