// The question under the caret as the student will see it: the student's own window (topic
// header, page view, answer column, both zoom modes) embedded, with the right options shown as
// after loading the key, and "Вопрос N из M" above it.
#pragma once

#include <QThreadPool>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "PageMaker.h"
#include "SourceParser.h"

class QLabel;
class TForm1;
class TPageImage;

class TQuestionPreview : public QWidget {
  Q_OBJECT
 public:
  explicit TQuestionPreview(QWidget* Parent = nullptr);
  ~TQuestionPreview() override;

  // Shows question Index (from 0) of the parsed source, its pictures relative to BaseDir; a
  // negative index or a source without questions shows no page. The page is made again only
  // when what it is made of changed.
  void ShowQuestion(const std::shared_ptr<const TParsedSource>& Source, int Index,
                    const std::string& BaseDir);
  // The reason the shown question's page could not be made, else empty.
  const std::string& PageError() const { return FPageError; }
  // True while the shown question's formulas are being typeset (TeX runs beside the window; the
  // page follows when it is done).
  bool Typesetting() const { return FTypesetting; }
  int ShownIndex() const { return FIndex; }
  void ZoomWidth();
  void ZoomPage();

  TForm1& StudentWindow() const { return *FWindow; }
  TPageImage& Page() const;
  QLabel& Counter() const { return *FCounter; }

 private:
  // The question's page, or null while its formulas are being typeset.
  const TPageResult* PageOf(const TSourceQuestion& Question, const std::string& BaseDir);
  // Starts typesetting the formulas not typeset yet, unless a run is under way.
  void Typeset(std::vector<TFormula> Formulas);
  void Typeset(const TFormulaPictures& Pictures, const std::map<std::string, std::string>& Failed);

  QLabel* FCounter;
  QLabel* FProblem;
  TForm1* FWindow;
  int FIndex = -1;
  std::string FShownKey;
  std::string FPageError;
  std::map<std::string, TPageResult> FPages;  // by what a page is made of
  // The question last asked for, shown again when its formulas are typeset.
  std::shared_ptr<const TParsedSource> FSource;
  std::string FBaseDir;
  TFormulaPictures FFormulas;                       // typeset, by TFormula::Key()
  std::map<std::string, std::string> FBadFormulas;  // TeX's message, by TFormula::Key()
  bool FTypesetting = false;
  QThreadPool FTex;  // one TeX run at a time
};
