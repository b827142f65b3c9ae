// The engine's side of the Universal Chess Interface.
#pragma once

// Handles one input line in UCI mode (the line may be changed).
void HandleUCI(char* line);
