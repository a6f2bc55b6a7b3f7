// The exam: states and notifications, the clock and the limit, the backup, sources and pages.
#include "Exam.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "CompressedStrings.h"
#include "ExamFixtures.h"
#include "TestImageBuilder.h"

using fixture::Level;
using fixture::Question;
using fixture::TestFile;
using fixture::Topic;

namespace {

// An exam on a manual clock, with a window stand-in that starts the exam when it becomes ready
// and records every notification.
struct Harness {
  examtest::TPrivateTempDir tmp;
  TExam exam;
  std::vector<std::string> events;
  bool startWhenReady = true;

  explicit Harness(bool keepBackup = true) : tmp(examtest::MemoryBackedDir()), exam(keepBackup) {
    exam.SetOnStateChange([this](TExam& e) {
      events.push_back("state" + std::to_string(e.State()));
      if (e.State() == esReady && startWhenReady) e.SetRunning(true);
    });
    exam.SetOnPageChange(
        [this](TExam& e) { events.push_back("page" + std::to_string(e.CurrentQuestion())); });
    exam.SetOnTick([this](TExam&) { events.push_back("tick"); });
  }
  TManualTimer& Clock() { return static_cast<TManualTimer&>(exam.Timer()); }
  void Open(const TTestSource& source) { exam.OpenTest(MemoryBlockOf(WriteTestImage(source))); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Clock().Fire();
  }
};

TEST(Exam, OpeningAndStartingNotifiesInOrder) {
  Harness h;
  h.Open(fixture::Uniform(3, 2));
  EXPECT_EQ(h.events, (std::vector<std::string>{"page0", "state1", "state2", "page0"}));
  EXPECT_EQ(h.exam.State(), esRunning);
  EXPECT_TRUE(h.exam.IsRunning());
  EXPECT_FALSE(h.exam.UserAnswers().ReadOnly());
  EXPECT_EQ(h.exam.UserAnswers().OptionCount(), 6);
  EXPECT_EQ(h.exam.UserAnswers().Ident(), fixture::Ident(1));
  EXPECT_EQ(h.exam.GetTitle(), "Uniform");
  EXPECT_EQ(h.exam.GetTopicName(), "Topic");
}

TEST(Exam, TheClockEndsTheExamOneSecondAfterTheLimit) {
  struct Case {
    int32_t minutes;
    int ticks;
    bool running;
  } cases[] = {
      {1, 60, true}, {1, 61, false}, {2, 120, true}, {2, 121, false}, {0, 500, true},
  };
  for (const auto& c : cases) {
    Harness h;
    h.Open(fixture::Uniform(1, 2, c.minutes));
    h.Ticks(c.ticks);
    EXPECT_EQ(h.exam.IsRunning(), c.running) << c.minutes << " min, " << c.ticks << " s";
    EXPECT_EQ(h.exam.State(), c.running ? esRunning : esFinished);
    EXPECT_EQ(h.exam.UserAnswers().ElapsedSeconds(), c.ticks);
    const double remaining = (c.minutes - c.ticks / 60.0) / 24 / 60;
    EXPECT_DOUBLE_EQ(h.exam.Remaining(), remaining);
    if (c.ticks == 60 * c.minutes) {
      EXPECT_EQ(h.exam.Remaining(), 0.0);
    }
  }
}

TEST(Exam, TicksWhileTheEndDialogIsOpenRepeatTheFinishedNotification) {
  Harness h;
  h.Open(fixture::Uniform(1, 2, 1));
  int finished = 0;
  // The window's end-of-time dialog runs a nested loop, in which the clock ticks again.
  h.exam.SetOnStateChange([&](TExam& e) {
    if (e.State() != esFinished) return;
    if (++finished == 1) h.Clock().Fire();
  });
  h.Ticks(61);
  EXPECT_EQ(finished, 2);
  EXPECT_FALSE(h.exam.IsRunning());
  EXPECT_EQ(h.exam.UserAnswers().ElapsedSeconds(), 62);
  h.Ticks(3);  // the timer is off
  EXPECT_EQ(h.exam.UserAnswers().ElapsedSeconds(), 62);
}

TEST(Exam, MarksChangeOnlyWhileRunning) {
  Harness h;
  h.startWhenReady = false;
  h.Open(fixture::Uniform(2, 3));
  ASSERT_EQ(h.exam.State(), esReady);
  h.exam.SetOptionMarked(0, true);
  EXPECT_FALSE(h.exam.OptionMarked(0));
  h.exam.SetRunning(true);
  h.exam.Next();
  h.exam.SetOptionMarked(0, true);
  h.exam.SetOptionMarked(5, true);  // beyond the question: ignored
  EXPECT_TRUE(h.exam.OptionMarked(0));
  EXPECT_TRUE(h.exam.UserAnswers().Marked(3));
  EXPECT_DOUBLE_EQ(h.exam.Score(3), 1.0);
  EXPECT_DOUBLE_EQ(h.exam.Score(0), 0.5);
  h.exam.SetRunning(false);
  h.exam.SetOptionMarked(1, true);
  EXPECT_FALSE(h.exam.OptionMarked(1));
  EXPECT_TRUE(h.exam.UserAnswers().ReadOnly());
}

TEST(Exam, TestsWithoutOptionsOrNoneAtAllAreNotOpen) {
  Harness h;
  h.Open(TestFile("t", {Topic("a", {Level(5, 1, {Question({}), Question({})})})}));
  EXPECT_EQ(h.exam.State(), esNoTest);
  EXPECT_FALSE(h.exam.HasTest());
  h.exam.SetRunning(true);
  EXPECT_FALSE(h.exam.IsRunning());

  h.Open(fixture::Uniform(2, 2));
  ASSERT_EQ(h.exam.State(), esRunning);
  h.exam.OpenTest(nullptr);
  EXPECT_EQ(h.exam.State(), esNoTest);
  EXPECT_EQ(h.exam.CurrentQuestion(), -1);
  EXPECT_EQ(h.exam.UserAnswers().OptionCount(), 0);
  EXPECT_EQ(h.exam.UserAnswers().Ident(), TTestIdent{});
  EXPECT_TRUE(h.exam.IsRunning());  // closing a test leaves the clock alone
}

TEST(Exam, ADamagedTestFileRaisesAndLeavesNoTest) {
  Harness h;
  std::string image = WriteTestImage(fixture::Uniform(2, 2));
  fixture::PatchWord(image, hwQuestionsEnd, 1 << 30);
  h.events.clear();
  EXPECT_THROW(h.exam.OpenTest(MemoryBlockOf(image)), ETestImage);
  EXPECT_FALSE(h.exam.HasTest());
  EXPECT_TRUE(h.events.empty());
}

TEST(Exam, NavigationAlwaysReportsThePage) {
  Harness h;
  h.Open(fixture::Uniform(3, 2));
  struct Step {
    void (TExam::*op)();
    int32_t expected;
  } steps[] = {{&TExam::Prior, 2},          {&TExam::Next, 0},  {&TExam::Last, 2},
               {&TExam::Next, 0},           {&TExam::First, 0}, {&TExam::NextUnanswered, 1},
               {&TExam::PriorUnanswered, 0}};
  for (const auto& s : steps) {
    h.events.clear();
    (h.exam.*s.op)();
    EXPECT_EQ(h.events, (std::vector<std::string>{"page" + std::to_string(s.expected)}));
  }
  // Every question full: the wrong-answer searches stay, and still report.
  for (int q = 0; q < 3; ++q) {
    h.exam.SetOptionMarked(0, true);
    h.exam.Next();
  }
  for (auto op : {&TExam::NextWrong, &TExam::PriorWrong}) {
    h.events.clear();
    (h.exam.*op)();
    EXPECT_EQ(h.events, (std::vector<std::string>{"page0"}));
  }
  Harness one;
  one.Open(fixture::Uniform(1, 2));
  for (auto op : {&TExam::Next, &TExam::Prior}) {
    one.events.clear();
    (one.exam.*op)();
    EXPECT_EQ(one.events, (std::vector<std::string>{"page0"}));
  }
}

TEST(Exam, TheBackupIsWrittenEachTickAndOnStop) {
  Harness h;
  h.Open(fixture::Uniform(2, 4, 5));
  h.exam.SetOptionMarked(1, true);
  h.Ticks(3);
  const std::string backup = h.exam.UserAnswers().BackupFileName();
  TTestUserAnswers onDisk;
  onDisk.LoadFromFile(backup);
  EXPECT_EQ(onDisk.ElapsedSeconds(), 3);
  EXPECT_TRUE(onDisk.Marked(1));
  // A mark in the last second before stopping still reaches the backup.
  h.exam.SetOptionMarked(2, true);
  h.exam.SetRunning(false);
  onDisk.LoadFromFile(backup);
  EXPECT_TRUE(onDisk.Marked(2));
  EXPECT_EQ(onDisk.ElapsedSeconds(), 3);

  Harness noBackup(false);
  noBackup.Open(fixture::Uniform(2, 4, 5));
  noBackup.Ticks(2);
  noBackup.exam.SetRunning(false);
  EXPECT_FALSE(std::filesystem::exists(noBackup.exam.UserAnswers().BackupFileName()));
}

TEST(Exam, ReopeningRestoresMarksAndTheClock) {
  Harness h;
  h.Open(fixture::Uniform(2, 4, 1));
  h.exam.SetOptionMarked(3, true);
  h.Ticks(50);
  // The program dies here; a new one opens the same test.
  Harness again;
  std::filesystem::rename(h.tmp.Path() / "Exam", again.tmp.Path() / "Exam");
  again.Open(fixture::Uniform(2, 4, 1));
  EXPECT_EQ(again.exam.State(), esRunning);
  EXPECT_EQ(again.exam.UserAnswers().ElapsedSeconds(), 50);
  EXPECT_TRUE(again.exam.OptionMarked(3));
  again.Ticks(10);
  EXPECT_TRUE(again.exam.IsRunning());
  again.Ticks(1);
  EXPECT_EQ(again.exam.State(), esFinished);
}

TEST(Exam, ABackupOfAnotherOptionCountRefusesTheOpen) {
  Harness h;
  h.Open(fixture::Uniform(2, 4));
  h.Ticks(1);
  h.exam.SetRunning(false);
  h.events.clear();
  // Same identity, one option more: the test was changed without a new identity.
  EXPECT_THROW(h.Open(fixture::Uniform(3, 3)), ETestAnswers);
  EXPECT_EQ(h.exam.State(), esFinished);
  EXPECT_TRUE(h.exam.HasTest());
  EXPECT_TRUE(h.events.empty());
}

TEST(Exam, TestAnswersOfAnotherIdentityAreDropped) {
  Harness h;
  h.Open(fixture::Uniform(2, 2));
  h.exam.SetOptionMarked(1, true);  // scores 0 in the test
  h.exam.SetRunning(false);
  TTestSource teacher = fixture::Uniform(2, 2);
  teacher.Ident = fixture::Ident(50);
  teacher.Topics[0].Levels[0].Questions[0] = Question({{"A)"}, {"B)", 1}});
  h.exam.OpenTestAnswers(MemoryBlockOf(WriteTestImage(teacher)));
  h.exam.Regrade();
  EXPECT_EQ(h.exam.TestAnswersMemory(), nullptr);
  EXPECT_DOUBLE_EQ(h.exam.Score(0), 0.0);
  EXPECT_TRUE(h.exam.OptionCorrect(0));

  teacher.Ident = fixture::Ident(1);
  h.exam.OpenTestAnswers(MemoryBlockOf(WriteTestImage(teacher)));
  h.exam.Regrade();
  EXPECT_NE(h.exam.TestAnswersMemory(), nullptr);
  EXPECT_DOUBLE_EQ(h.exam.Score(0), 0.5);
  EXPECT_FALSE(h.exam.OptionCorrect(0));
  EXPECT_TRUE(h.exam.OptionCorrect(1));
  EXPECT_EQ(h.exam.CurrentGrades().MarkedScore(1), 1.0);
}

TEST(Exam, UserAnswersAreTakenOnlyAfterTheExamAndOnlyWhenTheyMatch) {
  Harness h;
  h.Open(fixture::Uniform(2, 2));
  auto answers = [](int32_t options, uint8_t seed) {
    auto a = std::make_unique<TTestUserAnswers>();
    a->SetOptionCount(options);
    a->SetIdent(fixture::Ident(seed));
    a->SetMarked(0, true);
    a->SetReadOnly(true);
    return a;
  };
  auto early = answers(4, 1);
  h.exam.LoadUserAnswers(std::move(early));
  EXPECT_NE(early, nullptr);  // still the caller's
  EXPECT_FALSE(h.exam.OptionMarked(0));

  h.exam.SetRunning(false);
  for (auto [options, seed] : {std::pair{5, 1}, std::pair{3, 1}, std::pair{4, 2}}) {
    try {
      h.exam.LoadUserAnswers(answers(options, static_cast<uint8_t>(seed)));
      ADD_FAILURE() << options << "/" << seed << " taken";
    } catch (const ETestAnswers& e) {
      EXPECT_STREQ(e.what(), kWrongUserAnswers);
    }
    EXPECT_FALSE(h.exam.OptionMarked(0));
  }
  h.exam.LoadUserAnswers(answers(4, 1));
  h.exam.Regrade();
  EXPECT_TRUE(h.exam.OptionMarked(0));
  EXPECT_DOUBLE_EQ(h.exam.Score(0), 0.5);
}

TEST(Exam, GradesAndPageOnlyWhileRunningOrAfter) {
  TTestSource source = fixture::Uniform(2, 3);
  source.Topics[0].Levels[0].Questions[0].PagePicture =
      CompressString(examtest::MinimalEmf(21000, 29700));
  source.Topics[0].Levels[0].Questions[1].PagePicture = CompressString("not a metafile");
  Harness h;
  h.startWhenReady = false;
  h.Open(source);
  EXPECT_EQ(h.exam.CurrentGrades().Count(), 0);
  EXPECT_TRUE(h.exam.PagePicture().Empty());
  h.exam.SetRunning(true);
  EXPECT_EQ(h.exam.CurrentGrades().Count(), 3);
  EXPECT_EQ(h.exam.CurrentGrades().Caption(1), "B)");
  TMetafile& page = h.exam.PagePicture();
  EXPECT_EQ(page.Kind(), TMetafileKind::mkEnhanced);
  EXPECT_EQ(page.MMWidth(), 21000);
  EXPECT_EQ(page.MMHeight(), 29700);
  h.exam.Next();
  EXPECT_TRUE(h.exam.PagePicture().Empty());
}

TEST(Exam, ThePageFallsBackToTheTeachersFile) {
  TTestSource test = fixture::Uniform(1, 2);
  TTestSource teacher = test;
  teacher.Topics[0].Levels[0].Questions[0].PagePicture =
      CompressString(examtest::MinimalEmf(1000, 500));
  Harness h;
  h.Open(test);
  EXPECT_TRUE(h.exam.PagePicture().Empty());
  h.exam.OpenTestAnswers(MemoryBlockOf(WriteTestImage(teacher)));
  EXPECT_EQ(h.exam.PagePicture().MMWidth(), 1000);
}

TEST(Exam, ErrorsOfTheTickHandlerDoNotStopTheClock) {
  Harness h;
  h.Open(fixture::Uniform(1, 2, 10));
  h.exam.SetOnTick([](TExam&) { throw std::runtime_error("display failed"); });
  h.Ticks(5);
  EXPECT_TRUE(h.exam.IsRunning());
  EXPECT_EQ(h.exam.UserAnswers().ElapsedSeconds(), 5);
}

}  // namespace
