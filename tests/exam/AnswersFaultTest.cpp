// The answers file and the crash backup when the disk or the folders fail: an earlier good file
// is never lost, nothing partial is left, and the backup goes only where nobody else can reach.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>

#include "ExamFixtures.h"
#include "FileHelpers.h"
#include "TestUserAnswers.h"

namespace fs = std::filesystem;

namespace {

// A record of `options` options with a few marks and a name: what a student has after an exam.
void Fill(TTestUserAnswers& a, int32_t options, uint8_t seed) {
  a.SetOptionCount(options);
  TTestIdent id{};
  id.fill(seed);
  a.SetIdent(id);
  for (int32_t i = seed % 3; i < options; i += 3) a.SetMarked(i, true);
  a.SetElapsedSeconds(seed * 10);
  a.SetUserName("Student " + std::to_string(seed));
}

std::string Saved(TTestUserAnswers& a) {
  std::ostringstream out;
  a.SaveToStream(out);
  return out.str();
}

// Sets or clears an environment variable for the object's lifetime.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~TScopedEnv() { FOld ? ::setenv(FName, FOld->c_str(), 1) : ::unsetenv(FName); }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

enum class TRaised { WritingError, OpenError };

TEST(AnswersSave, AFailedSaveKeepsTheEarlierFileAndLeavesNothingPartial) {
  struct Case {
    const char* what;
    // Breaks the disk or the folder; returns why the case cannot run here, or "".
    std::function<std::string(const fs::path& dir, const fs::path& target,
                              std::optional<examtest::TFailingDisk>& disk,
                              std::optional<examtest::TSmallDisk>& mount)>
        fault;
    TRaised raised;
    bool earlierFileStays;  // false where the fault removed the earlier file itself
  };
  using examtest::TFailingDisk;
  const Case cases[] = {
      {"the disk fills during the write",
       [](const fs::path&, const fs::path&, std::optional<TFailingDisk>& disk, auto&) {
         disk.emplace(TFailingDisk::TFault{100, ENOSPC, 0});
         return std::string();
       },
       TRaised::WritingError, true},
      {"the device fails the write",
       [](const fs::path&, const fs::path&, std::optional<TFailingDisk>& disk, auto&) {
         disk.emplace(TFailingDisk::TFault{0, EIO, 0});
         return std::string();
       },
       TRaised::WritingError, true},
      {"the device fails the flush",
       [](const fs::path&, const fs::path&, std::optional<TFailingDisk>& disk, auto&) {
         disk.emplace(TFailingDisk::TFault{SIZE_MAX, 0, EIO});
         return std::string();
       },
       TRaised::WritingError, true},
      {"the folder is read-only",
       [](const fs::path& dir, const fs::path& target, std::optional<TFailingDisk>&,
          std::optional<examtest::TSmallDisk>& mount) {
         if (::geteuid() != 0) {
           fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
           return std::string();
         }
         // Root writes into any folder: a read-only file system it is.
         const std::string earlier = examtest::ReadFile(target);
         fs::remove(target);
         mount.emplace(dir, 64 * 1024);
         if (!mount->Mounted()) return mount->Why();
         examtest::WriteFile(target, earlier);
         return mount->MakeReadOnly() ? std::string() : std::string("remount failed");
       },
       TRaised::OpenError, true},
      {"the folder vanished",
       [](const fs::path& dir, const fs::path&, std::optional<TFailingDisk>&, auto&) {
         fs::remove_all(dir);
         return std::string();
       },
       TRaised::OpenError, false},
      {"the target is a folder",
       [](const fs::path&, const fs::path& target, std::optional<TFailingDisk>&, auto&) {
         fs::remove(target);
         fs::create_directory(target);
         return std::string();
       },
       TRaised::OpenError, false},
      {"the target is a link to the earlier file",
       [](const fs::path& dir, const fs::path& target, std::optional<TFailingDisk>&, auto&) {
         fs::rename(target, dir / "earlier.tst-usr");
         fs::create_symlink(dir / "earlier.tst-usr", target);
         return std::string();
       },
       TRaised::OpenError, false},
  };
  for (const Case& c : cases) {
    examtest::TPrivateTempDir tmp;
    const fs::path dir = tmp.Path() / "answers";
    fs::create_directory(dir);
    const fs::path target = dir / "ivanov.tst-usr";
    TTestUserAnswers earlier, now;
    Fill(earlier, 40, 1);
    earlier.SaveToFile(target.string());
    const std::string earlierBytes = Saved(earlier);
    Fill(now, 4000, 2);  // larger than the earlier record: a truncated write would show
    const std::string nowBytes = Saved(now);

    std::optional<examtest::TFailingDisk> disk;
    std::optional<examtest::TSmallDisk> mount;
    const std::string skip = c.fault(dir, target, disk, mount);
    if (!skip.empty()) {
      std::cout << "[ SKIPPED  ] " << c.what << ": " << skip << "\n";
      continue;
    }
    const auto namesBefore = examtest::FolderNames(dir);
    try {
      now.SaveToFile(target.string());
      ADD_FAILURE() << c.what << ": the save reported success";
    } catch (const ETestAnswers& e) {
      EXPECT_EQ(c.raised, TRaised::WritingError) << c.what;
      EXPECT_STREQ(e.what(), kErrorWritingAnswers) << c.what;
    } catch (const EInOutError&) {
      EXPECT_EQ(c.raised, TRaised::OpenError) << c.what;
    }
    disk.reset();
    fs::permissions(tmp.Path(), fs::perms::owner_all);
    std::error_code ignored;  // a read-only mount keeps its mode
    if (fs::exists(dir)) fs::permissions(dir, fs::perms::owner_all, ignored);
    // Nothing new in the folder, the earlier file whole, the answers still in memory.
    EXPECT_EQ(examtest::FolderNames(dir), namesBefore) << c.what;
    if (c.earlierFileStays) {
      EXPECT_EQ(examtest::ReadFile(target), earlierBytes) << c.what;
    }
    if (fs::is_symlink(target)) {
      EXPECT_EQ(examtest::ReadFile(dir / "earlier.tst-usr"), earlierBytes) << c.what;
    }
    EXPECT_EQ(Saved(now), nowBytes) << c.what;
    mount.reset();
  }
}

TEST(AnswersSave, AFullDiskKeepsTheEarlierFile) {
  examtest::TPrivateTempDir tmp;
  const fs::path dir = tmp.Path() / "stick";
  examtest::TSmallDisk stick(dir, 16 * 1024);
  if (!stick.Mounted()) GTEST_SKIP() << stick.Why();
  const fs::path target = dir / "ivanov.tst-usr";
  TTestUserAnswers earlier, now;
  Fill(earlier, 40, 1);
  earlier.SaveToFile(target.string());
  Fill(now, 200000, 2);  // 25 KB of marks: more than the disk holds
  try {
    now.SaveToFile(target.string());
    ADD_FAILURE() << "the save reported success on a full disk";
  } catch (const ETestAnswers& e) {
    EXPECT_STREQ(e.what(), kErrorWritingAnswers);
  }
  EXPECT_EQ(examtest::FolderNames(dir), std::vector<std::string>{"ivanov.tst-usr"});
  EXPECT_EQ(examtest::ReadFile(target), Saved(earlier));
  // Once there is room (a smaller record), the same name saves.
  Fill(now, 400, 3);
  now.SaveToFile(target.string());
  EXPECT_EQ(examtest::ReadFile(target), Saved(now));
}

TEST(AnswersSave, TheFileSizeLimitIsAFailedWriteThatLeavesNothing) {
  examtest::TPrivateTempDir tmp;
  const fs::path file = tmp.Path() / "answers.tst-usr";
  TTestUserAnswers a;
  a.SetOptionCount(800);  // 148 bytes: more than the file size limit below
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool raised = false;
  try {
    a.SaveToFile(file.string());
  } catch (const ETestAnswers& e) {
    raised = std::string(e.what()) == kErrorWritingAnswers;
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(raised);
  EXPECT_TRUE(examtest::FolderNames(tmp.Path()).empty());
}

TEST(AnswersBackup, TheBackupFolderIsUsedOnlyWhenItIsTheStudentsAlone) {
  struct Case {
    const char* what;
    std::function<std::string(const fs::path& exam, const fs::path& elsewhere)> prepare;
    bool used;
  };
  const Case cases[] = {
      {"missing: created owner-only", [](const fs::path&, const fs::path&) { return ""; }, true},
      {"a link to a private folder",
       [](const fs::path& exam, const fs::path& elsewhere) {
         fs::create_directory(elsewhere);
         fs::permissions(elsewhere, fs::perms::owner_all);
         fs::create_directory_symlink(elsewhere, exam);
         return "";
       },
       false},
      {"writable by the group",
       [](const fs::path& exam, const fs::path&) {
         fs::create_directory(exam);
         fs::permissions(exam, fs::perms::owner_all | fs::perms::group_all);
         return "";
       },
       false},
      {"writable by everybody, as /tmp is",
       [](const fs::path& exam, const fs::path&) {
         fs::create_directory(exam);
         fs::permissions(exam, fs::perms::all | fs::perms::sticky_bit);
         return "";
       },
       false},
      {"another user's",
       [](const fs::path& exam, const fs::path&) -> std::string {
         if (::geteuid() != 0) return "only root can give a folder to another user";
         fs::create_directory(exam);
         fs::permissions(exam, fs::perms::owner_all);
         if (::chown(exam.c_str(), 65534, 65534) != 0) return "chown failed";
         return "";
       },
       false},
  };
  for (const Case& c : cases) {
    examtest::TPrivateTempDir tmp;
    const fs::path exam = tmp.Path() / "Exam", elsewhere = tmp.Path() / "elsewhere";
    if (const std::string skip = c.prepare(exam, elsewhere); !skip.empty()) {
      std::cout << "[ SKIPPED  ] " << c.what << ": " << skip << "\n";
      continue;
    }
    TTestUserAnswers a;
    Fill(a, 8, 4);
    if (c.used) {
      a.SaveBackup();
      EXPECT_EQ(examtest::FileMode(exam), 0700u) << c.what;
      EXPECT_EQ(examtest::ReadFile(a.BackupFileName()), Saved(a)) << c.what;
      continue;
    }
    EXPECT_THROW(a.SaveBackup(), ETestAnswers) << c.what;
    EXPECT_TRUE(examtest::FolderNames(exam).empty()) << c.what;
    // A backup planted there under the test's own name is not restored either.
    fs::path name;
    {
      examtest::TPrivateTempDir safe;
      name = fs::path(a.BackupFileName()).filename();
    }
    a.SaveToFile((exam / name).string());
    TTestUserAnswers fresh;
    Fill(fresh, 8, 4);
    fresh.SetElapsedSeconds(0);
    EXPECT_NO_THROW(fresh.RestoreBackup()) << c.what;
    EXPECT_EQ(fresh.ElapsedSeconds(), 0) << c.what;
    fs::remove_all(exam);
  }
}

TEST(AnswersBackup, WithoutTmpdirTheBackupLivesInTheUsersStateFolder) {
  examtest::TPrivateTempDir tmp;
  struct Case {
    const char* what;
    const char* stateHome;  // relative to the test folder; null: unset
    const char* expectedFolder;
  } cases[] = {
      {"XDG_STATE_HOME given", "state", "state/Exam"},
      {"XDG_STATE_HOME not absolute: ignored", "", "home/.local/state/Exam"},
      {"XDG_STATE_HOME unset: ~/.local/state", nullptr, "home/.local/state/Exam"},
  };
  for (const Case& c : cases) {
    const std::string home = (tmp.Path() / "home").string();
    const std::string state = c.stateHome && *c.stateHome ? (tmp.Path() / c.stateHome).string()
                              : c.stateHome               ? std::string("relative/state")
                                                          : std::string();
    TScopedEnv noTmp("TMPDIR", nullptr), homeVar("HOME", home.c_str()),
        stateVar("XDG_STATE_HOME", c.stateHome ? state.c_str() : nullptr);
    TTestUserAnswers a;
    Fill(a, 8, 5);
    a.SaveBackup();
    const fs::path folder = tmp.Path() / c.expectedFolder;
    EXPECT_EQ(fs::path(a.BackupFileName()).parent_path(), folder) << c.what;
    EXPECT_EQ(examtest::ReadFile(a.BackupFileName()), Saved(a)) << c.what;
    // Every folder the program made on the way is owner-only.
    for (fs::path p = folder; p != tmp.Path(); p = p.parent_path())
      EXPECT_EQ(examtest::FileMode(p), 0700u) << c.what << ": " << p;
    fs::remove_all(tmp.Path() / "home");
    fs::remove_all(tmp.Path() / "state");
  }
}

}  // namespace

namespace {

TEST(AnswersSave, KilledInTheMiddleOfASaveTheFileIsOneWholeRecordOrTheOther) {
  examtest::TPrivateTempDir tmp;
  const fs::path target = tmp.Path() / "ivanov.tst-usr";
  TTestUserAnswers first, second;
  Fill(first, 3000, 1);
  Fill(second, 60000, 2);  // 7.5 KB: a write the kill can land inside
  first.SaveToFile(target.string());
  const std::string firstBytes = Saved(first), secondBytes = Saved(second);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> life(0, 20000);  // microseconds
  int sawFirst = 0, sawSecond = 0;
  for (int run = 0; run < 200; ++run) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        try {
          (i % 2 ? first : second).SaveToFile(target.string());
        } catch (...) {
          ::_exit(3);
        }
      }
    }
    ::usleep(static_cast<useconds_t>(life(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run << ": the saving child failed";
    const std::string now = examtest::ReadFile(target);
    ASSERT_TRUE(now == firstBytes || now == secondBytes) << "run " << run << ": " << now.size()
                                                         << " bytes of neither record";
    (now == firstBytes ? sawFirst : sawSecond)++;
  }
  // A kill mid-write can leave the new file it was writing, under a hidden name; never the
  // target's name.
  for (const auto& name : examtest::FolderNames(tmp.Path())) {
    const bool hidden = name.rfind(".ivanov.tst-usr.", 0) == 0;
    EXPECT_TRUE(name == "ivanov.tst-usr" || hidden) << name;
  }
  std::cout << "[ FIGURES  ] 200 kills: first record " << sawFirst << ", second " << sawSecond
            << "\n";
}

}  // namespace
