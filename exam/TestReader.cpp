// The test reader: attaching an image, the cursor and its searches, score ratios.
#include "TestReader.h"

#include <algorithm>
#include <cmath>

#include "TestImageValidation.h"
#include "TestUserAnswers.h"

void TTestReader::SetMemory(std::unique_ptr<TCustomMemory> Block) {
  SetImage({});
  FMemory = std::move(Block);
  if (!FMemory) return;
  try {
    SetImage({FMemory->Memory(), FMemory->Size()});
  } catch (...) {
    SetMemory(nullptr);
    throw;
  }
}

void TTestReader::SetImage(const TTestImage& Image) {
  if (!Image.Absent()) {
    if (const std::string reason = ValidateTestImage(Image); !reason.empty()) {
      SetImage({});
      throw ETestImage("not a readable test file: " + reason);
    }
  }
  FImage = Image.Absent() ? TTestImage{} : Image;
  try {
    FTree.Rebuild(FImage);
    FLayout.Build(FImage);
  } catch (...) {
    FImage = {};
    FTree.Rebuild(FImage);
    FLayout.Build(FImage);
    GoTo(-1);
    throw;
  }
  First();
}

void TTestReader::GoTo(int32_t i) {
  FCurrent = std::min(QuestionCount() - 1, std::max(0, i));
  if (FCurrent < 0) {
    FCurrent = FTopic = FLevel = FIndexInLevel = -1;
    return;
  }
  const TTestQuestionPos pos = FLayout.LocateQuestion(FCurrent);
  FTopic = pos.Topic;
  FLevel = pos.Level;
  FIndexInLevel = pos.Index;
}

void TTestReader::Next() {
  GoTo(FCurrent + 1 == QuestionCount() ? 0 : FCurrent + 1);
}

void TTestReader::Prior() {
  GoTo(FCurrent == 0 ? QuestionCount() - 1 : FCurrent - 1);
}

template <typename Test>
void TTestReader::FindCyclic(int Step, Test test) {
  const int32_t n = QuestionCount();
  if (n == 0) return;
  auto advance = [n, Step](int32_t c) { return static_cast<int32_t>((int64_t(n) + c + Step) % n); };
  for (int32_t c = advance(FCurrent); c != FCurrent; c = advance(c)) {
    if (test(c)) {
      GoTo(c);
      return;
    }
    if (FCurrent < 0 && c == n - 1) return;  // no current question: one round is enough
  }
}

bool TTestReader::QuestionAnswered(const TTestUserAnswers& Answers, int32_t Q) const {
  const int32_t first = FLayout.FirstOption(Q);
  for (int32_t o = first; o < first + FLayout.OptionCount(Q); ++o) {
    if (Answers.Marked(o)) return true;
  }
  return false;
}

bool TTestReader::QuestionRight(int32_t Q) const {
  return std::fabs(FLayout.QuestionScore(Q) - FLayout.QuestionMaxScore(Q)) <= 0.001;
}

void TTestReader::FindWrong(int Step) {
  FindCyclic(Step, [this](int32_t c) { return !QuestionRight(c); });
}

void TTestReader::FindUnanswered(const TTestUserAnswers& Answers, int Step) {
  FindCyclic(Step, [this, &Answers](int32_t c) { return !QuestionAnswered(Answers, c); });
}

std::string TTestReader::GetPiece(int32_t k) const {
  return FCurrent < 0 ? std::string() : QuestionPieceStr(FImage, k, FCurrent);
}

void TTestReader::Evaluate(const TTestUserAnswers& Answers, bool All) {
  if (All) {
    FLayout.EvaluateAll(Answers);
  } else {
    FLayout.EvaluateQuestion(Answers, FCurrent);
  }
  FTree.Recalc(FLayout);
}

double TTestReader::Score(int32_t Scope) const {
  double achieved = 0.0, maximum = 0.0;
  const TTestTopicNode* topic = FTree.TopicNode(FTopic);
  const TTestLevelNode* level = topic ? topic->LevelNode(FLevel) : nullptr;
  switch (Scope) {
    case 0:
      achieved = FTree.Score(), maximum = FTree.MaxScore();
      break;
    case 1:
      if (!topic) return 0.0;
      achieved = topic->Score(), maximum = topic->MaxScore();
      break;
    case 2:
      if (!level) return 0.0;
      achieved = level->Score(), maximum = level->MaxScore();
      break;
    case 3:
      achieved = FLayout.QuestionScore(FCurrent), maximum = FLayout.QuestionMaxScore(FCurrent);
      break;
    default:
      return 0.0;
  }
  return maximum != 0.0 ? achieved / maximum : 0.0;
}
