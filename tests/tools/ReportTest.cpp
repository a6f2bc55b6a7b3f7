// examtool grade --report: the class report holds the very figures of --format json --items.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <regex>
#include <set>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "Grading.h"
#include "TestImageBuilder.h"
#include "TestUserAnswers.h"
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
  // Every flag of the JSON, in either list, is a remark in words in the question's row.
  const struct {
    const char* list;
    const char* flag;
    const char* words;
  } flags[] = {
      {"flags", "negative_discrimination", "отрицательная дискриминация"},
      {"analysis_flags", "low_facility", "слишком трудный"},
      {"analysis_flags", "high_facility", "слишком лёгкий"},
      {"analysis_flags", "weak_discrimination", "слабо отличает сильных от слабых"},
      {"analysis_flags", "negative_discrimination_index", "работает против теста"},
      {"analysis_flags", "positive_distractor", "сильные выбирают неверный"},
  };
  int flagged = 0, distractors = 0;
  for (qsizetype q = 0; q < items.size(); ++q) {
    const QJsonObject item = items[q].toObject();
    std::vector<double> expected;
    for (const char* figure :
         {"question", "max_score", "full_score_share", "mean_score", "discrimination", "facility",
          "sd", "discrimination_index", "discriminative_efficiency"}) {
      ASSERT_TRUE(item[figure].isDouble()) << figure << " of a class of 31 is a number";
      expected.push_back(item[figure].toDouble());
    }
    EXPECT_EQ(DataValues(itemRows[q]), expected) << itemRows[q];
    for (const auto& f : flags) {
      EXPECT_EQ(item[f.list].toArray().contains(QString(f.flag)),
                itemRows[q].find(f.words) != std::string::npos)
          << f.flag << " in " << itemRows[q];
    }
    flagged += !item["analysis_flags"].toArray().isEmpty();

    // The distractor analysis of the question: its own table, one row per option.
    const size_t section = html.find("<h3 id=\"question-" + std::to_string(q + 1) + "\"");
    ASSERT_NE(section, std::string::npos);
    const std::string part = html.substr(section, html.find("</table>", section) - section);
    const QJsonArray options = item["options"].toArray();
    EXPECT_EQ(Count(part, "<tr><th scope=\"row\">"), size_t(options.size()));
    std::vector<double> expectedFigures;
    for (const auto& option : options) {
      expectedFigures.push_back(option.toObject()["marked"].toDouble());
      const QJsonValue correlation = option.toObject()["correlation"];
      if (!correlation.isNull()) expectedFigures.push_back(correlation.toDouble());
      const bool positive = !option.toObject()["right"].toBool() && correlation.toDouble() > 0;
      EXPECT_EQ(
          positive,
          itemRows[q].find(
              "«" + QString(option.toObject()["caption"].toString()).toHtmlEscaped().toStdString() +
              "»") != std::string::npos)
          << "the remark names the distractor the stronger students mark: " << itemRows[q];
      distractors += positive;
    }
    EXPECT_EQ(DataValues(part), expectedFigures) << part;
    int right = 0;
    for (const auto& option : options) right += option.toObject()["right"].toBool();
    EXPECT_EQ(Count(part, "✓ верный"), size_t(right));
  }
  const QJsonObject reversed = items[2].toObject();
  EXPECT_TRUE(reversed["flags"].toArray().contains(QString("negative_discrimination")))
      << "question 3 is answered right by the weaker half only";
  EXPECT_TRUE(
      reversed["analysis_flags"].toArray().contains(QString("negative_discrimination_index")));
  EXPECT_LT(reversed["discrimination_index"].toDouble(), 0);
  EXPECT_GT(flagged, 0);
  EXPECT_GT(distractors, 0);

  // The test's reliability: its figures as in the JSON's summary, and the verdict in words.
  std::vector<double> reliability;
  for (const auto& row : TableRows(html, "reliability-figures"))
    reliability.push_back(DataValues(row).at(0));
  EXPECT_EQ(reliability,
            (std::vector<double>{summary["cic"].toDouble(), summary["error_ratio"].toDouble(),
                                 summary["standard_error"].toDouble()}));
  const std::map<QString, std::string> verdicts = {
      {"unreliable", "тест ненадёжен"}, {"satisfactory", "удовлетворительно"}, {"good", "хорошо"}};
  ASSERT_TRUE(verdicts.count(summary["reliability"].toString()))
      << summary["reliability"].toString().toStdString();
  EXPECT_NE(TableRows(html, "reliability-figures")
                .at(0)
                .find(verdicts.at(summary["reliability"].toString())),
            std::string::npos);

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
  EXPECT_EQ(items[0].toObject()["analysis_flags"].toArray(), QJsonArray({"high_facility"}));
  EXPECT_EQ(items[1].toObject()["analysis_flags"].toArray(), QJsonArray({"low_facility"}))
      << "the same answers from all: no discrimination to judge";
  EXPECT_NE(rows[0].find("слишком лёгкий"), std::string::npos) << rows[0];
  EXPECT_NE(rows[1].find("слишком трудный"), std::string::npos) << rows[1];
  EXPECT_EQ(rows[1].find("слишком лёгкий"), std::string::npos) << rows[1];
}

// Answers whose stored name is exactly the given text: the program trims blanks and control
// characters off a name it saves, a hostile file need not.
void WriteAnswersNamed(const fs::path& path, const std::string& key, const std::string& name) {
  tooltest::WriteAnswers(path, key, "", {0}, kDemoOptions);
  std::string bytes = examtest::ReadFile(path);
  const std::string section = CompressString(Utf8ToCp1251(name).Text);
  const int32_t size = static_cast<int32_t>(section.size());
  bytes.replace(offsetof(TUserAnswersRec, NameSize), sizeof size,
                reinterpret_cast<const char*>(&size), sizeof size);
  examtest::WriteFile(path, bytes + section);
}

// A name or file name typed to do harm: each output keeps it as text. CSV guards the cells a
// spreadsheet would run as a formula; JSON keeps it exactly; the report escapes it.
TEST_F(ClassReport, HostileNamesStayTextInEveryOutput) {
  const struct {
    const char* name;
    const char* csvCell;
  } names[] = {
      {R"c(=HYPERLINK("http://x","y"))c", R"c("'=HYPERLINK(""http://x"",""y"")")c"},
      {R"c(@SUM(1+1)*cmd|"/C calc"!A0)c", R"c("'@SUM(1+1)*cmd|""/C calc""!A0")c"},
      {"+7 900 123-45-67", "'+7 900 123-45-67"},
      {"-2+3", "'-2+3"},
      {"\t=1+1", "'\t=1+1"},
      {"\r=1+1", "\"'\r=1+1\""},
      {"Сидоров = Пётр", "Сидоров = Пётр"},
      {"'=уже с апострофом", "'=уже с апострофом"},
      {R"(<b>Хакер</b> & "сын" 'x')", R"("<b>Хакер</b> & ""сын"" 'x'")"},
      {"</script><script>alert(1)</script>", "</script><script>alert(1)</script>"},
  };
  fs::create_directory(Dir() / "class");
  for (size_t i = 0; i < std::size(names); ++i) {
    WriteAnswersNamed(Dir() / "class" / (std::to_string(i) + ".tst-usr"), Key(),
                      names[i].name);
  }
  // File names that are markup or a formula; "x<" + "/script>.tst-usr" closes a script element.
  fs::create_directory(Dir() / "x<");
  const struct {
    const char* file;
    const char* csvCell;
  } files[] = {{"x</script>.tst-usr", "x</script>.tst-usr"},
               {"=1+1 & \"q\".tst-usr", R"("'=1+1 & ""q"".tst-usr")"}};
  for (const auto& f : files) tooltest::WriteAnswers(Dir() / f.file, Key(), "Файл", {0}, kDemoOptions);
  const std::string answers = std::string("class ") + Quote("x<") + " " + Quote(files[1].file);
  const std::string key = Quote(fs::path(SAMPLES_DIR) / "demo.tst-ans");

  const auto csv = RunTool(Dir(), "grade " + key + " " + answers + " --format csv --items");
  ASSERT_EQ(csv.Exit, 0) << csv.Err;
  for (const auto& n : names) {
    EXPECT_NE(csv.Out.find(std::string(",").append(n.csvCell).append(",75,")), std::string::npos)
        << n.name << " as " << n.csvCell << " in\n"
        << csv.Out;
  }
  for (const auto& f : files) {
    EXPECT_NE(csv.Out.find(std::string("\r\n").append(f.csvCell).append(",Файл,")), std::string::npos)
        << f.file << " as " << f.csvCell << " in\n"
        << csv.Out;
  }

  const auto [html, json] = ReportAndJson(answers, 0);
  const QJsonArray students = json["students"].toArray();
  ASSERT_EQ(students.size(), qsizetype(std::size(names) + std::size(files)));
  std::set<std::string> jsonNames, jsonFiles;
  for (const auto& s : students) {
    jsonNames.insert(s.toObject()["name"].toString().toStdString());
    jsonFiles.insert(s.toObject()["file"].toString().toStdString());
  }
  for (const auto& n : names) {
    EXPECT_TRUE(jsonNames.count(n.name)) << "JSON keeps the name as typed: " << n.name;
    EXPECT_NE(html.find(QString(n.name).toHtmlEscaped().toStdString()), std::string::npos)
        << n.name;
  }
  for (const auto& f : files) {
    EXPECT_TRUE(jsonFiles.count(f.file)) << f.file;
    EXPECT_NE(html.find(QString(f.file).toHtmlEscaped().toStdString()), std::string::npos)
        << f.file;
  }
  EXPECT_EQ(Count(html, "<script"), 1u) << "only the report's own script";
  EXPECT_EQ(Count(html, "</script>"), 1u);
  EXPECT_EQ(html.find("<b>"), std::string::npos);

  const auto table = RunTool(Dir(), "grade " + key + " " + answers + " --items");
  ASSERT_EQ(table.Exit, 0) << table.Err;
  EXPECT_NE(table.Out.find(names[0].name), std::string::npos) << "a terminal runs no formula";
  EXPECT_EQ(table.Out.find('\r'), std::string::npos) << "no control character reaches the terminal";
  EXPECT_EQ(table.Out.find('\t'), std::string::npos);
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
