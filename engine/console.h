// The engine's own command set for a person at a console or a test script.
#pragma once

// Handles one non-empty input line in console mode (the line may be changed).
void HandleConsole(char* line);
