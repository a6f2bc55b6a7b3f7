// examtool grade --report: the class report holds the very figures of --format json --items.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <regex>

#include "ExamFixtures.h"
#include "Grading.h"
#include "TestImageBuilder.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;
using tooltest::Quote;
using tooltest::RunTool;

namespace {

// The rows of the body of the table with the given id ("" when there is no such table).
std::vector<std::string> TableRows(const std::string& html, const std::string& id) {
  const size_t at = html.find("<table id=\"" + id + "\"");
  if (at == std::string::npos) return {};
  const size_t body = html.find("<tbody>", at), end = html.find("</table>", at);
  std::vector<std::string> rows;
  for (size_t row = html.find("<tr>", body); row < end; row = html.find("<tr>", row + 1)) {
    rows.push_back(html.substr(row, html.find("</tr>", row) - row));
  }
  return rows;
}

// The values of the <data> elements in a piece of the page, in order.
std::vector<double> DataValues(const std::string& html) {
  static const std::regex data("<data value=\"([^\"]*)\">");
  std::vector<double> values;
  for (std::sregex_iterator i(html.begin(), html.end(), data), end; i != end; ++i) {
    values.push_back(std::stod((*i)[1].str()));
  }
  return values;
}

// The demo test's questions and options, all of them.
constexpr int kDemoQuestions = 13;
constexpr int kDemoOptions = 50;

size_t Count(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

class ClassReport : public testing::Test {
 protected:
  const fs::path& Dir() const { return FTmp.Path(); }
  std::string Key() const { return examtest::ReadFile(fs::path(SAMPLES_DIR) / "demo.tst-ans"); }

  // The report's page and the JSON of the same class, both checked to have been written.
  std::pair<std::string, QJsonObject> ReportAndJson(const std::string& answers, int exit) {
    const std::string key = Quote(fs::path(SAMPLES_DIR) / "demo.tst-ans");
    const auto report = RunTool(Dir(), "grade " + key + " " + answers + " --report report.html");
    EXPECT_EQ(report.Exit, exit) << report.Err;
    const auto json = RunTool(Dir(), "grade " + key + " " + answers + " --format json --items");
    EXPECT_EQ(json.Exit, exit) << json.Err;
    EXPECT_EQ(json.Err, report.Err) << "both name the same bad files";
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.Out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.Out;
    return {examtest::ReadFile(Dir() / "report.html"), doc.object()};
  }

  examtest::TPrivateTempDir FTmp;
};

TEST_F(ClassReport, FiguresAreThoseOfJsonItems) {
  fs::create_directory(Dir() / "class");
  tooltest::WriteClass(Dir() / "class", Key(), 30, 7, 2);
  tooltest::WriteAnswers(Dir() / "class" / "zz.tst-usr", Key(), "<b>Хакер</b> & \"сын\"", {0}, kDemoOptions);
  examtest::WriteFile(Dir() / "class" / "junk.tst-usr", "not answers");
  tooltest::WriteAnswers(Dir() / "class" / "other.tst-usr", Key(), "Чужой", {0}, kDemoOptions, 77);
  const auto [html, json] = ReportAndJson("class", 1);

  const QJsonArray students = json["students"].toArray();
  const std::vector<std::string> rows = TableRows(html, "students");
  ASSERT_EQ(students.size(), 31);
  ASSERT_EQ(rows.size(), 31u);
  for (qsizetype s = 0; s < students.size(); ++s) {
    const QJsonObject student = students[s].toObject();
    std::vector<double> expected = {student["elapsed_seconds"].toDouble(),
                                    student["grade"].toDouble()};
    for (const auto& topic : student["topics"].toArray()) expected.push_back(topic.toDouble());
    EXPECT_EQ(DataValues(rows[s]), expected) << rows[s];
    EXPECT_NE(rows[s].find(student["file"].toString().toStdString()), std::string::npos);
  }
  EXPECT_NE(html.find("&lt;b&gt;Хакер&lt;/b&gt; &amp; &quot;сын&quot;"), std::string::npos);
  EXPECT_EQ(html.find("<b>Хакер"), std::string::npos) << "a student's name is text, not markup";

  const QJsonObject summary = json["summary"].toObject();
  std::vector<double> expectedSummary = {summary["graded"].toDouble(), summary["mean"].toDouble(),
                                         summary["median"].toDouble(),
                                         summary["standard_deviation"].toDouble()};
  std::vector<double> summaryValues;
  for (const auto& row : TableRows(html, "summary")) summaryValues.push_back(DataValues(row).at(0));
  EXPECT_EQ(summaryValues, expectedSummary);
  std::vector<double> histogram;
  for (const auto& row : TableRows(html, "histogram")) histogram.push_back(DataValues(row).at(0));
  std::vector<double> expectedHistogram;
  for (const auto& count : summary["histogram"].toArray())
    expectedHistogram.push_back(count.toDouble());
  EXPECT_EQ(histogram, expectedHistogram);

  const QJsonArray items = json["items"].toArray();
  const std::vector<std::string> itemRows = TableRows(html, "items");
  ASSERT_EQ(items.size(), kDemoQuestions);
  ASSERT_EQ(itemRows.size(), size_t(kDemoQuestions));
  const std::pair<const char*, const char*> flags[] = {
      {"too_hard", "слишком трудный"},
      {"too_easy", "слишком лёгкий"},
      {"negative_discrimination", "отрицательная дискриминация"}};
  int flagged = 0;
  for (qsizetype q = 0; q < items.size(); ++q) {
    const QJsonObject item = items[q].toObject();
    const std::vector<double> expected = {item["question"].toDouble(), item["max_score"].toDouble(),
                                          item["full_score_share"].toDouble(),
                                          item["mean_score"].toDouble(),
                                          item["discrimination"].toDouble()};
    EXPECT_EQ(DataValues(itemRows[q]), expected) << itemRows[q];
    const QJsonArray itemFlags = item["flags"].toArray();
    for (const auto& [flag, words] : flags) {
      EXPECT_EQ(itemFlags.contains(QString(flag)), itemRows[q].find(words) != std::string::npos)
          << flag << " in " << itemRows[q];
    }
    flagged += !itemFlags.isEmpty();

    // The distractor analysis of the question: its own table, one row per option.
    const size_t section = html.find("<h3 id=\"question-" + std::to_string(q + 1) + "\"");
    ASSERT_NE(section, std::string::npos);
    const std::string part = html.substr(section, html.find("</table>", section) - section);
    const QJsonArray options = item["options"].toArray();
    EXPECT_EQ(Count(part, "<tr><th scope=\"row\">"), size_t(options.size()));
    std::vector<double> counts, expectedCounts;
    for (const auto& option : options)
      expectedCounts.push_back(option.toObject()["marked"].toDouble());
    counts = DataValues(part);
    EXPECT_EQ(counts, expectedCounts) << part;
    int right = 0;
    for (const auto& option : options) right += option.toObject()["right"].toBool();
    EXPECT_EQ(Count(part, "✓ верный"), size_t(right));
  }
  EXPECT_TRUE(items[2].toObject()["flags"].toArray().contains(QString("negative_discrimination")))
      << "question 3 is answered right by the weaker half only";
  EXPECT_GT(flagged, 0);

  const std::vector<std::string> bad = TableRows(html, "bad-files");
  const QJsonArray badFiles = json["bad_files"].toArray();
  ASSERT_EQ(bad.size(), 2u);
  for (qsizetype b = 0; b < badFiles.size(); ++b) {
    const QJsonObject file = badFiles[b].toObject();
    EXPECT_NE(bad[b].find(file["file"].toString().toStdString()), std::string::npos) << bad[b];
    EXPECT_NE(bad[b].find(file["reason"].toString().toHtmlEscaped().toStdString()),
              std::string::npos)
        << bad[b];
  }

  // A page for people and screen readers, whole in itself.
  EXPECT_NE(html.find("<html lang=\"ru\">"), std::string::npos);
  EXPECT_EQ(Count(html, "<h1>"), 1u);
  EXPECT_EQ(Count(html, "<svg"), 2u + kDemoQuestions) << "histogram, questions, one per question's options";
  EXPECT_EQ(Count(html, "<svg role=\"img\""), Count(html, "<svg"));
  EXPECT_EQ(Count(html, "<svg"), Count(html, "<title>") - 1) << "every chart has a title";
  for (const char* outside : {" src=", "<link", "url(", "@import"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
}

TEST_F(ClassReport, ClassWithoutGradedWorkStillGetsAReport) {
  fs::create_directories(Dir() / "empty");
  fs::create_directories(Dir() / "unreadable");
  examtest::WriteFile(Dir() / "unreadable" / "junk.tst-usr", "not answers");
  tooltest::WriteAnswers(Dir() / "unreadable" / "short.tst-usr", Key(), "Короткий", {1}, 7);
  const struct {
    const char* answers;
    std::vector<std::string> reasons;
  } cases[] = {
      {"empty", {"the folder holds no .tst-usr files"}},
      {"unreadable", {"not a user-answers file", "the answers have 7 options, the key " + std::to_string(kDemoOptions)}},
  };
  for (const auto& c : cases) {
    fs::remove(Dir() / "report.html");
    const auto [html, json] = ReportAndJson(c.answers, 1);
    EXPECT_TRUE(json["summary"].toObject()["mean"].isNull()) << c.answers;
    EXPECT_NE(html.find("Ни одна работа не оценена"), std::string::npos) << c.answers;
    EXPECT_EQ(html.find("<svg"), std::string::npos) << "no charts of nothing: " << c.answers;
    EXPECT_TRUE(TableRows(html, "students").empty());
    const std::vector<std::string> bad = TableRows(html, "bad-files");
    ASSERT_EQ(bad.size(), c.reasons.size()) << c.answers;
    for (size_t i = 0; i < bad.size(); ++i) {
      EXPECT_NE(bad[i].find(c.reasons[i]), std::string::npos) << bad[i];
    }
  }
}

TEST_F(ClassReport, QuestionsTooEasyAndTooHardAreFlaggedInWords) {
  // Everybody marks the right option of question 1 and a wrong one of question 2.
  fs::create_directory(Dir() / "class");
  for (const char* name : {"a", "b", "c"}) {
    tooltest::WriteAnswers(Dir() / "class" / (std::string(name) + ".tst-usr"), Key(), name, {0, 6},
                           kDemoOptions);
  }
  const auto [html, json] = ReportAndJson("class", 0);
  const QJsonArray items = json["items"].toArray();
  const std::vector<std::string> rows = TableRows(html, "items");
  ASSERT_EQ(rows.size(), size_t(kDemoQuestions));
  EXPECT_EQ(items[0].toObject()["flags"].toArray(), QJsonArray({"too_easy"}));
  EXPECT_EQ(items[1].toObject()["flags"].toArray(), QJsonArray({"too_hard"}));
  EXPECT_NE(rows[0].find("слишком лёгкий"), std::string::npos) << rows[0];
  EXPECT_NE(rows[1].find("слишком трудный"), std::string::npos) << rows[1];
  EXPECT_EQ(rows[1].find("слишком лёгкий"), std::string::npos) << rows[1];
}

TEST(ClassSummary, MeanMedianDeviationAndHistogram) {
  TClassGrades grades;
  for (double g : {100.0, 8.3, 55.0, 60.0}) {
    grades.Students.emplace_back();
    grades.Students.back().Grade = g;
  }
  const TGradeSummary s = SummarizeGrades(grades);
  EXPECT_EQ(s.Graded, 4);
  EXPECT_DOUBLE_EQ(*s.Mean, 55.825);
  EXPECT_DOUBLE_EQ(*s.Median, 57.5);
  EXPECT_NEAR(*s.StandardDeviation, 32.5122, 1e-4) << "the population deviation";
  EXPECT_EQ(s.Histogram, (std::array<int32_t, 10>{1, 0, 0, 0, 0, 1, 1, 0, 0, 1}))
      << "a grade of 100 lands in the top tenth";
  EXPECT_FALSE(SummarizeGrades(TClassGrades{}).Mean.has_value());
}

}  // namespace
