// Memory blocks over anonymous page memory, and their file transfer.
#include "Memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "FileHelpers.h"

EInOutError::EInOutError(const std::string& fileName, int osError)
    : std::runtime_error(fileName + ": " + std::strerror(osError)), FErrorCode(osError) {}

namespace {

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

void TCustomMemory::SaveToFile(const std::string& FileName) {
  int fd = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EInOutError(FileName, errno);
  FileCloser closer{fd};
  int64_t done = 0;
  while (done < FSize) {
    ssize_t n = ::write(fd, FMemory + done, static_cast<size_t>(FSize - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EInOutError(FileName, n < 0 ? errno : EIO);
    done += n;
  }
  closer.fd = -1;
  if (::close(fd) != 0) throw EInOutError(FileName, errno);
}

void TCustomMemory::LoadFromFile(const std::string& FileName) {
  const int fd = OpenForReading(FileName);
  if (fd < 0) throw EInOutError(FileName, errno);
  FileCloser closer{fd};
  ReadInto(fd, FileName);
}

void TCustomMemory::ReadInto(int fd, const std::string& FileName) {
  // Never more than the block holds: a file that grew since it was sized is cut.
  int64_t done = 0;
  while (done < FSize) {
    ssize_t n = ::read(fd, FMemory + done, static_cast<size_t>(FSize - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EInOutError(FileName, errno);
    if (n == 0) break;  // the file shrank: the rest of the block stays zero
    done += n;
  }
}

TCustomVirtualMemory::~TCustomVirtualMemory() {
  TCustomVirtualMemory::SetSize(0);
}

void TCustomVirtualMemory::SetSize(int32_t NewSize) {
  if (FSize > 0) {
    if (FMapped)
      ::munmap(FMemory, static_cast<size_t>(FSize));
    else
      std::free(FMemory);
  }
  FMemory = nullptr;
  FSize = 0;
  FMapped = false;
  if (NewSize <= 0) return;
  // Whole files get pages of their own; small records (answers, rewritten every second) come
  // zeroed from the heap, which spares a map, an unmap and its TLB shootdown each time.
  if (NewSize < kMappedBlockSize) {
    FMemory = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(NewSize), 1));
    if (FMemory != nullptr) FSize = NewSize;
    return;
  }
  void* p = ::mmap(nullptr, static_cast<size_t>(NewSize), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return;
  FMemory = static_cast<uint8_t*>(p);
  FSize = NewSize;
  FMapped = true;
}

void TCustomVirtualMemory::InitFromFile(TCustomVirtualMemory& block, const std::string& FileName) {
  block.SetSize(0);
  // Sized and read through one descriptor, so the file cannot be swapped for another (or for a
  // pipe that would never end) between the two.
  const int fd = OpenForReading(FileName);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return;
    throw EInOutError(FileName, errno);
  }
  FileCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EInOutError(FileName, errno);
  // A folder, a pipe or a device is no test; nor is a file beyond what a block can address.
  if (!S_ISREG(st.st_mode) || st.st_size > INT32_MAX) return;
  block.SetSize(static_cast<int32_t>(st.st_size));
  if (block.Size() > 0) block.ReadInto(fd, FileName);
}

std::unique_ptr<TCustomMemory> MemoryBlockOf(std::string_view Bytes) {
  auto block = std::make_unique<TVirtualMemory>();
  block->SetSize(static_cast<int32_t>(Bytes.size()));
  if (block->Size() > 0) std::memcpy(block->Memory(), Bytes.data(), Bytes.size());
  return block;
}
