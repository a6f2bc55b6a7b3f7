// Class grading through the same scoring code the program uses.
#include "Grading.h"

#include <algorithm>
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

double Percent(double score, double max) {
  return max == 0 ? 0.0 : 100.0 * score / max;
}

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
  std::vector<size_t> order(students.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return students[a].Grade > students[b].Grade; });
  const size_t group =
      students.empty() ? 0 : std::max<size_t>(1, (students.size() * 27 + 50) / 100);

  std::vector<TItemStatistics> items;
  for (int32_t q = 0; q < layout.QuestionCount(); ++q) {
    TItemStatistics item;
    item.Question = q;
    item.Topic = layout.LocateQuestion(q).Topic;
    item.MaxScore = layout.QuestionMaxScore(q);
    item.Options = OptionsOf(key, q);
    auto full = [&](size_t s) {
      return item.MaxScore > 0 && students[s].QuestionScores[q] >= item.MaxScore;
    };
    double sum = 0;
    size_t fullCount = 0;
    for (size_t s = 0; s < students.size(); ++s) {
      sum += students[s].QuestionScores[q];
      fullCount += full(s) ? 1 : 0;
    }
    if (!students.empty()) {
      item.MeanScore = sum / students.size();
      item.FullScoreShare = double(fullCount) / students.size();
      size_t upper = 0, lower = 0;
      for (size_t i = 0; i < group; ++i) {
        upper += full(order[i]) ? 1 : 0;
        lower += full(order[order.size() - 1 - i]) ? 1 : 0;
      }
      item.Discrimination = (double(upper) - double(lower)) / group;
      item.TooHard = item.FullScoreShare < kTooHardShare;
      item.TooEasy = item.FullScoreShare > kTooEasyShare;
      item.NegativeDiscrimination = item.Discrimination < 0;
    }
    for (size_t i = 0; i < item.Options.size(); ++i) {
      const size_t option = static_cast<size_t>(layout.OptionIndex(q, static_cast<int32_t>(i)));
      for (const auto& student : students)
        item.Options[i].MarkedCount += student.Marked(static_cast<int32_t>(option));
    }
    items.push_back(item);
  }
  return items;
}

TGradeSummary SummarizeGrades(const TClassGrades& grades) {
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
