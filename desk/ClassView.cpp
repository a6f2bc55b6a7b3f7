// The class view over Grading, GradeOutput and ClassReport.
#include "ClassView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ClassReport.h"
#include "Cp1251.h"
#include "GradeOutput.h"
#include "LoadTest.h"
#include "OutputFile.h"
#include "TestReader.h"

namespace {

// A cell that sorts by its number, not by its text.
class TNumberItem : public QTableWidgetItem {
 public:
  TNumberItem(const QString& Text, double Value) : QTableWidgetItem(Text) {
    setData(Qt::UserRole, Value);
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  bool operator<(const QTableWidgetItem& Other) const override {
    return data(Qt::UserRole).toDouble() < Other.data(Qt::UserRole).toDouble();
  }
};

QString Q(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

QString Percent(double Value) {
  return Q(GradeFigure(Value)).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char('%');
}

QString Elapsed(int32_t Seconds) {
  return QStringLiteral("%1:%2").arg(Seconds / 60).arg(Seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TClassView::TClassView(QWidget* Parent)
    : QWidget(Parent),
      FSummary(new QLabel(this)),
      FTable(new QTableWidget(this)),
      FBad(new QListWidget(this)),
      FReport(new QPushButton(QStringLiteral("Открыть отчёт"), this)),
      FCsv(new QPushButton(QStringLiteral("Сохранить CSV"), this)) {
  setObjectName(QStringLiteral("ClassView"));
  FSummary->setObjectName(QStringLiteral("ClassSummary"));
  FSummary->setWordWrap(true);
  FSummary->setText(QStringLiteral("Работы ещё не проверены: «Тест» → «Проверить работы»."));
  FTable->setObjectName(QStringLiteral("ClassTable"));
  FTable->setAccessibleName(QStringLiteral("Оценки учеников"));
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setSortingEnabled(true);
  FTable->verticalHeader()->hide();
  FBad->setObjectName(QStringLiteral("BadFiles"));
  FBad->setAccessibleName(QStringLiteral("Непроверенные файлы"));
  FBad->setMaximumHeight(90);
  FReport->setEnabled(false);
  FCsv->setEnabled(false);
  connect(FReport, &QPushButton::clicked, this, &TClassView::ReportRequested, Qt::QueuedConnection);
  connect(FCsv, &QPushButton::clicked, this, &TClassView::CsvRequested, Qt::QueuedConnection);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FSummary, 1);
  buttons->addWidget(FReport);
  buttons->addWidget(FCsv);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(FTable, 1);
  auto* badLabel = new QLabel(QStringLiteral("Не проверены:"), this);
  badLabel->setBuddy(FBad);
  layout->addWidget(badLabel);
  layout->addWidget(FBad);
}

bool TClassView::GradeFolder(const std::string& KeyFile, const std::string& Folder,
                             std::string& Error) {
  TTestReader key;
  if (std::string problem = LoadTestFile(KeyFile, key); !problem.empty()) {
    Error = KeyFile + ": " + problem;
    return false;
  }
  std::vector<TBadFile> bad;
  const std::vector<std::string> files = CollectAnswerFiles({Folder}, bad);
  TClassGrades grades = GradeClass(key, files);
  grades.BadFiles.insert(grades.BadFiles.begin(), bad.begin(), bad.end());
  FItems = ItemStatistics(key, grades);
  FGrades = std::move(grades);
  FTitle = Cp1251ToUtf8(key.GetTitle());
  FFolder = Folder;
  Fill();
  return true;
}

void TClassView::Fill() {
  const TClassGrades& g = *FGrades;
  FTable->setSortingEnabled(false);
  FTable->clear();
  QStringList headers{QStringLiteral("Ученик"), QStringLiteral("Файл"), QStringLiteral("Время"),
                      QStringLiteral("Оценка")};
  for (const auto& topic : g.TopicNames) headers << Q(topic);
  FTable->setColumnCount(int(headers.size()));
  FTable->setHorizontalHeaderLabels(headers);
  FTable->setRowCount(int(g.Students.size()));
  for (int row = 0; row < int(g.Students.size()); ++row) {
    const TGradedStudent& s = g.Students[size_t(row)];
    FTable->setItem(row, 0, new QTableWidgetItem(Q(s.Name)));
    FTable->setItem(row, 1, new QTableWidgetItem(Q(s.File)));
    FTable->setItem(row, 2, new TNumberItem(Elapsed(s.ElapsedSeconds), s.ElapsedSeconds));
    FTable->setItem(row, 3, new TNumberItem(Percent(s.Grade), s.Grade));
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      FTable->setItem(row, 4 + int(t),
                      new TNumberItem(Percent(s.TopicGrades[t]), s.TopicGrades[t]));
    }
  }
  FTable->setSortingEnabled(true);
  FTable->resizeColumnsToContents();
  FBad->clear();
  for (const auto& b : g.BadFiles) FBad->addItem(Q(b.File + ": " + b.Reason));
  const TGradeSummary summary = SummarizeGrades(g);
  QString text = QStringLiteral("«%1»: проверено работ: %2, не проверено: %3")
                     .arg(Q(FTitle))
                     .arg(summary.Graded)
                     .arg(g.BadFiles.size());
  if (summary.Mean) {
    text += QStringLiteral("; средняя оценка %1, медиана %2, отклонение %3")
                .arg(Percent(*summary.Mean), Percent(*summary.Median),
                     Q(GradeFigure(*summary.StandardDeviation))
                         .replace(QLatin1Char('.'), QLatin1Char(',')));
  }
  FSummary->setText(text + QLatin1Char('.'));
  FReport->setEnabled(true);
  FCsv->setEnabled(true);
}

std::string TClassView::WriteReport(const std::string& Path) const {
  if (!FGrades) return "no class graded";
  const TClassReport report{FTitle, *FGrades, SummarizeGrades(*FGrades), FItems};
  return WriteClassReport(Path, report);
}

std::string TClassView::WriteCsv(const std::string& Path) const {
  if (!FGrades) return "no class graded";
  std::string error;
  return WriteOutputFile(Path, GradeCsv(*FGrades, nullptr), error) ? std::string() : error;
}
