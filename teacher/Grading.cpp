// Class grading through the same scoring code the program uses.
#include "Grading.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "Cp1251.h"
#include "TestGrades.h"
#include "TestReader.h"
#include "TestUserAnswers.h"
#include "TextFormat.h"

namespace fs = std::filesystem;

namespace {

double Percent(double score, double max) { return max == 0 ? 0.0 : 100.0 * score / max; }

// The captions and right flags of a question's options, as the key's grade record holds them.
std::vector<TOptionStatistics> OptionsOf(const TTestReader& key, int32_t q) {
  const TTestAnswersLayout& layout = key.Layout();
  TGrades grades;
  try {
    grades.LoadFromString(QuestionPieceStr(key.Image(), 0, q));
  } catch (const std::exception&) {
    grades.Clear();  // the layout has numbered the options all the same; they go without captions
  }
  std::vector<TOptionStatistics> options(static_cast<size_t>(layout.OptionCount(q)));
  for (int32_t i = 0; i < layout.OptionCount(q); ++i) {
    options[i].Caption = Cp1251ToUtf8(grades.Caption(i));
    options[i].Right = layout.OptionScore(layout.OptionIndex(q, i), true) > 0;
  }
  return options;
}

// Percent of the grade that one point of each question is worth: the tree's grade formula (the
// sum over levels of weight x achieved / maximum, over the sum of the weights) taken apart.
std::vector<double> GradePerPoint(const TTestReader& key) {
  const TTestAnswersLayout& layout = key.Layout();
  const TTestTree& tree = key.Tree();
  std::vector<double> perPoint(static_cast<size_t>(std::max(layout.QuestionCount(), 0)), 0.0);
  if (!(tree.MaxScore() > 0)) return perPoint;
  for (int32_t t = 0; t < tree.TopicNodeCount(); ++t) {
    const TTestTopicNode* topic = tree.TopicNode(t);
    if (!(topic->MaxScore() > 0)) continue;
    for (int32_t l = 0; l < topic->LevelNodeCount(); ++l) {
      const TTestLevelNode* level = topic->LevelNode(l);
      const int32_t first = std::max(level->FirstQuestion(), 0);
      const int32_t last = std::min(level->LastQuestion(), layout.QuestionCount() - 1);
      double maximum = 0;
      for (int32_t q = first; q <= last; ++q) maximum += layout.QuestionMaxScore(q);
      if (!(level->MaxScore() > 0) || !(maximum > 0)) continue;
      for (int32_t q = first; q <= last; ++q) {
        perPoint[size_t(q)] += 100.0 * level->MaxScore() / (maximum * tree.MaxScore());
      }
    }
  }
  return perPoint;
}

std::optional<double> Finite(double v) {
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// Whether a sum of squared deviations is rounding rather than a difference between students:
// values of the given size that differ by less than a ten-billionth of it count as alike.
bool Alike(double squares, double scale) {
  const double unit = 1e-10 * std::max(1.0, std::fabs(scale));
  return !(squares > unit * unit);
}

// The sum of (x - meanX)(rest - meanRest) with x and rest each sorted on its own: the most the
// cross sum could be with these values. A question's scores take a few values, so the rest is
// split at their counts (a selection each) instead of sorted; many values sort both.
class TSortedCross {
 public:
  double Sum(const double* x, double* rest, size_t n, double meanX, double meanRest) {
    FValues.clear();
    for (size_t s = 0; s < n && FValues.size() <= kFewValues; ++s) {
      auto at = std::find_if(FValues.begin(), FValues.end(),
                             [&](const auto& v) { return v.first == x[s]; });
      if (at == FValues.end())
        FValues.push_back({x[s], 1});
      else
        ++at->second;
    }
    double sum = 0;
    if (FValues.size() <= kFewValues) {
      std::sort(FValues.begin(), FValues.end());
      size_t at = 0;
      for (const auto& [value, count] : FValues) {
        if (at + count < n) std::nth_element(rest + at, rest + at + count, rest + n);
        double block = 0;
        for (size_t s = at; s < at + count; ++s) block += rest[s] - meanRest;
        sum += (value - meanX) * block;
        at += count;
      }
      return sum;
    }
    FSorted.assign(x, x + n);
    std::sort(FSorted.begin(), FSorted.end());
    std::sort(rest, rest + n);
    for (size_t s = 0; s < n; ++s) sum += (FSorted[s] - meanX) * (rest[s] - meanRest);
    return sum;
  }

 private:
  static constexpr size_t kFewValues = 16;
  std::vector<std::pair<double, size_t>> FValues;
  std::vector<double> FSorted;
};

}  // namespace

std::vector<std::string> CollectAnswerFiles(const std::vector<std::string>& paths,
                                            std::vector<TBadFile>& bad) {
  std::vector<std::string> files;
  for (const auto& path : paths) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      std::vector<std::string> found;
      for (const auto& entry : fs::directory_iterator(path, ec)) {
        if (entry.path().extension() == ".tst-usr" && entry.is_regular_file(ec)) {
          found.push_back(entry.path().string());
        }
      }
      if (ec) bad.push_back({path, "the folder cannot be read: " + ec.message()});
      if (found.empty() && !ec) bad.push_back({path, "the folder holds no .tst-usr files"});
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
    } else if (fs::is_regular_file(path, ec)) {
      files.push_back(path);
    } else {
      bad.push_back({path, "no such file or folder"});
    }
  }
  return files;
}

TClassGrades GradeClass(TTestReader& key, const std::vector<std::string>& files) {
  TClassGrades result;
  const TTestTree& tree = key.Tree();
  for (int32_t t = 0; t < tree.TopicNodeCount(); ++t) {
    result.TopicNames.push_back(Cp1251ToUtf8(TopicName(key.Image(), t)));
  }
  const TTestIdent ident = key.GetIdent();
  const int32_t options = key.Layout().TotalOptions();
  TTestUserAnswers answers;
  for (const auto& file : files) {
    try {
      answers.LoadFromFile(file);
    } catch (const std::exception& e) {
      result.BadFiles.push_back({file, std::string("not a user-answers file (") + e.what() + ")"});
      continue;
    }
    if (!SameTestIdent(answers.Ident(), ident)) {
      result.BadFiles.push_back({file, "the answers belong to another test"});
      continue;
    }
    if (answers.OptionCount() != options) {
      result.BadFiles.push_back({file, "the answers have " + std::to_string(answers.OptionCount()) +
                                           " options, the key " + std::to_string(options)});
      continue;
    }
    key.Evaluate(answers, true);
    TGradedStudent student;
    student.File = file;
    student.Name = Cp1251ToUtf8(answers.UserName());
    student.ElapsedSeconds = answers.ElapsedSeconds();
    student.Grade = 100.0 * key.Score(0);
    for (int32_t t = 0; t < tree.TopicNodeCount(); ++t) {
      const TTestTopicNode* topic = tree.TopicNode(t);
      student.TopicGrades.push_back(Percent(topic->Score(), topic->MaxScore()));
    }
    const TTestAnswersLayout& layout = key.Layout();
    student.QuestionScores.reserve(static_cast<size_t>(layout.QuestionCount()));
    for (int32_t q = 0; q < layout.QuestionCount(); ++q) {
      student.QuestionScores.push_back(layout.QuestionScore(q));
    }
    // The option count is the record's own, checked above.
    const uint8_t* marks = answers.Data() + kAnswersHeaderSize;
    student.Marks.assign(marks, marks + MarkBytes(options));
    result.Students.push_back(std::move(student));
  }
  return result;
}

std::vector<TItemStatistics> ItemStatistics(const TTestReader& key, const TClassGrades& grades) {
  const TTestAnswersLayout& layout = key.Layout();
  const auto& students = grades.Students;
  const size_t n = students.size();
  const size_t questions = static_cast<size_t>(std::max(layout.QuestionCount(), 0));
  const std::vector<double> perPoint = GradePerPoint(key);
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return students[a].Grade > students[b].Grade; });
  const size_t group = n == 0 ? 0 : std::max<size_t>(1, (n * 27 + 50) / 100);

  // One pass over the students, each in its own memory: the scores laid out question by
  // question, and for every marked option the count and the sum of the markers' rest.
  const int32_t totalOptions = std::max(layout.TotalOptions(), 0);
  std::vector<int32_t> questionOf(static_cast<size_t>(totalOptions), -1);
  for (size_t q = 0; q < questions; ++q) {
    for (int32_t i = 0; i < layout.OptionCount(int32_t(q)); ++i) {
      const int32_t option = layout.OptionIndex(int32_t(q), i);
      if (option >= 0 && option < totalOptions) questionOf[size_t(option)] = int32_t(q);
    }
  }
  std::vector<double> scores(questions * n), grade(n);
  std::vector<int32_t> markedCount(questionOf.size(), 0);
  std::vector<double> markedRest(questionOf.size(), 0.0);
  for (size_t k = 0; k < n; ++k) {
    const TGradedStudent& student = students[k];
    const double* own = student.QuestionScores.data();
    grade[k] = student.Grade;
    for (size_t q = 0; q < questions; ++q) scores[q * n + k] = own[q];
    for (size_t byte = 0; byte < student.Marks.size(); ++byte) {
      for (unsigned bits = student.Marks[byte]; bits != 0; bits &= bits - 1) {
        const size_t option = byte * 8 + size_t(std::countr_zero(bits));
        if (option >= questionOf.size() || questionOf[option] < 0) continue;
        const size_t q = size_t(questionOf[option]);
        ++markedCount[option];
        markedRest[option] += student.Grade - perPoint[q] * own[q];
      }
    }
  }

  std::vector<TItemStatistics> items;
  items.reserve(questions);
  std::vector<double> rest(n);
  TSortedCross sorted;
  for (size_t q = 0; q < questions; ++q) {
    TItemStatistics item;
    item.Question = int32_t(q);
    item.Topic = layout.LocateQuestion(int32_t(q)).Topic;
    item.MaxScore = layout.QuestionMaxScore(int32_t(q));
    item.GradePerPoint = perPoint[q];
    item.Options = OptionsOf(key, int32_t(q));
    const double* x = scores.data() + q * n;
    auto full = [&](size_t s) { return item.MaxScore > 0 && x[s] >= item.MaxScore; };

    double sumX = 0, sumRest = 0;
    size_t fullCount = 0;
    for (size_t s = 0; s < n; ++s) {
      rest[s] = grade[s] - perPoint[q] * x[s];
      sumX += x[s];
      sumRest += rest[s];
      fullCount += full(s) ? 1 : 0;
    }
    if (n > 0) {
      item.MeanScore = sumX / n;
      item.FullScoreShare = double(fullCount) / n;
      size_t upper = 0, lower = 0;
      for (size_t i = 0; i < group; ++i) {
        upper += full(order[i]) ? 1 : 0;
        lower += full(order[n - 1 - i]) ? 1 : 0;
      }
      item.Discrimination = (double(upper) - double(lower)) / group;
      item.TooHard = item.FullScoreShare < kTooHardShare;
      item.TooEasy = item.FullScoreShare > kTooEasyShare;
      item.NegativeDiscrimination = item.Discrimination < 0;
      if (item.MaxScore > 0) item.Facility = Finite(100 * item.MeanScore / item.MaxScore);
    }

    const double meanX = n ? sumX / n : 0, meanRest = n ? sumRest / n : 0;
    double sxx = 0, srr = 0, sxr = 0, restScale = 0;
    for (size_t s = 0; s < n; ++s) {
      const double dx = x[s] - meanX, dr = rest[s] - meanRest;
      sxx += dx * dx;
      srr += dr * dr;
      sxr += dx * dr;
      restScale = std::max(restScale, std::fabs(rest[s]));
    }
    const bool scoresDiffer = n > 1 && !Alike(sxx, item.MaxScore);
    const bool restDiffers = n > 1 && !Alike(srr, restScale);
    if (n > 1) {
      item.GradePartVariance = Finite(perPoint[q] * perPoint[q] * sxx / double(n - 1));
      if (item.MaxScore > 0) {
        item.ScoreDeviation = Finite(100 * std::sqrt(sxx / double(n - 1)) / item.MaxScore);
      }
    }
    if (scoresDiffer && restDiffers) {
      item.DiscriminationIndex =
          Finite(std::clamp(100 * sxr / std::sqrt(sxx * srr), -100.0, 100.0));
      const double most = sorted.Sum(x, rest.data(), n, meanX, meanRest);
      if (most > 0) {
        item.DiscriminativeEfficiency = Finite(std::clamp(100 * sxr / most, -100.0, 100.0));
      }
    }
    for (size_t i = 0; i < item.Options.size(); ++i) {
      TOptionStatistics& option = item.Options[i];
      const int32_t index = layout.OptionIndex(int32_t(q), int32_t(i));
      if (index < 0 || index >= totalOptions) continue;
      const int32_t marked = markedCount[size_t(index)];
      option.MarkedCount = marked;
      if (restDiffers && marked > 0 && size_t(marked) < n) {
        // Point-biserial: the covariance of the 0/1 mark with the rest over both deviations.
        const double m = marked, count = double(n);
        const double covariance = markedRest[size_t(index)] - m * meanRest;
        const double markVariance = m * (count - m) / count;
        option.RestCorrelation =
            Finite(std::clamp(covariance / std::sqrt(markVariance * srr), -1.0, 1.0));
        option.PositiveDistractor = !option.Right && *option.RestCorrelation > 0;
        item.PositiveDistractor = item.PositiveDistractor || option.PositiveDistractor;
      }
    }
    if (item.Facility) {
      item.LowFacility = *item.Facility < kLowFacility;
      item.HighFacility = *item.Facility > kHighFacility;
    }
    if (item.DiscriminationIndex) {
      item.NegativeDiscriminationIndex = *item.DiscriminationIndex < 0;
      item.WeakDiscrimination =
          !item.NegativeDiscriminationIndex && *item.DiscriminationIndex < kWeakDiscrimination;
    }
    items.push_back(std::move(item));
  }
  return items;
}

TGradeSummary SummarizeGrades(const TClassGrades& grades,
                              const std::vector<TItemStatistics>& items) {
  TGradeSummary summary;
  std::vector<double> sorted;
  for (const auto& s : grades.Students) {
    sorted.push_back(std::isfinite(s.Grade) ? std::clamp(s.Grade, 0.0, 100.0) : 0.0);
  }
  summary.Graded = static_cast<int32_t>(sorted.size());
  if (sorted.empty()) return summary;
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  const double mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / n;
  double squares = 0;
  for (double g : sorted) {
    squares += (g - mean) * (g - mean);
    ++summary.Histogram[std::min<size_t>(9, static_cast<size_t>(g / 10))];
  }
  summary.Mean = mean;
  summary.Median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  summary.StandardDeviation = std::sqrt(squares / n);

  // Cronbach's alpha over the questions that count, on the grades as the items saw them.
  size_t counted = 0;
  double partVariances = 0;
  for (const auto& item : items) {
    if (item.GradePerPoint <= 0) continue;
    ++counted;
    partVariances += item.GradePartVariance.value_or(NAN);
  }
  double gradeSum = 0, gradeSquares = 0, gradeScale = 0;
  for (const auto& s : grades.Students) gradeSum += s.Grade;
  for (const auto& s : grades.Students) {
    gradeSquares += (s.Grade - gradeSum / n) * (s.Grade - gradeSum / n);
    gradeScale = std::max(gradeScale, std::fabs(s.Grade));
  }
  if (n < 2 || counted < 2 || !std::isfinite(gradeSquares) || Alike(gradeSquares, gradeScale)) {
    return summary;
  }
  const double gradeVariance = gradeSquares / double(n - 1);
  const double p = double(counted);
  summary.InternalConsistency = Finite(100 * p / (p - 1) * (1 - partVariances / gradeVariance));
  if (!summary.InternalConsistency) return summary;
  const double alpha = *summary.InternalConsistency;
  summary.ErrorRatio = 100 * std::sqrt(std::max(0.0, 1 - alpha / 100));
  summary.StandardError = *summary.ErrorRatio / 100 * std::sqrt(gradeVariance);
  summary.Reliability = alpha < kUnreliableBelow ? TReliability::Unreliable
                        : alpha > kGoodAbove     ? TReliability::Good
                                                 : TReliability::Satisfactory;
  return summary;
}

std::string GradeFigure(double percent) {
  return FormatFixed(percent, 1);
}
std::string RatioFigure(double value) {
  return FormatFixed(value, 3);
}
std::string MaxScoreFigure(double score) {
  return FormatFixed(score, 2);
}
