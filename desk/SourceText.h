// What the teacher's window reads out of a parsed source: where each question stands, the one
// question a preview shows, and the identity line of the front matter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "TestSource.h"

class TTestReader;

// A question of the source in test order, with the topic and level it belongs to.
struct TQuestionPlace {
  int Topic = 0;
  int Level = 0;
  int Index = 0;  // within the level
  const TSourceQuestion* Question = nullptr;
};

std::vector<TQuestionPlace> QuestionPlaces(const TSourceTest& source);
// The question whose lines hold the given line (from 1): the last one starting at or before it,
// or the first one when the line stands above every question; -1 when there is none.
int QuestionAtLine(const std::vector<TQuestionPlace>& places, int line);
// The test of that one question alone, with its topic and level, as the preview builds it.
TSourceTest OneQuestionTest(const TSourceTest& source, const TQuestionPlace& place);

// The text with "ident: IDENT" in its front matter: the existing ident line replaced, or a new
// one after the opening "---". The text is returned unchanged when it has no front matter.
std::string WithIdentLine(std::string_view text, const std::string& ident);

// A question's heading line with the attribute page=FILE: an existing page= replaced, else added
// to the attributes (which are created when the heading has none).
std::string HeadingWithPage(std::string_view heading, const std::string& file);

// Whether answers to the old key still fit a test built from the source: the same number of
// questions, each with the same number of options, in the same order.
bool SameAnswerLayout(const TTestReader& oldKey, const TSourceTest& source);

// The time limit in minutes and the sum of the level weights.
int TotalMinutes(const TSourceTest& source);
double TotalWeight(const TSourceTest& source);
