// The questions of a bank as its readers find them, before they become a test source.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

enum class TBankTextFormat { Html, MoodleAuto, Plain, Markdown };

struct TBankText {
  std::string Text;  // UTF-8
  TBankTextFormat Format = TBankTextFormat::Html;
};

struct TBankFile {
  std::string Name;   // as the bank names it (it may be anything)
  std::string Bytes;  // decoded
};

struct TBankAnswer {
  TBankText Text;
  double Fraction = 0.0;  // percent of the question's mark
};

enum class TBankNumbering { Letters, Digits, Own };

struct TBankQuestion {
  int Line = 0;
  std::string Name;                   // UTF-8, may be empty
  std::string Type;                   // multichoice or truefalse
  std::vector<std::string> Category;  // the path's parts
  bool InCategory = false;
  TBankText Text;
  std::vector<TBankFile> Files;  // the pictures of the text and the answers
  bool Single = true;
  double Mark = 1.0;
  TBankNumbering Numbering = TBankNumbering::Letters;
  std::vector<std::string> OwnLetters;  // Aiken's letters, one per answer
  std::vector<TBankAnswer> Answers;
};

struct TBankContents {
  std::vector<TBankQuestion> Questions;  // multiple choice only, in the bank's order
  std::vector<std::string> Skipped;      // «name» (type): reason
  std::set<std::string> Dropped;         // "shuffling", "penalties", "feedback", ...
  std::string Error;                     // a malformed bank: what, at ErrorLine
  int ErrorLine = 0;
};

TBankContents ReadMoodleXml(std::string_view bank);
TBankContents ReadGift(std::string_view bank);
TBankContents ReadAiken(std::string_view bank);

// A category path split at "/" ("//" stands for a "/" inside a name), empty parts left out.
std::vector<std::string> SplitCategoryPath(std::string_view path);
// The text without the ASCII blanks around it.
std::string TrimBlanks(std::string_view s);
// "«name» (type): reason", the line a skipped question gets.
std::string SkippedLine(const std::string& name, const std::string& type,
                        const std::string& reason);
