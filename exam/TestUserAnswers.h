// A student's answers to one test: mark bits, elapsed time, identity, name; their file and backup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>

#include "Memory.h"
#include "TestImage.h"

class TTestAnswersLayout;

// The error of the answers layer: a message and nothing else.
class ETestAnswers : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kErrorReadingAnswers = "Error reading answers file";
inline constexpr const char* kErrorWritingAnswers = "Error writing answers file";
// "Wrong user-answers file" (UTF-8): answers that belong to another test or option count.
inline constexpr const char* kWrongUserAnswers = "Неверный файл ответов пользователя";

// The fixed head of the record as it lies in memory and at the start of a file; marks follow.
struct TUserAnswersRec {
  TTestIdent Ident;
  int32_t ElapsedSeconds;
  int32_t OptionCount;
  int32_t NameSize;
};
static_assert(sizeof(TUserAnswersRec) == 48, "the record head is packed");

inline constexpr int32_t kAnswersHeaderSize = 48;
// A stored name section larger than this, or a name that inflates beyond kMaxUserName, is
// ignored on load: no student types a name of kilobytes.
inline constexpr int32_t kMaxNameSection = 16 * 1024;
inline constexpr int32_t kMaxUserName = 4 * 1024;

// Bytes of marks for n options: 0 for n <= 0, else (n - 1) div 8 + 1.
int32_t MarkBytes(int32_t n);
// The 38-character registry form of a GUID given as its 16-byte memory image.
std::string GuidString(const uint8_t* guid);

class TTestUserAnswers {
 public:
  TTestUserAnswers() = default;
  TTestUserAnswers(const TTestUserAnswers&) = delete;
  TTestUserAnswers& operator=(const TTestUserAnswers&) = delete;

  // Start of the record; null before the record is sized or loaded.
  const uint8_t* Data() const { return FBlock.Memory(); }
  // AnswersRecSize of the current record; 0 before it is sized or loaded.
  int32_t RecSize() const { return FBlock.Size(); }

  // Before the record is sized, reads give zeros and writes are ignored.
  TTestIdent Ident() const;
  void SetIdent(const TTestIdent& ident);
  int32_t OptionCount() const { return Field(offsetof(TUserAnswersRec, OptionCount)); }
  int32_t NameSize() const { return Field(offsetof(TUserAnswersRec, NameSize)); }
  int32_t ElapsedSeconds() const { return Field(offsetof(TUserAnswersRec, ElapsedSeconds)); }
  // Stores max(Value, 0).
  void SetElapsedSeconds(int32_t Value);

  // A zero-filled record for Count options: identity, time and marks cleared.
  void SetOptionCount(int32_t Count);
  bool Marked(int32_t Index) const;
  // Ignored when read-only, unsized, or Index is outside 0 .. OptionCount - 1.
  void SetMarked(int32_t Index, bool Value);

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  const std::string& UserName() const { return FUserName; }
  void SetUserName(const std::string& Value) { FUserName = Value; }

  void Assign(const TTestUserAnswers& Source);

  // Raises EInOutError when the file cannot be opened, ETestAnswers when it is not an answers file.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(std::istream& Stream);
  // Replaces the file whole or not at all: the answers go to a new owner-only (0600) file beside
  // it, flushed to disk and renamed over it. A failed write leaves the earlier file untouched and
  // nothing partial behind, and raises ETestAnswers; a file that cannot be created (a missing or
  // read-only folder, a target that is a folder or a link) raises EInOutError.
  void SaveToFile(const std::string& FileName);
  void SaveToStream(std::ostream& Stream);

  // The crash backup of the test named by Ident, in the owner-only folder "Exam" of the
  // temporary directory (GetTempDir; the folder is created when missing). Raises ETestAnswers
  // when that folder is not private: a link, another user's, or writable by others.
  std::string BackupBaseName() const;
  std::string BackupFileName() const { return BackupBaseName() + ".tmp"; }
  std::string BackupWorkFileName() const { return BackupBaseName() + "~.tmp"; }
  // Work file, fsync, rename over the old backup, fsync of the folder; a failed work file raises.
  void SaveBackup();
  // Takes over the backup of the same test if there is one; a backup of the same identity but
  // another option count raises ETestAnswers(kWrongUserAnswers). Backups that are links, or in
  // a folder that is not private, are ignored.
  void RestoreBackup();

  // Same identity as the layout's image and as many options as it counts.
  bool MatchesLayout(const TTestAnswersLayout* Layout) const;

 private:
  int32_t Field(size_t offset) const;
  void SetField(size_t offset, int32_t value);
  // The backup's work file: written in place (not following a link), flushed; a failure
  // removes it and raises ETestAnswers.
  void WriteFile(const std::string& FileName);
  void ReadFile(const std::string& FileName, bool noFollow);

  TVirtualMemory FBlock;
  bool FReadOnly = false;
  std::string FUserName;
};
