// User answers: the record, the user-answers file with hostile inputs, and the crash backup.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <sstream>

#include "CompressedStrings.h"
#include "ExamFixtures.h"
#include "TestUserAnswers.h"

namespace fs = std::filesystem;
using examtest::Le32;

namespace {

TTestIdent IdentOf(uint8_t seed) {
  TTestIdent id{};
  for (size_t i = 0; i < id.size(); ++i) id[i] = static_cast<uint8_t>(seed ? seed + i : 0);
  return id;
}

std::string Bytes(const TTestUserAnswers& a) {
  return {reinterpret_cast<const char*>(a.Data()), static_cast<size_t>(a.RecSize())};
}

std::string Saved(TTestUserAnswers& a) {
  std::ostringstream out;
  a.SaveToStream(out);
  return out.str();
}

void LoadBytes(TTestUserAnswers& a, const std::string& bytes) {
  std::istringstream in(bytes);
  a.LoadFromStream(in);
}

// The file a record should give: the header fields, the marks, then the name section.
std::string ExpectedFile(const TTestIdent& id, int32_t elapsed, int32_t count,
                         const std::string& marks, const std::string& nameSection) {
  return std::string(id.begin(), id.end()) + Le32(elapsed) + Le32(count) +
         Le32(static_cast<int32_t>(nameSection.size())) + marks + nameSection;
}

TEST(UserAnswers, MarkBitsLieWhereTheFormatPutsThem) {
  struct Case {
    int32_t options;
    int32_t option;  // marked, then located
    int32_t recSize;
    int32_t byte;
    uint8_t bit;
  } cases[] = {
      {1, 0, 49, 48, 0x01},
      {8, 7, 49, 48, 0x80},
      {9, 8, 50, 49, 0x01},
      {16, 10, 50, 49, 0x04},
      {1500, 1499, 48 + 188, 48 + 187, 0x08},
  };
  for (const auto& c : cases) {
    TTestUserAnswers a;
    a.SetOptionCount(c.options);
    EXPECT_EQ(a.RecSize(), c.recSize) << c.options;
    a.SetMarked(c.option, true);
    EXPECT_TRUE(a.Marked(c.option));
    const std::string rec = Bytes(a);
    for (int32_t i = 48; i < c.recSize; ++i) {
      EXPECT_EQ(uint8_t(rec[i]), i == c.byte ? c.bit : 0) << c.options << " byte " << i;
    }
    a.SetMarked(c.option, false);
    EXPECT_FALSE(a.Marked(c.option));
  }
  TTestUserAnswers none;
  none.SetOptionCount(0);
  EXPECT_EQ(none.RecSize(), 48);
}

TEST(UserAnswers, MarksOutsideTheRangeOrReadOnlyDoNotChange) {
  TTestUserAnswers a;
  a.SetOptionCount(9);
  const std::string before = Bytes(a);
  for (int32_t bad : {-1, 9, 100}) {
    a.SetMarked(bad, true);
    EXPECT_FALSE(a.Marked(bad));
  }
  a.SetReadOnly(true);
  a.SetMarked(3, true);
  EXPECT_FALSE(a.Marked(3));
  EXPECT_EQ(Bytes(a), before);
  a.SetElapsedSeconds(-5);
  EXPECT_EQ(a.ElapsedSeconds(), 0);
}

TEST(UserAnswers, AnUnsizedRecordReadsAsZerosAndIgnoresWrites) {
  TTestUserAnswers a;
  a.SetMarked(0, true);
  a.SetElapsedSeconds(7);
  a.SetIdent(IdentOf(3));
  EXPECT_FALSE(a.Marked(0));
  EXPECT_EQ(a.ElapsedSeconds(), 0);
  EXPECT_EQ(a.OptionCount(), 0);
  EXPECT_EQ(a.Ident(), TTestIdent{});
}

TEST(UserAnswers, SetOptionCountClearsTheRecordButKeepsNameAndReadOnly) {
  TTestUserAnswers a;
  a.SetOptionCount(4);
  a.SetIdent(IdentOf(5));
  a.SetMarked(2, true);
  a.SetElapsedSeconds(33);
  a.SetUserName("Name");
  a.SetReadOnly(true);
  a.SetOptionCount(12);
  EXPECT_EQ(a.Ident(), TTestIdent{});
  EXPECT_EQ(a.ElapsedSeconds(), 0);
  EXPECT_EQ(a.OptionCount(), 12);
  EXPECT_FALSE(a.Marked(2));
  EXPECT_TRUE(a.ReadOnly());
  EXPECT_EQ(a.UserName(), "Name");
}

TEST(UserAnswers, FileIsRecordThenCompressedTrimmedName) {
  struct Case {
    const char* what;
    std::string name;
    std::string stored;  // the name after trimming; empty: no name section
  } cases[] = {
      {"no name", "", ""},
      {"blanks only", " \t \r\n", ""},
      // cp1251 "Иванов И.И." with blanks and control characters around it
      {"trimmed cp1251 name", "\x01  \xC8\xE2\xE0\xED\xEE\xE2 \xC8.\xC8.\t\r\n",
       "\xC8\xE2\xE0\xED\xEE\xE2 \xC8.\xC8."},
  };
  for (const auto& c : cases) {
    TTestUserAnswers a;
    a.SetOptionCount(10);
    a.SetIdent(IdentOf(7));
    a.SetElapsedSeconds(125);
    a.SetMarked(0, true);
    a.SetMarked(9, true);
    a.SetUserName(c.name);
    const std::string section = c.stored.empty() ? "" : CompressString(c.stored);
    const std::string file = Saved(a);
    EXPECT_EQ(file, ExpectedFile(IdentOf(7), 125, 10, std::string("\x01\x02", 2), section))
        << c.what;
    EXPECT_EQ(a.NameSize(), static_cast<int32_t>(section.size())) << c.what;

    TTestUserAnswers b;
    b.SetUserName("previous");
    LoadBytes(b, file);
    EXPECT_EQ(b.UserName(), c.stored) << c.what;
    EXPECT_TRUE(b.ReadOnly());
    EXPECT_EQ(Bytes(b), file.substr(0, 50));
  }
}

TEST(UserAnswers, TruncatedFilesFailAndLeaveABareHeader) {
  TTestUserAnswers a;
  a.SetOptionCount(20);
  a.SetIdent(IdentOf(2));
  const std::string file = Saved(a);  // 48 + 3 bytes
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"inside the header", file.substr(0, 47)},
      {"inside the marks", file.substr(0, 50)},
      {"marks of a huge count missing", ExpectedFile(IdentOf(2), 0, INT32_MAX, "abc", "")},
  };
  for (const auto& c : cases) {
    TTestUserAnswers b;
    b.SetUserName("kept");
    try {
      LoadBytes(b, c.bytes);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const ETestAnswers& e) {
      EXPECT_STREQ(e.what(), kErrorReadingAnswers) << c.what;
    }
    EXPECT_EQ(b.RecSize(), 48) << c.what;
    EXPECT_EQ(Bytes(b), std::string(48, '\0')) << c.what;
    EXPECT_EQ(b.UserName(), "kept") << c.what;
  }
}

TEST(UserAnswers, HostileNameSectionsLoadWithAnEmptyName) {
  const std::string marks("\x05", 1);
  std::string longName = CompressString(std::string(kMaxUserName + 1, 'x'));
  std::string claimsHuge = Le32(200 << 20) + CompressString("abc").substr(4);
  struct Case {
    const char* what;
    int32_t nameSize;
    std::string section;
  } cases[] = {
      {"size beyond the file", 1 << 30, CompressString("Ann")},
      {"size beyond the name cap", kMaxNameSection + 1, std::string(kMaxNameSection + 1, 'z')},
      {"negative size", -4, CompressString("Ann")},
      {"does not decompress", 12, "\x03\0\0\0garbage!"},
      {"plain length claims 200 MiB", static_cast<int32_t>(claimsHuge.size()), claimsHuge},
      {"inflates beyond the name cap", static_cast<int32_t>(longName.size()), longName},
      {"shorter than its length word", 2, "\x03\0"},
  };
  for (const auto& c : cases) {
    std::string file =
        std::string(36, '\x11') + Le32(3) + Le32(5) + Le32(c.nameSize) + marks + c.section;
    TTestUserAnswers b;
    LoadBytes(b, file);
    EXPECT_EQ(b.UserName(), "") << c.what;
    EXPECT_EQ(b.OptionCount(), 5) << c.what;
    EXPECT_TRUE(b.Marked(0) && b.Marked(2) && !b.Marked(1)) << c.what;
  }
}

TEST(UserAnswers, WriteFailuresRaiseTheWritingError) {
  TTestUserAnswers a;
  a.SetOptionCount(3);
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  try {
    a.SaveToStream(broken);
    ADD_FAILURE() << "saved into a failed stream";
  } catch (const ETestAnswers& e) {
    EXPECT_STREQ(e.what(), kErrorWritingAnswers);
  }
  EXPECT_THROW(a.SaveToFile("/nonexistent-folder/x.tst-usr"), EInOutError);
  EXPECT_THROW(a.LoadFromFile("/nonexistent-folder/x.tst-usr"), EInOutError);
}

TEST(UserAnswers, SavedFilesAreTheOwnersAlone) {
  examtest::TPrivateTempDir tmp;
  const fs::path file = tmp.Path() / "answers.tst-usr";
  examtest::WriteFile(file, "old and longer content than the record");
  fs::permissions(file, fs::perms::all);
  TTestUserAnswers a;
  a.SetOptionCount(1);
  a.SaveToFile(file.string());
  EXPECT_EQ(examtest::FileMode(file), 0600u);
  EXPECT_EQ(examtest::ReadFile(file), Saved(a));
}

TEST(UserAnswersBackup, NameFollowsTheMd5OfTheIdentity) {
  examtest::TPrivateTempDir tmp;
  struct Case {
    uint8_t seed;
    const char* guid;
  } cases[] = {
      {0, "{40D1B2FC-45D0-F35C-4B55-7B433017F5DE}"},
      {1, "{BAF475B3-FBFC-843F-B76D-2BECDAF62DB4}"},
  };
  for (const auto& c : cases) {
    TTestUserAnswers a;
    a.SetOptionCount(1);
    a.SetIdent(IdentOf(c.seed));
    const std::string base = (tmp.Path() / "Exam" / c.guid).string();
    EXPECT_EQ(a.BackupBaseName(), base);
    EXPECT_EQ(a.BackupFileName(), base + ".tmp");
    EXPECT_EQ(a.BackupWorkFileName(), base + "~.tmp");
  }
  EXPECT_EQ(examtest::FileMode(tmp.Path() / "Exam"), 0700u);
}

TEST(UserAnswersBackup, SaveLeavesOneOwnerOnlyBackupAndNoWorkFile) {
  examtest::TPrivateTempDir tmp;
  TTestUserAnswers a;
  a.SetOptionCount(5);
  a.SetIdent(IdentOf(9));
  a.SetMarked(4, true);
  a.SetElapsedSeconds(61);
  a.SetUserName("Ann");
  a.SaveBackup();
  a.SetMarked(4, false);
  a.SaveBackup();  // replaces the previous one
  EXPECT_EQ(examtest::ReadFile(a.BackupFileName()), Saved(a));
  EXPECT_FALSE(fs::exists(a.BackupWorkFileName()));
  EXPECT_EQ(examtest::FileMode(a.BackupFileName()), 0600u);
}

TEST(UserAnswersBackup, RestoreChoosesTheFileAndChecksIt) {
  enum Expect { kRestored, kUnchanged, kWrong };
  struct Case {
    const char* what;
    int32_t mainOptions;  // 0: no ".tmp" file
    int32_t workOptions;  // 0: no "~.tmp" file
    bool truncateMain;
    uint8_t identSeed;  // of the files' content
    Expect expect;
    int32_t restoredElapsed;
  } cases[] = {
      {"both present: the .tmp wins", 6, 6, false, 4, kRestored, 100},
      {"only the work file", 0, 6, false, 4, kRestored, 200},
      {"none", 0, 0, false, 4, kUnchanged, 0},
      {"another option count", 7, 0, false, 4, kWrong, 0},
      {"another identity under this name", 6, 0, false, 5, kWrong, 0},
      {"a truncated backup is ignored", 6, 6, true, 4, kUnchanged, 0},
  };
  for (const auto& c : cases) {
    examtest::TPrivateTempDir tmp;
    TTestUserAnswers own;
    own.SetOptionCount(6);
    own.SetIdent(IdentOf(4));
    auto write = [&](const std::string& path, int32_t options, int32_t elapsed) {
      TTestUserAnswers b;
      b.SetOptionCount(options);
      b.SetIdent(IdentOf(c.identSeed));
      b.SetElapsedSeconds(elapsed);
      b.SetMarked(elapsed / 100, true);
      b.SetUserName("Backup" + std::to_string(elapsed));
      b.SaveToFile(path);
    };
    if (c.mainOptions) write(own.BackupFileName(), c.mainOptions, 100);
    if (c.workOptions) write(own.BackupWorkFileName(), c.workOptions, 200);
    if (c.truncateMain) fs::resize_file(own.BackupFileName(), 45);
    try {
      own.RestoreBackup();
      EXPECT_NE(c.expect, kWrong) << c.what;
    } catch (const ETestAnswers& e) {
      EXPECT_EQ(c.expect, kWrong) << c.what;
      EXPECT_STREQ(e.what(), kWrongUserAnswers) << c.what;
    }
    EXPECT_EQ(own.ElapsedSeconds(), c.restoredElapsed) << c.what;
    EXPECT_EQ(own.ReadOnly(), c.expect == kRestored) << c.what;
    if (c.expect == kRestored) {
      EXPECT_TRUE(own.Marked(c.restoredElapsed / 100)) << c.what;
      EXPECT_EQ(own.UserName(), "Backup" + std::to_string(c.restoredElapsed)) << c.what;
      // The restored record now lies under the main name, safe from the next work file.
      EXPECT_TRUE(fs::exists(own.BackupFileName())) << c.what;
    } else {
      EXPECT_EQ(own.Ident(), IdentOf(4)) << c.what;
      EXPECT_EQ(own.OptionCount(), 6) << c.what;
      EXPECT_EQ(own.UserName(), "") << c.what;
    }
  }
}

TEST(UserAnswersBackup, ABackupLinkIsNotFollowed) {
  examtest::TPrivateTempDir tmp;
  const fs::path victim = tmp.Path() / "victim";
  examtest::WriteFile(victim, "keep me");
  TTestUserAnswers a;
  a.SetOptionCount(2);
  fs::create_symlink(victim, a.BackupWorkFileName());
  EXPECT_THROW(a.SaveBackup(), EInOutError);
  EXPECT_EQ(examtest::ReadFile(victim), "keep me");
}

}  // namespace
