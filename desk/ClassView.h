// A graded class in the teacher's window: the sortable table "Оценки учеников", the files not
// graded and why, and the summary; the report and the CSV written from the same figures.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "Grading.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

class TClassView : public QWidget {
  Q_OBJECT
 public:
  explicit TClassView(QWidget* Parent = nullptr);

  // Grades the answer files of Folder against the key file; false with the reason when the key
  // cannot be read (the view is left as it was).
  bool GradeFolder(const std::string& KeyFile, const std::string& Folder, std::string& Error);
  bool HasClass() const { return FGrades.has_value(); }
  // Both write the figures of examtool grade; an empty string on success, else the reason.
  std::string WriteReport(const std::string& Path) const;
  std::string WriteCsv(const std::string& Path) const;
  const std::string& Folder() const { return FFolder; }

  QTableWidget& Table() const { return *FTable; }
  QListWidget& BadFiles() const { return *FBad; }
  QLabel& Summary() const { return *FSummary; }

 signals:
  void ReportRequested();
  void CsvRequested();

 private:
  void Fill();

  QLabel* FSummary;
  QTableWidget* FTable;
  QListWidget* FBad;
  QPushButton* FReport;
  QPushButton* FCsv;
  std::string FTitle, FFolder;
  std::optional<TClassGrades> FGrades;
  std::vector<TItemStatistics> FItems;
};
