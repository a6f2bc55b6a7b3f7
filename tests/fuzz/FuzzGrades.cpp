// Fuzz target: a grade record read forgivingly, then its maximum and multi-select rules.
#include <cstddef>
#include <cstdint>
#include <cstring>
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
  // Written back and read again, the record holds the same values (bit for bit, NaN included).
  TGrades again;
  again.LoadFromString(SaveGradesToString(grades.StoredMaxScore(), grades.Reserved(),
                                          grades.StoredMultiSelect(), grades.Items()));
  auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  if (again.Count() != grades.Count() || !same(again.StoredMaxScore(), grades.StoredMaxScore()) ||
      again.Reserved() != grades.Reserved() ||
      again.StoredMultiSelect() != grades.StoredMultiSelect())
    __builtin_trap();
  for (int32_t i = 0; i < grades.Count(); ++i) {
    if (again.Caption(i) != grades.Caption(i) ||
        !same(again.MarkedScore(i), grades.MarkedScore(i)) ||
        !same(again.UnmarkedScore(i), grades.UnmarkedScore(i)))
      __builtin_trap();
  }
  return 0;
}
