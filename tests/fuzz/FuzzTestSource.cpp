// Fuzz target: examtool make on any source text, its pages made with the demo's pictures at hand.
// A source taken without an error must give a sound test and a key that fits it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzGuiApp.h"
#include "KeyMatch.h"
#include "TestImageBuilder.h"
#include "TestImageValidation.h"
#include "TestMaker.h"
#include "TestReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  StartHeadlessGui((*argv)[0]);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Pictures and page files are the samples folder's (images/velocity.png, pages/lever.emf), and
  // whatever a path names that the tool must refuse (a folder, /dev/zero); but not the kernel's
  // files, some of which read as a machine's worth of bytes (/proc/kcore).
  for (std::string_view away : {"..", "/proc", "/sys"}) {
    if (text.find(away) != std::string_view::npos) return 0;
  }
  // Formulas are found and checked, but not typeset: a TeX run per input would take the fuzzer's
  // whole time (their refusal without TeX is an error like any other).
  TTexSetup noTex;
  noTex.Latex = noTex.Dvisvgm = "/nonexistent/tex";
  noTex.CacheDir = "/dev/null/cache";  // no folder can be made there: no cache
  std::vector<TSourceError> errors;
  const std::optional<TMadeTest> made =
      MakeTestFromSource(text, SAMPLES_DIR, TTestIdent{7}, errors, noTex);
  if (!made) {
    if (errors.empty()) __builtin_trap();  // a refused source says why
    return 0;
  }
  if (!errors.empty()) __builtin_trap();
  if (!ValidateTestImage(fixture::View(made->Test)).empty() ||
      !ValidateTestImage(fixture::View(made->Answers)).empty()) {
    __builtin_trap();
  }
  TTestReader test, key;
  test.SetImage(fixture::View(made->Test));
  key.SetImage(fixture::View(made->Answers));
  if (!KeyMismatches(test, key).empty() || size_t(test.QuestionCount()) != made->Questions) {
    __builtin_trap();
  }
  return 0;
}
