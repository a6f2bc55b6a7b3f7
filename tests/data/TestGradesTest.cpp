// Grade records: reading, the maximum score and the check-box rule.
#include <gtest/gtest.h>

#include "TestGrades.h"

namespace {

TGrades Load(double max, int32_t multi, std::vector<TAnswerGrade> items) {
  TGrades g;
  g.LoadFromString(SaveGradesToString(max, 0, multi, items));
  return g;
}

TEST(Grades, ReadsWhatWasWritten) {
  TGrades g;
  g.LoadFromString(SaveGradesToString(2.5, 77, 1, {{"A) один", 1, 0}, {"", -0.5, 0.25}}));
  ASSERT_EQ(g.Count(), 2);
  EXPECT_EQ(g.StoredMaxScore(), 2.5);
  EXPECT_EQ(g.Reserved(), 77);
  EXPECT_EQ(g.StoredMultiSelect(), 1);
  EXPECT_EQ(g.Caption(0), "A) один");
  EXPECT_EQ(g.MarkedScore(1), -0.5);
  EXPECT_EQ(g.UnmarkedScore(1), 0.25);
  for (int32_t bad : {-1, 2}) {
    EXPECT_EQ(g.Caption(bad), "");
    EXPECT_EQ(g.MarkedScore(bad), 0.0);
    EXPECT_EQ(g.UnmarkedScore(bad), 0.0);
  }
}

TEST(Grades, MaxScoreAndMultiSelectRules) {
  struct Case {
    const char* name;
    double max;
    int32_t multi;
    std::vector<TAnswerGrade> items;
    double expectedMax;
    int32_t expectedMulti;
  } cases[] = {
      {"empty", 0, 0, {}, 0, 0},
      {"sum of option maxima", 0, 0, {{"a", 2, 0}, {"b", 0, 1}, {"c", -1, -3}}, 3, -1},
      {"declared maximum wins", 5, 0, {{"a", 4, 0}, {"b", 4, 0}}, 5, -1},
      {"negative declared maximum falls back", -2, 0, {{"a", 4, 0}}, 4, 0},
      {"one scoring option: radio", 0, 0, {{"a", 1, 0}, {"b", 0, 0}}, 1, 0},
      {"one scoring option, flag set: check boxes", 0, 1, {{"a", 1, 0}, {"b", 0, 0}}, 1, 1},
      {"unmarked score counts for multi-select", 0, 0, {{"a", 1, 0}, {"b", 0, 2}}, 3, -1},
  };
  for (const auto& c : cases) {
    TGrades g = Load(c.max, c.multi, c.items);
    EXPECT_DOUBLE_EQ(g.MaxScore(), c.expectedMax) << c.name;
    EXPECT_EQ(g.MultiSelect(), c.expectedMulti) << c.name;
  }
}

TEST(Grades, ShortRecordsReadAsZeros) {
  const std::string full = SaveGradesToString(3, 0, 0, {{"A", 1, 0}, {"B", 2, 0}});
  TGrades g;
  g.LoadFromString("");
  EXPECT_EQ(g.Count(), 0);
  EXPECT_EQ(g.MaxScore(), 0.0);
  EXPECT_EQ(g.MultiSelect(), 0);

  g.LoadFromString(full.substr(0, full.size() - 8));  // last unmarked score cut off
  ASSERT_EQ(g.Count(), 2);
  EXPECT_EQ(g.MarkedScore(1), 2.0);
  EXPECT_EQ(g.UnmarkedScore(1), 0.0);

  const std::string one = SaveGradesToString(0, 0, 0, {{"A", 1, 0}});
  g.LoadFromString(one.substr(0, 20 + 4 + 1 + 3));  // cut inside the only option's score
  ASSERT_EQ(g.Count(), 1);
  EXPECT_EQ(g.Caption(0), "A");
  EXPECT_EQ(g.MarkedScore(0), 0.0);

  g.LoadFromString(full + "trailing bytes are ignored");
  EXPECT_EQ(g.Count(), 2);
}

// More options than the bytes can hold (beyond one cut-off entry) is damage, not a short record:
// refusing it keeps a tiny record from demanding gigabytes.
TEST(Grades, ImpossibleOptionCountsAreRefused) {
  for (int32_t count : {-1, 3, 1000, INT32_MAX}) {
    std::string rec = SaveGradesToString(1, 0, 0, {{"A", 1, 0}});
    for (int i = 0; i < 4; ++i) rec[16 + i] = static_cast<char>((uint32_t(count) >> (8 * i)) & 0xFF);
    TGrades g;
    EXPECT_THROW(g.LoadFromString(rec), EGradeRecord) << count;
    EXPECT_EQ(g.Count(), 0) << count;
  }
}

TEST(Grades, SetCountKeepsFirstOptions) {
  TGrades g = Load(0, 0, {{"A", 1, 0}, {"B", 2, 0}});
  g.SetCount(3);
  EXPECT_EQ(g.Caption(1), "B");
  EXPECT_EQ(g.Caption(2), "");
  g.SetCount(1);
  EXPECT_EQ(g.Count(), 1);
  EXPECT_EQ(g.Caption(0), "A");
}

}  // namespace
