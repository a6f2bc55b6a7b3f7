// The preview: one question built as a test of its own and opened in the student's window.
#include "QuestionPreview.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "Exam.h"
#include "PageImage.h"
#include "TestMaker.h"
#include "Unit1.h"

namespace {

// Pages kept for questions not shown any more (the teacher goes back and forth between them).
constexpr size_t kKeptPages = 256;

std::string Num(double Value) {
  return std::to_string(Value);
}

// Everything the preview of a question is made of, as one string.
std::string QuestionKey(const TSourceTest& Test, const TQuestionPlace& Place,
                        const std::string& BaseDir) {
  const TSourceTopic& topic = Test.Topics[size_t(Place.Topic)];
  const TSourceQuestion& q = *Place.Question;
  std::string key = Test.Title + '\0' + topic.Name + '\0' + BaseDir + '\0' + q.PageFile + '\0' +
                    q.Body + '\0' + Num(q.MaxScore) + (q.Multi ? "m" : "s");
  for (const auto& o : q.Options)
    key += '\0' + o.Caption + '\0' + Num(o.Marked) + '/' + Num(o.Unmarked);
  return key;
}

}  // namespace

TQuestionPreview::TQuestionPreview(QWidget* Parent)
    : QWidget(Parent),
      FCounter(new QLabel(this)),
      FProblem(new QLabel(this)),
      FWindow(new TForm1({}, nullptr, nullptr, false)) {
  FTex.setMaxThreadCount(1);
  setObjectName(QStringLiteral("QuestionPreview"));
  FCounter->setObjectName(QStringLiteral("QuestionCounter"));
  FCounter->setAccessibleName(QStringLiteral("Номер вопроса"));
  FProblem->setObjectName(QStringLiteral("PreviewProblem"));
  FProblem->setWordWrap(true);
  FProblem->setStyleSheet(QStringLiteral("color: #b00000"));
  FProblem->hide();
  // The student's window lives on as a part of this one: no frame, no commands of the exam.
  FWindow->setParent(this, Qt::Widget);
  FWindow->setMinimumSize(0, 0);
  FWindow->setAccessibleName(QStringLiteral("Вопрос глазами ученика"));
  FWindow->SetPlaceShown(false);  // the counter above says which question of the test it is
  // The page never takes the focus here: a screen reader finds it by its name, its text apart.
  Page().SetDescriptionInName(false);
  for (const char* bar : {"ToolBar1"}) {
    if (auto* b = FWindow->findChild<QToolBar*>(QLatin1String(bar))) b->hide();
  }
  if (auto* tools = FWindow->findChild<QToolBar*>(QStringLiteral("ToolBar2"))) {
    for (QAction* action : tools->actions()) {
      QWidget* w = tools->widgetForAction(action);
      const QString name = w ? w->objectName() : QString();
      if (name != QLatin1String("tbZoomWidth") && name != QLatin1String("tbZoomPage"))
        action->setVisible(false);
    }
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(FCounter);
  layout->addWidget(FProblem);
  layout->addWidget(FWindow, 1);
  FCounter->setText(QStringLiteral("Вопросов нет"));
}

TQuestionPreview::~TQuestionPreview() {
  // A run under way posts its result to this window: it ends before the window does.
  FTex.waitForDone();
}

TPageImage& TQuestionPreview::Page() const {
  return *FWindow->findChild<TPageImage*>(QStringLiteral("QImage"));
}

void TQuestionPreview::ZoomWidth() {
  FWindow->tbZoomWidthClick();
}

void TQuestionPreview::ZoomPage() {
  FWindow->tbZoomPageClick();
}

const TPageResult* TQuestionPreview::PageOf(const TSourceQuestion& Question,
                                            const std::string& BaseDir) {
  const std::string key = BaseDir + '\0' + Question.PageFile + '\0' + Question.Body;
  if (auto it = FPages.find(key); it != FPages.end()) return &it->second;
  if (FPages.size() >= kKeptPages) FPages.clear();
  if (!Question.PageFile.empty()) {
    TPageResult page =
        MakePageFromFile((std::filesystem::path(BaseDir) / Question.PageFile).string());
    return &FPages.emplace(key, std::move(page)).first->second;
  }
  std::vector<TFormula> formulas, missing;
  std::vector<TSourceError> unused;  // the parser has listed them
  MarkFormulas(Question.Body, formulas, unused);
  for (TFormula& f : formulas) {
    if (auto bad = FBadFormulas.find(f.Key()); bad != FBadFormulas.end())
      return &FPages.emplace(key, TPageResult{{}, bad->second}).first->second;
    if (!FFormulas.count(f.Key())) missing.push_back(std::move(f));
  }
  if (!missing.empty()) {
    Typeset(std::move(missing));
    return nullptr;
  }
  TPageResult page = MakeMarkdownPage(Question.Body, BaseDir, FFormulas);
  return &FPages.emplace(key, std::move(page)).first->second;
}

void TQuestionPreview::Typeset(std::vector<TFormula> Formulas) {
  if (FTypesetting) return;  // the question is looked at again when the run under way ends
  FTypesetting = true;
  FTex.start([this, formulas = std::move(Formulas)] {
    std::vector<TSourceError> errors;
    TFormulaPictures pictures = TypesetFormulas(formulas, TTexSetup{}, errors);
    std::map<std::string, std::string> failed;
    for (const TFormula& f : formulas) {
      if (pictures.count(f.Key())) continue;
      std::string message = "the formula was not typeset";
      for (const TSourceError& e : errors)
        if (e.Line == f.Line || errors.size() == 1) message = e.Message;
      failed.emplace(f.Key(), std::move(message));
    }
    QMetaObject::invokeMethod(
        this,
        [this, pictures = std::move(pictures), failed = std::move(failed)] {
          Typeset(pictures, failed);
        },
        Qt::QueuedConnection);
  });
}

void TQuestionPreview::Typeset(const TFormulaPictures& Pictures,
                               const std::map<std::string, std::string>& Failed) {
  FTypesetting = false;
  for (const auto& [key, svg] : Pictures) FFormulas.insert_or_assign(key, svg);
  for (const auto& [key, message] : Failed) FBadFormulas.insert_or_assign(key, message);
  FShownKey.clear();
  if (FSource) ShowQuestion(FSource, FIndex, FBaseDir);
}

void TQuestionPreview::ShowQuestion(const std::shared_ptr<const TParsedSource>& Source, int Index,
                                    const std::string& BaseDir) {
  FSource = Source;
  FBaseDir = BaseDir;
  const int count = Source ? int(Source->Places.size()) : 0;
  if (Index < 0 || Index >= count) {
    FIndex = -1;
    FShownKey.clear();
    FPageError.clear();
    FProblem->hide();
    FCounter->setText(QStringLiteral("Вопросов нет"));
    FWindow->Exam().OpenTest(nullptr);
    return;
  }
  const bool sameQuestion = Index == FIndex;
  FIndex = Index;
  FCounter->setText(QStringLiteral("Вопрос %1 из %2").arg(Index + 1).arg(count));
  const TQuestionPlace& place = Source->Places[size_t(Index)];
  std::string key = QuestionKey(Source->Test, place, BaseDir);
  if (key == FShownKey) return;
  FShownKey = std::move(key);

  TExam& exam = FWindow->Exam();
  const TPageResult* made = PageOf(*place.Question, BaseDir);
  if (made == nullptr) {
    FShownKey.clear();  // made when the formulas are typeset
    FPageError.clear();
    FProblem->setText(QStringLiteral("Набираются формулы…"));
    FProblem->show();
    // The question being edited stays in view as it was until its new page is made.
    if (!sameQuestion) exam.OpenTest(nullptr);
    return;
  }
  const TPageResult& page = *made;
  FPageError = page.Error;
  FProblem->setText(QString::fromStdString(page.Error));
  FProblem->setVisible(!page.Error.empty());
  try {
    // The options' captions must be encodable for the test to be made; the parser has said
    // which are not, and such a question is shown with what can be made of it.
    const TMadeTest test =
        MakeTestImages(OneQuestionTest(Source->Test, place), {page.Metafile}, TTestIdent{});
    exam.OpenTest(MemoryBlockOf(test.Test));
    exam.OpenTestAnswers(MemoryBlockOf(test.Answers));
    exam.SetRunning(false);
  } catch (const std::exception& e) {
    FPageError = e.what();
    FProblem->setText(QString::fromStdString(FPageError));
    FProblem->show();
    exam.OpenTest(nullptr);
  }
}
