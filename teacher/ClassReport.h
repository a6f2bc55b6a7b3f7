// The class report of examtool grade: one self-contained HTML page (tables, charts, no network).
#pragma once

#include <string>
#include <vector>

#include "Grading.h"

// The figures are computed once, by Grading, and only rendered here.
struct TClassReport {
  std::string Title;  // the test's, UTF-8
  const TClassGrades& Grades;
  TGradeSummary Summary;
  const std::vector<TItemStatistics>& Items;
};

// The page, UTF-8. Every figure stands in a <data> element whose value is the figure as the JSON
// output writes it; the text beside it is the same number for a Russian reader.
std::string ClassReportHtml(const TClassReport& report);
// Writes the page (see WriteOutputFile); returns the reason of a failure, else an empty string.
std::string WriteClassReport(const std::string& path, const TClassReport& report);
