// Whether a key belongs to a test.
#include "KeyMatch.h"

#include <algorithm>

#include "TestReader.h"

namespace {

std::string Question(int32_t q) {
  return "question " + std::to_string(q + 1);
}

}  // namespace

std::vector<std::string> KeyMismatches(const TTestReader& test, const TTestReader& key) {
  std::vector<std::string> problems;
  if (!SameTestIdent(test.GetIdent(), key.GetIdent())) {
    problems.push_back("the key belongs to another test (identity differs)");
  }
  const TTestImage& a = test.Image();
  const TTestImage& b = key.Image();
  if (TopicCount(a) != TopicCount(b)) {
    problems.push_back("the key has " + std::to_string(TopicCount(b)) + " topics, the test " +
                       std::to_string(TopicCount(a)));
  }
  for (int32_t t = 0; t < std::min(TopicCount(a), TopicCount(b)); ++t) {
    const std::string topic = "topic " + std::to_string(t + 1);
    if (LevelCount(a, t) != LevelCount(b, t)) {
      problems.push_back(topic + ": the key has " + std::to_string(LevelCount(b, t)) +
                         " levels, the test " + std::to_string(LevelCount(a, t)));
      continue;
    }
    for (int32_t l = 0; l < LevelCount(a, t); ++l) {
      if (LevelQuestionCount(a, t, l) != LevelQuestionCount(b, t, l)) {
        problems.push_back(topic + ", level " + std::to_string(l + 1) + ": the key has " +
                           std::to_string(LevelQuestionCount(b, t, l)) + " questions, the test " +
                           std::to_string(LevelQuestionCount(a, t, l)));
      }
    }
  }
  const TTestAnswersLayout& la = test.Layout();
  const TTestAnswersLayout& lb = key.Layout();
  for (int32_t q = 0; q < std::min(la.QuestionCount(), lb.QuestionCount()); ++q) {
    if (la.OptionCount(q) != lb.OptionCount(q)) {
      problems.push_back(Question(q) + ": the key has " + std::to_string(lb.OptionCount(q)) +
                         " options, the test " + std::to_string(la.OptionCount(q)));
    }
  }
  return problems;
}
