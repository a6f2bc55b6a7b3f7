// TTestReader: one test image with its tree, answers layout and current question.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "Memory.h"
#include "TestAnswersLayout.h"
#include "TestImage.h"
#include "TestTree.h"

class TTestUserAnswers;

// A test image whose offsets, lengths or counts do not fit its bytes.
class ETestImage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TTestReader {
 public:
  TTestReader() = default;
  TTestReader(const TTestReader&) = delete;
  TTestReader& operator=(const TTestReader&) = delete;
  ~TTestReader() { SetMemory(nullptr); }

  // Frees the block held so far and attaches the new one; on an error the reader is left empty
  // (the new block freed too) and the error is passed on.
  void SetMemory(std::unique_ptr<TCustomMemory> Block);
  const TCustomMemory* Memory() const { return FMemory.get(); }
  // Validates the image first: a damaged one raises ETestImage and leaves the reader empty.
  // The image must outlive its attachment.
  void SetImage(const TTestImage& Image);

  bool Loaded() const { return FLayout.TotalOptions() > 0; }
  TTestIdent GetIdent() const { return GetTestIdent(FImage); }
  std::string GetTitle() const { return TestTitle(FImage); }
  const TTestImage& Image() const { return FImage; }
  const TTestTree& Tree() const { return FTree; }
  const TTestAnswersLayout& Layout() const { return FLayout; }

  int32_t QuestionCount() const { return FLayout.QuestionCount(); }
  // The current question and its position; all -1 when there is none.
  int32_t Current() const { return FCurrent; }
  int32_t Topic() const { return FTopic; }
  int32_t Level() const { return FLevel; }
  int32_t IndexInLevel() const { return FIndexInLevel; }

  // Clamps to 0 .. QuestionCount - 1.
  void GoTo(int32_t i);
  void First() { GoTo(0); }
  void Last() { GoTo(QuestionCount() - 1); }
  // Next and Prior wrap around.
  void Next();
  void Prior();
  // Cyclic searches that never test the current question; the cursor stays when none is found.
  void NextWrong() { FindWrong(+1); }
  void PriorWrong() { FindWrong(-1); }
  void NextUnanswered(const TTestUserAnswers& Answers) { FindUnanswered(Answers, +1); }
  void PriorUnanswered(const TTestUserAnswers& Answers) { FindUnanswered(Answers, -1); }
  // Question Q holds at least one mark; it scores its maximum (as last evaluated).
  bool QuestionAnswered(const TTestUserAnswers& Answers, int32_t Q) const;
  bool QuestionRight(int32_t Q) const;

  std::string GetTopicName() const { return TopicName(FImage, FTopic); }
  // Piece k of the current question: 0 the grade data, 1 the compressed page; "" when none.
  std::string GetPiece(int32_t k) const;
  int32_t OptionCount() const { return FLayout.OptionCount(FCurrent); }
  int32_t OptionIndex(int32_t i) const { return FLayout.OptionIndex(FCurrent, i); }
  bool OptionCorrect(int32_t i) const { return FLayout.OptionScore(OptionIndex(i), true) > 0; }

  // Re-scores all questions or the current one, then re-totals the tree.
  void Evaluate(const TTestUserAnswers& Answers, bool All);
  // Achieved / maximum for 0 the test, 1 the topic, 2 the level, 3 the question; 0 otherwise.
  double Score(int32_t Scope) const;
  int32_t TimeLimit() const { return FTree.TimeLimit(); }

 private:
  template <typename Test>
  void FindCyclic(int Step, Test test);
  void FindWrong(int Step);
  void FindUnanswered(const TTestUserAnswers& Answers, int Step);

  TTestImage FImage;
  std::unique_ptr<TCustomMemory> FMemory;
  TTestTree FTree;
  TTestAnswersLayout FLayout;
  int32_t FCurrent = -1;
  int32_t FTopic = -1;
  int32_t FLevel = -1;
  int32_t FIndexInLevel = -1;
};
