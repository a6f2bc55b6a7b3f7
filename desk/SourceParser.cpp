// The background parse.
#include "SourceParser.h"

#include <QMetaObject>

std::shared_ptr<const TParsedSource> ParseSource(const std::string& Utf8) {
  auto parsed = std::make_shared<TParsedSource>();
  parsed->Test = ParseTestSource(Utf8, parsed->Errors);
  parsed->Places = QuestionPlaces(parsed->Test);
  return parsed;
}

TSourceParser::TSourceParser(QObject* Parent) : QObject(Parent) {
  FPool.setMaxThreadCount(1);
}

TSourceParser::~TSourceParser() {
  FPool.waitForDone();
}

void TSourceParser::Parse(std::string Utf8) {
  if (FRunning) {
    FPending = true;
    FPendingText = std::move(Utf8);
    return;
  }
  Start(std::move(Utf8));
}

void TSourceParser::Start(std::string Utf8) {
  FRunning = true;
  FPool.start([this, text = std::move(Utf8)] {
    std::shared_ptr<const TParsedSource> result = ParseSource(text);
    QMetaObject::invokeMethod(
        this, [this, result] { Finished(result); }, Qt::QueuedConnection);
  });
}

void TSourceParser::Finished(std::shared_ptr<const TParsedSource> Result) {
  FRunning = false;
  if (FPending) {
    // A newer text is waiting: this result is stale already.
    FPending = false;
    Start(std::move(FPendingText));
    return;
  }
  FResult = std::move(Result);
  emit Parsed();
}
