// Reading, writing and interpreting grade records.
#include "TestGrades.h"

#include <algorithm>
#include <cstring>

#include "BinaryReader.h"

namespace {

// The smallest complete option entry: caption length and two scores.
constexpr int64_t kMinOptionBytes = 4 + 8 + 8;
constexpr int64_t kHeaderBytes = 8 + 4 + 4 + 4;

void PutWord(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutDouble(std::string& out, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

}  // namespace

void TGrades::Clear() {
  FMaxScore = 0.0;
  FReserved = 0;
  FMultiSelect = 0;
  FItems.clear();
}

void TGrades::SetCount(int32_t Count) { FItems.resize(static_cast<size_t>(std::max(Count, 0))); }

std::string TGrades::Caption(int32_t Index) const { return Valid(Index) ? FItems[Index].Caption : std::string(); }
double TGrades::MarkedScore(int32_t Index) const { return Valid(Index) ? FItems[Index].MarkedScore : 0.0; }
double TGrades::UnmarkedScore(int32_t Index) const { return Valid(Index) ? FItems[Index].UnmarkedScore : 0.0; }

void TGrades::LoadFromString(std::string_view Data) {
  Clear();
  TBinaryReader reader;
  reader.SetData(Data);
  uint32_t reserved = 0, multi = 0, count = 0;
  reader.ReadDouble(FMaxScore);
  reader.ReadInteger(reserved);
  reader.ReadInteger(multi);
  reader.ReadInteger(count);
  FReserved = static_cast<int32_t>(reserved);
  FMultiSelect = static_cast<int32_t>(multi);
  const int64_t n = static_cast<int32_t>(count);
  // One option entry may be cut short by the end of the record; a claim beyond that is damage.
  const int64_t room = (static_cast<int64_t>(Data.size()) - kHeaderBytes) / kMinOptionBytes + 1;
  if (n < 0 || n > room) {
    Clear();
    throw EGradeRecord("the grade record declares " + std::to_string(n) +
                       " options but holds only " + std::to_string(Data.size()) + " bytes");
  }
  SetCount(static_cast<int32_t>(n));
  for (auto& item : FItems) {
    reader.ReadString(item.Caption);
    reader.ReadDouble(item.MarkedScore);
    reader.ReadDouble(item.UnmarkedScore);
  }
}

double TGrades::MaxScore() const {
  if (FMaxScore > 0) return FMaxScore;
  double sum = 0.0;
  for (const auto& item : FItems) sum += std::max({item.MarkedScore, item.UnmarkedScore, 0.0});
  return sum;
}

int32_t TGrades::MultiSelect() const {
  const auto scoring = std::count_if(FItems.begin(), FItems.end(), [](const TAnswerGrade& g) {
    return g.MarkedScore > 0 || g.UnmarkedScore > 0;
  });
  return scoring >= 2 ? -1 : FMultiSelect;
}

std::string SaveGradesToString(double MaxScore, int32_t Reserved, int32_t MultiSelect,
                               const std::vector<TAnswerGrade>& Items) {
  std::string out;
  PutDouble(out, MaxScore);
  PutWord(out, static_cast<uint32_t>(Reserved));
  PutWord(out, static_cast<uint32_t>(MultiSelect));
  PutWord(out, static_cast<uint32_t>(Items.size()));
  for (const auto& item : Items) {
    PutWord(out, static_cast<uint32_t>(item.Caption.size()));
    out += item.Caption;
    PutDouble(out, item.MarkedScore);
    PutDouble(out, item.UnmarkedScore);
  }
  return out;
}
