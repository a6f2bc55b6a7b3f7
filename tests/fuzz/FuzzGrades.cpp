// Fuzz target: a grade record read forgivingly, then its maximum and multi-select rules.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "TestGrades.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TGrades grades;
  try {
    grades.LoadFromString(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EGradeRecord&) {
    return 0;
  }
  // Every option takes at least its two scores: more options than bytes is an allocation bug.
  if (static_cast<size_t>(grades.Count()) > size) __builtin_trap();
  (void)grades.MaxScore();
  (void)grades.MultiSelect();
  for (int32_t i = -1; i <= grades.Count(); ++i) {
    (void)grades.Caption(i);
    (void)grades.MarkedScore(i);
    (void)grades.UnmarkedScore(i);
  }
  return 0;
}
