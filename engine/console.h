// The engine's own command set for a person at a console or a test script.
#pragma once

// Handles one non-empty input line in console mode (the line may be changed).
void HandleConsole(char* line);

struct AnnotateSettings;
// What an annotation searches each position with: depth plies when above 0,
// else move_time seconds (1 when 0), silently; the own book's moves, when
// OwnBook is on, are left unmarked.
AnnotateSettings AnnotateSettingsFor(int depth, double move_time);
