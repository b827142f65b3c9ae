// The check of a Syzygy table file's layout, before the prober opens it.
#pragma once

#include <string>

// A regular file of the right kind (wdl: .rtbw, else .rtbz) whose header
// describes exactly the blocks it holds, and whose checksum was written. The
// material is read from the file's name (KRPvKR.rtbw). Reads the header and
// the last 16 bytes only.
bool TableFileSound(const std::string& file, bool wdl);
