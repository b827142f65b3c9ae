// The main loop's input pass: the time check, then one line from the line
// reader handed to the UCI or console handler.
#pragma once

// One pass: time check, read what is waiting, handle at most one line.
void UserInput();
// The main loop's pause: waits at most timeout_ms for input unless a line is
// already waiting (so a line is handled as soon as it arrives), then one pass.
void PollInput(int timeout_ms);
