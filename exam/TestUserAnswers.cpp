// The student's answers: the record, the user-answers file and the crash backup.
#include "TestUserAnswers.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "CompressedStrings.h"
#include "FileHelpers.h"
#include "TestAnswersLayout.h"

namespace {

// Bytes left in a seekable stream; -1 when the stream cannot tell.
int64_t RemainingBytes(std::istream& s) {
  const auto here = s.tellg();
  if (here < 0) return -1;
  s.seekg(0, std::ios::end);
  const auto end = s.tellg();
  s.clear();
  s.seekg(here);
  return end < 0 ? -1 : static_cast<int64_t>(end - here);
}

// Reads n bytes in slices, so that memory grows with the data actually there, not with n.
bool ReadExactly(std::istream& s, std::string& out, int64_t n) {
  constexpr int64_t kSlice = 64 * 1024;
  out.clear();
  if (const int64_t left = RemainingBytes(s); left >= 0 && left < n) return false;
  while (static_cast<int64_t>(out.size()) < n) {
    const int64_t take = std::min(kSlice, n - static_cast<int64_t>(out.size()));
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(take));
    s.read(out.data() + at, take);
    if (s.gcount() != take) return false;
  }
  return true;
}

// The name section, or "" when it is missing, damaged or implausibly large.
std::string ReadName(std::istream& s, int32_t nameSize) {
  if (nameSize <= 0 || nameSize > kMaxNameSection) return {};
  std::string section;
  if (!ReadExactly(s, section, nameSize) || section.size() < 4) return {};
  uint32_t plain = 0;
  for (int i = 0; i < 4; ++i) plain |= uint32_t(uint8_t(section[i])) << (8 * i);
  if (plain > uint32_t(kMaxUserName)) return {};
  try {
    return DecompressString(section, false);
  } catch (const std::exception&) {
    return {};
  }
}

std::string TrimBlanksAndControls(const std::string& s) {
  auto keep = [](char c) { return static_cast<unsigned char>(c) > 32; };
  auto first = std::find_if(s.begin(), s.end(), keep);
  auto last = std::find_if(s.rbegin(), s.rend(), keep).base();
  return first < last ? std::string(first, last) : std::string();
}

// A regular file by that very name, not a link to one.
bool IsPlainFile(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(name, ec));
}

}  // namespace

int32_t MarkBytes(int32_t n) {
  return n <= 0 ? 0 : (n - 1) / 8 + 1;
}

std::string GuidString(const uint8_t* g) {
  auto le = [g](int at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | g[at + i];
    return v;
  };
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(le(0, 4)), unsigned(le(4, 2)), unsigned(le(6, 2)), g[8], g[9], g[10],
                g[11], g[12], g[13], g[14], g[15]);
  return buf;
}

int32_t TTestUserAnswers::Field(size_t offset) const {
  if (FBlock.Size() < kAnswersHeaderSize) return 0;
  int32_t v;
  std::memcpy(&v, FBlock.Memory() + offset, sizeof v);
  return v;
}

void TTestUserAnswers::SetField(size_t offset, int32_t value) {
  if (FBlock.Size() < kAnswersHeaderSize) return;
  std::memcpy(FBlock.Memory() + offset, &value, sizeof value);
}

TTestIdent TTestUserAnswers::Ident() const {
  TTestIdent id{};
  if (FBlock.Size() >= kAnswersHeaderSize) std::memcpy(id.data(), FBlock.Memory(), id.size());
  return id;
}

void TTestUserAnswers::SetIdent(const TTestIdent& ident) {
  if (FBlock.Size() >= kAnswersHeaderSize) std::memcpy(FBlock.Memory(), ident.data(), ident.size());
}

void TTestUserAnswers::SetElapsedSeconds(int32_t Value) {
  SetField(offsetof(TUserAnswersRec, ElapsedSeconds), std::max(Value, 0));
}

void TTestUserAnswers::SetOptionCount(int32_t Count) {
  FBlock.SetSize(kAnswersHeaderSize + MarkBytes(Count));
  SetField(offsetof(TUserAnswersRec, OptionCount), Count);
}

bool TTestUserAnswers::Marked(int32_t Index) const {
  if (Index < 0 || Index >= OptionCount()) return false;
  return (FBlock.Memory()[kAnswersHeaderSize + Index / 8] >> (Index % 8)) & 1;
}

void TTestUserAnswers::SetMarked(int32_t Index, bool Value) {
  if (FReadOnly || Index < 0 || Index >= OptionCount()) return;
  uint8_t& byte = FBlock.Memory()[kAnswersHeaderSize + Index / 8];
  const uint8_t bit = uint8_t(1u << (Index % 8));
  byte = Value ? uint8_t(byte | bit) : uint8_t(byte & ~bit);
}

void TTestUserAnswers::Assign(const TTestUserAnswers& Source) {
  FBlock.SetSize(Source.FBlock.Size());
  if (FBlock.Size() > 0) std::memcpy(FBlock.Memory(), Source.FBlock.Memory(), FBlock.Size());
  FReadOnly = Source.FReadOnly;
  FUserName = Source.FUserName;
}

void TTestUserAnswers::LoadFromFile(const std::string& FileName) {
  ReadFile(FileName, false);
}

void TTestUserAnswers::ReadFile(const std::string& FileName, bool noFollow) {
  const int fd = OpenForReading(FileName, noFollow);
  if (fd < 0) throw EInOutError(FileName, errno);
  // The file is read whole in one go (a grading run reads thousands), but never more than the
  // largest answers file there can be: a record of 2^31 options and a name section.
  constexpr int64_t kLargestFile = kAnswersHeaderSize + (int64_t(1) << 28) + kMaxNameSection;
  struct stat st {};
  std::string bytes;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargestFile;
  if (ok) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  if (!ok) {
    SetOptionCount(0);
    throw ETestAnswers(kErrorReadingAnswers);
  }
  std::istringstream in(std::move(bytes));
  LoadFromStream(in);
}

void TTestUserAnswers::LoadFromStream(std::istream& Stream) {
  auto fail = [this] {
    SetOptionCount(0);
    throw ETestAnswers(kErrorReadingAnswers);
  };
  std::string head, marks;
  if (!ReadExactly(Stream, head, kAnswersHeaderSize)) fail();
  TUserAnswersRec rec;
  std::memcpy(&rec, head.data(), sizeof rec);
  const int32_t markBytes = MarkBytes(rec.OptionCount);
  if (!ReadExactly(Stream, marks, markBytes)) fail();
  FBlock.SetSize(kAnswersHeaderSize + markBytes);
  if (FBlock.Size() != kAnswersHeaderSize + markBytes) fail();
  std::memcpy(FBlock.Memory(), head.data(), head.size());
  if (markBytes > 0) std::memcpy(FBlock.Memory() + kAnswersHeaderSize, marks.data(), marks.size());
  FReadOnly = true;
  FUserName = ReadName(Stream, rec.NameSize);
}

void TTestUserAnswers::SaveToStream(std::ostream& Stream) {
  try {
    std::string name = TrimBlanksAndControls(FUserName);
    if (!name.empty()) name = CompressString(name);
    // A record never sized is written as a bare header of zeros.
    if (FBlock.Size() == 0) FBlock.SetSize(kAnswersHeaderSize);
    if (FBlock.Size() == 0) throw ETestAnswers(kErrorWritingAnswers);
    SetField(offsetof(TUserAnswersRec, NameSize), static_cast<int32_t>(name.size()));
    Stream.write(reinterpret_cast<const char*>(FBlock.Memory()), FBlock.Size());
    if (!name.empty()) Stream.write(name.data(), static_cast<std::streamsize>(name.size()));
    Stream.flush();
    if (!Stream) throw ETestAnswers(kErrorWritingAnswers);
  } catch (const ETestAnswers&) {
    throw;
  } catch (const std::exception&) {
    throw ETestAnswers(kErrorWritingAnswers);
  }
}

void TTestUserAnswers::WriteFile(const std::string& FileName) {
  std::ostringstream bytes;
  SaveToStream(bytes);
  // The work file is scratch in the private folder; a link put in its place is not followed.
  const int fd =
      ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw EInOutError(FileName, errno);
  // An existing file keeps its mode on open; answers are the student's alone.
  (void)::fchmod(fd, 0600);
  bool ok = WriteAndFlush(fd, bytes.str());
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(FileName.c_str());
    throw ETestAnswers(kErrorWritingAnswers);
  }
}

void TTestUserAnswers::SaveToFile(const std::string& FileName) {
  std::ostringstream bytes;
  SaveToStream(bytes);
  // Never truncates what is there: an earlier good file stays whole until the new one is.
  const TReplaceResult result = ReplaceFileAtomically(FileName, bytes.str());
  if (result.Status == TReplaceResult::NotCreated) throw EInOutError(FileName, result.Error);
  if (result.Status == TReplaceResult::NotWritten) throw ETestAnswers(kErrorWritingAnswers);
}

std::string TTestUserAnswers::BackupBaseName() const {
  const std::string dir = GetTempDir() + "Exam";
  // Another user's folder, or a link, could read or swap the student's answers.
  if (!EnsurePrivateFolder(dir)) throw ETestAnswers("the backup folder " + dir + " is not private");
  const TTestIdent id = Ident();
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | id[32 + i];
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", unsigned(value));
  const std::string s = GuidString(id.data()) + GuidString(id.data() + 16) + hex;
  uint8_t digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(s.data(), s.size(), digest, &length, EVP_md5(), nullptr) || length != 16) {
    throw ETestAnswers("MD5 is not available");
  }
  return dir + "/" + GuidString(digest);
}

void TTestUserAnswers::SaveBackup() {
  const std::string base = BackupBaseName();
  const std::string work = base + "~.tmp", backup = base + ".tmp";
  WriteFile(work);
  // The rename replaces the old backup in one step, so a whole backup exists at every moment;
  // flushing the folder keeps the rename through a power cut.
  if (::rename(work.c_str(), backup.c_str()) != 0) {
    const int error = errno;
    (void)::unlink(work.c_str());
    throw EInOutError(backup, error);
  }
  (void)SyncFolderOf(backup);
}

void TTestUserAnswers::RestoreBackup() {
  std::string base;
  try {
    base = BackupBaseName();
  } catch (const ETestAnswers&) {
    return;  // no private folder: no backup to trust
  }
  const std::string work = base + "~.tmp", backup = base + ".tmp";
  TTestUserAnswers scratch;
  bool fromWork = false;
  try {
    // Links are not followed: a backup is a file the program wrote itself.
    if (IsPlainFile(backup)) {
      scratch.ReadFile(backup, true);
    } else if (IsPlainFile(work)) {
      scratch.ReadFile(work, true);
      fromWork = true;
    } else {
      return;
    }
  } catch (const std::exception&) {
    return;
  }
  if (!SameTestIdent(scratch.Ident(), Ident()) || scratch.OptionCount() != OptionCount()) {
    throw ETestAnswers(kWrongUserAnswers);
  }
  Assign(scratch);
  // The next save truncates the work file first; keep this complete record under the main name.
  if (fromWork && ::rename(work.c_str(), backup.c_str()) == 0) (void)SyncFolderOf(backup);
}

bool TTestUserAnswers::MatchesLayout(const TTestAnswersLayout* Layout) const {
  if (Layout == nullptr || Layout->Image().Absent()) return false;
  return SameTestIdent(Ident(), GetTestIdent(Layout->Image())) &&
         Layout->TotalOptions() == OptionCount();
}
