// The shell's process-wide globals (kept out of main.cpp so that the tests,
// which link everything but main, see them too).
#include "engine/shell.h"

const char version[] = "Vell 2.00";
int computer = 2;
int selfplay;
