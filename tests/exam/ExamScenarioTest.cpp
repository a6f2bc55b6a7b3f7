// A whole exam headless: open from disk, mark, tick, stop, save, grade with the teacher's file.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "CompressedStrings.h"
#include "Exam.h"
#include "ExamFixtures.h"
#include "TestImageBuilder.h"

namespace fs = std::filesystem;
using examtest::Le32;
using fixture::Level;
using fixture::Question;
using fixture::TestFile;
using fixture::Topic;

namespace {

// Topic 1: three questions of A/B/C, weight 10; topic 2: two questions of A/B, weight 30.
// The handed-out test carries no scores; the teacher's file marks the right options.
TTestSource Source(bool withScores) {
  auto q = [withScores](int options, int right) {
    std::vector<fixture::Option> o;
    for (int i = 0; i < options; ++i) {
      o.push_back({std::string(1, char('A' + i)) + ")", withScores && i == right ? 1.0 : 0.0});
    }
    return Question(o, 0, 0, examtest::MinimalEmf(21000, 29700));
  };
  TTestSource s = TestFile("\xD2\xE5\xF1\xF2",  // "Тест" in cp1251
                           {Topic("One", {Level(10, 10, {q(3, 0), q(3, 1), q(3, 2)})}),
                            Topic("Two", {Level(5, 30, {q(2, 0), q(2, 1)})})},
                           42);
  return s;
}

TEST(ExamScenario, FromOpeningToRegrade) {
  examtest::TPrivateTempDir tmp;
  const fs::path testFile = tmp.Path() / "exam.tst", teacherFile = tmp.Path() / "exam.tst-ans";
  const fs::path answersFile = tmp.Path() / "mine.tst-usr";
  examtest::WriteFile(testFile, WriteTestImage(Source(false)));
  examtest::WriteFile(teacherFile, WriteTestImage(Source(true)));

  TExam exam(true);
  int finished = 0;
  exam.SetOnStateChange([&](TExam& e) {
    if (e.State() == esReady) e.SetRunning(true);
    if (e.State() == esFinished) ++finished;
  });
  std::string remaining;
  exam.SetOnTick([&](TExam& e) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", e.Remaining() * 24 * 60);
    remaining = text;
  });
  exam.OpenTest(std::make_unique<TVFMem>(testFile.string()));
  ASSERT_EQ(exam.State(), esRunning);
  EXPECT_EQ(exam.TimeLimit(), 15);
  EXPECT_EQ(exam.PagePicture().Kind(), TMetafileKind::mkEnhanced);
  auto& clock = static_cast<TManualTimer&>(exam.Timer());

  // Right, wrong, right; right, wrong: options 0, 3, 8, 9, 11 of 13.
  const int marks[] = {0, 0, 2, 0, 0};
  for (int q = 0; q < 5; ++q) {
    exam.SetOptionMarked(marks[q], true);
    clock.Fire();
    exam.Next();
  }
  EXPECT_EQ(remaining, "14.916667");
  const TTestIdent id = fixture::Ident(42);
  const std::string head(id.begin(), id.end());
  const std::string markBytes = "\x09\x0B";
  const std::string backupFile = exam.UserAnswers().BackupFileName();
  EXPECT_EQ(examtest::ReadFile(backupFile), head + Le32(5) + Le32(13) + Le32(0) + markBytes);
  std::vector<fs::path> backups(fs::directory_iterator(tmp.Path() / "Exam"), {});
  EXPECT_EQ(backups, std::vector<fs::path>{backupFile});
  EXPECT_EQ(examtest::FileMode(backupFile), 0600u);
  EXPECT_EQ(examtest::FileMode(tmp.Path() / "Exam"), 0700u);
  EXPECT_DOUBLE_EQ(exam.Score(0), 0.0);  // the handed-out test scores nothing

  exam.SetRunning(false);
  EXPECT_EQ(finished, 1);
  exam.UserAnswers().SetUserName("  \xCF\xE5\xF2\xF0\xEE\xE2 \xCF.\xCF. ");  // "Петров П.П."
  exam.UserAnswers().SaveToFile(answersFile.string());
  const std::string name = CompressString("\xCF\xE5\xF2\xF0\xEE\xE2 \xCF.\xCF.");
  EXPECT_EQ(examtest::ReadFile(answersFile),
            head + Le32(5) + Le32(13) + Le32(static_cast<int32_t>(name.size())) + markBytes + name);
  EXPECT_EQ(examtest::FileMode(answersFile), 0600u);

  exam.OpenTestAnswers(std::make_unique<TVFMem>(teacherFile.string()));
  exam.Regrade();
  ASSERT_NE(exam.TestAnswersMemory(), nullptr);
  // Topic 1: 10 x 2/3; topic 2: 30 x 1/2; of 40.
  const double grade = (10.0 * 2 / 3 + 15) / 40;
  EXPECT_DOUBLE_EQ(exam.Score(0), grade);
  char shown[16];
  std::snprintf(shown, sizeof shown, "%0.1f%%", exam.Score(0) * 100);
  EXPECT_STREQ(shown, "54.2%");
  exam.First();
  exam.NextWrong();
  EXPECT_EQ(exam.CurrentQuestion(), 1);
  EXPECT_TRUE(exam.OptionCorrect(1));
  EXPECT_FALSE(exam.OptionCorrect(0));
  exam.NextWrong();
  EXPECT_EQ(exam.CurrentQuestion(), 4);

  // The saved file, loaded back after the exam, grades the same.
  auto loaded = std::make_unique<TTestUserAnswers>();
  loaded->LoadFromFile(answersFile.string());
  exam.LoadUserAnswers(std::move(loaded));
  exam.Regrade();
  EXPECT_DOUBLE_EQ(exam.Score(0), grade);
  EXPECT_EQ(exam.UserAnswers().UserName(), "\xCF\xE5\xF2\xF0\xEE\xE2 \xCF.\xCF.");
  EXPECT_TRUE(exam.UserAnswers().ReadOnly());
  // The teacher's and the student's files are read, never written.
  EXPECT_EQ(examtest::ReadFile(teacherFile), WriteTestImage(Source(true)));
  EXPECT_EQ(examtest::ReadFile(testFile), WriteTestImage(Source(false)));
}

}  // namespace
