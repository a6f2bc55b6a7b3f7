// Test fixtures built with the production writer.
#include "TestImageBuilder.h"

#include <cstring>

#include "CompressedStrings.h"
#include "TestGrades.h"

namespace fixture {

TQuestionSource Question(std::vector<Option> options, double maxScore, int32_t multiSelect,
                         const std::string& page) {
  std::vector<TAnswerGrade> items;
  for (auto& o : options) items.push_back({o.Caption, o.Marked, o.Unmarked});
  TQuestionSource q;
  q.GradeRecord = SaveGradesToString(maxScore, 0, multiSelect, items);
  if (!page.empty()) q.PagePicture = CompressString(page);
  return q;
}

TLevelSource Level(int32_t minutes, double weight, std::vector<TQuestionSource> questions,
                   uint32_t tag) {
  TLevelSource l;
  l.Tag = tag;
  l.Minutes = minutes;
  l.Weight = weight;
  l.Questions = std::move(questions);
  return l;
}

TTopicSource Topic(const std::string& name, std::vector<TLevelSource> levels) {
  return {name, std::move(levels)};
}

TTestIdent Ident(uint8_t seed) {
  TTestIdent id{};
  for (size_t i = 0; i < id.size(); ++i) id[i] = static_cast<uint8_t>(seed + i);
  return id;
}

TTestSource TestFile(const std::string& title, std::vector<TTopicSource> topics, uint8_t identSeed) {
  TTestSource s;
  s.Ident = Ident(identSeed);
  s.Title = title;
  s.Topics = std::move(topics);
  return s;
}

TTestSource Uniform(int questions, int options, int32_t minutes, double weight) {
  std::vector<TQuestionSource> qs;
  for (int q = 0; q < questions; ++q) {
    std::vector<Option> opts;
    for (int o = 0; o < options; ++o) {
      opts.push_back({std::string(1, static_cast<char>('A' + o % 26)) + ")", o == 0 ? 1.0 : 0.0, 0.0});
    }
    qs.push_back(Question(std::move(opts)));
  }
  return TestFile("Uniform", {Topic("Topic", {Level(minutes, weight, std::move(qs))})});
}

void PatchWord(std::string& image, size_t offset, int32_t value) {
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<char>((uint32_t(value) >> (8 * i)) & 0xFF);
}

void PatchDouble(std::string& image, size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) image[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

int32_t WordAt(const std::string& image, size_t offset) {
  return ReadImageWord(View(image), static_cast<int64_t>(offset));
}

size_t TopicRecAt(int32_t t) { return kTestHeaderSize + size_t(kTopicRecSize) * t; }

size_t LevelRecAt(const std::string& image, int32_t t, int32_t l) {
  return size_t(WordAt(image, TopicRecAt(t))) + size_t(kLevelRecSize) * l;
}

size_t QuestionRecAt(const std::string& image, int32_t q) {
  return size_t(WordAt(image, hwQuestionsStart)) + size_t(kQuestionRecSize) * q;
}

}  // namespace fixture
