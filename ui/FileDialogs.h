// The window's file-open and file-save dialogs, behind a runner that tests can answer.
#pragma once

#include <QString>

class QWidget;

// One dialog as the window keeps it: its title, its filter ("Description|*.ext") and the file
// name it last proposed or returned.
struct TFileDialog {
  enum TKind { fdOpen, fdSave };
  TKind Kind = fdOpen;
  QString Title;
  QString Filter;
  QString FileName;
};

// Shows a dialog; true with Dialog.FileName set to the chosen file, false when cancelled.
class TFileDialogRunner {
 public:
  virtual ~TFileDialogRunner() = default;
  virtual bool Execute(QWidget* Parent, TFileDialog& Dialog) = 0;
};

// The toolkit's own dialogs (their texts come from the toolkit's translation).
class TQtFileDialogRunner : public TFileDialogRunner {
 public:
  bool Execute(QWidget* Parent, TFileDialog& Dialog) override;
};

// "Description|*.ext|…" as the toolkit writes filters: "Description (*.ext)" per pair.
QString QtFilter(const QString& Filter);
// The file name with its extension (after the last dot of the last path part) replaced by
// Extension, which starts with a dot; a name without one gets it appended.
QString ChangeFileExt(const QString& FileName, const QString& Extension);
