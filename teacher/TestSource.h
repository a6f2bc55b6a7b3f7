// The readable source of a test (UTF-8 Markdown with front matter) parsed into topics, levels and
// questions with their keys.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TSourceOption {
  int Line = 0;
  std::string Caption;  // UTF-8
  double Marked = 0.0;
  double Unmarked = 0.0;
};

struct TSourceQuestion {
  int Line = 0;
  double MaxScore = 0.0;  // 0: the sum of the option maxima
  bool Multi = false;     // check boxes even when only one option scores
  std::string PageFile;   // page= : a metafile or picture, relative to the source's folder
  std::string Body;       // the Markdown of the page when PageFile is empty
  std::vector<TSourceOption> Options;

  int ScoringOptions() const;
};

struct TSourceLevel {
  int Line = 0;
  int Minutes = 0;
  double Weight = 0.0;
  std::vector<TSourceQuestion> Questions;
};

struct TSourceTopic {
  int Line = 0;
  std::string Name;  // UTF-8
  std::vector<TSourceLevel> Levels;
};

struct TSourceTest {
  std::string Title;  // UTF-8
  std::string Ident;  // the ident: line of the front matter as written, empty without one
  int IdentLine = 0;
  std::vector<TSourceTopic> Topics;
};

struct TSourceError {
  int Line = 0;
  std::string Message;
};

// Parses the whole source; every problem found is returned (the test is complete only when the
// list is empty). Texts that go into the files as cp1251 are checked to be encodable and free of
// the superscript and subscript mark-up that only a page can draw; page mark-up is checked too.
TSourceTest ParseTestSource(std::string_view text, std::vector<TSourceError>& errors);
