// Fuzz target: a user-answers file (.tst-usr) loaded, matched against a small layout and saved.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "TestAnswersLayout.h"
#include "TestImageBuilder.h"
#include "TestUserAnswers.h"

namespace {

// Two questions of three options, identity seed 1 (the seeds use the same).
const std::string& LayoutImage() {
  static const std::string image = WriteTestImage(fixture::Uniform(2, 3));
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TTestAnswersLayout layout = [] {
    TTestAnswersLayout l;
    l.Build(fixture::View(LayoutImage()));
    return l;
  }();
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  TTestUserAnswers answers;
  try {
    answers.LoadFromStream(in);
  } catch (const ETestAnswers&) {
    if (answers.RecSize() > kAnswersHeaderSize) __builtin_trap();  // a failed load keeps no marks
  }
  if (answers.MatchesLayout(&layout)) {
    TTestAnswersLayout scored;
    scored.Build(fixture::View(LayoutImage()));
    scored.EvaluateAll(answers);
  }
  for (int32_t i = -1; i <= answers.OptionCount() && i < 64; ++i) (void)answers.Marked(i);
  (void)answers.ElapsedSeconds();
  (void)answers.NameSize();

  std::ostringstream out;
  answers.SaveToStream(out);
  // What is saved loads again to the same record.
  std::istringstream again(out.str());
  TTestUserAnswers reloaded;
  reloaded.LoadFromStream(again);
  if (reloaded.RecSize() != answers.RecSize() || reloaded.OptionCount() != answers.OptionCount())
    __builtin_trap();
  return 0;
}
