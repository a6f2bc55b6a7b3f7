// TExam: the open test, the teacher's answers, the student's answers, the clock and the state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Memory.h"
#include "Metafile.h"
#include "TestGrades.h"
#include "TestImage.h"
#include "TestReader.h"
#include "TestUserAnswers.h"
#include "Timer.h"

enum TExamState : uint8_t { esNoTest = 0, esReady = 1, esRunning = 2, esFinished = 3 };

class TExam {
 public:
  using TNotifyEvent = std::function<void(TExam&)>;

  // Without a timer the exam runs on a TManualTimer (headless use, tests through Timer()).
  explicit TExam(bool AKeepBackup, std::unique_ptr<TTimer> Timer = nullptr);
  TExam(const TExam&) = delete;
  TExam& operator=(const TExam&) = delete;
  ~TExam();

  // Attaches a test (null closes it); a damaged file raises with the test reader left empty.
  // A crash backup of the same test with another option count raises ETestAnswers.
  void OpenTest(std::unique_ptr<TCustomMemory> Memory);
  // Attaches the teacher's answers; a file of another test is dropped silently.
  void OpenTestAnswers(std::unique_ptr<TCustomMemory> Memory);
  const TCustomMemory* TestAnswersMemory() const { return FTestAnswers->Memory(); }
  TTestIdent TestIdent() const { return FTest->GetIdent(); }
  bool HasTest() const { return FTest->Loaded(); }
  // Only in esFinished (otherwise A stays the caller's): takes A over when it matches the test;
  // else frees it and raises ETestAnswers(kWrongUserAnswers).
  void LoadUserAnswers(std::unique_ptr<TTestUserAnswers>&& A);
  void Regrade();

  TTestUserAnswers& UserAnswers() { return *FUserAnswers; }
  const TTestUserAnswers& UserAnswers() const { return *FUserAnswers; }
  std::string GetTitle() const { return FTest->GetTitle(); }
  std::string GetTopicName() const { return FTest->GetTopicName(); }
  int32_t TimeLimit() const { return FTest->TimeLimit(); }
  int32_t CurrentQuestion() const { return FTest->Current(); }
  int32_t QuestionCount() const { return FTest->QuestionCount(); }
  // Question Q holds at least one mark; the number of such questions.
  bool QuestionAnswered(int32_t Q) const { return FTest->QuestionAnswered(*FUserAnswers, Q); }
  int32_t AnsweredCount() const;
  // With the teacher's answers attached: whether question Q scores its maximum by them.
  bool HasTestAnswers() const { return FTestAnswers->Loaded(); }
  bool QuestionRight(int32_t Q) const { return FTestAnswers->QuestionRight(Q); }
  int32_t OptionCount() const { return FTest->OptionCount(); }
  bool OptionMarked(int32_t i) const;
  // Only while running.
  void SetOptionMarked(int32_t i, bool Value);
  bool OptionCorrect(int32_t i) const;
  double Score(int32_t Scope) const;
  // Valid until the next call; empty below esRunning.
  const TGrades& CurrentGrades();
  // The page of the current question; empty below esRunning or when it cannot be decoded.
  TMetafile& PagePicture();

  // Each ends with OnPageChange, moved or not.
  void First();
  void Last();
  void Next();
  void Prior();
  void NextUnanswered();
  void PriorUnanswered();
  void NextWrong();
  void PriorWrong();
  // Clamps to the questions there are.
  void GoTo(int32_t Q);
  void SyncCursors(bool FromTest);

  void SetRunning(bool Value);
  bool IsRunning() const { return FTimer->Enabled(); }
  // Remaining time in days; negative once the limit is exceeded.
  double Remaining() const;
  TExamState State() const { return FState; }
  void SetState(TExamState S);
  void DoPageChange();
  // The clock's handler, called once a second while running.
  void Tick();
  // Empty while the latest crash backup was written; otherwise why it was not.
  const std::string& BackupError() const { return FBackupError; }

  TTimer& Timer() { return *FTimer; }
  void SetOnStateChange(TNotifyEvent e) { FOnStateChange = std::move(e); }
  void SetOnTick(TNotifyEvent e) { FOnTick = std::move(e); }
  void SetOnPageChange(TNotifyEvent e) { FOnPageChange = std::move(e); }
  // Called when BackupError changes.
  void SetOnBackupChange(TNotifyEvent e) { FOnBackupChange = std::move(e); }

 private:
  void FindWrong(void (TTestReader::*search)());
  // Writes the backup, noting in BackupError whether it failed; never raises.
  void SaveBackupQuietly();
  void SetBackupError(const std::string& Error);

  bool FKeepBackup;
  std::unique_ptr<TTestReader> FTest;
  std::unique_ptr<TTestReader> FTestAnswers;
  std::unique_ptr<TTestUserAnswers> FUserAnswers;
  std::unique_ptr<TMetafile> FPicture;
  std::unique_ptr<TGrades> FGrades;
  std::unique_ptr<TTimer> FTimer;
  TExamState FState = esNoTest;
  TNotifyEvent FOnStateChange;
  TNotifyEvent FOnTick;
  TNotifyEvent FOnPageChange;
  TNotifyEvent FOnBackupChange;
  std::string FBackupError;
};
