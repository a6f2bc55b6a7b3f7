// The toolkit's file dialogs and the file-name helpers of the window's workflows.
#include "FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

QString QtFilter(const QString& Filter) {
  const QStringList parts = Filter.split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  return filters.join(QStringLiteral(";;"));
}

QString ChangeFileExt(const QString& FileName, const QString& Extension) {
  const qsizetype slash = FileName.lastIndexOf('/');
  const qsizetype dot = FileName.lastIndexOf('.');
  // A dot that starts the last part names a hidden file, not an extension.
  if (dot > slash + 1) return FileName.left(dot) + Extension;
  return FileName.isEmpty() ? FileName : FileName + Extension;
}

bool TQtFileDialogRunner::Execute(QWidget* Parent, TFileDialog& Dialog) {
  QFileDialog dialog(Parent, Dialog.Title);
  dialog.setNameFilter(QtFilter(Dialog.Filter));
  dialog.setAcceptMode(Dialog.Kind == TFileDialog::fdSave ? QFileDialog::AcceptSave
                                                          : QFileDialog::AcceptOpen);
  dialog.setFileMode(Dialog.Kind == TFileDialog::fdSave ? QFileDialog::AnyFile
                                                        : QFileDialog::ExistingFile);
  // Qt's own dialog, so that its texts follow the Russian translation on every desktop.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!Dialog.FileName.isEmpty()) {
    const QFileInfo proposed(Dialog.FileName);
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  Dialog.FileName = dialog.selectedFiles().constFirst();
  return true;
}
