// The class report in a real browser: headless Chromium opens the report of a class of 30,
// runs its script, lays out its charts and takes a screenshot.
#include <gtest/gtest.h>

#include <QImage>
#include <regex>

#include "ExamFixtures.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;
using tooltest::Quote;
using tooltest::RunCommand;
using tooltest::RunTool;

namespace {

// Loads the report in a frame, then writes what the browser made of it into the page: the
// laid-out size and the drawing size (view box) of every chart, and the grades after a click on
// the grade column's header.
const char kHarness[] = R"(<!DOCTYPE html>
<html><body><pre id="result">not loaded</pre>
<iframe id="report" src="report.html" style="width: 1200px; height: 900px"></iframe>
<script>
document.getElementById('report').addEventListener('load', function () {
  var page = this.contentDocument, lines = [];
  page.querySelectorAll('svg.chart').forEach(function (svg) {
    var box = svg.getBoundingClientRect(), view = svg.viewBox.baseVal;
    lines.push('chart ' + box.width + ' ' + box.height + ' ' + view.width + ' ' + view.height);
  });
  page.querySelectorAll('#students thead th')[3].querySelector('button').click();
  var grades = Array.prototype.map.call(page.querySelectorAll('#students tbody tr'), function (row) {
    return row.cells[3].querySelector('data').value;
  });
  lines.push('sorted ' + grades.join(' '));
  document.getElementById('result').textContent = lines.join('\n');
});
</script></body></html>
)";

std::string Chromium(const fs::path& dir) {
  // The sandbox needs a user namespace, which containers and root often lack; the page is ours.
  return "chromium --headless --no-sandbox --disable-gpu --no-first-run --hide-scrollbars "
         "--user-data-dir=" +
         Quote(dir / "profile") + " --enable-logging=stderr --v=0";
}

TEST(ClassReportInBrowser, RendersChartsAndSortsWithoutConsoleErrors) {
  if (!tooltest::HaveProgram("chromium")) {
    GTEST_SKIP() << "needs Chromium (Debian package chromium)";
  }
  examtest::TPrivateTempDir tmp;
  const fs::path& dir = tmp.Path();
  const fs::path key = fs::path(SAMPLES_DIR) / "demo.tst-ans";
  fs::create_directory(dir / "class");
  tooltest::WriteClass(dir / "class", examtest::ReadFile(key), 30, 11, 2);
  const auto grade = RunTool(dir, "grade " + Quote(key) + " class --report report.html");
  ASSERT_EQ(grade.Exit, 0) << grade.Err;
  examtest::WriteFile(dir / "harness.html", kHarness);

  const auto dom = RunCommand(dir, Chromium(dir) + " --allow-file-access-from-files --dump-dom " +
                                       Quote("file://" + (dir / "harness.html").string()));
  ASSERT_EQ(dom.Exit, 0) << dom.Err;
  EXPECT_EQ(dom.Err.find(":CONSOLE"), std::string::npos) << "the page wrote to the console:\n"
                                                         << dom.Err;
  const std::regex chart("chart ([0-9.]+) ([0-9.]+) ([0-9.]+) ([0-9.]+)");
  int charts = 0;
  for (std::sregex_iterator i(dom.Out.begin(), dom.Out.end(), chart), end; i != end;
       ++i, ++charts) {
    const double width = std::stod((*i)[1]), height = std::stod((*i)[2]);
    const double viewWidth = std::stod((*i)[3]), viewHeight = std::stod((*i)[4]);
    EXPECT_GT(viewWidth, 0);
    EXPECT_NEAR(width, viewWidth, 1) << "charts are drawn at their size in a wide window";
    EXPECT_NEAR(height, viewHeight, 1);
  }
  EXPECT_EQ(charts, 2 + 13) << dom.Out;  // histogram, questions, one per demo question
  std::smatch sorted;
  ASSERT_TRUE(std::regex_search(dom.Out, sorted, std::regex("sorted ([0-9. ]+)"))) << dom.Out;
  std::vector<double> grades;
  std::istringstream values(sorted[1].str());
  for (double g; values >> g;) grades.push_back(g);
  EXPECT_EQ(grades.size(), 30u);
  EXPECT_TRUE(std::is_sorted(grades.begin(), grades.end())) << sorted[1];
  EXPECT_LT(grades.front(), grades.back()) << "the class has different grades";

  const auto shot = RunCommand(
      dir, Chromium(dir) + " --window-size=1280,2400 --screenshot=" + Quote(dir / "report.png") +
               " " + Quote("file://" + (dir / "report.html").string()));
  ASSERT_EQ(shot.Exit, 0) << shot.Err;
  EXPECT_EQ(shot.Err.find(":CONSOLE"), std::string::npos) << shot.Err;
  const QImage image(QString::fromStdString((dir / "report.png").string()));
  ASSERT_EQ(image.size(), QSize(1280, 2400));
  int bars = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) bars += image.pixel(x, y) == qRgb(74, 120, 181);
  }
  EXPECT_GT(bars, 5000) << "the histogram's bars are painted";
  // Kept for people to look at, beside the test results.
  fs::create_directories(REPORT_ARTIFACTS_DIR);
  fs::copy_file(dir / "report.png", fs::path(REPORT_ARTIFACTS_DIR) / "class-report.png",
                fs::copy_options::overwrite_existing);
  fs::copy_file(dir / "report.html", fs::path(REPORT_ARTIFACTS_DIR) / "class-report.html",
                fs::copy_options::overwrite_existing);
}

}  // namespace
