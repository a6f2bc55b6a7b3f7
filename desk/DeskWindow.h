// TDeskWindow: the teacher's window: the source in an editor, the question under the caret as
// the student will see it, the errors, the outline, the build, a trial run, the class's grades
// and the printed test.
#pragma once

#include <QMainWindow>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "SourceParser.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QTemporaryDir;
class QTimer;
class QTreeWidget;
class QLineEdit;
class TClassView;
class TNoticeLabel;
class TQuestionPreview;
class TSourceEditor;

class TDeskWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Arguments: the command line without the program's name; a source file named there is opened.
  explicit TDeskWindow(const QStringList& Arguments);
  ~TDeskWindow() override;

  // Files. Each returns false when it did not happen (cancelled or failed, the reason shown).
  void NewSource();
  bool OpenSource(const QString& FileName);
  bool Save();
  bool SaveAs();
  // A question bank (Moodle XML, GIFT, Aiken) written as the source SourceFile, its pictures
  // beside it, then opened; what was skipped is told.
  bool ImportBank(const QString& BankFile, const QString& SourceFile);
  // Asks about unsaved changes; false when the teacher cancels.
  bool MayDiscard();
  const QString& FileName() const { return FFileName; }

  // The commands; those that may open a dialog are queued by the menu items and buttons, so a
  // press through the accessibility bus returns at once.
  bool BuildTest();
  void TrialRun();
  void GradeWorks();
  void PrintTest();
  void ShowHelp();
  void ShowFind(bool Replace);
  // The keyboard to the next (Step 1) or previous (-1) of the panes shown: the editor, the
  // preview's page, the errors, the outline, the class's grades.
  void FocusPane(int Step);
  // A dropped or pasted picture: saved beside the source in images/ under a new name, and
  // ![](images/...) inserted at the caret; an EMF or WMF file becomes the question's page=.
  bool InsertPicture(const QMimeData& Data);
  void GoToLine();

  // The recovery copy of unsaved text (written every 30 s, removed on save or on discarding the
  // changes) and the offer to take it back, made when the window opens that source again.
  void SaveRecovery();
  void OfferRecovery();
  QString RecoveryFile() const;

  // The newest parse has reached the window (errors, outline and preview are up to date).
  bool ParseCurrent() const;

  TSourceEditor& Editor() const { return *FEditor; }
  TQuestionPreview& Preview() const { return *FPreview; }
  QListWidget& Errors() const { return *FErrors; }
  QTreeWidget& Outline() const { return *FOutline; }
  TClassView& Class() const { return *FClass; }
  QAction& Action(const QString& Name) const;
  // Replaces the dialogs that ask for a file or folder (tests answer them without a person).
  using TAskFile = std::function<QString(const QString& Title, const QString& Filter, bool Save)>;
  using TAskFolder = std::function<QString(const QString& Title)>;
  void SetFileAsker(TAskFile Ask) { FAskFile = std::move(Ask); }
  void SetFolderAsker(TAskFolder Ask) { FAskFolder = std::move(Ask); }
  // Where the answers go: the message boxes' answers for the tests, else a real box.
  using TAskChoice = std::function<int(const QString& Text, const QStringList& Buttons)>;
  void SetChoiceAsker(TAskChoice Ask) { FAskChoice = std::move(Ask); }
  const QString& LastMessage() const { return FLastMessage; }

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateParts();
  QAction* AddAction(QMenu* Menu, const QString& Name, const QKeySequence& Key,
                     std::function<void()> Run, bool Queued);
  void TextChanged();
  void CaretMoved();
  void Parsed();
  void UpdatePreview();
  void FillErrors(const std::vector<TSourceError>& Errors, const std::string& PageError);
  void FillOutline();
  void UpdateTitle();
  void AddRecent(const QString& FileName);
  void FillRecent();
  std::string BaseDir() const;
  QString AskFile(const QString& Title, const QString& Filter, bool Save);
  int AskChoice(const QString& Text, const QStringList& Buttons);
  void Tell(const QString& Text);
  bool WriteSource(const QString& FileName);
  // Sets the identity line of the front matter in the editor (an undoable edit).
  void SetIdentLine(const TParsedSource& Parsed, const std::string& Ident);
  QString TestFile() const;
  QString ReportFile() const;

  TSourceEditor* FEditor = nullptr;
  TQuestionPreview* FPreview = nullptr;
  QListWidget* FErrors = nullptr;
  QTreeWidget* FOutline = nullptr;
  QLabel* FOutlineTotal = nullptr;
  TNoticeLabel* FNotice = nullptr;
  TClassView* FClass = nullptr;
  QWidget* FFindBar = nullptr;
  QLineEdit* FFindText = nullptr;
  QLineEdit* FReplaceText = nullptr;
  QWidget* FReplaceRow = nullptr;
  QMenu* FRecentMenu = nullptr;
  TSourceParser FParser;
  QTimer* FPreviewTimer = nullptr;
  QTimer* FRecoveryTimer = nullptr;
  QString FFileName;
  QString FLastMessage;
  bool FTextParsed = true;
  int FLastPreviewLine = -1;
  TAskFile FAskFile;
  TAskFolder FAskFolder;
  TAskChoice FAskChoice;
  std::unique_ptr<QTemporaryDir> FTrialDir;
  QProcess* FTrial = nullptr;
};

// The window's resources (the help text) in a static build.
void InitDeskResources();
// The source a new test starts from: a short test that shows the format by example.
QString NewSourceTemplate();
