// The teacher's window's reading of a parsed source.
#include "SourceText.h"

#include <algorithm>

#include "TestReader.h"

std::vector<TQuestionPlace> QuestionPlaces(const TSourceTest& source) {
  std::vector<TQuestionPlace> places;
  for (size_t t = 0; t < source.Topics.size(); ++t) {
    const auto& levels = source.Topics[t].Levels;
    for (size_t l = 0; l < levels.size(); ++l) {
      const auto& questions = levels[l].Questions;
      for (size_t q = 0; q < questions.size(); ++q) {
        places.push_back({int(t), int(l), int(q), &questions[q]});
      }
    }
  }
  return places;
}

int QuestionAtLine(const std::vector<TQuestionPlace>& places, int line) {
  if (places.empty()) return -1;
  // The places are in line order, as the source is read top to bottom.
  int found = 0;
  for (size_t i = 0; i < places.size() && places[i].Question->Line <= line; ++i) found = int(i);
  return found;
}

TSourceTest OneQuestionTest(const TSourceTest& source, const TQuestionPlace& place) {
  TSourceTest one;
  one.Title = source.Title;
  const TSourceTopic& topic = source.Topics[size_t(place.Topic)];
  const TSourceLevel& level = topic.Levels[size_t(place.Level)];
  TSourceLevel onlyLevel{level.Line, level.Minutes, level.Weight, {*place.Question}};
  one.Topics.push_back({topic.Line, topic.Name, {onlyLevel}});
  return one;
}

namespace {

std::string_view LineAt(std::string_view text, size_t pos) {
  const size_t end = text.find('\n', pos);
  return text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::string WithIdentLine(std::string_view text, const std::string& ident) {
  if (Trimmed(LineAt(text, 0)) != "---") return std::string(text);
  const std::string eol = LineAt(text, 0).find('\r') != std::string_view::npos ? "\r\n" : "\n";
  const std::string identLine = "ident: " + ident;
  size_t pos = text.find('\n');
  if (pos == std::string_view::npos) return std::string(text);
  const size_t afterOpening = pos + 1;
  for (pos = afterOpening; pos < text.size();) {
    const std::string_view line = LineAt(text, pos);
    const std::string_view trimmed = Trimmed(line);
    if (trimmed == "---") break;
    if (trimmed.substr(0, 6) == "ident:") {
      std::string out(text.substr(0, pos));
      out += identLine;
      if (!line.empty() && line.back() == '\r') out += '\r';
      out += text.substr(pos + line.size());
      return out;
    }
    pos += line.size() + 1;
  }
  std::string out(text.substr(0, afterOpening));
  out += identLine + eol;
  out += text.substr(afterOpening);
  return out;
}

std::string HeadingWithPage(std::string_view heading, const std::string& file) {
  std::string line(Trimmed(heading));
  const std::string attribute = "page=" + file;
  const size_t open = line.rfind('{');
  if (line.empty() || line.back() != '}' || open == std::string::npos)
    return line + " {" + attribute + "}";
  // The attributes are words separated by blanks; page= is replaced, the others stay.
  std::string inside = line.substr(open + 1, line.size() - open - 2), rebuilt;
  size_t pos = 0;
  while (pos < inside.size()) {
    const size_t start = inside.find_first_not_of(" \t", pos);
    if (start == std::string::npos) break;
    const size_t end = std::min(inside.find_first_of(" \t", start), inside.size());
    const std::string word = inside.substr(start, end - start);
    if (word.rfind("page=", 0) != 0) rebuilt += word + " ";
    pos = end;
  }
  return line.substr(0, open) + "{" + rebuilt + attribute + "}";
}

bool SameAnswerLayout(const TTestReader& oldKey, const TSourceTest& source) {
  const std::vector<TQuestionPlace> places = QuestionPlaces(source);
  const TTestAnswersLayout& layout = oldKey.Layout();
  if (layout.QuestionCount() != int32_t(places.size())) return false;
  for (size_t q = 0; q < places.size(); ++q) {
    if (layout.OptionCount(int32_t(q)) != int32_t(places[q].Question->Options.size())) return false;
  }
  return true;
}

int TotalMinutes(const TSourceTest& source) {
  int minutes = 0;
  for (const auto& topic : source.Topics) {
    for (const auto& level : topic.Levels) minutes += level.Minutes;
  }
  return minutes;
}

double TotalWeight(const TSourceTest& source) {
  double weight = 0;
  for (const auto& topic : source.Topics) {
    for (const auto& level : topic.Levels) weight += level.Weight;
  }
  return weight;
}
