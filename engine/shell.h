// Process-wide state of the engine shell: its name and who plays which side.
#pragma once

extern const char version[];
extern int computer;  // side the engine plays: 0 white, 1 black, 2 neither
extern int selfplay;  // 1 while the console plays both sides
