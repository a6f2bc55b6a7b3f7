// Small file-system helpers: a file's size by name and the temporary directory.
#pragma once

#include <cstdint>
#include <string>

// The size of the named file or folder entry; 0 when there is none.
int64_t FileSizeByName(const std::string& name);
// The whole file in `out`; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& name, std::string& out);
// The system's temporary directory (TMPDIR honoured), with a trailing separator.
std::string GetTempDir();
