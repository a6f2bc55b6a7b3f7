// The teacher's window: its parts, the files and the commands.
#include "DeskWindow.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "BankImport.h"
#include "ClassView.h"
#include "Cp1251.h"
#include "FileHelpers.h"
#include "LoadTest.h"
#include "OutputFile.h"
#include "PageImage.h"
#include "QuestionPreview.h"
#include "SourceEditor.h"
#include "TestMaker.h"
#include "TestPrinter.h"
#include "TestReader.h"
#include "WindowAccessible.h"

namespace {

// The preview waits this long after the last key (typing never waits for it).
constexpr int kPreviewDelayMs = 120;
constexpr int kRecoveryIntervalMs = 30000;
constexpr int kRecentFiles = 8;

QString Q(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

std::string Local(const QString& FileName) {
  return QFile::encodeName(FileName).toStdString();
}

QString SourceFilter() {
  return QStringLiteral("Тексты тестов (*.md);;Все файлы (*)");
}

}  // namespace

void InitDeskResources() {
  Q_INIT_RESOURCE(Desk);
}

QString NewSourceTemplate() {
  return QStringLiteral(
      "---\n"
      "title: Новый тест\n"
      "---\n"
      "# Первая тема\n"
      "## Уровень 1 {minutes=5 weight=10}\n"
      "### Вопрос\n"
      "Сколько будет **2 + 2**?\n"
      "- [ ] A) 3\n"
      "- [x] B) 4\n"
      "- [ ] C) 5\n"
      "### Вопрос {multi}\n"
      "Какие из чисел чётные? Ускорение измеряют в м/с^{2}.\n"
      "- [x] A) 2\n"
      "- [ ] B) 3\n"
      "- [x] C) 8\n");
}

TDeskWindow::TDeskWindow(const QStringList& Arguments) {
  setObjectName(QStringLiteral("DeskWindow"));
  resize(1200, 760);
  CreateParts();
  CreateMenus();
  connect(&FParser, &TSourceParser::Parsed, this, [this] { Parsed(); });
  FPreviewTimer = new QTimer(this);
  FPreviewTimer->setSingleShot(true);
  FPreviewTimer->setInterval(kPreviewDelayMs);
  connect(FPreviewTimer, &QTimer::timeout, this,
          [this] { FParser.Parse(FEditor->toPlainText().toStdString()); });
  FRecoveryTimer = new QTimer(this);
  FRecoveryTimer->setInterval(kRecoveryIntervalMs);
  connect(FRecoveryTimer, &QTimer::timeout, this, [this] { SaveRecovery(); });
  FRecoveryTimer->start();

  if (!Arguments.isEmpty() && QFileInfo(Arguments.front()).isFile()) {
    OpenSource(Arguments.front());
  } else {
    NewSource();
    if (!Arguments.isEmpty()) Tell(QStringLiteral("Файл %1 не найден.").arg(Arguments.front()));
  }
  FEditor->setFocus();
  QTimer::singleShot(0, this, [this] { OfferRecovery(); });
}

TDeskWindow::~TDeskWindow() {
  if (FTrial) {
    FTrial->disconnect();
    FTrial->kill();
    FTrial->waitForFinished(2000);
  }
}

void TDeskWindow::CreateParts() {
  FEditor = new TSourceEditor;
  connect(FEditor, &QPlainTextEdit::textChanged, this, [this] { TextChanged(); });
  connect(FEditor, &QPlainTextEdit::cursorPositionChanged, this, [this] { CaretMoved(); });
  connect(FEditor->document(), &QTextDocument::modificationChanged, this,
          [this] { UpdateTitle(); });
  FEditor->SetPictureHandler([this](const QMimeData& dropped) { return InsertPicture(dropped); });

  // The find bar: Ctrl+F finds, Ctrl+H replaces as well.
  FFindBar = new QWidget;
  FFindBar->setObjectName(QStringLiteral("FindBar"));
  auto* findLayout = new QVBoxLayout(FFindBar);
  findLayout->setContentsMargins(0, 0, 0, 0);
  auto* findRow = new QHBoxLayout;
  FFindText = new QLineEdit;
  FFindText->setAccessibleName(QStringLiteral("Найти"));
  FFindText->setPlaceholderText(QStringLiteral("Найти"));
  auto* next = new QPushButton(QStringLiteral("Далее"));
  auto* prior = new QPushButton(QStringLiteral("Назад"));
  auto* closeFind = new QPushButton(QStringLiteral("Закрыть"));
  findRow->addWidget(FFindText, 1);
  findRow->addWidget(prior);
  findRow->addWidget(next);
  findRow->addWidget(closeFind);
  FReplaceRow = new QWidget;
  auto* replaceRow = new QHBoxLayout(FReplaceRow);
  replaceRow->setContentsMargins(0, 0, 0, 0);
  FReplaceText = new QLineEdit;
  FReplaceText->setAccessibleName(QStringLiteral("Заменить на"));
  FReplaceText->setPlaceholderText(QStringLiteral("Заменить на"));
  auto* replace = new QPushButton(QStringLiteral("Заменить"));
  auto* replaceAll = new QPushButton(QStringLiteral("Заменить все"));
  replaceRow->addWidget(FReplaceText, 1);
  replaceRow->addWidget(replace);
  replaceRow->addWidget(replaceAll);
  findLayout->addLayout(findRow);
  findLayout->addWidget(FReplaceRow);
  FFindBar->hide();
  auto find = [this](bool backward) {
    if (!FEditor->FindText(FFindText->text(), backward))
      Tell(QStringLiteral("Не найдено: %1").arg(FFindText->text()));
  };
  connect(FFindText, &QLineEdit::returnPressed, this, [find] { find(false); });
  connect(next, &QPushButton::clicked, this, [find] { find(false); });
  connect(prior, &QPushButton::clicked, this, [find] { find(true); });
  connect(closeFind, &QPushButton::clicked, this, [this] {
    FFindBar->hide();
    FEditor->setFocus();
  });
  connect(replace, &QPushButton::clicked, this,
          [this] { FEditor->ReplaceNext(FFindText->text(), FReplaceText->text()); });
  connect(replaceAll, &QPushButton::clicked, this, [this] {
    Tell(QStringLiteral("Заменено: %1")
             .arg(FEditor->ReplaceAll(FFindText->text(), FReplaceText->text())));
  });

  FErrors = new QListWidget;
  FErrors->setObjectName(QStringLiteral("Errors"));
  FErrors->setAccessibleName(QStringLiteral("Ошибки"));
  auto jump = [this](QListWidgetItem* item) {
    if (item && item->data(Qt::UserRole).toInt() > 0)
      FEditor->GoToLine(item->data(Qt::UserRole).toInt());
  };
  connect(FErrors, &QListWidget::itemActivated, this, jump);
  connect(FErrors, &QListWidget::itemClicked, this, jump);
  auto* errorsLabel = new QLabel(QStringLiteral("Ошибки:"));
  errorsLabel->setBuddy(FErrors);

  auto* editorPane = new QWidget;
  auto* editorLayout = new QVBoxLayout(editorPane);
  editorLayout->setContentsMargins(0, 0, 0, 0);
  editorLayout->addWidget(FEditor, 1);
  editorLayout->addWidget(FFindBar);
  auto* errorsPane = new QWidget;
  auto* errorsLayout = new QVBoxLayout(errorsPane);
  errorsLayout->setContentsMargins(0, 0, 0, 0);
  errorsLayout->addWidget(errorsLabel);
  errorsLayout->addWidget(FErrors, 1);
  auto* left = new QSplitter(Qt::Vertical);
  left->addWidget(editorPane);
  left->addWidget(errorsPane);
  left->setStretchFactor(0, 4);
  left->setStretchFactor(1, 1);

  FPreview = new TQuestionPreview;
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(left);
  split->addWidget(FPreview);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  split->setSizes({560, 520});
  setCentralWidget(split);

  FOutline = new QTreeWidget;
  FOutline->setObjectName(QStringLiteral("Outline"));
  FOutline->setAccessibleName(QStringLiteral("Структура теста"));
  FOutline->setHeaderLabels({QStringLiteral("Тема, уровень, вопрос"), QStringLiteral("Минут"),
                             QStringLiteral("Вес"), QStringLiteral("Доля оценки")});
  // Walking the outline moves the caret (and the preview) along; Enter or a double click goes to
  // the text.
  connect(FOutline, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item && item->data(0, Qt::UserRole).toInt() > 0) {
      FEditor->GoToLine(item->data(0, Qt::UserRole).toInt(), false);
    }
  });
  connect(FOutline, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item && item->data(0, Qt::UserRole).toInt() > 0) {
      FEditor->GoToLine(item->data(0, Qt::UserRole).toInt());
    }
  });
  FOutlineTotal = new QLabel;
  auto* outlinePane = new QWidget;
  auto* outlineLayout = new QVBoxLayout(outlinePane);
  outlineLayout->setContentsMargins(2, 2, 2, 2);
  outlineLayout->addWidget(FOutlineTotal);
  outlineLayout->addWidget(FOutline, 1);
  auto* outlineDock = new QDockWidget(QStringLiteral("Структура"), this);
  outlineDock->setObjectName(QStringLiteral("OutlineDock"));
  outlineDock->setWidget(outlinePane);
  addDockWidget(Qt::LeftDockWidgetArea, outlineDock);
  resizeDocks({outlineDock}, {300}, Qt::Horizontal);

  FClass = new TClassView;
  auto* classDock = new QDockWidget(QStringLiteral("Оценки учеников"), this);
  classDock->setObjectName(QStringLiteral("ClassDock"));
  classDock->setWidget(FClass);
  addDockWidget(Qt::BottomDockWidgetArea, classDock);
  classDock->hide();
  connect(FClass, &TClassView::ReportRequested, this, [this] {
    // Beside the test's key, where the teacher keeps the test (the answers may be on a stick).
    const QString path = ReportFile();
    if (const std::string error = FClass->WriteReport(Local(path)); !error.empty()) {
      Tell(QStringLiteral("Отчёт не записан: %1").arg(Q(error)));
      return;
    }
    Tell(QStringLiteral("Отчёт записан: %1").arg(path));
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  });
  connect(FClass, &TClassView::CsvRequested, this, [this] {
    const QString path =
        AskFile(QStringLiteral("Сохранить CSV"), QStringLiteral("Таблицы CSV (*.csv)"), true);
    if (path.isEmpty()) return;
    if (const std::string error = FClass->WriteCsv(Local(path)); !error.empty()) {
      Tell(QStringLiteral("CSV не записан: %1").arg(Q(error)));
    } else {
      Tell(QStringLiteral("Записано: %1").arg(path));
    }
  });
  // What the window tells, shown in the status bar and spoken by a screen reader.
  FNotice = new TNoticeLabel;
  FNotice->setObjectName(QStringLiteral("DeskNotice"));
  statusBar()->addWidget(FNotice, 1);
}

QAction* TDeskWindow::AddAction(QMenu* Menu, const QString& Name, const QKeySequence& Key,
                                std::function<void()> Run, bool Queued) {
  auto* action = new QAction(Name, this);
  action->setObjectName(Name);
  if (!Key.isEmpty()) action->setShortcut(Key);
  // A command that may open a modal dialog runs after the press has returned (a press through
  // the accessibility bus must be answered at once).
  connect(action, &QAction::triggered, this, [this, Run = std::move(Run), Queued] {
    if (Queued) {
      QMetaObject::invokeMethod(this, Run, Qt::QueuedConnection);
    } else {
      Run();
    }
  });
  Menu->addAction(action);
  return action;
}

QAction& TDeskWindow::Action(const QString& Name) const {
  return *findChild<QAction*>(Name);
}

void TDeskWindow::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
  AddAction(
      file, QStringLiteral("Создать"), QKeySequence::New,
      [this] {
        if (MayDiscard()) NewSource();
      },
      true);
  AddAction(
      file, QStringLiteral("Открыть…"), QKeySequence::Open,
      [this] {
        if (!MayDiscard()) return;
        const QString name = AskFile(QStringLiteral("Открыть текст теста"), SourceFilter(), false);
        if (!name.isEmpty()) OpenSource(name);
      },
      true);
  AddAction(
      file, QStringLiteral("Импорт банка вопросов…"), QKeySequence(Qt::CTRL | Qt::Key_I),
      [this] {
        if (!MayDiscard()) return;
        const QString bank =
            AskFile(QStringLiteral("Импорт банка вопросов"),
                    QStringLiteral("Банки вопросов (*.xml *.gift *.txt);;Все файлы (*)"), false);
        if (bank.isEmpty()) return;
        QString source = AskFile(QStringLiteral("Сохранить текст теста"), SourceFilter(), true);
        if (source.isEmpty()) return;
        if (QFileInfo(source).suffix().isEmpty()) source += QStringLiteral(".md");
        ImportBank(bank, source);
      },
      true);
  FRecentMenu = file->addMenu(QStringLiteral("Недавние"));
  FillRecent();
  AddAction(
      file, QStringLiteral("Сохранить"), QKeySequence::Save, [this] { Save(); }, true);
  AddAction(
      file, QStringLiteral("Сохранить как…"), QKeySequence::SaveAs, [this] { SaveAs(); }, true);
  file->addSeparator();
  AddAction(
      file, QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); }, true);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Правка"));
  AddAction(
      edit, QStringLiteral("Отменить"), QKeySequence::Undo, [this] { FEditor->undo(); }, false);
  AddAction(
      edit, QStringLiteral("Повторить"), QKeySequence::Redo, [this] { FEditor->redo(); }, false);
  edit->addSeparator();
  AddAction(
      edit, QStringLiteral("Найти"), QKeySequence(Qt::CTRL | Qt::Key_F),
      [this] { ShowFind(false); }, false);
  AddAction(
      edit, QStringLiteral("Заменить"), QKeySequence(Qt::CTRL | Qt::Key_H),
      [this] { ShowFind(true); }, false);
  AddAction(
      edit, QStringLiteral("Перейти к строке…"), QKeySequence(Qt::CTRL | Qt::Key_G),
      [this] { GoToLine(); }, true);

  QMenu* test = menuBar()->addMenu(QStringLiteral("&Тест"));
  QAction* build = AddAction(
      test, QStringLiteral("Собрать тест"), QKeySequence(Qt::CTRL | Qt::Key_B),
      [this] { BuildTest(); }, true);
  QAction* trial = AddAction(
      test, QStringLiteral("Пробный запуск"), QKeySequence(Qt::Key_F5), [this] { TrialRun(); },
      true);
  QAction* grade = AddAction(
      test, QStringLiteral("Проверить работы"), QKeySequence(Qt::CTRL | Qt::Key_R),
      [this] { GradeWorks(); }, true);
  QAction* print = AddAction(
      test, QStringLiteral("Печать"), QKeySequence::Print, [this] { PrintTest(); }, true);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&Вид"));
  AddAction(
      view, QStringLiteral("По ширине страницы"), QKeySequence(Qt::Key_F6),
      [this] { FPreview->ZoomWidth(); }, false);
  AddAction(
      view, QStringLiteral("Страница целиком"), QKeySequence(Qt::Key_F7),
      [this] { FPreview->ZoomPage(); }, false);
  view->addSeparator();
  AddAction(
      view, QStringLiteral("Следующая панель"), QKeySequence(Qt::CTRL | Qt::Key_Tab),
      [this] { FocusPane(1); }, false);
  AddAction(
      view, QStringLiteral("Предыдущая панель"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
      [this] { FocusPane(-1); }, false);
  for (auto* dock : findChildren<QDockWidget*>()) view->addAction(dock->toggleViewAction());

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
  AddAction(
      help, QStringLiteral("Как писать тест"), QKeySequence::HelpContents, [this] { ShowHelp(); },
      true);

  auto* bar = addToolBar(QStringLiteral("Команды"));
  bar->setObjectName(QStringLiteral("Commands"));
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (QAction* a : {build, trial, grade, print}) bar->addAction(a);
}

void TDeskWindow::FocusPane(int Step) {
  // Tab goes from control to control, through the find bar and the preview's buttons too.
  QList<QWidget*> panes{FEditor, &FPreview->Page(), FErrors, FOutline, &FClass->Table()};
  panes.removeIf([](QWidget* w) { return !w->isVisible(); });
  if (panes.isEmpty()) return;
  const QWidget* focus = QApplication::focusWidget();
  int at = -1;
  for (int i = 0; i < panes.size() && at < 0; ++i)
    if (panes[i] == focus || panes[i]->isAncestorOf(focus)) at = i;
  const int count = int(panes.size());
  const int next = at < 0 ? (Step > 0 ? 0 : count - 1) : ((at + Step) % count + count) % count;
  panes[next]->setFocus(Qt::TabFocusReason);
}

void TDeskWindow::ShowFind(bool Replace) {
  FFindBar->show();
  FReplaceRow->setVisible(Replace);
  const QString selected = FEditor->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
    FFindText->setText(selected);
  FFindText->setFocus();
  FFindText->selectAll();
}

namespace {

// A name in images/ that no file has yet: picture-1.png, picture-2.png, ...
QString NewPictureName(const QDir& Images, const QString& Suffix) {
  for (int i = 1;; ++i) {
    const QString name = QStringLiteral("picture-%1.%2").arg(i).arg(Suffix);
    if (!Images.exists(name)) return name;
  }
}

bool IsPageFile(const QString& Suffix) {
  return Suffix == QLatin1String("emf") || Suffix == QLatin1String("wmf");
}

bool IsPicture(const QString& Suffix) {
  static const QStringList kinds{QStringLiteral("png"), QStringLiteral("jpg"),
                                 QStringLiteral("jpeg"), QStringLiteral("svg")};
  return kinds.contains(Suffix);
}

}  // namespace

bool TDeskWindow::InsertPicture(const QMimeData& Data) {
  if (FFileName.isEmpty()) {
    Tell(QStringLiteral(
        "Сначала сохраните текст теста: картинки кладутся рядом с ним, в папку images."));
    return true;
  }
  QDir images(QFileInfo(FFileName).absolutePath());
  if (!images.mkpath(QStringLiteral("images")) || !images.cd(QStringLiteral("images"))) {
    Tell(QStringLiteral("Папка images рядом с текстом теста не создана."));
    return true;
  }
  QStringList inserted;
  QString page;
  if (Data.hasUrls()) {
    for (const QUrl& url : Data.urls()) {
      const QFileInfo file(url.toLocalFile());
      const QString suffix = file.suffix().toLower();
      if (!file.isFile() || !(IsPicture(suffix) || IsPageFile(suffix))) {
        Tell(QStringLiteral("Не картинка: %1 (подходят PNG, JPEG, SVG, EMF и WMF).")
                 .arg(file.fileName()));
        continue;
      }
      const QString name = NewPictureName(images, suffix);
      if (!QFile::copy(file.absoluteFilePath(), images.filePath(name))) {
        Tell(QStringLiteral("Картинка не скопирована: %1").arg(file.fileName()));
        continue;
      }
      (IsPageFile(suffix) ? page : inserted.emplace_back()) = QStringLiteral("images/") + name;
    }
  } else if (Data.hasImage()) {
    const QImage picture = qvariant_cast<QImage>(Data.imageData());
    const QString name = NewPictureName(images, QStringLiteral("png"));
    if (picture.isNull() || !picture.save(images.filePath(name), "PNG")) {
      Tell(QStringLiteral("Картинка не сохранена в папку images."));
      return true;
    }
    inserted << QStringLiteral("images/") + name;
  }
  QTextCursor cursor = FEditor->textCursor();
  cursor.beginEditBlock();
  for (const QString& name : inserted) cursor.insertText(QStringLiteral("![](%1)\n").arg(name));
  if (!page.isEmpty()) {
    const auto parsed = ParseSource(FEditor->toPlainText().toStdString());
    const int q = QuestionAtLine(parsed->Places, cursor.blockNumber() + 1);
    if (q < 0) {
      Tell(QStringLiteral(
               "Страница %1 сохранена, но вопроса для неё нет: добавьте «### Вопрос {page=%1}».")
               .arg(page));
    } else {
      QTextCursor heading(
          FEditor->document()->findBlockByNumber(parsed->Places[size_t(q)].Question->Line - 1));
      heading.select(QTextCursor::LineUnderCursor);
      heading.insertText(
          Q(HeadingWithPage(heading.selectedText().toStdString(), page.toStdString())));
    }
  }
  cursor.endEditBlock();
  if (!inserted.isEmpty() || !page.isEmpty())
    Tell(QStringLiteral("Картинка сохранена: %1")
             .arg((inserted + QStringList{page}).join(QLatin1Char(' ')).trimmed()));
  return true;
}

void TDeskWindow::GoToLine() {
  bool ok = false;
  const int line = QInputDialog::getInt(this, QStringLiteral("Перейти к строке"),
                                        QStringLiteral("Номер строки:"), FEditor->CaretLine(), 1,
                                        FEditor->blockCount(), 1, &ok);
  if (ok) FEditor->GoToLine(line);
}

// ---- the text, the parse and what follows it

void TDeskWindow::TextChanged() {
  FTextParsed = false;
  FPreviewTimer->start();
}

void TDeskWindow::CaretMoved() {
  const int line = FEditor->CaretLine();
  if (line == FLastPreviewLine) return;
  FLastPreviewLine = line;
  UpdatePreview();
}

bool TDeskWindow::ParseCurrent() const {
  return FTextParsed && !FParser.Busy() && !FPreviewTimer->isActive();
}

void TDeskWindow::Parsed() {
  if (!FPreviewTimer->isActive()) FTextParsed = true;
  UpdatePreview();
  FillOutline();
}

void TDeskWindow::UpdatePreview() {
  const auto& parsed = FParser.Result();
  if (!parsed) return;
  FPreview->ShowQuestion(parsed, QuestionAtLine(parsed->Places, FEditor->CaretLine()), BaseDir());
  FillErrors(parsed->Errors, FPreview->PageError());
}

void TDeskWindow::FillErrors(const std::vector<TSourceError>& Errors,
                             const std::string& PageError) {
  FErrors->clear();
  QSet<int> lines;
  auto add = [&](int line, const QString& message) {
    auto* item = new QListWidgetItem(QStringLiteral("строка %1: %2").arg(line).arg(message));
    item->setData(Qt::UserRole, line);
    FErrors->addItem(item);
    lines.insert(line);
  };
  for (const auto& e : Errors) add(e.Line, Q(e.Message));
  if (!PageError.empty() && FPreview->ShownIndex() >= 0 && FParser.Result()) {
    add(FParser.Result()->Places[size_t(FPreview->ShownIndex())].Question->Line, Q(PageError));
  }
  FEditor->SetErrorLines(lines);
}

void TDeskWindow::FillOutline() {
  const auto& parsed = FParser.Result();
  if (!parsed) return;
  const TSourceTest& test = parsed->Test;
  const double total = TotalWeight(test);
  FOutline->blockSignals(true);
  FOutline->clear();
  int number = 0;
  for (const auto& topic : test.Topics) {
    auto* t = new QTreeWidgetItem(FOutline, {Q(topic.Name)});
    t->setData(0, Qt::UserRole, topic.Line);
    int levelNumber = 0;
    for (const auto& level : topic.Levels) {
      const QString share =
          total > 0 ? QString::number(100.0 * level.Weight / total, 'f', 1) + QLatin1Char('%')
                    : QStringLiteral("—");
      auto* l = new QTreeWidgetItem(
          t, {QStringLiteral("Уровень %1").arg(++levelNumber), QString::number(level.Minutes),
              QString::number(level.Weight), share});
      l->setData(0, Qt::UserRole, level.Line);
      for (const auto& q : level.Questions) {
        auto* item = new QTreeWidgetItem(
            l, {QStringLiteral("Вопрос %1 (%2 вар.)").arg(++number).arg(q.Options.size())});
        item->setData(0, Qt::UserRole, q.Line);
      }
    }
  }
  FOutline->expandAll();
  for (int column = 0; column < FOutline->columnCount(); ++column)
    FOutline->resizeColumnToContents(column);
  FOutline->blockSignals(false);
  FOutlineTotal->setText(
      QStringLiteral("Время: %1 мин, вопросов: %2").arg(TotalMinutes(test)).arg(number));
}

std::string TDeskWindow::BaseDir() const {
  return FFileName.isEmpty() ? Local(QDir::currentPath())
                             : Local(QFileInfo(FFileName).absolutePath());
}

// ---- files

void TDeskWindow::UpdateTitle() {
  const QString name =
      FFileName.isEmpty() ? QStringLiteral("Новый тест") : QFileInfo(FFileName).fileName();
  setWindowTitle(name + QStringLiteral("[*]"));
  setWindowModified(FEditor->document()->isModified());
}

void TDeskWindow::NewSource() {
  FFileName.clear();
  FEditor->setPlainText(NewSourceTemplate());
  FEditor->document()->setModified(false);
  FEditor->GoToLine(7);
  UpdateTitle();
  FParser.Parse(FEditor->toPlainText().toStdString());
}

bool TDeskWindow::OpenSource(const QString& FileName) {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) {
    Tell(QStringLiteral("Файл %1 не открыт: %2").arg(FileName, file.errorString()));
    return false;
  }
  const QByteArray bytes = file.readAll();
  QString text = QString::fromUtf8(bytes);
  if (text.toUtf8() != bytes) {
    Tell(QStringLiteral("Файл %1 не в кодировке UTF-8: откройте и сохраните его в UTF-8.")
             .arg(FileName));
    return false;
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  FFileName = QFileInfo(FileName).absoluteFilePath();
  FEditor->setPlainText(text);
  FEditor->document()->setModified(false);
  FLastPreviewLine = -1;
  UpdateTitle();
  AddRecent(FFileName);
  FParser.Parse(text.toStdString());
  return true;
}

bool TDeskWindow::ImportBank(const QString& BankFile, const QString& SourceFile) {
  const std::string bank = Local(BankFile), source = Local(SourceFile);
  std::string atFault;
  if (const std::string problem = ImportTargetProblem(bank, source, atFault); !problem.empty()) {
    Tell(QStringLiteral("Банк не импортирован: %1: %2").arg(Q(atFault), Q(problem)));
    return false;
  }
  if (QFileInfo(BankFile).size() > qint64(kMaxBankBytes)) {
    Tell(QStringLiteral("Банк не импортирован: %1 больше %2 МБ.")
             .arg(BankFile)
             .arg(kMaxBankBytes >> 20));
    return false;
  }
  std::string bytes;
  if (!ReadWholeFile(bank, bytes)) {
    Tell(QStringLiteral("Файл %1 не прочитан.").arg(BankFile));
    return false;
  }
  TBankImportOptions options;
  options.BankName = std::filesystem::path(bank).stem().string();
  options.ImagesFolder = ImportedImagesFolder(source);
  const TBankImport imported = ::ImportBank(bytes, options);
  if (!imported.Ok) {
    const QString where =
        imported.ErrorLine > 0
            ? QStringLiteral("%1, строка %2").arg(BankFile).arg(imported.ErrorLine)
            : BankFile;
    Tell(QStringLiteral("Банк не импортирован: %1: %2").arg(where, Q(imported.Error)));
    return false;
  }
  std::string error;
  if (!WriteImportedBank(imported, source, ImportedImagesPath(source), error)) {
    Tell(QStringLiteral("Текст теста не записан в %1: %2").arg(SourceFile, Q(error)));
    return false;
  }
  QFile::remove(RecoveryFile());
  if (!OpenSource(SourceFile)) return false;
  QString summary = QStringLiteral("Импортировано вопросов: %1 (%2).")
                        .arg(imported.Questions)
                        .arg(Q(BankFormatName(imported.Format)));
  Tell(summary);
  if (imported.Skipped.empty() && imported.Notes.empty()) return true;
  if (!imported.Skipped.empty()) {
    summary += QStringLiteral("\n\nПропущены (%1):").arg(imported.Skipped.size());
    for (const std::string& s : imported.Skipped) summary += QStringLiteral("\n") + Q(s);
  }
  if (!imported.Notes.empty()) {
    summary += QStringLiteral("\n\nЗамечания:");
    for (const std::string& n : imported.Notes) summary += QStringLiteral("\n") + Q(n);
  }
  AskChoice(summary, {QStringLiteral("OK")});
  return true;
}

bool TDeskWindow::WriteSource(const QString& FileName) {
  std::string error;
  if (!WriteOutputFile(Local(FileName), FEditor->toPlainText().toStdString(), error)) {
    Tell(QStringLiteral("Текст теста не сохранён в %1: %2").arg(FileName, Q(error)));
    return false;
  }
  QFile::remove(RecoveryFile());
  FFileName = QFileInfo(FileName).absoluteFilePath();
  FEditor->document()->setModified(false);
  UpdateTitle();
  AddRecent(FFileName);
  return true;
}

bool TDeskWindow::Save() {
  return FFileName.isEmpty() ? SaveAs() : WriteSource(FFileName);
}

bool TDeskWindow::SaveAs() {
  QString name = AskFile(QStringLiteral("Сохранить текст теста"), SourceFilter(), true);
  if (name.isEmpty()) return false;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".md");
  const QString old = RecoveryFile();
  if (!WriteSource(name)) return false;
  QFile::remove(old);
  FParser.Parse(FEditor->toPlainText().toStdString());  // pictures are found beside the new name
  return true;
}

bool TDeskWindow::MayDiscard() {
  if (!FEditor->document()->isModified()) return true;
  const int choice = AskChoice(
      QStringLiteral("Текст теста изменён. Сохранить изменения?"),
      {QStringLiteral("Сохранить"), QStringLiteral("Не сохранять"), QStringLiteral("Отмена")});
  if (choice == 0) return Save();
  if (choice == 1) {
    QFile::remove(RecoveryFile());
    return true;
  }
  return false;
}

void TDeskWindow::closeEvent(QCloseEvent* Event) {
  if (MayDiscard()) {
    Event->accept();
  } else {
    Event->ignore();
  }
}

void TDeskWindow::AddRecent(const QString& FileName) {
  QSettings settings;
  QStringList recent = settings.value(QStringLiteral("recent")).toStringList();
  recent.removeAll(FileName);
  recent.prepend(FileName);
  while (recent.size() > kRecentFiles) recent.removeLast();
  settings.setValue(QStringLiteral("recent"), recent);
  FillRecent();
}

void TDeskWindow::FillRecent() {
  if (!FRecentMenu) return;
  FRecentMenu->clear();
  const QStringList recent = QSettings().value(QStringLiteral("recent")).toStringList();
  for (const QString& name : recent) {
    QAction* a = FRecentMenu->addAction(name);
    connect(a, &QAction::triggered, this, [this, name] {
      QMetaObject::invokeMethod(
          this,
          [this, name] {
            if (MayDiscard()) OpenSource(name);
          },
          Qt::QueuedConnection);
    });
  }
  FRecentMenu->setEnabled(!recent.isEmpty());
}

// The recovery copy: the unsaved text every 30 s, in the user's state folder, removed on save.
QString TDeskWindow::RecoveryFile() const {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (state.isEmpty()) state = QDir::homePath() + QStringLiteral("/.local/state");
  const QString dir = state + QStringLiteral("/examdesk");
  const QString key = FFileName.isEmpty() ? QStringLiteral("new") : FFileName;
  return dir + QLatin1Char('/') +
         QString::fromLatin1(
             QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5).toHex()) +
         QStringLiteral(".md");
}

void TDeskWindow::SaveRecovery() {
  if (!FEditor->document()->isModified()) return;
  const QString file = RecoveryFile();
  QDir().mkpath(QFileInfo(file).absolutePath());
  QFile::setPermissions(QFileInfo(file).absolutePath(),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  std::string error;
  const std::string header = "<!-- " + FFileName.toStdString() + " -->\n";
  WriteOutputFile(Local(file), header + FEditor->toPlainText().toStdString(), error);
}

void TDeskWindow::OfferRecovery() {
  const QString file = RecoveryFile();
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return;
  QString text = QString::fromUtf8(f.readAll());
  f.close();
  text = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
  if (text == FEditor->toPlainText()) {
    QFile::remove(file);
    return;
  }
  const int choice =
      AskChoice(QStringLiteral("Есть несохранённый текст этого теста с прошлого раза "
                               "(программа была закрыта аварийно). Восстановить его?"),
                {QStringLiteral("Восстановить"), QStringLiteral("Удалить")});
  if (choice == 0) {
    FEditor->selectAll();
    FEditor->insertPlainText(text);  // undoable: Ctrl+Z gives the file's text back
  } else {
    QFile::remove(file);
  }
}

// ---- asking and telling

QString TDeskWindow::AskFile(const QString& Title, const QString& Filter, bool Save) {
  if (FAskFile) return FAskFile(Title, Filter, Save);
  const QString dir = FFileName.isEmpty() ? QDir::homePath() : QFileInfo(FFileName).absolutePath();
  return Save ? QFileDialog::getSaveFileName(this, Title, dir, Filter)
              : QFileDialog::getOpenFileName(this, Title, dir, Filter);
}

int TDeskWindow::AskChoice(const QString& Text, const QStringList& Buttons) {
  if (FAskChoice) return FAskChoice(Text, Buttons);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Редактор тестов"), Text,
                  QMessageBox::NoButton, this);
  QList<QAbstractButton*> buttons;
  for (const QString& b : Buttons) buttons << box.addButton(b, QMessageBox::AcceptRole);
  box.setEscapeButton(buttons.back());
  box.exec();
  return int(buttons.indexOf(box.clickedButton()));
}

void TDeskWindow::Tell(const QString& Text) {
  FLastMessage = Text;
  FNotice->Tell(Text, 0);
}

QString TDeskWindow::TestFile() const {
  QFileInfo source(FFileName);
  return source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
         QStringLiteral(".tst");
}

QString TDeskWindow::ReportFile() const {
  QFileInfo source(FFileName);
  return source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
         QStringLiteral("-отчёт.html");
}

// ---- build, trial, grade, print, help

void TDeskWindow::SetIdentLine(const TParsedSource& Parsed, const std::string& Ident) {
  QTextCursor cursor(FEditor->document());
  const QString line = QStringLiteral("ident: ") + Q(Ident);
  if (Parsed.Test.IdentLine > 0) {
    cursor = QTextCursor(FEditor->document()->findBlockByNumber(Parsed.Test.IdentLine - 1));
    cursor.select(QTextCursor::LineUnderCursor);
    cursor.insertText(line);
  } else {
    cursor = QTextCursor(FEditor->document()->findBlockByNumber(1));
    cursor.insertText(line + QLatin1Char('\n'));
  }
}

bool TDeskWindow::BuildTest() {
  std::shared_ptr<const TParsedSource> parsed = ParseSource(FEditor->toPlainText().toStdString());
  if (!parsed->Errors.empty()) {
    FillErrors(parsed->Errors, {});
    Tell(QStringLiteral("Тест не собран: в тексте ошибок: %1 (список «Ошибки»).")
             .arg(parsed->Errors.size()));
    return false;
  }
  if (FFileName.isEmpty() && !SaveAs()) {
    Tell(
        QStringLiteral("Тест не собран: сначала сохраните текст теста, тест пишется рядом с ним."));
    return false;
  }
  // The identity: the source's, else a new one written into the front matter, so that a rebuilt
  // test still accepts the answers handed in for the last one.
  TTestIdent ident{};
  if (parsed->Test.IdentLine == 0 || !ParseIdent(parsed->Test.Ident, ident)) {
    ident = RandomIdent();
    SetIdentLine(*parsed, IdentText(ident));
  } else {
    TTestReader old;
    if (QFileInfo::exists(TestFile() + QStringLiteral("-ans")) &&
        LoadTestFile(Local(TestFile() + QStringLiteral("-ans")), old).empty() &&
        SameTestIdent(old.GetIdent(), ident) && !SameAnswerLayout(old, parsed->Test)) {
      const int choice = AskChoice(
          QStringLiteral(
              "Вопросы или варианты ответа изменились: ответы, уже сданные на прежнюю сборку "
              "этого теста, к новой не подойдут. Дать тесту новый идентификатор? "
              "(Тогда прежние ответы проверяются только прежним ключом.)"),
          {QStringLiteral("Новый идентификатор"), QStringLiteral("Оставить прежний"),
           QStringLiteral("Отмена")});
      if (choice == 2 || choice < 0) {
        Tell(QStringLiteral("Тест не собран."));
        return false;
      }
      if (choice == 0) {
        ident = RandomIdent();
        SetIdentLine(*parsed, IdentText(ident));
      }
    }
  }
  if (!WriteSource(FFileName)) return false;
  std::vector<TSourceError> errors;
  const std::string text = FEditor->toPlainText().toStdString();
  const std::optional<TMadeTest> made = MakeTestFromSource(text, BaseDir(), ident, errors);
  if (!made) {
    FillErrors(errors, {});
    Tell(QStringLiteral("Тест не собран: ошибок: %1 (список «Ошибки»).").arg(errors.size()));
    return false;
  }
  std::string failed, error;
  if (!WriteMadeTest(Local(TestFile()), *made, failed, error)) {
    Tell(QStringLiteral("Тест не собран: %1: %2").arg(Q(failed), Q(error)));
    return false;
  }
  Tell(QStringLiteral("Собрано: %1 (вопросов: %2) и ключ %3")
           .arg(QFileInfo(TestFile()).fileName())
           .arg(made->Questions)
           .arg(QFileInfo(TestFile()).fileName() + QStringLiteral("-ans")));
  FParser.Parse(text);
  return true;
}

namespace {

// The student's program: EXAM_PROGRAM, else beside this one (installed, or in the build tree).
QString ExamProgram() {
  if (const QString given = qEnvironmentVariable("EXAM_PROGRAM"); !given.isEmpty()) return given;
  const QDir here(QCoreApplication::applicationDirPath());
  for (const QString& candidate :
       {here.filePath(QStringLiteral("exam")), here.filePath(QStringLiteral("../app/exam"))}) {
    if (QFileInfo(candidate).isExecutable()) return QFileInfo(candidate).absoluteFilePath();
  }
  return QStringLiteral("exam");
}

}  // namespace

void TDeskWindow::TrialRun() {
  if (FTrial) {
    Tell(QStringLiteral("Пробный запуск уже идёт."));
    return;
  }
  if (!BuildTest()) return;
  // The trial's crash backup lives in a folder of its own that goes with it: a trial leaves
  // nothing behind, and the next one never restores its marks.
  FTrialDir = std::make_unique<QTemporaryDir>();
  if (!FTrialDir->isValid()) {
    Tell(QStringLiteral("Пробный запуск: нет временной папки."));
    return;
  }
  FTrial = new QProcess(this);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TMPDIR"), FTrialDir->path());
  env.insert(QStringLiteral("XDG_STATE_HOME"), FTrialDir->path());
  FTrial->setProcessEnvironment(env);
  FTrial->setProgram(ExamProgram());
  FTrial->setArguments({TestFile()});
  connect(FTrial, &QProcess::finished, this, [this] {
    FTrial->deleteLater();
    FTrial = nullptr;
    FTrialDir.reset();
    Tell(QStringLiteral("Пробный запуск окончен."));
  });
  connect(FTrial, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    Tell(QStringLiteral("Программа тестирования не запустилась: %1").arg(FTrial->program()));
    FTrial->deleteLater();
    FTrial = nullptr;
    FTrialDir.reset();
  });
  FTrial->start();
  Tell(QStringLiteral("Пробный запуск: %1").arg(QFileInfo(TestFile()).fileName()));
}

void TDeskWindow::GradeWorks() {
  QString key = FFileName.isEmpty() ? QString() : TestFile() + QStringLiteral("-ans");
  if (key.isEmpty() || !QFileInfo::exists(key)) {
    key = AskFile(QStringLiteral("Ключ теста"), QStringLiteral("Ключи тестов (*.tst-ans)"), false);
    if (key.isEmpty()) return;
  }
  const QString folder = FAskFolder ? FAskFolder(QStringLiteral("Папка с работами учеников"))
                                    : QFileDialog::getExistingDirectory(
                                          this, QStringLiteral("Папка с работами учеников"),
                                          QFileInfo(key).absolutePath());
  if (folder.isEmpty()) return;
  std::string error;
  if (!FClass->GradeFolder(Local(key), Local(folder), error)) {
    Tell(QStringLiteral("Работы не проверены: %1").arg(Q(error)));
    return;
  }
  if (auto* dock = findChild<QDockWidget*>(QStringLiteral("ClassDock"))) {
    dock->show();
    dock->raise();
  }
  FClass->Table().setFocus();
  Tell(FClass->Summary().text());
}

void TDeskWindow::PrintTest() {
  if (!BuildTest()) return;
  const int choice =
      AskChoice(QStringLiteral("Что напечатать?"),
                {QStringLiteral("Тест в PDF"), QStringLiteral("Тест с ключом в PDF"),
                 QStringLiteral("Тест на принтер…"), QStringLiteral("Тест с ключом на принтер…"),
                 QStringLiteral("Отмена")});
  if (choice < 0 || choice > 3) return;
  const bool withKey = choice == 1 || choice == 3;
  TTestReader test, key;
  std::string problem = LoadTestFile(Local(TestFile()), test);
  if (problem.empty() && withKey)
    problem = LoadTestFile(Local(TestFile() + QStringLiteral("-ans")), key);
  if (!problem.empty()) {
    Tell(QStringLiteral("Не напечатано: %1").arg(Q(problem)));
    return;
  }
  if (choice >= 2) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(kPrintDpi);
    printer.setDocName(Q(Cp1251ToUtf8(test.GetTitle())));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const TPrintResult printed = ::PrintTest(test, withKey ? &key : nullptr, printer);
    Tell(QStringLiteral("Отправлено на печать: страниц %1").arg(printed.Pages));
    return;
  }
  QString pdf =
      AskFile(QStringLiteral("Сохранить PDF"), QStringLiteral("Документы PDF (*.pdf)"), true);
  if (pdf.isEmpty()) return;
  if (QFileInfo(pdf).suffix().isEmpty()) pdf += QStringLiteral(".pdf");
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  const TPrintResult printed = PrintTestPdf(test, withKey ? &key : nullptr, out);
  std::string error;
  if (!WriteOutputFile(Local(pdf), out.data().toStdString(), error)) {
    Tell(QStringLiteral("PDF не записан: %1").arg(Q(error)));
    return;
  }
  Tell(QStringLiteral("Записано: %1 (страниц: %2)").arg(pdf).arg(printed.Pages));
}

void TDeskWindow::ShowHelp() {
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Как писать тест"));
  dialog.resize(760, 640);
  auto* browser = new QTextBrowser(&dialog);
  browser->setAccessibleName(QStringLiteral("Справка"));
  QFile doc(QStringLiteral(":/desk/test-source.md"));
  doc.open(QIODevice::ReadOnly);
  browser->setMarkdown(QString::fromUtf8(doc.readAll()));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(browser);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), &dialog);
  connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(close);
  dialog.exec();
}
