// Shared test helpers: a private temporary directory, memory blocks, a small page picture, files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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

// While alive, the program's durable writes meet a failing disk: after `bytesThatFit` bytes
// every write fails with `writeError` (ENOSPC: the disk is full), or, with flushError set, every
// flush to the device fails with it (EIO: the device gave up).
class TFailingDisk {
 public:
  struct TFault {
    size_t bytesThatFit = SIZE_MAX;
    int writeError = 0;
    int flushError = 0;
  };
  explicit TFailingDisk(TFault fault);
  ~TFailingDisk();
  TFailingDisk(const TFailingDisk&) = delete;
  TFailingDisk& operator=(const TFailingDisk&) = delete;
};

// Mounts a small memory file system of `bytes` on `dir` for the object's lifetime, to play a
// full disk (or a read-only one); Mounted() is false, with Why() saying so, where this process
// may not mount.
class TSmallDisk {
 public:
  TSmallDisk(const std::filesystem::path& dir, size_t bytes, bool readOnly = false);
  ~TSmallDisk();
  TSmallDisk(const TSmallDisk&) = delete;
  TSmallDisk& operator=(const TSmallDisk&) = delete;
  bool Mounted() const { return FMounted; }
  const std::string& Why() const { return FWhy; }
  // Remounts it read-only, its files kept.
  bool MakeReadOnly();

 private:
  std::filesystem::path FDir;
  bool FMounted = false;
  std::string FWhy;
};

// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& dir);

// /dev/shm when it is there and writable (no disk flushes), else empty: the usual directory.
std::filesystem::path MemoryBackedDir();
// The smallest enhanced metafile: a header record framing w x h (0.01 mm) and the end record.
std::string MinimalEmf(int32_t w, int32_t h);
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// Little-endian helpers for building expected file contents.
std::string Le32(int32_t v);
unsigned FileMode(const std::filesystem::path& path);

}  // namespace examtest
