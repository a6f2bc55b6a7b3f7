// Small file-system helpers: sizes, whole-file reads, the student's private folder, and writes
// that survive a crash or a power cut.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

// The size of the named file or folder entry; 0 when there is none.
int64_t FileSizeByName(const std::string& name);
// The whole regular file in `out`; false when it cannot be opened or read, or is no regular file
// (a folder, a pipe or a device never blocks the caller).
bool ReadWholeFile(const std::string& name, std::string& out);

// Opens a file for reading without blocking on a pipe or a device; -1 with errno set when it
// cannot be opened. The descriptor is non-blocking: callers check that it is a regular file
// (fstat) before they read. It is for the caller to close.
int OpenForReading(const std::string& name, bool noFollow = false);

// Where the student's program keeps files that must outlive it, with a trailing separator:
// TMPDIR when it is set; otherwise the user's own persistent state folder ($XDG_STATE_HOME,
// by default ~/.local/state), which unlike /tmp is neither shared nor emptied at a reboot.
std::string GetTempDir();
// Creates `dir` owner-only (0700, with its missing parents) and tells whether it can hold
// private files: a real folder (not a link), owned by this user, writable by nobody else.
bool EnsurePrivateFolder(const std::string& dir);

// The system calls through which files are written and flushed. Tests put others in their
// place to play a full disk or a failing device.
struct TFileWriteCalls {
  ssize_t (*Write)(int fd, const void* data, size_t size);
  int (*Sync)(int fd);
};
TFileWriteCalls& FileWriteCalls();

// Writes every byte (retrying short writes) and flushes the file to the device; false with
// errno set on failure.
bool WriteAndFlush(int fd, std::string_view bytes);
// Flushes the folder that holds `path`, so that a new name or a rename in it survives a power
// cut; false with errno set on failure.
bool SyncFolderOf(const std::string& path);

// How a replacing write ended; Error is the system's error number.
struct TReplaceResult {
  enum TStatus { Written, NotCreated, NotWritten } Status = Written;
  int Error = 0;
};
// Replaces `target` with `bytes` so that at every moment the target is either its earlier self
// or wholly the new bytes: a new owner-only file beside it is written, flushed and renamed over
// it, and the folder flushed. On failure the new file is removed and the target is untouched.
// A target that exists as anything but a regular file (a folder, a link) is refused.
TReplaceResult ReplaceFileAtomically(const std::string& target, std::string_view bytes);
