// Fuzz target: a test image (.tst / .tst-ans) validated, attached to a reader and walked.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "TestGrades.h"
#include "TestImage.h"
#include "TestImageValidation.h"
#include "TestReader.h"
#include "TestUserAnswers.h"

namespace {

// Raw accessors must stay inside even an image that fails validation; a few indices suffice.
void ReadRaw(const TTestImage& image) {
  (void)GetTestIdent(image);
  (void)TestTitle(image);
  for (int32_t t = -1; t < 4; ++t) {
    (void)TopicName(image, t);
    for (int32_t l = -1; l < 4; ++l) (void)LevelQuestionCount(image, t, l);
  }
  for (int32_t q = -1; q < 8; ++q) {
    (void)QuestionRec(image, q);
    for (int32_t k = -1; k <= kQuestionPieces; ++k) (void)QuestionPiece(image, k, q);
  }
}

void WalkQuestions(TTestReader& reader, const TTestUserAnswers& answers) {
  reader.Evaluate(answers, true);
  const TTestAnswersLayout& layout = reader.Layout();
  for (int32_t q = 0; q < reader.QuestionCount(); ++q) {
    reader.GoTo(q);
    TGrades grades;
    try {
      grades.LoadFromString(reader.GetPiece(0));
      (void)grades.MaxScore();
      (void)grades.MultiSelect();
    } catch (const EGradeRecord&) {
    }
    for (int32_t k = 0; k < kQuestionPieces; ++k) (void)reader.GetPiece(k);
    (void)reader.GetTopicName();
    (void)layout.LocateQuestion(q);
    for (int32_t i = 0; i < reader.OptionCount(); ++i) (void)reader.OptionCorrect(i);
    (void)layout.QuestionScore(q);
    (void)layout.QuestionMaxScore(q);
    reader.Evaluate(answers, false);
    for (int32_t scope = 0; scope <= 4; ++scope) (void)reader.Score(scope);
  }
  reader.NextWrong();
  reader.PriorWrong();
  reader.NextUnanswered(answers);
  reader.PriorUnanswered(answers);
  (void)reader.TimeLimit();
}

void ScoreBoth(TTestReader& reader) {
  const int32_t options = reader.Layout().TotalOptions();
  TTestUserAnswers marked, empty;
  for (TTestUserAnswers* a : {&marked, &empty}) {
    a->SetOptionCount(options);
    a->SetIdent(reader.GetIdent());
  }
  for (int32_t o = 0; o < options; ++o) marked.SetMarked(o, true);
  WalkQuestions(reader, marked);
  WalkQuestions(reader, empty);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const TTestImage image{data, static_cast<int32_t>(size)};
  ReadRaw(image);
  // An absent image (no bytes) attaches as none without validation.
  const bool sound = image.Absent() || ValidateTestImage(image).empty();

  TTestReader reader;
  try {
    reader.SetImage(image);
    if (!sound) __builtin_trap();  // a damaged image must be refused
    ScoreBoth(reader);
  } catch (const ETestImage&) {
    if (sound) __builtin_trap();
  }
  reader.SetImage({});

  // The same bytes as an owned block, as a file is loaded.
  try {
    reader.SetMemory(MemoryBlockOf({reinterpret_cast<const char*>(data), size}));
    ScoreBoth(reader);
  } catch (const ETestImage&) {
    if (reader.Memory() != nullptr || reader.Loaded()) __builtin_trap();
  }
  return 0;
}
