// Writing the test and its key from one source.
#include "TestMaker.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "OutputFile.h"
#include "PageMaker.h"
#include "TestGrades.h"
#include "TestImageWriter.h"
#include "TestUserAnswers.h"

namespace {

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).Text;
}

// Pages of formula outlines repeat their glyphs' paths, on which zlib's level 9 searches its
// longest chains for little: level 6 makes them 5% larger in a seventh of the time.
constexpr int kPageCompressionLevel = 6;

std::string GradeRecord(const TSourceQuestion& q, bool withScores) {
  std::vector<TAnswerGrade> items;
  for (const auto& o : q.Options) {
    items.push_back({Cp(o.Caption), withScores ? o.Marked : 0.0, withScores ? o.Unmarked : 0.0});
  }
  // The flag is what keeps check boxes in the test, whose records carry no scores.
  const int32_t multi = (q.Multi || q.ScoringOptions() >= 2) ? 1 : 0;
  return SaveGradesToString(q.MaxScore, 0, multi, items);
}

// compressedPages: one compressed metafile per question, shared by the test and its key.
TTestSource Image(const TSourceTest& source, const std::vector<std::string>& compressedPages,
                  const TTestIdent& ident, bool withScores) {
  TTestSource image;
  image.Ident = ident;
  image.Title = Cp(source.Title);
  size_t page = 0;
  for (const auto& topic : source.Topics) {
    TTopicSource t;
    t.Name = Cp(topic.Name);
    uint32_t tag = 0;
    for (const auto& level : topic.Levels) {
      TLevelSource l;
      l.Tag = ++tag;
      l.Minutes = level.Minutes;
      l.Weight = level.Weight;
      for (const auto& question : level.Questions) {
        TQuestionSource q;
        q.GradeRecord = GradeRecord(question, withScores);
        q.PagePicture = compressedPages.at(page++);
        l.Questions.push_back(std::move(q));
      }
      t.Levels.push_back(std::move(l));
    }
    image.Topics.push_back(std::move(t));
  }
  return image;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TMadeTest MakeTestImages(const TSourceTest& source, const std::vector<std::string>& pages,
                         const TTestIdent& ident) {
  std::vector<std::string> compressed;
  compressed.reserve(pages.size());
  for (const std::string& page : pages) {
    compressed.push_back(CompressString(page, kPageCompressionLevel));
  }
  return {WriteTestImage(Image(source, compressed, ident, false)),
          WriteTestImage(Image(source, compressed, ident, true)), pages.size()};
}

// Every formula of the source's pages, with its line in the source.
std::vector<TFormula> SourceFormulas(const TSourceTest& test) {
  std::vector<TFormula> all;
  for (const auto& topic : test.Topics) {
    for (const auto& level : topic.Levels) {
      for (const auto& question : level.Questions) {
        if (!question.PageFile.empty()) continue;
        std::vector<TFormula> page;
        std::vector<TSourceError> unused;  // the parser has reported them
        MarkFormulas(question.Body, page, unused);
        for (TFormula& f : page) {
          f.Line += question.Line;
          all.push_back(std::move(f));
        }
      }
    }
  }
  return all;
}

std::optional<TMadeTest> MakeTestFromSource(std::string_view text, const std::string& baseDir,
                                            const TTestIdent& ident,
                                            std::vector<TSourceError>& errors,
                                            const TTexSetup& tex) {
  const TSourceTest test = ParseTestSource(text, errors);
  if (!errors.empty()) return std::nullopt;
  const std::vector<TFormula> formulas = SourceFormulas(test);
  const TFormulaPictures pictures =
      formulas.empty() ? TFormulaPictures() : TypesetFormulas(formulas, tex, errors);
  if (!errors.empty()) {
    std::stable_sort(errors.begin(), errors.end(),
                     [](const TSourceError& a, const TSourceError& b) { return a.Line < b.Line; });
    return std::nullopt;
  }
  std::vector<std::string> pages;
  for (const auto& topic : test.Topics) {
    for (const auto& level : topic.Levels) {
      for (const auto& question : level.Questions) {
        const TPageResult page =
            question.PageFile.empty()
                ? MakeMarkdownPage(question.Body, baseDir, pictures)
                : MakePageFromFile((std::filesystem::path(baseDir) / question.PageFile).string());
        if (!page.Error.empty()) errors.push_back({question.Line, page.Error});
        pages.push_back(page.Metafile);
      }
    }
  }
  if (!errors.empty()) return std::nullopt;
  return MakeTestImages(test, pages, ident);
}

bool ParseIdent(const std::string& text, TTestIdent& ident) {
  std::string hex;
  for (char c : text) {
    if (c == '{' || c == '}' || c == '-') continue;
    if (HexValue(c) < 0) return false;
    hex += c;
  }
  if (hex.size() != 72) return false;
  auto byte = [&hex](size_t i) {
    return static_cast<uint8_t>(HexValue(hex[2 * i]) * 16 + HexValue(hex[2 * i + 1]));
  };
  // Display order: Data1 (4 bytes), Data2 (2), Data3 (2) big-endian digits, Data4 (8) as stored;
  // twice; then the 32-bit value. In memory the numbers are little-endian.
  static constexpr int kOrder[36] = {3,  2,  1,  0,  5,  4,  7,  6,  8,  9,  10, 11,
                                     12, 13, 14, 15, 19, 18, 17, 16, 21, 20, 23, 22,
                                     24, 25, 26, 27, 28, 29, 30, 31, 35, 34, 33, 32};
  for (size_t i = 0; i < 36; ++i) ident[kOrder[i]] = byte(i);
  return true;
}

bool WriteMadeTest(const std::string& testPath, const TMadeTest& made, std::string& failedFile,
                   std::string& error) {
  const std::string key = std::filesystem::path(testPath).replace_extension(".tst-ans").string();
  if (!WriteOutputFile(testPath, made.Test, error)) {
    failedFile = testPath;
    return false;
  }
  if (!WriteOutputFile(key, made.Answers, error)) {
    std::error_code ec;
    std::filesystem::remove(testPath, ec);
    failedFile = key;
    return false;
  }
  return true;
}

std::string IdentText(const TTestIdent& id) {
  char value[16];
  std::snprintf(value, sizeof value, "%02X%02X%02X%02X", id[35], id[34], id[33], id[32]);
  return GuidString(id.data()) + GuidString(id.data() + 16) + value;
}

std::optional<TTestIdent> SourceIdent(std::string_view text) {
  std::vector<TSourceError> errors;
  const TSourceTest source = ParseTestSource(text, errors);
  TTestIdent ident{};
  if (source.IdentLine == 0 || !ParseIdent(source.Ident, ident)) return std::nullopt;
  return ident;
}

TTestIdent RandomIdent() {
  std::random_device random;
  TTestIdent ident{};
  for (auto& b : ident) b = static_cast<uint8_t>(random());
  return ident;
}
