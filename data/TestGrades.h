// The grade record of one question: its answer options with their scores.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct TAnswerGrade {
  std::string Caption;
  double MarkedScore = 0.0;
  double UnmarkedScore = 0.0;
};

// A grade record that declares more options than its bytes can hold.
class EGradeRecord : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TGrades {
 public:
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // Keeps the first options; new ones have an empty caption and zero scores.
  void SetCount(int32_t Count);
  std::string Caption(int32_t Index) const;
  double MarkedScore(int32_t Index) const;
  double UnmarkedScore(int32_t Index) const;
  // Reads a record forgivingly (missing values are zero). Raises EGradeRecord when the record
  // declares more options than it could hold, instead of allocating for the claim.
  void LoadFromString(std::string_view Data);
  // The declared maximum when above 0, else the sum of max(marked, unmarked, 0) over options.
  double MaxScore() const;
  // -1 when two or more options score in either state, else the stored flag.
  int32_t MultiSelect() const;

  double StoredMaxScore() const { return FMaxScore; }
  int32_t Reserved() const { return FReserved; }
  int32_t StoredMultiSelect() const { return FMultiSelect; }
  const std::vector<TAnswerGrade>& Items() const { return FItems; }

 private:
  bool Valid(int32_t Index) const { return Index >= 0 && Index < Count(); }

  double FMaxScore = 0.0;
  int32_t FReserved = 0;
  int32_t FMultiSelect = 0;
  std::vector<TAnswerGrade> FItems;
};

// Writes a grade record in the layout LoadFromString reads.
std::string SaveGradesToString(double MaxScore, int32_t Reserved, int32_t MultiSelect,
                               const std::vector<TAnswerGrade>& Items);
