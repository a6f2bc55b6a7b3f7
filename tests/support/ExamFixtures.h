// Shared test helpers: a private temporary directory, memory blocks, a small page picture, files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "Memory.h"

namespace examtest {

// Points TMPDIR at a fresh folder for the lifetime of the object, so that backups land there.
class TPrivateTempDir {
 public:
  // Under `base` when given, else under the current temporary directory.
  explicit TPrivateTempDir(const std::filesystem::path& base = {});
  ~TPrivateTempDir();
  TPrivateTempDir(const TPrivateTempDir&) = delete;
  TPrivateTempDir& operator=(const TPrivateTempDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
  std::string FOldTmpDir;
  bool FHadTmpDir = false;
};

// /dev/shm when it is there and writable (no disk flushes), else empty: the usual directory.
std::filesystem::path MemoryBackedDir();
// A memory block holding the bytes, as a reader takes it.
std::unique_ptr<TCustomMemory> Block(const std::string& bytes);
// The smallest enhanced metafile: a header record framing w x h (0.01 mm) and the end record.
std::string MinimalEmf(int32_t w, int32_t h);
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// Little-endian helpers for building expected file contents.
std::string Le32(int32_t v);
unsigned FileMode(const std::filesystem::path& path);

}  // namespace examtest
