// The window meets bad files: each brings the retry dialog (or, for a crash backup, is ignored),
// nothing hangs, and a save that fails loses none of the student's answers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "ExamFixtures.h"
#include "TestImageBuilder.h"
#include "Unit1.h"
#include "UnitRetryCancelOpenTestDialog.h"

namespace fs = std::filesystem;

#include "MainWindowHarness.h"

namespace {

using namespace windowtest;

TTestSource TwoQuestions(bool key, uint8_t seed = 3) {
  const double s = key ? 1.0 : 0.0;
  std::vector<TQuestionSource> qs = {
      fixture::Question({{Cp("A) да"), s}, {Cp("B) нет")}}, 0, 0, examtest::MinimalEmf(21000, 29700)),
      fixture::Question({{Cp("1")}, {Cp("2"), s}}, 0, 1, examtest::MinimalEmf(21000, 29700)),
  };
  return fixture::TestFile(Cp("Физика"), {fixture::Topic(Cp("Механика"), {fixture::Level(10, 10.0, qs)})},
                           seed);
}

const std::vector<std::string> kRetryOnce = {"TRetryCancelOpenTestDialog"};

// Ends the running exam as a student does: "Окончить", then OK.
void Finish(Window& w) {
  w.dialogs.Then(Click("Button1"));
  w.Tool("tbStopExam")->click();
  ASSERT_EQ(w.Exam().State(), esFinished);
  w.dialogs.Shown.clear();
}

TEST(HostileFiles, EachBadFileBringsTheRetryDialogAndNothingHangs) {
  enum TWorkflow { kOpenTest, kLoadKey, kLoadAnswers };
  struct Case {
    const char* what;
    TWorkflow workflow;
    // Makes the bad file in the folder; returns its name, or "" with `skip` set.
    std::function<std::string(Window& w, std::string& skip)> make;
  };
  const Case cases[] = {
      {"a folder given as a test", kOpenTest,
       [](Window& w, std::string&) {
         fs::create_directory(w.tmp.Path() / "folder.tst");
         return std::string("folder.tst");
       }},
      {"a pipe given as a test (nobody writes to it)", kOpenTest,
       [](Window& w, std::string&) {
         ::mkfifo((w.tmp.Path() / "pipe.tst").c_str(), 0600);
         return std::string("pipe.tst");
       }},
      {"an unreadable test", kOpenTest,
       [](Window& w, std::string& skip) {
         if (::geteuid() == 0) skip = "root reads any file";
         w.Write("locked.tst", TwoQuestions(false));
         fs::permissions(w.tmp.Path() / "locked.tst", fs::perms::none);
         return std::string("locked.tst");
       }},
      {"a test cut short", kOpenTest,
       [](Window& w, std::string&) {
         const std::string bytes = WriteTestImage(TwoQuestions(false));
         examtest::WriteFile(w.tmp.Path() / "short.tst", bytes.substr(0, bytes.size() / 2));
         return std::string("short.tst");
       }},
      {"a file of 2 GiB", kOpenTest,
       [](Window& w, std::string&) {
         examtest::WriteFile(w.tmp.Path() / "huge.tst", WriteTestImage(TwoQuestions(false)));
         fs::resize_file(w.tmp.Path() / "huge.tst", uintmax_t{1} << 31);  // sparse
         return std::string("huge.tst");
       }},
      {"the key of another test", kLoadKey,
       [](Window& w, std::string&) {
         w.Write("other.tst-ans", TwoQuestions(true, 9));
         return std::string("other.tst-ans");
       }},
      {"a pipe given as the key", kLoadKey,
       [](Window& w, std::string&) {
         ::mkfifo((w.tmp.Path() / "pipe.tst-ans").c_str(), 0600);
         return std::string("pipe.tst-ans");
       }},
      {"the answers of another test", kLoadAnswers,
       [](Window& w, std::string&) {
         TTestUserAnswers other;
         other.SetOptionCount(4);
         other.SetIdent(fixture::Ident(9));
         other.SaveToFile((w.tmp.Path() / "other.tst-usr").string());
         return std::string("other.tst-usr");
       }},
      {"a pipe given as answers", kLoadAnswers,
       [](Window& w, std::string&) {
         ::mkfifo((w.tmp.Path() / "pipe.tst-usr").c_str(), 0600);
         return std::string("pipe.tst-usr");
       }},
      {"a folder given as answers", kLoadAnswers,
       [](Window& w, std::string&) {
         fs::create_directory(w.tmp.Path() / "folder.tst-usr");
         return std::string("folder.tst-usr");
       }},
  };
  for (const Case& c : cases) {
    Window w;
    std::string skip;
    const std::string bad = c.make(w, skip);
    if (!skip.empty()) {
      std::cout << "[ SKIPPED  ] " << c.what << ": " << skip << "\n";
      continue;
    }
    if (c.workflow == kOpenTest) {
      w.Start({});
      w.dialogs.Then(Click("CancelBtn"));
      w.files.Answers = {w.Path(bad.c_str())};
      w.Tool("tbStartExam")->click();
      EXPECT_EQ(w.Exam().State(), esNoTest) << c.what;
    } else {
      const QString test = w.Write("a.tst", TwoQuestions(false));
      w.Start({test});
      Finish(w);
      w.Key(Qt::Key_A, {}, "a");  // nothing is marked after the exam
      w.dialogs.Then(Click("OKBtn"));
      w.dialogs.Then(Click("CancelBtn"));
      w.files.Answers = {w.Path(bad.c_str())};
      w.Tool(c.workflow == kLoadKey ? "tbLoadCorrectAnswers" : "tbLoadUserAnswers")->click();
      EXPECT_EQ(w.Exam().State(), esFinished) << c.what;
      EXPECT_EQ(w.Clock(), QStringLiteral("0%")) << c.what;
      w.dialogs.Shown.erase(w.dialogs.Shown.begin());  // the warning before the file dialog
    }
    EXPECT_EQ(w.dialogs.Shown, kRetryOnce) << c.what;
  }
}

TEST(HostileFiles, ABadCrashBackupIsIgnoredOrRefusedAsItDeserves) {
  enum TOutcome { kFresh, kRefused };
  struct Case {
    const char* what;
    std::function<void(const TTestUserAnswers& good, const fs::path& backup)> spoil;
    TOutcome outcome;
  };
  const Case cases[] = {
      {"a truncated backup",
       [](const TTestUserAnswers&, const fs::path& backup) { fs::resize_file(backup, 30); },
       kFresh},
      {"a backup that is a link to a good one",
       [](const TTestUserAnswers&, const fs::path& backup) {
         const fs::path real = backup.parent_path().parent_path() / "elsewhere.tmp";
         fs::rename(backup, real);
         fs::create_symlink(real, backup);
       },
       kFresh},
      {"a backup with another option count",
       [](const TTestUserAnswers& good, const fs::path& backup) {
         TTestUserAnswers stale;
         stale.SetOptionCount(5);
         stale.SetIdent(good.Ident());
         stale.SaveToFile(backup.string());
       },
       kRefused},
  };
  for (const Case& c : cases) {
    Window w;
    const QString test = w.Write("a.tst", TwoQuestions(false));
    // A backup of this test: 40 seconds in, option 1 marked.
    TTestUserAnswers good;
    good.SetOptionCount(4);
    good.SetIdent(fixture::Ident(3));
    good.SetElapsedSeconds(40);
    good.SetMarked(1, true);
    good.SaveBackup();
    c.spoil(good, good.BackupFileName());
    w.Start({test});
    if (c.outcome == kFresh) {
      EXPECT_EQ(w.Exam().State(), esRunning) << c.what;
      EXPECT_EQ(w.Exam().UserAnswers().ElapsedSeconds(), 0) << c.what;
      EXPECT_FALSE(w.Exam().OptionMarked(1)) << c.what;
    } else {
      EXPECT_EQ(w.Exam().State(), esNoTest) << c.what;
      w.dialogs.Then(Click("CancelBtn"));
      w.files.Answers = {test};
      w.Tool("tbStartExam")->click();
      EXPECT_EQ(w.dialogs.Shown, kRetryOnce) << c.what;
    }
  }
}

TEST(HostileFiles, ASaveThatFailsBringsTheRetryDialogAndLosesNothing) {
  struct Case {
    const char* what;
    // Breaks the disk or the target; the earlier file, when there is one, is mine.tst-usr.
    std::function<void(Window& w, std::optional<examtest::TFailingDisk>& disk)> fault;
    bool earlierFileStays;
  };
  using examtest::TFailingDisk;
  const Case cases[] = {
      {"the disk fills during the write",
       [](Window&, auto& disk) { disk.emplace(TFailingDisk::TFault{20, ENOSPC, 0}); }, true},
      {"the device fails the flush",
       [](Window&, auto& disk) { disk.emplace(TFailingDisk::TFault{SIZE_MAX, 0, EIO}); }, true},
      {"the target is a folder",
       [](Window& w, auto&) {
         fs::remove(w.tmp.Path() / "saved" / "mine.tst-usr");
         fs::create_directory(w.tmp.Path() / "saved" / "mine.tst-usr");
       },
       false},
      {"the target is a link",
       [](Window& w, auto&) {
         fs::rename(w.tmp.Path() / "saved" / "mine.tst-usr", w.tmp.Path() / "saved" / "real");
         fs::create_symlink(w.tmp.Path() / "saved" / "real", w.tmp.Path() / "saved" / "mine.tst-usr");
       },
       false},
      {"the folder vanished", [](Window& w, auto&) { fs::remove_all(w.tmp.Path() / "saved"); },
       false},
  };
  for (const Case& c : cases) {
    Window w;
    const QString test = w.Write("a.tst", TwoQuestions(false));
    w.Start({test});
    w.Key(Qt::Key_B, {}, "b");
    w.Ticks(1);  // the backup holds the mark
    Finish(w);
    fs::create_directory(w.tmp.Path() / "saved");
    const fs::path target = w.tmp.Path() / "saved" / "mine.tst-usr";
    examtest::WriteFile(target, "an earlier save");
    const std::string backup = w.Exam().UserAnswers().BackupFileName();
    const std::string backupBytes = examtest::ReadFile(backup);

    std::optional<TFailingDisk> disk;
    c.fault(w, disk);
    const auto namesBefore = examtest::FolderNames(w.tmp.Path() / "saved");
    w.dialogs.Then(Click("OKBtn"));
    w.dialogs.Then([](QDialog& d) {
      d.findChild<QLineEdit*>("edUserName")->setText(QStringLiteral("Петров Пётр"));
      Press(d, "OKBtn");
    });
    w.dialogs.Then(Click("CancelBtn"));
    w.files.Answers = {QString::fromStdString(target.string())};
    w.Tool("tbSaveUserAnswers")->click();
    disk.reset();
    EXPECT_EQ(w.dialogs.Shown.back(), "TRetryCancelOpenTestDialog") << c.what;
    EXPECT_EQ(examtest::FolderNames(w.tmp.Path() / "saved"), namesBefore) << c.what;
    if (c.earlierFileStays) {
      EXPECT_EQ(examtest::ReadFile(target), "an earlier save") << c.what;
    }
    // The answers stay in memory and in the backup; a save elsewhere then succeeds.
    EXPECT_TRUE(w.Exam().OptionMarked(1)) << c.what;
    EXPECT_EQ(examtest::ReadFile(backup), backupBytes) << c.what;
    w.dialogs.Then(Click("OKBtn"));
    w.dialogs.Then(Click("OKBtn"));
    w.files.Answers = {w.Path("elsewhere.tst-usr")};
    w.Tool("tbSaveUserAnswers")->click();
    TTestUserAnswers saved;
    saved.LoadFromFile(w.Path("elsewhere.tst-usr").toStdString());
    EXPECT_TRUE(saved.Marked(1)) << c.what;
  }
}

}  // namespace
