// A bank's questions written as a test source: one topic per category, one level per topic whose
// weight is the sum of its questions' marks, so that the test grades as the bank does.
#include "BankImport.h"

#include <QBuffer>
#include <QImageReader>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "BankReaders.h"
#include "BankText.h"
#include "Cp1251.h"
#include "OutputFile.h"
#include "TestSource.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxCaptionChars = 60;
constexpr size_t kMaxOptions = 26;
constexpr int kMaxPictureSide = 10000;

std::string Number(double v) {
  char buffer[32];
  // Twelve digits: a bank's 33.33333 % of 2 is 0.6666666, not the double's 0.6666665999999999.
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 12);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string Trimmed(const std::string& s) {
  return QString::fromStdString(s).simplified().toStdString();
}

// A name for a heading or a button: one line, cp1251, no braces the source would take for
// attributes or scripts.
std::string PlainName(const std::string& utf8, size_t maxChars) {
  QString s = QString::fromStdString(utf8).simplified();
  if (size_t(s.size()) > maxChars) s = s.left(qsizetype(maxChars)).trimmed() + "…";
  std::string out;
  for (QChar c : s) {
    if (c == '{') c = '(';
    if (c == '}') c = ')';
    const std::string one = QString(c).toStdString();
    out += UnicodeToCp1251(c.unicode()) && !c.isSurrogate() ? one : "?";
  }
  return out;
}

bool FitsButton(const TConvertedText& t) {
  if (!t.OneLine || t.Plain.empty()) return false;
  if (size_t(QString::fromStdString(t.Plain).size()) > kMaxCaptionChars) return false;
  if (!Utf8ToCp1251(t.Plain).Ok) return false;
  if (t.Plain.find("^{") != std::string::npos || t.Plain.find("_{") != std::string::npos)
    return false;
  return t.Plain.back() != '}';
}

bool ValidUtf8(std::string_view s, int& badLine) {
  int line = 1;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n') ++line;
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      badLine = line;
      return false;
    }
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
        badLine = line;
        return false;
      }
    }
    i += n;
  }
  return true;
}

TBankFormat Detect(std::string_view bank) {
  if (bank.substr(0, 3) == "\xEF\xBB\xBF") bank.remove_prefix(3);
  const size_t first = bank.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos && bank[first] == '<') return TBankFormat::MoodleXml;
  for (size_t pos = 0; pos < bank.size();) {
    size_t end = bank.find('\n', pos);
    if (end == std::string_view::npos) end = bank.size();
    std::string_view line = bank.substr(pos, end - pos);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.substr(0, 7) == "ANSWER:") return TBankFormat::Aiken;
    pos = end + 1;
  }
  return TBankFormat::Gift;
}

class TSourceWriter {
 public:
  TSourceWriter(const TBankImportOptions& options, TBankImport& out)
      : FOptions(options), FOut(out) {}

  void Write(const TBankContents& bank) {
    const std::vector<std::string> topics = TopicNames(bank);
    std::map<std::string, size_t> topicIndex;
    for (size_t i = 0; i < bank.Questions.size(); ++i) {
      std::string text;
      const TBankQuestion& q = bank.Questions[i];
      if (!Question(q, text)) continue;
      auto [it, added] = topicIndex.emplace(topics[i], FTopics.size());
      if (added) FTopics.push_back({topics[i], {}, 0.0});
      FTopics[it->second].Questions.push_back(std::move(text));
      FTopics[it->second].Weight += q.Mark;
      ++FOut.Questions;
    }
    std::string source = "---\ntitle: " + Title() + "\n---\n";
    for (const auto& topic : FTopics) {
      source += "\n# " + topic.Name + "\n";
      source += "## Уровень {minutes=" +
                std::to_string(int64_t(topic.Questions.size()) * FOptions.MinutesPerQuestion) +
                " weight=" + Number(topic.Weight) + "}\n";
      for (const auto& q : topic.Questions) source += "\n" + q;
    }
    FOut.Source = std::move(source);
    if (FPartialSingle) {
      FOut.Notes.push_back(
          "partial credit on one-answer questions: the test shows check boxes whenever two options "
          "score, and marking several adds their scores, up to the question's mark");
    }
    if (FNegativeSingle) {
      FOut.Notes.push_back(
          "negative scores on one-answer questions: the test never takes a question below 0");
    }
  }

 private:
  struct TTopic {
    std::string Name;
    std::vector<std::string> Questions;
    double Weight = 0.0;
  };

  std::string Title() const {
    const std::string t = PlainName(FOptions.BankName, 120);
    return t.empty() ? "Импортированный тест" : t;
  }

  // Each question's topic: its category below the part all categories share.
  std::vector<std::string> TopicNames(const TBankContents& bank) const {
    std::vector<const std::vector<std::string>*> paths;
    for (const auto& q : bank.Questions) {
      if (q.InCategory && !q.Category.empty()) paths.push_back(&q.Category);
    }
    size_t shared = paths.empty() ? 0 : paths.front()->size();
    for (const auto* p : paths) {
      size_t k = 0;
      while (k < shared && k < p->size() && (*p)[k] == (*paths.front())[k]) ++k;
      shared = k;
    }
    std::string fallback = PlainName(FOptions.BankName, 120);
    if (fallback.empty()) fallback = "Вопросы";
    std::vector<std::string> names;
    for (const auto& q : bank.Questions) {
      if (!q.InCategory || q.Category.empty()) {
        names.push_back(fallback);
        continue;
      }
      const size_t from = std::min(shared, q.Category.size() - 1);
      std::string name;
      for (size_t k = from; k < q.Category.size(); ++k)
        name += (name.empty() ? "" : " / ") + q.Category[k];
      name = PlainName(name, 120);
      names.push_back(name.empty() ? fallback : name);
    }
    return names;
  }

  bool Question(const TBankQuestion& q, std::string& out) {
    const std::string shown = q.Name.empty() ? PlainName(q.Text.Text, 60) : q.Name;
    auto skip = [&](const char* reason) {
      FOut.Skipped.push_back(SkippedLine(shown, q.Type, reason));
      return false;
    };
    if (q.Mark <= 0) return skip("its mark is 0");
    if (q.Answers.empty()) return skip("no options");
    if (q.Answers.size() > kMaxOptions) return skip("more than 26 options");
    bool anyRight = false;
    int positive = 0;
    for (const auto& a : q.Answers) {
      anyRight = anyRight || a.Fraction > 0;
      positive += a.Fraction > 0;
    }
    if (!anyRight) return skip("no right answer");

    const size_t picturesBefore = FOut.Pictures.size();
    auto link = [&](const std::string& address) { return Picture(q, shown, address); };
    const TConvertedText text = ConvertBankText(q.Text, link);
    std::vector<TConvertedText> answers;
    bool onButtons = true;
    for (const auto& a : q.Answers) {
      answers.push_back(ConvertBankText(a.Text, link));
      onButtons = onButtons && FitsButton(answers.back());
    }
    const bool tooDeep =
        text.TooDeep || std::any_of(answers.begin(), answers.end(),
                                    [](const TConvertedText& a) { return a.TooDeep; });
    if (tooDeep) {
      FOut.Pictures.resize(picturesBefore);
      return skip("its HTML nests deeper than 100 elements");
    }
    if (text.Markdown.empty()) {
      FOut.Pictures.resize(picturesBefore);
      return skip("its text is empty");
    }
    if (q.Single && positive >= 2) FPartialSingle = true;
    for (const auto& a : q.Answers)
      FNegativeSingle = FNegativeSingle || (q.Single && a.Fraction < 0);

    out = "### " + (q.Name.empty() ? "Вопрос" : PlainName(q.Name, 80)) + " {max=" + Number(q.Mark) +
          (q.Single ? "" : " multi") + "}\n" + text.Markdown + "\n";
    std::string options;
    for (size_t i = 0; i < q.Answers.size(); ++i) {
      const std::string letter = Letter(q, i);
      if (!onButtons)
        out += "\n**" + EscapeMarkdown(letter, false) + "** " + answers[i].Markdown + "\n";
      const double score = q.Answers[i].Fraction / 100.0 * q.Mark;
      std::string caption = letter;
      if (onButtons) caption += " " + answers[i].Plain;
      options += std::string(score > 0 ? "- [x] " : "- [ ] ") + caption;
      if (score != (score > 0 ? 1.0 : 0.0)) options += " {marked=" + Number(score) + "}";
      options += "\n";
    }
    out += "\n" + options;
    return true;
  }

  static std::string Letter(const TBankQuestion& q, size_t i) {
    if (q.Numbering == TBankNumbering::Own && i < q.OwnLetters.size()) return q.OwnLetters[i] + ")";
    if (q.Numbering == TBankNumbering::Digits) return std::to_string(i + 1) + ")";
    return std::string(1, char('A' + i)) + ")";
  }

  // The page's link to a picture of the bank, written to the pictures' folder once; empty when
  // the bank does not hold it or it is no picture a page shows.
  std::string Picture(const TBankQuestion& q, const std::string& shown,
                      const std::string& address) {
    const QString decoded = QUrl::fromPercentEncoding(QByteArray::fromStdString(address));
    QString name = decoded;
    if (name.startsWith("@@PLUGINFILE@@/")) name = name.mid(15);
    const TBankFile* file = nullptr;
    for (const auto& f : q.Files) {
      if (QString::fromStdString(f.Name) == name || f.Name == address) file = &f;
    }
    if (!file) {
      Note("«" + shown + "»: the picture \"" + address +
           "\" is not in the bank: its name stands in its place");
      return {};
    }
    const auto key = std::make_pair(&q, file->Name);
    if (auto it = FLinked.find(key); it != FLinked.end()) return it->second;
    QByteArray bytes = QByteArray::fromStdString(file->Bytes);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (format.isEmpty() || !size.isValid() || size.width() > kMaxPictureSide ||
        size.height() > kMaxPictureSide) {
      Note("«" + shown + "»: \"" + file->Name +
           "\" is not a picture a page can show: its name stands in its place");
      return FLinked[key] = {};
    }
    const std::string fileName = FileName(file->Name, format.toStdString());
    FOut.Pictures.push_back({fileName, file->Bytes});
    const QString path = QString::fromStdString(FOptions.ImagesFolder + "/" + fileName);
    return FLinked[key] = QUrl::toPercentEncoding(path, "/-_.~").toStdString();
  }

  // A plain, unused name inside the pictures' folder: the bank's name is never a path.
  std::string FileName(const std::string& bankName, const std::string& format) {
    std::string base = bankName.substr(bankName.find_last_of("/\\") + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.resize(dot);
    std::string clean;
    for (char c : base) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_';
      if (clean.size() < 40) clean += plain ? c : '_';
    }
    if (clean.find_first_not_of('_') == std::string::npos) clean = "picture";
    const std::string extension = format == "jpeg" ? "jpg" : format;
    std::string name = clean + "." + extension;
    for (int n = 2; FNames.count(QString::fromStdString(name).toLower().toStdString()); ++n) {
      name = clean + "-" + std::to_string(n) + "." + extension;
    }
    FNames.insert(QString::fromStdString(name).toLower().toStdString());
    return name;
  }

  void Note(const std::string& note) { FOut.Notes.push_back(note); }

  const TBankImportOptions& FOptions;
  TBankImport& FOut;
  std::vector<TTopic> FTopics;
  std::map<std::pair<const TBankQuestion*, std::string>, std::string> FLinked;
  std::set<std::string> FNames;
  bool FPartialSingle = false, FNegativeSingle = false;
};

}  // namespace

std::string TrimBlanks(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

std::vector<std::string> SplitCategoryPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] == '/' && i + 1 < path.size() && path[i + 1] == '/') {
      part += '/';
      ++i;
    } else if (i == path.size() || path[i] == '/') {
      const std::string t = Trimmed(part);
      if (!t.empty()) parts.push_back(t);
      part.clear();
    } else {
      part += path[i];
    }
  }
  // The context ($course$, $system$, ...) and "top" name no category of the teacher's.
  if (!parts.empty() && parts.front().size() > 2 && parts.front().front() == '$' &&
      parts.front().back() == '$') {
    parts.erase(parts.begin());
  }
  if (!parts.empty() && parts.front() == "top") parts.erase(parts.begin());
  return parts;
}

std::string SkippedLine(const std::string& name, const std::string& type,
                        const std::string& reason) {
  return "«" + PlainName(name, 60) + "» (" + (type.empty() ? "no type" : type) + "): " + reason;
}

const char* BankFormatName(TBankFormat format) {
  switch (format) {
    case TBankFormat::MoodleXml:
      return "Moodle XML";
    case TBankFormat::Gift:
      return "GIFT";
    case TBankFormat::Aiken:
      return "Aiken";
    case TBankFormat::Detect:
      break;
  }
  return "unknown";
}

TBankImport ImportBank(std::string_view bank, const TBankImportOptions& options) {
  TBankImport out;
  if (bank.size() > kMaxBankBytes) {
    out.Error = "the bank is larger than " + std::to_string(kMaxBankBytes >> 20) + " MB";
    return out;
  }
  out.Format = options.Format == TBankFormat::Detect ? Detect(bank) : options.Format;
  int badLine = 0;
  if (out.Format != TBankFormat::MoodleXml && !ValidUtf8(bank, badLine)) {
    out.Error = "the text is not UTF-8 (save the bank as UTF-8)";
    out.ErrorLine = badLine;
    return out;
  }
  const TBankContents contents = out.Format == TBankFormat::MoodleXml ? ReadMoodleXml(bank)
                                 : out.Format == TBankFormat::Aiken   ? ReadAiken(bank)
                                                                      : ReadGift(bank);
  if (!contents.Error.empty()) {
    out.Error = contents.Error;
    out.ErrorLine = contents.ErrorLine;
    return out;
  }
  out.Skipped = contents.Skipped;
  if (!contents.Dropped.empty()) {
    std::string what;
    for (const auto& d : contents.Dropped) what += (what.empty() ? "" : ", ") + d;
    out.Notes.push_back("dropped: " + what + " (a test keeps none of them)");
  }
  TSourceWriter(options, out).Write(contents);
  if (out.Questions == 0) {
    out.Error = "the bank holds no multiple-choice question to import";
    out.Source.clear();
    out.Pictures.clear();
    return out;
  }
  // What was written must be a source make takes; a fault of ours is no file the teacher gets.
  std::vector<TSourceError> errors;
  ParseTestSource(out.Source, errors);
  if (!errors.empty()) {
    out.Error = "the source written from it does not parse (line " +
                std::to_string(errors[0].Line) + ": " + errors[0].Message + ")";
    out.Source.clear();
    out.Pictures.clear();
    return out;
  }
  out.Ok = true;
  return out;
}

std::string ImportedImagesFolder(const std::string& sourcePath) {
  return fs::path(sourcePath).stem().string() + "-images";
}

std::string ImportedImagesPath(const std::string& sourcePath) {
  return (fs::path(sourcePath).parent_path() / ImportedImagesFolder(sourcePath)).string();
}

std::string ImportTargetProblem(const std::string& bankPath, const std::string& sourcePath,
                                std::string& file) {
  file = sourcePath;
  if (std::string clash = OutputClashesWithInput(sourcePath, {bankPath}); !clash.empty())
    return clash;
  file = bankPath;
  const std::string imagesFolder = ImportedImagesPath(sourcePath);
  // The pictures' folder is replaced whole: the bank must not be in it.
  std::error_code ec;
  const fs::path bank = fs::weakly_canonical(bankPath, ec),
                 folder = fs::weakly_canonical(imagesFolder, ec);
  if (!ec &&
      std::mismatch(folder.begin(), folder.end(), bank.begin(), bank.end()).first == folder.end()) {
    return "lies in " + imagesFolder + ", which the import replaces: move it out first";
  }
  return {};
}

bool WriteImportedBank(const TBankImport& imported, const std::string& sourcePath,
                       const std::string& imagesFolder, std::string& error) {
  if (imported.Pictures.empty()) return WriteOutputFile(sourcePath, imported.Source, error);
  const fs::path folder = imagesFolder, part = imagesFolder + ".part", old = imagesFolder + ".old";
  std::error_code ec;
  if (fs::exists(fs::symlink_status(folder, ec)) &&
      !fs::is_directory(fs::symlink_status(folder, ec))) {
    error = folder.string() + " is there and is not a folder";
    return false;
  }
  fs::remove_all(part, ec);
  if (!fs::create_directory(part, ec)) {
    error = part.string() + " cannot be made: " + ec.message();
    return false;
  }
  for (const auto& picture : imported.Pictures) {
    std::ofstream file(part / picture.File, std::ios::binary | std::ios::trunc);
    file.write(picture.Bytes.data(), static_cast<std::streamsize>(picture.Bytes.size()));
    file.close();
    if (!file) {
      fs::remove_all(part, ec);
      error = (folder / picture.File).string() + " cannot be written";
      return false;
    }
  }
  const bool hadFolder = fs::exists(fs::symlink_status(folder, ec));
  fs::remove_all(old, ec);
  if (hadFolder) fs::rename(folder, old, ec);
  if (!ec) fs::rename(part, folder, ec);
  if (ec) {
    error = folder.string() + " cannot be replaced: " + ec.message();
    fs::remove_all(part, ec);
    if (hadFolder && !fs::exists(folder, ec)) fs::rename(old, folder, ec);
    return false;
  }
  if (!WriteOutputFile(sourcePath, imported.Source, error)) {
    fs::remove_all(folder, ec);
    if (hadFolder) fs::rename(old, folder, ec);
    return false;
  }
  fs::remove_all(old, ec);
  return true;
}
