// The graded class as text: the table for a terminal, CSV for a spreadsheet, JSON for programs.
#pragma once

#include <string>
#include <vector>

#include "Grading.h"

// Each writes one row per student; with items, the per-question statistics after them.
// CSV per RFC 4180 with CRLF line ends; the table in UTF-8 columns.
std::string GradeCsv(const TClassGrades& grades, const std::vector<TItemStatistics>* items);
std::string GradeJson(const TClassGrades& grades, const std::vector<TItemStatistics>* items);
std::string GradeTable(const TClassGrades& grades, const std::vector<TItemStatistics>* items);
