// The engine's side of the Universal Chess Interface.
#pragma once

// Handles one input line in UCI mode (the line may be changed).
void HandleUCI(char* line);
// Limits of the command line (-d, -t) that stand in for what a go line does
// not name: a depth below 66, or a fixed time when the go names no clock.
void SetGoDefaults(int depth, double move_time);
