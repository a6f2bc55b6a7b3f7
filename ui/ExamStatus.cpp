// What the student sees at a glance: where he is, the strip of questions, the time warnings, the
// spoken time and whether the crash backup is written.
#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <cmath>

#include "QuestionStrip.h"
#include "TestCheckboxes.h"
#include "Unit1.h"
#include "WindowAccessible.h"

namespace {

const QColor kNavy(0, 0, 128);
const QColor kWarning(204, 0, 0);
constexpr int kNoticeMilliseconds = 10000;

QLabel* HeaderLabel(QWidget* parent, const char* name, const QColor& colour) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setContentsMargins(12, 0, 0, 0);
  return label;
}

// Minutes and more of the limit before a warning is given at that many minutes left.
int WarningDue(long long remainingSeconds, long long limitSeconds) {
  for (const int minutes : {1, 5})
    if (limitSeconds > minutes * 60 && remainingSeconds <= minutes * 60) return minutes;
  return 0;
}

}  // namespace

QString RussianCount(long long N, const char* One, const char* Few, const char* Many) {
  const long long tens = N % 100, units = N % 10;
  const char* word = Many;
  if (units == 1 && tens != 11) {
    word = One;
  } else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) {
    word = Few;
  }
  return QStringLiteral("%1 %2").arg(N).arg(QString::fromUtf8(word));
}

QString FormatSpokenTime(long long Seconds) {
  Seconds = std::max(0LL, Seconds);
  QStringList parts;
  if (const long long h = Seconds / 3600; h > 0) parts << RussianCount(h, "час", "часа", "часов");
  if (const long long m = Seconds / 60 % 60; m > 0)
    parts << RussianCount(m, "минута", "минуты", "минут");
  if (const long long s = Seconds % 60; s > 0 || parts.isEmpty())
    parts << RussianCount(s, "секунда", "секунды", "секунд");
  return parts.join(QLatin1Char(' '));
}

void TForm1::CreateStatus(QHBoxLayout& Header) {
  pnNotice = new TNoticeLabel(Panel8);
  pnNotice->setObjectName(QStringLiteral("pnNotice"));
  pnBackup = new TNoticeLabel(Panel8);
  pnBackup->setObjectName(QStringLiteral("pnBackup"));
  for (QLabel* notice : {static_cast<QLabel*>(pnNotice), static_cast<QLabel*>(pnBackup)}) {
    notice->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
    QPalette palette = notice->palette();
    palette.setColor(QPalette::WindowText, kWarning);
    notice->setPalette(palette);
    notice->setContentsMargins(12, 0, 0, 0);
    Header.addWidget(notice);
  }
  pnWhere = HeaderLabel(Panel8, "pnWhere", kNavy);
  pnAnswered = HeaderLabel(Panel8, "pnAnswered", kNavy);
  Header.addWidget(pnWhere);
  Header.addWidget(pnAnswered);
  Header.addSpacing(16);
}

TQuestionStrip* TForm1::CreateStrip() {
  QuestionStrip = new TQuestionStrip;
  QuestionStrip->SetOnSelect([this](int q) {
    if (!NavigationLocked()) FExam->GoTo(q);
  });
  return QuestionStrip;
}

void TForm1::SetPlaceShown(bool Shown) {
  FPlaceShown = Shown;
  ShowGlance();
}

void TForm1::ShowGlance() {
  const bool open = !NavigationLocked() && FPlaceShown;
  const int count = open ? FExam->QuestionCount() : 0;
  if (QuestionStrip->Count() != count) {
    QuestionStrip->SetCount(count);
    // The page area lost or gained the strip's height.
    FormResize();
  }
  if (!open) {
    pnWhere->clear();
    pnAnswered->clear();
    if (!FPlaceShown && FExam->HasTest()) DescribePage();
    return;
  }
  const int current = FExam->CurrentQuestion();
  const bool verdicts = FExam->State() == esFinished && FExam->HasTestAnswers();
  for (int q = 0; q < count; ++q) {
    const auto verdict = !verdicts                 ? TQuestionCell::vdNone
                         : FExam->QuestionRight(q) ? TQuestionCell::vdRight
                                                   : TQuestionCell::vdWrong;
    QuestionStrip->SetCell(q, FExam->QuestionAnswered(q), q == current, verdict);
  }
  pnWhere->setText(QStringLiteral("Вопрос %1 из %2").arg(current + 1).arg(count));
  pnAnswered->setText(QStringLiteral("отвечено %1").arg(FExam->AnsweredCount()));
  DescribePage();
}

long long TForm1::RemainingSeconds() const {
  return std::llround(FExam->Remaining() * 86400.0);
}

void TForm1::ShowClock(bool Warn) {
  pnTimer->setText(FormatClock(FExam->Remaining()));
  const int due =
      FExam->TimeLimit() > 0 ? WarningDue(RemainingSeconds(), FExam->TimeLimit() * 60LL) : 0;
  SetClockWarning(due != 0);
  if (due == 0 || due == FWarnedMinutes) return;
  FWarnedMinutes = due;
  if (!Warn) return;
  pnNotice->Tell(
      due == 1 ? QStringLiteral("Осталось 1 минута") : QStringLiteral("Осталось 5 минут"),
      kNoticeMilliseconds);
}

void TForm1::SetClockWarning(bool Value) {
  QPalette palette = pnTimer->palette();
  palette.setColor(QPalette::WindowText, Value ? kWarning : QColor(Qt::black));
  pnTimer->setPalette(palette);
}

void TForm1::TellTime() {
  if (FExam->State() != esRunning) return;
  const long long remaining = RemainingSeconds();
  pnNotice->Tell(FExam->TimeLimit() > 0 ? QStringLiteral("Осталось ") + FormatSpokenTime(remaining)
                                        : QStringLiteral("Прошло ") + FormatSpokenTime(-remaining),
                 kNoticeMilliseconds);
}

void TForm1::ExamBackupChange() {
  const QString error = QString::fromLocal8Bit(FExam->BackupError());
  if (error.isEmpty()) {
    pnBackup->Clear();
    pnBackup->setToolTip({});
    pnBackup->setAccessibleDescription({});
    return;
  }
  const QString reason = QStringLiteral("Ответы не записываются в резервную копию: ") + error;
  pnBackup->setToolTip(reason);
  pnBackup->setAccessibleDescription(reason);
  if (pnBackup->isHidden()) pnBackup->Tell(QStringLiteral("Резервная копия не сохраняется"), 0);
}
