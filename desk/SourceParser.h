// The source parsed off the GUI thread: typing never waits for the parser, and the window gets
// the newest text's result (results of texts already replaced are dropped).
#pragma once

#include <QObject>
#include <QThreadPool>
#include <memory>
#include <string>
#include <vector>

#include "SourceText.h"

struct TParsedSource {
  TSourceTest Test;
  std::vector<TSourceError> Errors;
  std::vector<TQuestionPlace> Places;  // into Test
};

std::shared_ptr<const TParsedSource> ParseSource(const std::string& Utf8);

class TSourceParser : public QObject {
  Q_OBJECT
 public:
  explicit TSourceParser(QObject* Parent = nullptr);
  ~TSourceParser() override;

  // Starts parsing the text; a text given while one is parsed waits for it, and only the last
  // of those is parsed next.
  void Parse(std::string Utf8);
  const std::shared_ptr<const TParsedSource>& Result() const { return FResult; }
  bool Busy() const { return FRunning; }

 signals:
  void Parsed();

 private:
  void Start(std::string Utf8);
  void Finished(std::shared_ptr<const TParsedSource> Result);

  QThreadPool FPool;
  bool FRunning = false;
  bool FPending = false;
  std::string FPendingText;
  std::shared_ptr<const TParsedSource> FResult;
};
