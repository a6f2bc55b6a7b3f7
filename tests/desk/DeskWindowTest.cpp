// The teacher's window offscreen: the preview against the student's window, errors as one types,
// the build and its identity, the files, and grading against examtool's own figures.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>

#include "ClassView.h"
#include "DeskWindow.h"
#include "Exam.h"
#include "ExamFixtures.h"
#include "PageImage.h"
#include "QuestionPreview.h"
#include "SourceEditor.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "ToolTestSupport.h"
#include "Unit1.h"

namespace fs = std::filesystem;

namespace {

class DeskWindow : public testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SAMPLES_DIR, Dir(), fs::copy_options::recursive);
    // Recent files and recovery copies stay in the test's folder.
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString((Dir() / "state").string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((Dir() / "config").string()));
    FWindow = std::make_unique<TDeskWindow>(QStringList{Path("demo.md")});
    FWindow->SetChoiceAsker([this](const QString& text, const QStringList&) {
      FAsked << text;
      return FAnswers.isEmpty() ? -1 : FAnswers.takeFirst();
    });
    FWindow->SetFileAsker([this](const QString&, const QString&, bool) { return FFileAnswer; });
    FWindow->resize(1200, 760);
    FWindow->show();
    Settle();
  }
  QString Path(const char* name) const { return QString::fromStdString((Dir() / name).string()); }
  const fs::path& Dir() const { return FTmp.Path(); }
  void Settle() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return FWindow->ParseCurrent(); }, 5000));
    QCoreApplication::processEvents();
  }
  void Type(const QString& text) {
    FWindow->Editor().insertPlainText(text);
    Settle();
  }
  int LineOf(const QString& text) const {
    return FWindow->Editor().document()->find(text).blockNumber() + 1;
  }
  QStringList ErrorRows() const {
    QStringList rows;
    for (int i = 0; i < FWindow->Errors().count(); ++i) rows << FWindow->Errors().item(i)->text();
    return rows;
  }

  examtest::TPrivateTempDir FTmp;
  std::unique_ptr<TDeskWindow> FWindow;
  QStringList FAsked;
  QList<int> FAnswers;
  QString FFileAnswer;
};

TEST_F(DeskWindow, ThePreviewFollowsTheCaretAndShowsWhatTheStudentsWindowShows) {
  EXPECT_TRUE(FWindow->windowTitle().contains(QStringLiteral("demo.md")));
  ASSERT_TRUE(FWindow->BuildTest());
  TForm1 student({}, nullptr, nullptr, false);
  TExam& exam = student.Exam();
  exam.OpenTest(std::make_unique<TVFMem>((Dir() / "demo.tst").string()));
  exam.OpenTestAnswers(std::make_unique<TVFMem>((Dir() / "demo.tst-ans").string()));
  exam.SetRunning(false);
  // The same geometry as the preview's: its page area has no room for the exam's command bar.
  student.setMinimumSize(0, 0);
  student.findChild<QToolBar*>(QStringLiteral("ToolBar1"))->hide();
  student.SetPlaceShown(false);
  student.resize(FWindow->Preview().StudentWindow().size());
  student.show();
  // The first question, one with a table, and the last one (with formulas), by the line under
  // the caret.
  // The text taken out and put back: every question is shown afresh in the window at its size
  // (the first page shown while the window was laid out the first time stands a pixel lower).
  FWindow->Editor().selectAll();
  FWindow->Editor().cut();
  Settle();
  FWindow->Editor().paste();
  Settle();
  for (int q : {0, 5, 12}) {
    FWindow->Editor().GoToLine(1);
    QTextCursor cursor = FWindow->Editor().document()->find(QStringLiteral("### "), 0);
    for (int i = 0; i < q; ++i)
      cursor = FWindow->Editor().document()->find(QStringLiteral("### "), cursor);
    FWindow->Editor().setTextCursor(cursor);
    QCoreApplication::processEvents();
    // Formulas are typeset beside the window, then the page is shown.
    QDeadlineTimer typeset(60000);
    while (FWindow->Preview().Typesetting() && !typeset.hasExpired()) QTest::qWait(20);
    ASSERT_FALSE(FWindow->Preview().Typesetting());
    EXPECT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос %1 из 13").arg(q + 1));
    exam.First();
    for (int i = 0; i < q; ++i) exam.Next();
    QCoreApplication::processEvents();
    TPageImage& shown = FWindow->Preview().Page();
    const QImage preview = shown.grab().toImage();
    TPageImage& realPage = *student.findChild<TPageImage*>(QStringLiteral("QImage"));
    const QImage real = realPage.grab().toImage();
    EXPECT_EQ(preview.size(), real.size()) << q;
    EXPECT_TRUE(preview == real) << "question " << q + 1 << ": the preview differs from the exam";
    const QImage previewAnswers = FWindow->Preview()
                                      .StudentWindow()
                                      .findChild<QScrollArea*>(QStringLiteral("AnswPanel"))
                                      ->grab()
                                      .toImage();
    const QImage realAnswers =
        student.findChild<QScrollArea*>(QStringLiteral("AnswPanel"))->grab().toImage();
    EXPECT_TRUE(previewAnswers == realAnswers)
        << "question " << q + 1 << ": the answer column differs";
    // A screen reader finds the page by its name, and reads its text and options as the student
    // will hear them.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(&shown);
    EXPECT_EQ(spoken->text(QAccessible::Name), QStringLiteral("Страница вопроса"));
    EXPECT_FALSE(shown.Description().isEmpty());
    EXPECT_EQ(spoken->text(QAccessible::Description), realPage.Description()) << q;
    // The one-question test the preview is made of counts for nothing the teacher reads.
    for (const char* counter : {"pnWhere", "pnAnswered"}) {
      EXPECT_TRUE(FWindow->Preview().StudentWindow().findChild<QLabel*>(counter)->text().isEmpty())
          << counter;
    }
    EXPECT_FALSE(
        FWindow->Preview().StudentWindow().findChild<QWidget*>("QuestionStrip")->isVisible());
  }
}

// The teacher types on while the preview follows the caret from question to question: the keys
// stay in the editor.
TEST_F(DeskWindow, TypingStaysInTheEditorWhileThePreviewTurnsPages) {
  FWindow->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
  FWindow->Editor().setFocus();
  ASSERT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос 1 из 13"));
  // Keys as the platform gives them: to the window, which passes them to its focused control.
  QTest::keyClick(FWindow->windowHandle(), Qt::Key_End, Qt::ControlModifier);
  Settle();
  QDeadlineTimer typeset(60000);
  while (FWindow->Preview().Typesetting() && !typeset.hasExpired()) QTest::qWait(20);
  ASSERT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос 13 из 13"));
  EXPECT_EQ(QApplication::focusWidget(), &FWindow->Editor());
  for (char c : {'x', 'y', 'z'}) QTest::keyClick(FWindow->windowHandle(), c);
  EXPECT_TRUE(FWindow->Editor().toPlainText().endsWith(QStringLiteral("xyz")));
}

// Keyboard only: Ctrl+Tab goes through the panes shown (Tab from control to control) and back
// again with Ctrl+Shift+Tab; what the window tells is a notification a screen reader speaks.
TEST_F(DeskWindow, TheKeyboardGoesThroughThePanesAndWhatTheWindowTellsIsSpoken) {
  FWindow->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
  FWindow->Editor().setFocus();
  const QList<QWidget*> forth{&FWindow->Preview().Page(), &FWindow->Errors(), &FWindow->Outline(),
                              &FWindow->Editor()};
  for (QWidget* expected : forth) {
    QTest::keyClick(FWindow->windowHandle(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), expected)
        << expected->accessibleName().toStdString() << " / "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "none");
  }
  QTest::keyClick(FWindow->windowHandle(), Qt::Key_Backtab,
                  Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), &FWindow->Outline());

  ASSERT_TRUE(FWindow->BuildTest());
  auto* notice = FWindow->findChild<QLabel*>(QStringLiteral("DeskNotice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->text(), FWindow->LastMessage());
  QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(notice);
  EXPECT_EQ(spoken->role(), QAccessible::Notification);
  EXPECT_TRUE(spoken->text(QAccessible::Name).startsWith(QStringLiteral("Собрано: demo.tst")))
      << spoken->text(QAccessible::Name).toStdString();
}

// A question bank brought from another system: written as a source beside it and opened, what
// was skipped told; a bank that cannot be read, or an import over the bank itself, changes
// nothing.
TEST_F(DeskWindow, AQuestionBankIsImportedAndOpenedWithWhatWasSkippedTold) {
  examtest::WriteFile(Dir() / "bank.gift",
                      "::Скорость:: Единица скорости в СИ? {=м/с ~км/ч ~узел}\n\n"
                      "::Эссе:: Расскажите о себе {}\n");
  ASSERT_TRUE(FWindow->ImportBank(Path("bank.gift"), Path("bank.md")))
      << FWindow->LastMessage().toStdString();
  Settle();
  EXPECT_EQ(FWindow->FileName(), QFileInfo(Path("bank.md")).absoluteFilePath());
  EXPECT_TRUE(fs::exists(Dir() / "bank.md"));
  EXPECT_TRUE(FWindow->Editor().toPlainText().contains(QStringLiteral("Единица скорости в СИ?")));
  EXPECT_EQ(FWindow->Preview().Counter().text().right(4), QStringLiteral("из 1"));
  EXPECT_TRUE(ErrorRows().isEmpty()) << ErrorRows().join('\n').toStdString();
  ASSERT_FALSE(FAsked.isEmpty());
  EXPECT_TRUE(FAsked.back().contains(QStringLiteral("Пропущены (1):\n«Эссе» (essay)")))
      << FAsked.back().toStdString();

  const std::string before = examtest::ReadFile(Dir() / "bank.md");
  examtest::WriteFile(Dir() / "broken.xml", "<quiz><question type=\"multichoice\">\n<name>");
  struct TCase {
    const char* Bank;
    const char* Source;
    const char* Told;
  } cases[] = {
      {"broken.xml", "bank.md", "broken.xml, строка"},
      {"bank.gift", "bank.gift", "Банк не импортирован: "},
  };
  for (const TCase& c : cases) {
    EXPECT_FALSE(FWindow->ImportBank(Path(c.Bank), Path(c.Source))) << c.Bank;
    EXPECT_TRUE(FWindow->LastMessage().contains(QString::fromUtf8(c.Told)))
        << FWindow->LastMessage().toStdString();
  }
  EXPECT_EQ(examtest::ReadFile(Dir() / "bank.md"), before);
  EXPECT_NE(examtest::ReadFile(Dir() / "bank.gift").find("::Эссе::"), std::string::npos);
}

// While a formula being edited is typeset, the question stays in view as it was.
TEST_F(DeskWindow, AFormulaBeingEditedStaysInViewUntilItsPageIsMade) {
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((Dir() / "cache").string()));
  auto typeset = [this] {
    QDeadlineTimer deadline(60000);
    while (FWindow->Preview().Typesetting() && !deadline.hasExpired()) QTest::qWait(20);
    return !FWindow->Preview().Typesetting();
  };
  FWindow->Editor().GoToLine(LineOf(QStringLiteral("\\pm")));
  Settle();
  ASSERT_TRUE(typeset());
  TExam& shown = FWindow->Preview().StudentWindow().Exam();
  ASSERT_TRUE(shown.HasTest());
  ASSERT_TRUE(FWindow->Preview().PageError().empty()) << FWindow->Preview().PageError();
  QTextCursor cursor = FWindow->Editor().document()->find(QStringLiteral("\\pm"));
  cursor.insertText(QStringLiteral("\\mp"));  // a formula no cache has seen
  Settle();
  EXPECT_TRUE(FWindow->Preview().Typesetting());
  EXPECT_TRUE(shown.HasTest());
  ASSERT_TRUE(typeset());
  EXPECT_TRUE(shown.HasTest());
  EXPECT_TRUE(FWindow->Preview().PageError().empty()) << FWindow->Preview().PageError();
  qunsetenv("XDG_CACHE_HOME");
}

// A formula TeX cannot set: the question's page says why, and the window goes on.
TEST_F(DeskWindow, AFormulaTeXCannotSetIsTheQuestionsProblem) {
  FWindow->Editor().moveCursor(QTextCursor::End);
  Type(QStringLiteral("\n### Вопрос\nЧему равно $\\nosuchmacro{x}$?\n- [x] 1\n- [ ] 2\n"));
  QDeadlineTimer typeset(60000);
  while (FWindow->Preview().Typesetting() && !typeset.hasExpired()) QTest::qWait(20);
  ASSERT_FALSE(FWindow->Preview().Typesetting());
  EXPECT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос 14 из 14"));
  EXPECT_NE(FWindow->Preview().PageError().find("nosuchmacro"), std::string::npos)
      << FWindow->Preview().PageError();
}

TEST_F(DeskWindow, ErrorsAreListedAsYouTypeAndBuildingThenWritesNothing) {
  fs::remove(Dir() / "demo.tst");
  fs::remove(Dir() / "demo.tst-ans");
  const int line = LineOf(QStringLiteral("## Основные понятия"));
  FWindow->Editor().GoToLine(line);
  QTextCursor cursor = FWindow->Editor().textCursor();
  cursor.movePosition(QTextCursor::EndOfBlock);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(QStringLiteral("## Основные понятия {weight=10}"));
  Settle();
  const QString expected = QStringLiteral("строка %1: the level has no {minutes=N}").arg(line);
  ASSERT_TRUE(ErrorRows().contains(expected)) << ErrorRows().join('\n').toStdString();
  EXPECT_TRUE(FWindow->Editor().ErrorLines().contains(line));
  // Activating the row takes the caret to the line.
  FWindow->Editor().GoToLine(1);
  QListWidgetItem* row = FWindow->Errors().findItems(expected, Qt::MatchExactly).front();
  emit FWindow->Errors().itemActivated(row);
  EXPECT_EQ(FWindow->Editor().CaretLine(), line);

  EXPECT_FALSE(FWindow->BuildTest());
  EXPECT_TRUE(FWindow->LastMessage().contains(QStringLiteral("не собран")))
      << FWindow->LastMessage().toStdString();
  EXPECT_FALSE(fs::exists(Dir() / "demo.tst"));
  EXPECT_FALSE(fs::exists(Dir() / "demo.tst-ans"));

  // A picture that is missing is a page error of the question shown, at its line.
  FWindow->Editor().undo();
  Settle();
  EXPECT_TRUE(ErrorRows().isEmpty()) << ErrorRows().join('\n').toStdString();
  const int picture = LineOf(QStringLiteral("!["));
  fs::rename(Dir() / "images", Dir() / "gone");
  FWindow->Editor().GoToLine(picture);
  Type(QStringLiteral(" "));
  EXPECT_FALSE(ErrorRows().isEmpty());
  EXPECT_FALSE(FWindow->BuildTest());
  EXPECT_FALSE(fs::exists(Dir() / "demo.tst"));
}

TEST_F(DeskWindow, TheFirstBuildWritesTheIdentAndRebuildsKeepItUnlessAnswersNoLongerFit) {
  ASSERT_TRUE(FWindow->BuildTest());
  std::string text = examtest::ReadFile(Dir() / "demo.md");
  const std::optional<TTestIdent> ident = SourceIdent(text);
  ASSERT_TRUE(ident) << "the source has no ident line after the build";
  TTestReader built;
  built.SetMemory(MemoryBlockOf(examtest::ReadFile(Dir() / "demo.tst-ans")));
  EXPECT_TRUE(SameTestIdent(built.GetIdent(), *ident));
  const std::string firstTest = examtest::ReadFile(Dir() / "demo.tst");
  // examtool make takes the same line, so both build the same bytes.
  ASSERT_EQ(tooltest::RunTool(Dir(), "make demo.md -o tool.tst").Exit, 0);
  EXPECT_EQ(examtest::ReadFile(Dir() / "tool.tst"), firstTest);

  // A typo fixed: the same identity, no question asked.
  FWindow->Editor().GoToLine(LineOf(QStringLiteral("Выберите один ответ.")));
  Type(QStringLiteral("Итак. "));
  ASSERT_TRUE(FWindow->BuildTest());
  EXPECT_TRUE(FAsked.isEmpty());
  EXPECT_EQ(SourceIdent(examtest::ReadFile(Dir() / "demo.md")), ident);

  // An option more: the old answers would not fit; keeping the old identity is the teacher's
  // choice, a new one is offered first, and cancelling writes nothing.
  FWindow->Editor().GoToLine(LineOf(QStringLiteral("- [ ] D) Н")));
  FWindow->Editor().moveCursor(QTextCursor::EndOfBlock);
  Type(QStringLiteral("\n- [ ] E) Дж"));
  const std::string before = examtest::ReadFile(Dir() / "demo.tst");
  FAnswers = {2};
  EXPECT_FALSE(FWindow->BuildTest());
  ASSERT_EQ(FAsked.size(), 1);
  EXPECT_TRUE(FAsked[0].contains(QStringLiteral("не подойдут")));
  EXPECT_EQ(examtest::ReadFile(Dir() / "demo.tst"), before);
  FAnswers = {0};
  ASSERT_TRUE(FWindow->BuildTest());
  const std::optional<TTestIdent> renewed = SourceIdent(examtest::ReadFile(Dir() / "demo.md"));
  ASSERT_TRUE(renewed);
  EXPECT_NE(*renewed, *ident);
  built.SetMemory(MemoryBlockOf(examtest::ReadFile(Dir() / "demo.tst")));
  EXPECT_TRUE(SameTestIdent(built.GetIdent(), *renewed));
  // The identity line is one undoable edit away.
  EXPECT_EQ(FWindow->Editor().document()->findBlockByNumber(1).text().left(7),
            QStringLiteral("ident: "));
}

TEST_F(DeskWindow, UnsavedChangesAreAskedAboutAndSavingReplacesTheFileWhole) {
  const std::string original = examtest::ReadFile(Dir() / "demo.md");
  Type(QStringLiteral("x"));
  EXPECT_TRUE(FWindow->isWindowModified());
  FAnswers = {2};  // cancel
  EXPECT_FALSE(FWindow->MayDiscard());
  EXPECT_EQ(examtest::ReadFile(Dir() / "demo.md"), original);
  FAnswers = {0};  // save
  EXPECT_TRUE(FWindow->MayDiscard());
  EXPECT_EQ(examtest::ReadFile(Dir() / "demo.md"), "x" + original);
  EXPECT_FALSE(FWindow->isWindowModified());
  // Save as: the title follows the new name; a name without extension gets .md.
  FFileAnswer = Path("copy");
  EXPECT_TRUE(FWindow->SaveAs());
  EXPECT_TRUE(fs::exists(Dir() / "copy.md"));
  EXPECT_TRUE(FWindow->windowTitle().contains(QStringLiteral("copy.md")));
  // A file that is not UTF-8 is refused and the text in the window stays.
  examtest::WriteFile(Dir() / "cp1251.md", "---\ntitle: \xD2\xE5\xF1\xF2\n---\n");
  EXPECT_FALSE(FWindow->OpenSource(Path("cp1251.md")));
  EXPECT_TRUE(FWindow->LastMessage().contains(QStringLiteral("UTF-8")));
  EXPECT_TRUE(FWindow->FileName().endsWith(QStringLiteral("copy.md")));
}

TEST_F(DeskWindow, APastedPictureIsSavedInImagesAndADroppedMetafileBecomesThePage) {
  const int body = LineOf(QStringLiteral("Выберите один ответ."));
  FWindow->Editor().GoToLine(body);
  QImage shot(40, 20, QImage::Format_RGB32);
  shot.fill(Qt::green);
  QApplication::clipboard()->setImage(shot);
  FWindow->Editor().paste();
  EXPECT_EQ(FWindow->Editor().document()->findBlockByNumber(body - 1).text(),
            QStringLiteral("![](images/picture-1.png)"));
  EXPECT_EQ(QImage(Path("images/picture-1.png")).pixel(5, 5), QColor(Qt::green).rgb());
  // A second one gets a name of its own.
  FWindow->Editor().paste();
  EXPECT_TRUE(fs::exists(Dir() / "images" / "picture-2.png"));
  Settle();
  EXPECT_TRUE(ErrorRows().isEmpty()) << ErrorRows().join('\n').toStdString();

  const fs::path emf = *fs::directory_iterator(Dir() / "pages");
  QMimeData drop;
  drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(emf.string()))});
  ASSERT_TRUE(FWindow->InsertPicture(drop));
  const QString heading = FWindow->Editor()
                              .document()
                              ->findBlockByNumber(LineOf(QStringLiteral("### Вопрос {max=1")) - 1)
                              .text();
  EXPECT_TRUE(heading.endsWith(QStringLiteral("page=images/picture-1.") +
                               QString::fromStdString(emf.extension().string().substr(1)) + "}"))
      << heading.toStdString();
  // Undo takes the whole insertion back.
  FWindow->Editor().undo();
  EXPECT_FALSE(FWindow->Editor()
                   .document()
                   ->findBlockByNumber(LineOf(QStringLiteral("### Вопрос {max=1")) - 1)
                   .text()
                   .contains(QStringLiteral("page=")));
}

TEST_F(DeskWindow, UnsavedTextIsOfferedBackAfterACrash) {
  Type(QStringLiteral("Несохранённое "));
  const QString typed = FWindow->Editor().toPlainText();
  FWindow->SaveRecovery();
  ASSERT_TRUE(QFileInfo::exists(FWindow->RecoveryFile()));
  FWindow.reset();  // gone without closing, as in a crash
  FAnswers = {0};
  TDeskWindow again(QStringList{Path("demo.md")});
  again.SetChoiceAsker([this](const QString& text, const QStringList&) {
    FAsked << text;
    return FAnswers.isEmpty() ? -1 : FAnswers.takeFirst();
  });
  QCoreApplication::processEvents();
  ASSERT_EQ(FAsked.size(), 1);
  EXPECT_EQ(again.Editor().toPlainText(), typed);
  EXPECT_TRUE(again.isWindowModified());
  // Saving ends the recovery copy.
  EXPECT_TRUE(again.Save());
  EXPECT_FALSE(QFileInfo::exists(again.RecoveryFile()));
}

TEST_F(DeskWindow, PrintWritesThePdfOfThePrinterWithOrWithoutTheKey) {
  if (!tooltest::HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  for (int withKey : {0, 1}) {
    FAnswers = {withKey};
    FFileAnswer = Path(withKey ? "key" : "test");
    FWindow->PrintTest();
    const fs::path pdf = Dir() / (withKey ? "key.pdf" : "test.pdf");
    ASSERT_TRUE(fs::exists(pdf)) << FWindow->LastMessage().toStdString();
    const auto text = tooltest::RunCommand(Dir(), "pdftotext " + tooltest::Quote(pdf) + " -");
    EXPECT_NE(text.Out.find("Кинематика"), std::string::npos);
    // The key prints each option's score; the students' copy has none.
    EXPECT_EQ(text.Out.find("максимум") != std::string::npos, withKey == 1)
        << text.Out.substr(0, 600);
  }
}

TEST_F(DeskWindow, TheOutlineListsTopicsLevelsAndQuestionsAndMovesTheCaret) {
  QTreeWidget& outline = FWindow->Outline();
  ASSERT_EQ(outline.topLevelItemCount(), 3);
  QTreeWidgetItem* level = outline.topLevelItem(0)->child(0);
  EXPECT_EQ(level->text(1), QStringLiteral("4"));
  QTreeWidgetItem* question = level->child(1);
  outline.setCurrentItem(question);
  EXPECT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос 2 из 13"));
  // By keys: the arrows walk the outline with the preview following, Enter goes to the text.
  FWindow->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
  outline.setFocus();
  QTest::keyClick(FWindow->windowHandle(), Qt::Key_Down);
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), outline.viewport()->parentWidget());
  EXPECT_EQ(FWindow->Preview().Counter().text(), QStringLiteral("Вопрос 3 из 13"));
  QTest::keyClick(FWindow->windowHandle(), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), &FWindow->Editor());
  EXPECT_EQ(FWindow->Editor().CaretLine(), LineOf(QStringLiteral("Тело движется равномерно")) - 1);
}

TEST_F(DeskWindow, GradingShowsTheClassWithTheFiguresOfExamtool) {
  ASSERT_TRUE(FWindow->BuildTest());
  const fs::path answers = Dir() / "answers";
  fs::create_directory(answers);
  tooltest::WriteClass(answers, examtest::ReadFile(Dir() / "demo.tst-ans"), 6, 7);
  examtest::WriteFile(answers / "broken.tst-usr", "not answers");
  std::string error;
  ASSERT_TRUE(
      FWindow->Class().GradeFolder((Dir() / "demo.tst-ans").string(), answers.string(), error))
      << error;
  QTableWidget& table = FWindow->Class().Table();
  EXPECT_EQ(table.accessibleName(), QStringLiteral("Оценки учеников"));
  EXPECT_EQ(table.rowCount(), 6);
  EXPECT_EQ(FWindow->Class().BadFiles().count(), 1);
  // Sorting by the grade sorts by its number.
  table.sortItems(3, Qt::DescendingOrder);
  for (int row = 1; row < table.rowCount(); ++row) {
    EXPECT_GE(table.item(row - 1, 3)->data(Qt::UserRole).toDouble(),
              table.item(row, 3)->data(Qt::UserRole).toDouble());
  }
  ASSERT_EQ(FWindow->Class().WriteCsv((Dir() / "class.csv").string()), "");
  const auto tool =
      tooltest::RunTool(Dir(), "grade demo.tst-ans " + tooltest::Quote(answers) + " --format csv");
  EXPECT_EQ(examtest::ReadFile(Dir() / "class.csv"), tool.Out);
  ASSERT_EQ(FWindow->Class().WriteReport((Dir() / "class.html").string()), "");
  EXPECT_NE(examtest::ReadFile(Dir() / "class.html").find("<html"), std::string::npos);
}

TEST_F(DeskWindow, ATrialRunStartsTheExamOnTheBuiltTestAndLeavesNoBackupBehind) {
  // A stand-in for the student's program that writes a crash backup where the exam would.
  const fs::path program = Dir() / "fake-exam";
  examtest::WriteFile(program,
                      "#!/bin/sh\necho \"$TMPDIR\" > \"" + (Dir() / "trial-tmp").string() +
                          "\"\necho \"$1\" > \"" + (Dir() / "trial-arg").string() +
                          "\"\nmkdir -p \"$TMPDIR/Exam\" && echo x > \"$TMPDIR/Exam/backup\"\n");
  fs::permissions(program, fs::perms::owner_all);
  qputenv("EXAM_PROGRAM", QByteArray::fromStdString(program.string()));
  FWindow->TrialRun();
  const bool ended = QTest::qWaitFor(
      [this] { return FWindow->LastMessage().contains(QStringLiteral("окончен")); }, 10000);
  qunsetenv("EXAM_PROGRAM");
  ASSERT_TRUE(ended) << FWindow->LastMessage().toStdString();
  std::string tmp = examtest::ReadFile(Dir() / "trial-tmp");
  std::string arg = examtest::ReadFile(Dir() / "trial-arg");
  ASSERT_FALSE(tmp.empty());
  tmp.pop_back();
  arg.pop_back();
  EXPECT_FALSE(fs::exists(tmp)) << "the trial's folder is left behind: " << tmp;
  EXPECT_EQ(fs::path(arg), fs::canonical(Dir() / "demo.tst"));
}

}  // namespace
