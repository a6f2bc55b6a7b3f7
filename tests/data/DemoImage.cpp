// Builds a small test in memory and prints what the data layer reads from it.
#include <cstdio>
#include <string>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "TestGrades.h"
#include "TestImage.h"
#include "TestImageBuilder.h"
#include "TestImageValidation.h"

namespace {

std::string Cp(const char* utf8) { return Utf8ToCp1251(utf8).Text; }

// A one-record enhanced metafile header is enough to show a page size.
std::string TinyPage(int32_t widthHundredthsMm, int32_t heightHundredthsMm) {
  std::string emf(108, '\0');
  auto put = [&emf](size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) emf[at + i] = static_cast<char>((uint32_t(v) >> (8 * i)) & 0xFF);
  };
  put(0, 1);
  put(4, 108);
  put(24, 0);
  put(28, 0);
  put(32, widthHundredthsMm);
  put(36, heightHundredthsMm);
  put(40, 0x464D4520);  // " EMF"
  put(48, 108);
  return emf;
}

int32_t Word(const std::string& s, size_t at) {
  return static_cast<int32_t>(uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
                              uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24);
}

}  // namespace

int main() {
  using namespace fixture;
  auto q = [](std::vector<Option> options, int32_t multi, int32_t w, int32_t h) {
    for (auto& o : options) o.Caption = Cp(o.Caption.c_str());
    return Question(std::move(options), 0, multi, TinyPage(w, h));
  };
  const std::string image = WriteTestImage(TestFile(
      Cp("Физика. Механика"),
      {Topic(Cp("Кинематика"),
             {Level(10, 10, {q({{"A) м/с", 1, 0}, {"B) м/с2", 0, 0}, {"C) Н", -0.5, 0}}, 0, 21000, 9000),
                             q({{"A) путь", 1, 0}, {"B) перемещение", 1, 0}, {"C) время", 0, 0}}, 0, 21000, 12000)}),
              Level(15, 20, {q({{"1) 9,8 м/с2", 1, 0}, {"2) 10 Н", 0, 0}}, 0, 21000, 7000)})}),
       Topic(Cp("Динамика"), {Level(5, 10, {q({{"A) да", 1, 0}, {"B) нет", 0, 0}}, 1, 21000, 5000)})})}));

  const TTestImage v = View(image);
  const std::string problem = ValidateTestImage(v);
  std::printf("Test image: %zu bytes, %s\n", image.size(), problem.empty() ? "sound" : problem.c_str());
  std::printf("Title: %s\n", Cp1251ToUtf8(TestTitle(v)).c_str());
  std::printf("Topics: %d, questions: %d\n", TopicCount(v), QuestionCount(v));
  int32_t absolute = 0;
  for (int32_t t = 0; t < TopicCount(v); ++t) {
    std::printf("Topic %d: %s\n", t + 1, Cp1251ToUtf8(TopicName(v, t)).c_str());
    for (int32_t l = 0; l < LevelCount(v, t); ++l) {
      const TTestLevelRec level = *LevelRec(v, t, l);
      std::printf("  Level %d: %d min, weight %g, %d questions\n", l + 1, level.Minutes,
                  level.MaxScore, level.QuestionCount);
      for (int32_t i = 0; i < level.QuestionCount; ++i, ++absolute) {
        TGrades grades;
        grades.LoadFromString(QuestionPieceStr(v, 0, absolute));
        const std::string page = DecompressString(QuestionPieceStr(v, 1, absolute), true);
        std::printf("    Question %d (%s, max %g), page %.1f x %.1f mm:\n", absolute + 1,
                    grades.MultiSelect() ? "check boxes" : "radio buttons", grades.MaxScore(),
                    page.size() >= 40 ? (Word(page, 32) - Word(page, 24)) / 100.0 : 0.0,
                    page.size() >= 40 ? (Word(page, 36) - Word(page, 28)) / 100.0 : 0.0);
        for (int32_t o = 0; o < grades.Count(); ++o) {
          std::printf("      %s\n", Cp1251ToUtf8(grades.Caption(o)).c_str());
        }
      }
    }
  }
  return problem.empty() ? 0 : 1;
}
