// The exam: sources, marks, navigation, the clock with its time limit and the crash backup.
#include "Exam.h"

#include <limits>

#include "CompressedStrings.h"

TExam::TExam(bool AKeepBackup, std::unique_ptr<TTimer> Timer)
    : FKeepBackup(AKeepBackup),
      FTest(std::make_unique<TTestReader>()),
      FTestAnswers(std::make_unique<TTestReader>()),
      FUserAnswers(std::make_unique<TTestUserAnswers>()),
      FPicture(std::make_unique<TMetafile>()),
      FGrades(std::make_unique<TGrades>()),
      FTimer(Timer ? std::move(Timer) : std::make_unique<TManualTimer>()) {
  FTimer->Disable();
  FTimer->SetOnTick([this] { Tick(); });
}

TExam::~TExam() {
  FTimer->Disable();
  FTimer.reset();
  FGrades.reset();
  FPicture.reset();
  FUserAnswers.reset();
  FTestAnswers.reset();
  FTest.reset();
}

void TExam::OpenTest(std::unique_ptr<TCustomMemory> Memory) {
  FTest->SetMemory(std::move(Memory));
  FUserAnswers->SetOptionCount(FTest->Layout().TotalOptions());
  FUserAnswers->SetIdent(TestIdent());
  FUserAnswers->SetElapsedSeconds(0);
  // Only a test that can run has a backup; a closed test must not pick up a stray one.
  if (FKeepBackup && HasTest()) FUserAnswers->RestoreBackup();
  const int32_t elapsed = FUserAnswers->ElapsedSeconds();
  SetBackupError({});
  First();
  SetState(HasTest() ? esReady : esNoTest);
  FUserAnswers->SetElapsedSeconds(elapsed);
}

void TExam::OpenTestAnswers(std::unique_ptr<TCustomMemory> Memory) {
  const bool given = Memory != nullptr;
  FTestAnswers->SetMemory(std::move(Memory));
  if (given && !SameTestIdent(FTestAnswers->GetIdent(), TestIdent()))
    FTestAnswers->SetMemory(nullptr);
  FTestAnswers->GoTo(CurrentQuestion());
  FTestAnswers->Evaluate(*FUserAnswers, true);
}

void TExam::LoadUserAnswers(std::unique_ptr<TTestUserAnswers>&& A) {
  if (FState != esFinished || !A) return;
  std::unique_ptr<TTestUserAnswers> answers = std::move(A);
  if (!SameTestIdent(answers->Ident(), TestIdent()) ||
      answers->OptionCount() != FTest->Layout().TotalOptions()) {
    throw ETestAnswers(kWrongUserAnswers);
  }
  FUserAnswers = std::move(answers);
}

void TExam::Regrade() {
  FTest->Evaluate(*FUserAnswers, true);
  FTestAnswers->Evaluate(*FUserAnswers, true);
  SyncCursors(true);
}

bool TExam::OptionMarked(int32_t i) const {
  return FUserAnswers->Marked(FTest->OptionIndex(i));
}

void TExam::SetOptionMarked(int32_t i, bool Value) {
  if (FState != esRunning) return;
  FUserAnswers->SetMarked(FTest->OptionIndex(i), Value);
  FTest->Evaluate(*FUserAnswers, false);
  FTestAnswers->Evaluate(*FUserAnswers, false);
}

bool TExam::OptionCorrect(int32_t i) const {
  return FTestAnswers->Loaded() ? FTestAnswers->OptionCorrect(i) : FTest->OptionCorrect(i);
}

double TExam::Score(int32_t Scope) const {
  return FTestAnswers->Loaded() ? FTestAnswers->Score(Scope) : FTest->Score(Scope);
}

const TGrades& TExam::CurrentGrades() {
  FGrades->Clear();
  if (FState < esRunning) return *FGrades;
  // The teacher's record comes first; a record that cannot be read counts as absent.
  for (const TTestReader* reader : {FTestAnswers.get(), FTest.get()}) {
    const std::string data = reader->GetPiece(0);
    if (data.empty()) continue;
    try {
      FGrades->LoadFromString(data);
      break;
    } catch (const std::exception&) {
      FGrades->Clear();
    }
  }
  return *FGrades;
}

TMetafile& TExam::PagePicture() {
  FPicture->Clear();
  if (FState < esRunning) return *FPicture;
  std::string page = FTest->GetPiece(1);
  if (page.empty()) page = FTestAnswers->GetPiece(1);
  if (page.empty()) return *FPicture;
  try {
    page = DecompressString(page, false);
  } catch (const std::exception&) {
    return *FPicture;
  }
  if (!page.empty() && !FPicture->LoadFromBytes(page)) FPicture->Clear();
  return *FPicture;
}

int32_t TExam::AnsweredCount() const {
  int32_t n = 0;
  for (int32_t q = 0; q < QuestionCount(); ++q) n += QuestionAnswered(q) ? 1 : 0;
  return n;
}

void TExam::GoTo(int32_t Q) {
  FTest->GoTo(Q);
  SyncCursors(true);
}

void TExam::First() {
  FTest->First();
  SyncCursors(true);
}

void TExam::Last() {
  FTest->Last();
  SyncCursors(true);
}

void TExam::Next() {
  FTest->Next();
  SyncCursors(true);
}

void TExam::Prior() {
  FTest->Prior();
  SyncCursors(true);
}

void TExam::NextUnanswered() {
  FTest->NextUnanswered(*FUserAnswers);
  SyncCursors(true);
}

void TExam::PriorUnanswered() {
  FTest->PriorUnanswered(*FUserAnswers);
  SyncCursors(true);
}

void TExam::NextWrong() {
  FindWrong(&TTestReader::NextWrong);
}

void TExam::PriorWrong() {
  FindWrong(&TTestReader::PriorWrong);
}

void TExam::FindWrong(void (TTestReader::*search)()) {
  // With the teacher's file its scores decide, and the test's cursor follows.
  if (FTestAnswers->Loaded()) {
    ((*FTestAnswers).*search)();
    SyncCursors(false);
  } else {
    ((*FTest).*search)();
    DoPageChange();
  }
}

void TExam::SyncCursors(bool FromTest) {
  if (FromTest) {
    FTestAnswers->GoTo(FTest->Current());
  } else {
    FTest->GoTo(FTestAnswers->Current());
  }
  DoPageChange();
}

void TExam::SetRunning(bool Value) {
  if (!HasTest()) return;
  const bool wasRunning = FTimer->Enabled();
  SetState(Value ? esRunning : esFinished);
  if (Value) {
    FUserAnswers->SetElapsedSeconds(0);
    First();
    FTimer->Enable();
    return;
  }
  FTimer->Disable();
  // The marks of the last second reach the backup too.
  if (wasRunning && FKeepBackup) SaveBackupQuietly();
}

double TExam::Remaining() const {
  return (double(TimeLimit()) - double(FUserAnswers->ElapsedSeconds()) / 60.0) / 24.0 / 60.0;
}

void TExam::SetState(TExamState S) {
  FState = S;
  FUserAnswers->SetReadOnly(S != esRunning);
  if (S < esRunning) FUserAnswers->SetElapsedSeconds(0);
  if (FOnStateChange) FOnStateChange(*this);
}

void TExam::DoPageChange() {
  if (FOnPageChange) FOnPageChange(*this);
}

void TExam::Tick() {
  const int32_t elapsed = FUserAnswers->ElapsedSeconds();
  if (elapsed < std::numeric_limits<int32_t>::max()) FUserAnswers->SetElapsedSeconds(elapsed + 1);
  if (HasTest() && TimeLimit() > 0 && Remaining() < 0) SetRunning(false);
  if (!FTimer->Enabled()) return;
  if (FOnTick) {
    try {
      FOnTick(*this);
    } catch (...) {
      // The clock goes on: a failed display must not stop the exam or its backup.
    }
  }
  if (FKeepBackup) SaveBackupQuietly();
}

void TExam::SaveBackupQuietly() {
  // Neither the clock nor the end of the exam may fail on the backup; the window shows why.
  try {
    FUserAnswers->SaveBackup();
    SetBackupError({});
  } catch (const std::exception& e) {
    SetBackupError(*e.what() != '\0' ? e.what() : "unknown error");
  } catch (...) {
    SetBackupError("unknown error");
  }
}

void TExam::SetBackupError(const std::string& Error) {
  if (Error == FBackupError) return;
  FBackupError = Error;
  if (FOnBackupChange) FOnBackupChange(*this);
}
