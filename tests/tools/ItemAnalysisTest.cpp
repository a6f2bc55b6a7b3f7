// The classical item analysis of examtool grade --items, against figures worked out apart from
// the program, and the classes where a figure cannot be had.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <sstream>

#include "ExamFixtures.h"
#include "Grading.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;
using tooltest::RunTool;

namespace {

// The small test: question 1 (max 1; options 0-2, B right, C costs a point) and question 2
// (max 2; options 3-5, A and B right) in a level of weight 10, question 3 (max 1; options 6-7,
// A right) in a level of weight 30. One point is worth 100 x 10 / (3 x 40) % of the grade in
// questions 1 and 2, and 100 x 30 / (1 x 40) % in question 3.
class ItemAnalysis : public testing::Test {
 protected:
  void SetUp() override {
    tooltest::WriteSmallSource(Dir());
    const auto run = RunTool(Dir(), "make test.md");
    ASSERT_EQ(run.Exit, 0) << run.Err;
  }
  const fs::path& Dir() const { return FTmp.Path(); }

  // The class, one answers file per student with the options marked.
  void WriteClass(const std::vector<std::vector<int>>& marks) {
    fs::remove_all(Dir() / "class");
    fs::create_directory(Dir() / "class");
    const std::string test = examtest::ReadFile(Dir() / "test.tst");
    for (size_t s = 0; s < marks.size(); ++s) {
      tooltest::WriteAnswers(Dir() / "class" / (std::to_string(s + 10) + ".tst-usr"), test,
                             "Ученик", marks[s], 8);
    }
  }

  std::string Grade(const std::string& options) {
    const auto run = RunTool(Dir(), "grade test.tst-ans class " + options);
    EXPECT_EQ(run.Exit, 0) << run.Err;
    for (const char* junk : {"nan", "inf", "NaN"}) {
      EXPECT_EQ(run.Out.find(junk), std::string::npos) << options << ":\n" << run.Out;
    }
    return run.Out;
  }

  QJsonObject Json() {
    const std::string out = Grade("--format json --items");
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
    return doc.object();
  }

  examtest::TPrivateTempDir FTmp;
};

// The lines of the CSV section whose header is given, split at commas (no caption here has one).
std::vector<std::vector<std::string>> CsvSection(const std::string& csv,
                                                 const std::string& header) {
  std::vector<std::vector<std::string>> rows;
  size_t at = csv.find(std::string("\r\n").append(header).append("\r\n"));
  if (at == std::string::npos) return rows;
  at += header.size() + 4;
  for (size_t end; (end = csv.find("\r\n", at)) != std::string::npos && end > at; at = end + 2) {
    std::vector<std::string> cells;
    std::stringstream line(csv.substr(at, end - at));
    for (std::string cell; std::getline(line, cell, ',');) cells.push_back(cell);
    if (csv[end - 1] == ',') cells.push_back("");
    rows.push_back(cells);
  }
  return rows;
}

constexpr double kClose = 1e-9;

TEST_F(ItemAnalysis, FiguresOfASmallClassAreThoseComputedApart) {
  // Seven students; the figures below were computed once with numpy from these marks and the
  // scoring rules above (x: scores, c = x * w / (M * W) * 100, G = sum of c, R = G - c; ddof=1
  // variances; np.corrcoef for the options; the efficiency from np.sort of x and R), not by the
  // program. Scores per student: (1,2,1) (0,1,1) (1,1,0) (0,0,0) (1,1,1) (0,1,0) (1,2,0).
  WriteClass({{1, 3, 4, 6, 7},
              {0, 3, 6},
              {1, 3, 7},
              {0, 5, 7},
              {1, 4, 6, 7},
              {0, 2, 4, 5, 7},
              {1, 3, 4, 7}});
  const struct {
    double facility, sd, discrimination, efficiency;
    std::vector<double> correlations;
  } expected[] = {
      {57.14285714285714,
       53.45224838248488,
       24.779731389167598,
       30.769230769230766,
       {-0.24779731389167606, 0.24779731389167597, -0.3504383220252313}},
      {57.14285714285714,
       34.503277967117704,
       32.20644193264423,
       42.20183486238532,
       {0.2078916887428788, 0.2078916887428788, -0.613891476645538}},
      {42.857142857142854,
       53.45224838248487,
       24.019223070763054,
       29.999999999999975,
       {0.24019223070763057, 0.28306925853614906}},
  };
  const double cic = 16.961130742049473, errorRatio = 91.12566557120476,
               standardError = 39.42375938736442;

  const QJsonObject json = Json();
  const QJsonArray items = json["items"].toArray();
  ASSERT_EQ(items.size(), 3);
  for (int q = 0; q < 3; ++q) {
    const QJsonObject item = items[q].toObject();
    EXPECT_NEAR(item["facility"].toDouble(), expected[q].facility, kClose) << q;
    EXPECT_NEAR(item["sd"].toDouble(), expected[q].sd, kClose) << q;
    EXPECT_NEAR(item["discrimination_index"].toDouble(), expected[q].discrimination, kClose) << q;
    EXPECT_NEAR(item["discriminative_efficiency"].toDouble(), expected[q].efficiency, kClose) << q;
    const QJsonArray options = item["options"].toArray();
    ASSERT_EQ(size_t(options.size()), expected[q].correlations.size());
    for (qsizetype o = 0; o < options.size(); ++o) {
      EXPECT_NEAR(options[o].toObject()["correlation"].toDouble(), expected[q].correlations[o],
                  kClose)
          << q << " " << o;
    }
  }
  // Option B of question 3 is wrong, yet marked more by the stronger: the only flag here.
  EXPECT_EQ(items[0].toObject()["analysis_flags"].toArray(), QJsonArray());
  EXPECT_EQ(items[1].toObject()["analysis_flags"].toArray(), QJsonArray());
  EXPECT_EQ(items[2].toObject()["analysis_flags"].toArray(), QJsonArray({"positive_distractor"}));
  const QJsonObject summary = json["summary"].toObject();
  EXPECT_NEAR(summary["cic"].toDouble(), cic, kClose);
  EXPECT_NEAR(summary["error_ratio"].toDouble(), errorRatio, kClose);
  EXPECT_NEAR(summary["standard_error"].toDouble(), standardError, kClose);
  EXPECT_EQ(summary["reliability"].toString(), "unreliable");
  EXPECT_EQ(summary["mean"].toDouble(), 46.4) << "the fields that were there stay as they were";

  // The CSV carries the same figures at full precision, each in its column.
  const std::string csv = Grade("--format csv --items");
  const auto rows = CsvSection(csv,
                               "question,max_score,full_score_share,mean_score,discrimination,"
                               "facility,sd,discrimination_index,discriminative_efficiency");
  ASSERT_EQ(rows.size(), 3u) << csv;
  for (int q = 0; q < 3; ++q) {
    ASSERT_EQ(rows[q].size(), 9u);
    EXPECT_NEAR(std::stod(rows[q][5]), expected[q].facility, kClose);
    EXPECT_NEAR(std::stod(rows[q][6]), expected[q].sd, kClose);
    EXPECT_NEAR(std::stod(rows[q][7]), expected[q].discrimination, kClose);
    EXPECT_NEAR(std::stod(rows[q][8]), expected[q].efficiency, kClose);
  }
  const auto options = CsvSection(csv, "question,option,caption,right,marked,correlation");
  ASSERT_EQ(options.size(), 8u) << csv;
  EXPECT_EQ(options[7][2], "B) нет");
  EXPECT_NEAR(std::stod(options[7][5]), expected[2].correlations[1], kClose);
  const auto test =
      CsvSection(csv, "graded,mean,median,standard_deviation,cic,error_ratio,standard_error");
  ASSERT_EQ(test.size(), 1u) << csv;
  EXPECT_NEAR(std::stod(test[0][4]), cic, kClose);
  EXPECT_NEAR(std::stod(test[0][6]), standardError, kClose);

  // The table rounds them for people.
  const std::string table = Grade("--items");
  EXPECT_NE(table.find("57.1      53.5   24.8     30.8"), std::string::npos) << table;
  EXPECT_NE(table.find("Internal consistency (CIC): 17.0, unreliable"), std::string::npos) << table;
}

TEST_F(ItemAnalysis, FiguresThatWouldDivideByZeroAreUndefined) {
  using Figures = std::vector<std::optional<double>>;
  const struct {
    const char* name;
    std::vector<std::vector<int>> marks;
    Figures facility, sd;
    std::vector<bool> discrimination;  // defined, per question
    std::vector<bool> correlation;     // defined, per option
    std::optional<double> cic;
  } cases[] = {
      {"one student",
       {{1, 3, 6}},
       {100, 50, 100},
       {{}, {}, {}},
       {false, false, false},
       std::vector<bool>(8, false),
       {}},
      {"everyone right",
       {{1, 3, 4, 6}, {1, 3, 4, 6}, {1, 3, 4, 6}},
       {100, 100, 100},
       {0, 0, 0},
       {false, false, false},
       std::vector<bool>(8, false),
       {}},
      // Scores (1,2,0) (0,1,0) (1,0,0) (0,0,0) (1,1,0): by hand, V(x1) = 0.3, V(x2) = 0.7,
      // V(x1 + x2) = 1.3 (the grade is 100 / 12 of it), so alpha = 3/2 (1 - 1.0 / 1.3).
      {"a question nobody marked",
       {{1, 3, 4}, {0, 3}, {1}, {0, 5}, {1, 4}},
       {60, 40, 0},
       {100 * std::sqrt(0.3), 100 * std::sqrt(0.7) / 2, 0},
       {true, true, false},
       {true, true, false, true, true, true, false, false},
       100 * 1.5 * (1 - 1.0 / 1.3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteClass(c.marks);
    const QJsonObject json = Json();
    const QJsonArray items = json["items"].toArray();
    ASSERT_EQ(items.size(), 3);
    const std::string csv = Grade("--format csv --items");
    const auto rows = CsvSection(csv,
                                 "question,max_score,full_score_share,mean_score,discrimination,"
                                 "facility,sd,discrimination_index,discriminative_efficiency");
    ASSERT_EQ(rows.size(), 3u) << csv;
    int option = 0;
    for (int q = 0; q < 3; ++q) {
      const QJsonObject item = items[q].toObject();
      auto same = [&](const char* field, const std::optional<double>& figure, size_t column) {
        if (figure) {
          EXPECT_NEAR(item[field].toDouble(), *figure, kClose) << field << " " << q;
          EXPECT_NEAR(std::stod(rows[q].at(column)), *figure, kClose) << field << " " << q;
        } else {
          EXPECT_TRUE(item[field].isNull()) << field << " " << q;
          EXPECT_EQ(rows[q].at(column), "") << field << " " << q;
        }
      };
      same("facility", c.facility[q], 5);
      same("sd", c.sd[q], 6);
      for (const auto& [field, column] :
           {std::pair{"discrimination_index", 7}, std::pair{"discriminative_efficiency", 8}}) {
        EXPECT_EQ(item[field].isDouble(), c.discrimination[q]) << field << " " << q;
        EXPECT_EQ(rows[q].at(column).empty(), !c.discrimination[q]) << field << " " << q;
      }
      for (const auto& o : item["options"].toArray()) {
        EXPECT_EQ(o.toObject()["correlation"].isDouble(), c.correlation[option]) << option;
        ++option;
      }
    }
    const QJsonObject summary = json["summary"].toObject();
    if (c.cic) {
      EXPECT_NEAR(summary["cic"].toDouble(), *c.cic, kClose);
      EXPECT_EQ(summary["reliability"].toString(), "unreliable");
    } else {
      for (const char* field : {"cic", "error_ratio", "standard_error", "reliability"}) {
        EXPECT_TRUE(summary[field].isNull()) << field;
      }
      EXPECT_NE(Grade("--items").find("Internal consistency (CIC): —\n"), std::string::npos);
    }

    // The report shows a dash where the JSON has null, and never a made-up number.
    const auto report = RunTool(Dir(), "grade test.tst-ans class --report report.html");
    ASSERT_EQ(report.Exit, 0) << report.Err;
    const std::string html = examtest::ReadFile(Dir() / "report.html");
    for (const char* junk : {"nan", "inf"}) EXPECT_EQ(html.find(junk), std::string::npos);
    size_t dashes = 0, nulls = 0;
    for (size_t at = html.find("<td>—</td>"); at != std::string::npos;
         at = html.find("<td>—</td>", at + 1)) {
      ++dashes;
    }
    for (const auto& item : items) {
      for (const char* field :
           {"facility", "sd", "discrimination_index", "discriminative_efficiency"}) {
        nulls += item.toObject()[field].isNull();
      }
      for (const auto& o : item.toObject()["options"].toArray())
        nulls += o.toObject()["correlation"].isNull();
    }
    for (const char* field : {"cic", "error_ratio", "standard_error"})
      nulls += summary[field].isNull();
    EXPECT_EQ(dashes, nulls);
  }
}

// A question with more scores than a few: the efficiency then sorts the scores and the rest.
TEST_F(ItemAnalysis, AQuestionWithManyDifferentScores) {
  examtest::WriteFile(Dir() / "many.md",
                      "---\ntitle: T\n---\n# T\n## L {minutes=5 weight=10}\n### Q {max=31}\nT\n"
                      "- [x] A) a {marked=1}\n- [x] B) b {marked=2}\n- [x] C) c {marked=4}\n"
                      "- [x] D) d {marked=8}\n- [x] E) e {marked=16}\n### Q\nT\n- [x] A) y\n"
                      "- [ ] B) n\n");
  ASSERT_EQ(RunTool(Dir(), "make many.md").Exit, 0);
  fs::remove_all(Dir() / "class");
  fs::create_directory(Dir() / "class");
  // Student k scores 7k mod 32 on question 1 (20 different scores) and question 2 as below.
  const int second[] = {0, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 0, 0};
  const std::string test = examtest::ReadFile(Dir() / "many.tst");
  for (int k = 0; k < 20; ++k) {
    std::vector<int> marks;
    for (int bit = 0; bit < 5; ++bit) {
      if ((k * 7 % 32) >> bit & 1) marks.push_back(bit);
    }
    marks.push_back(second[k] ? 5 : 6);
    tooltest::WriteAnswers(Dir() / "class" / (std::to_string(k + 10) + ".tst-usr"), test, "Ученик",
                           marks, 7);
  }
  const auto run = RunTool(Dir(), "grade many.tst-ans class --format json --items");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  const QJsonArray items =
      QJsonDocument::fromJson(QByteArray::fromStdString(run.Out)).object()["items"].toArray();
  ASSERT_EQ(items.size(), 2);
  // Computed once with numpy as in the test above (one point is 100 x 10 / (32 x 10) %).
  const double expected[2][4] = {
      {49.354838709677416, 31.849707308432816, 13.18061674177928, 16.11185086551265},
      {65.0, 48.936048492959294, 13.180616741779279, 16.11185086551265}};
  for (int q = 0; q < 2; ++q) {
    const QJsonObject item = items[q].toObject();
    EXPECT_NEAR(item["facility"].toDouble(), expected[q][0], kClose) << q;
    EXPECT_NEAR(item["sd"].toDouble(), expected[q][1], kClose) << q;
    EXPECT_NEAR(item["discrimination_index"].toDouble(), expected[q][2], kClose) << q;
    EXPECT_NEAR(item["discriminative_efficiency"].toDouble(), expected[q][3], kClose) << q;
  }
}

// The verdict on the coefficient of internal consistency, on its two borders.
TEST(ItemAnalysisVerdict, InternalConsistencyIsJudgedAt64And75Percent) {
  // Two students, grades 0 and 10 (variance 50), two questions that count: the coefficient is
  // 200 x (1 - the sum of their variances / 50).
  TClassGrades grades;
  for (double g : {0.0, 10.0}) {
    grades.Students.emplace_back();
    grades.Students.back().Grade = g;
  }
  const struct {
    double partVariances;
    double cic;
    TReliability verdict;
  } cases[] = {
      {40.0, 40.0, TReliability::Unreliable},   {34.1, 63.6, TReliability::Unreliable},
      {33.9, 64.4, TReliability::Satisfactory}, {31.3, 74.8, TReliability::Satisfactory},
      {31.2, 75.2, TReliability::Good},         {60.0, -40.0, TReliability::Unreliable},
  };
  for (const auto& c : cases) {
    std::vector<TItemStatistics> items(3);
    items[0].GradePerPoint = items[1].GradePerPoint = 1;
    items[0].GradePartVariance = items[1].GradePartVariance = c.partVariances / 2;
    items[2].GradePartVariance = 1000;  // counts for nothing: GradePerPoint 0
    const TGradeSummary s = SummarizeGrades(grades, items);
    ASSERT_TRUE(s.InternalConsistency) << c.partVariances;
    EXPECT_NEAR(*s.InternalConsistency, c.cic, 1e-9);
    EXPECT_NEAR(*s.ErrorRatio, 100 * std::sqrt(1 - c.cic / 100), 1e-9);
    EXPECT_NEAR(*s.StandardError, *s.ErrorRatio / 100 * std::sqrt(50.0), 1e-9);
    EXPECT_EQ(s.Reliability, c.verdict) << c.partVariances;
  }
  EXPECT_FALSE(SummarizeGrades(grades).InternalConsistency) << "no items, no reliability";
}

}  // namespace
