// Memory blocks: one owned, zero-filled, resizable block of bytes (a loaded file or a record).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// The input/output error of the runtime: names the file and the operating system's reason.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& fileName, int osError);
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

// Root of the block family. FSize > 0 exactly when FMemory is set.
class TCustomMemory {
 public:
  TCustomMemory() = default;
  TCustomMemory(const TCustomMemory&) = delete;
  TCustomMemory& operator=(const TCustomMemory&) = delete;
  virtual ~TCustomMemory() = default;

  // Releases the block and provides NewSize zero bytes; a failure leaves the block empty.
  virtual void SetSize(int32_t NewSize) = 0;
  // Writes FSize bytes to the file (created or truncated); raises EInOutError.
  virtual void SaveToFile(const std::string& FileName);
  // Reads at most FSize bytes of the file into the start of the block; raises EInOutError.
  virtual void LoadFromFile(const std::string& FileName);

  uint8_t* Memory() const { return FMemory; }
  int32_t Size() const { return FSize; }

 protected:
  // Reads at most FSize bytes from an open file into the start of the block.
  void ReadInto(int fd, const std::string& FileName);

  uint8_t* FMemory = nullptr;
  int32_t FSize = 0;
};

class TMemory : public TCustomMemory {};

// Blocks of zero-filled memory (page memory when large), never copied on resize.
class TCustomVirtualMemory : public TMemory {
 public:
  TCustomVirtualMemory() = default;
  ~TCustomVirtualMemory() override;
  // A block of exactly the file's size holding the file; empty when the file is not found or is
  // no regular file; raises EInOutError when it cannot be read.
  static void InitFromFile(TCustomVirtualMemory& block, const std::string& FileName);

  void SetSize(int32_t NewSize) override;

  // Blocks of this size and more are mapped pages; smaller ones come from the heap.
  static constexpr int32_t kMappedBlockSize = 64 * 1024;

 private:
  bool FMapped = false;
};

class TVirtualMemory : public TCustomVirtualMemory {};

// The block kind used for whole files.
class TVFMem : public TVirtualMemory {
 public:
  TVFMem() = default;
  // Reads the whole file; a missing file gives an empty block, an unreadable one raises.
  explicit TVFMem(const std::string& FileName) { InitFromFile(*this, FileName); }
};

// A block holding a copy of Bytes: a file made in memory, opened as a loaded one would be.
std::unique_ptr<TCustomMemory> MemoryBlockOf(std::string_view Bytes);
