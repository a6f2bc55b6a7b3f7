// File-system helpers over POSIX calls and std::filesystem.
#include "FileHelpers.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr)
    return pw->pw_dir;
  return {};
}

ssize_t SystemWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int SystemSync(int fd) { return ::fsync(fd); }

}  // namespace

int64_t FileSizeByName(const std::string& name) {
  std::error_code ec;
  auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return 0;
  if (!std::filesystem::is_regular_file(st)) return 0;
  auto size = std::filesystem::file_size(name, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

int OpenForReading(const std::string& name, bool noFollow) {
  // Non-blocking keeps the open from waiting for a pipe's writer; reads of a regular file are
  // not affected by it, and callers read nothing else.
  return ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (noFollow ? O_NOFOLLOW : 0));
}

bool ReadWholeFile(const std::string& name, std::string& out) {
  const int fd = OpenForReading(name);
  if (fd < 0) return false;
  FdCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  out.clear();
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buffer, static_cast<size_t>(n));
  }
}

std::string GetTempDir() {
  std::string s;
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && tmp[0] != '\0') {
    s = tmp;
  } else if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    s = state;
  } else if (const std::string home = HomeDir(); !home.empty()) {
    s = home + "/.local/state";
  } else {
    std::error_code ec;
    const auto dir = std::filesystem::temp_directory_path(ec);
    s = ec ? std::string("/tmp") : dir.string();
  }
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

bool EnsurePrivateFolder(const std::string& dir) {
  // Missing parents are made owner-only too, as a state folder should be.
  std::vector<std::string> missing;
  for (std::string d = dir; !d.empty() && d != "/" && d != ".";) {
    struct stat st {};
    if (::lstat(d.c_str(), &st) == 0) break;
    missing.push_back(d);
    d = FolderOf(d);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) ::mkdir(it->c_str(), 0700);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  FdCloser closer{fd};
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

TFileWriteCalls& FileWriteCalls() {
  static TFileWriteCalls calls{SystemWrite, SystemSync};
  return calls;
}

bool WriteAndFlush(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = FileWriteCalls().Write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return FileWriteCalls().Sync(fd) == 0;
}

bool SyncFolderOf(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  FdCloser closer{fd};
  return FileWriteCalls().Sync(fd) == 0;
}

TReplaceResult ReplaceFileAtomically(const std::string& target, std::string_view bytes) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return {TReplaceResult::NotCreated, S_ISDIR(st.st_mode) ? EISDIR : ELOOP};
  }
  const std::string folder = FolderOf(target);
  std::string work = folder + "/." + target.substr(target.find_last_of('/') + 1) + ".XXXXXX";
  const int fd = ::mkostemp(work.data(), O_CLOEXEC);  // owner-only, never an existing file
  if (fd < 0) return {TReplaceResult::NotCreated, errno};
  bool ok = WriteAndFlush(fd, bytes);
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) ok = false, error = errno;
  if (ok && ::rename(work.c_str(), target.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    ::unlink(work.c_str());
    return {TReplaceResult::NotWritten, error};
  }
  // The data is safe already; a folder that cannot be flushed leaves only the rename at risk.
  (void)SyncFolderOf(target);
  return {};
}
