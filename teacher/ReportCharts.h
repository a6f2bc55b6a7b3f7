// The charts of the class report: drawn with QPainter on Qt's SVG generator, ready to inline.
#pragma once

#include <string>
#include <vector>

#include "Grading.h"

// Each gives one <svg> element (UTF-8, no XML declaration) with a title for screen readers.
std::string GradeHistogramSvg(const TGradeSummary& summary);
// Per question: full-score share, mean score as a share of the maximum, discrimination.
std::string QuestionBarsSvg(const std::vector<TItemStatistics>& items);
// Per option of one question: the share of the class that marked it, right options apart.
std::string OptionBarsSvg(const TItemStatistics& item, int32_t students);
