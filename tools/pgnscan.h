// Turning PGN games whose comments carry engine scores into an annotated copy
// (mode 1, "tmp.pgn") or into labelled positions for the tuner (mode 2, "tmp.epd").
#pragma once

// Scans file in mode 1 or 2; returns silently when either file cannot be opened.
void Scan_PGN_File(const char* file, int mode);
