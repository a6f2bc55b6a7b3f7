// Helpers of the exam tests.
#include "ExamFixtures.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "FileHelpers.h"

namespace examtest {

TPrivateTempDir::TPrivateTempDir(const std::filesystem::path& base) {
  if (const char* old = std::getenv("TMPDIR")) {
    FHadTmpDir = true;
    FOldTmpDir = old;
  }
  const auto parent = base.empty() ? std::filesystem::temp_directory_path() : base;
  std::string pattern = (parent / "exam-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
  ::setenv("TMPDIR", FPath.c_str(), 1);
}

TPrivateTempDir::~TPrivateTempDir() {
  if (FHadTmpDir) {
    ::setenv("TMPDIR", FOldTmpDir.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

namespace {

TFailingDisk::TFault gFault;
size_t gWritten = 0;
TFileWriteCalls gHealthyDisk{};

ssize_t FailingWrite(int fd, const void* data, size_t size) {
  if (gFault.writeError != 0) {
    if (gWritten >= gFault.bytesThatFit) {
      errno = gFault.writeError;
      return -1;
    }
    size = std::min(size, gFault.bytesThatFit - gWritten);  // a short write, as a full disk gives
  }
  const ssize_t n = ::write(fd, data, size);
  if (n > 0) gWritten += static_cast<size_t>(n);
  return n;
}

int FailingSync(int fd) {
  if (gFault.flushError != 0) {
    errno = gFault.flushError;
    return -1;
  }
  return ::fsync(fd);
}

}  // namespace

TFailingDisk::TFailingDisk(TFault fault) {
  gFault = fault;
  gWritten = 0;
  gHealthyDisk = FileWriteCalls();
  FileWriteCalls() = {FailingWrite, FailingSync};
}

TFailingDisk::~TFailingDisk() {
  FileWriteCalls() = gHealthyDisk;
}

TSmallDisk::TSmallDisk(const std::filesystem::path& dir, size_t bytes, bool readOnly) : FDir(dir) {
  std::filesystem::create_directories(dir);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (::mount("tmpfs", dir.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0) {
    FMounted = true;
  } else {
    FWhy = std::string("this process may not mount a small file system (") + std::strerror(errno) +
           "); the failing-disk seam plays a full disk instead";
  }
}

bool TSmallDisk::MakeReadOnly() {
  return FMounted && ::mount(nullptr, FDir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

TSmallDisk::~TSmallDisk() {
  if (FMounted) ::umount2(FDir.c_str(), MNT_DETACH);
}

std::vector<std::string> FolderNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::filesystem::path MemoryBackedDir() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
             ? std::filesystem::path("/dev/shm")
             : std::filesystem::path();
}

std::string Le32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((uint32_t(v) >> (8 * i)) & 0xFF);
  return s;
}

std::string MinimalEmf(int32_t w, int32_t h) {
  std::string header(88, '\0');
  auto put = [&header](size_t at, int32_t v) { header.replace(at, 4, Le32(v)); };
  put(0, 1);        // EMR_HEADER
  put(4, 88);       // record size
  put(16, w / 26);  // bounds in device pixels, roughly
  put(20, h / 26);
  put(32, w);  // frame in 0.01 mm
  put(36, h);
  put(40, 0x464D4520);                                                    // " EMF"
  put(44, 0x10000);                                                       // version
  put(48, 88 + 20);                                                       // bytes
  put(52, 2);                                                             // records
  put(56, 1);                                                             // handles
  put(72, 1024), put(76, 768), put(80, 320), put(84, 240);                // device in pixels and mm
  std::string eof = Le32(14) + Le32(20) + Le32(0) + Le32(16) + Le32(20);  // EMR_EOF
  return header + eof;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

unsigned FileMode(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

}  // namespace examtest
