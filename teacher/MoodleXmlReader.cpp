// Reader of Moodle XML question banks, over Qt's XML stream reader.
#include <QByteArray>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <optional>

#include "BankImport.h"
#include "BankReaders.h"

namespace {

constexpr int kMaxDepth = 32;

std::optional<double> Number(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

TBankTextFormat FormatOf(const QString& name) {
  if (name == "plain_text") return TBankTextFormat::Plain;
  if (name == "markdown") return TBankTextFormat::Markdown;
  if (name == "moodle_auto_format") return TBankTextFormat::MoodleAuto;
  return TBankTextFormat::Html;
}

class TXmlReader {
 public:
  explicit TXmlReader(std::string_view bank)
      : FXml(QByteArray::fromRawData(bank.data(), static_cast<qsizetype>(bank.size()))) {}

  TBankContents Read() {
    if (!Next() || !FXml.isStartElement()) return Finish();
    if (FXml.name() != QLatin1String("quiz")) {
      Fail("the root element is <" + FXml.name().toString().toStdString() + ">, not <quiz>");
      return Finish();
    }
    while (Child()) {
      if (FXml.name() == QLatin1String("question")) {
        Question();
      } else {
        Skip();
      }
    }
    // After the root only comments and blanks may follow: the reader says so when anything else
    // does.
    while (Next()) {
    }
    return Finish();
  }

 private:
  // The next element's start or end, or text; false at the end of the document or on an error.
  bool Next() {
    while (!Failed()) {
      const auto token = FXml.readNext();
      if (token == QXmlStreamReader::DTD) {
        Fail("a document type declaration (DTD) is not accepted in a question bank");
      } else if (token == QXmlStreamReader::EntityReference) {
        Fail("an undeclared entity &" + FXml.name().toString().toStdString() + ";");
      } else if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument) {
        return false;
      } else if (token == QXmlStreamReader::StartElement) {
        if (++FDepth > kMaxDepth)
          Fail("the elements nest deeper than " + std::to_string(kMaxDepth));
        return !Failed();
      } else if (token == QXmlStreamReader::EndElement) {
        --FDepth;
        return true;
      } else if (token == QXmlStreamReader::Characters) {
        return true;
      }
    }
    return false;
  }

  // The next child element of the current one; false at its end.
  bool Child() {
    while (Next()) {
      if (FXml.isStartElement()) return true;
      if (FXml.isEndElement()) return false;
    }
    return false;
  }

  void Skip() {
    while (Child()) Skip();
  }

  // The text of an element, that of elements inside it included (HTML some writers leave
  // unescaped).
  QString ElementText() {
    QString text;
    int inner = 0;
    while (Next()) {
      if (FXml.isStartElement()) {
        ++inner;
      } else if (FXml.isEndElement() && inner-- == 0) {
        return text;
      } else if (FXml.isCharacters()) {
        text += FXml.text();
        if (size_t(text.size()) > kMaxBankBytes) Fail("a text is too long");
      }
    }
    return text;
  }

  // <text> and <file>s of a text element (questiontext, answer, category...).
  TBankText TextElement(std::vector<TBankFile>* files) {
    TBankText text;
    text.Format = FormatOf(FXml.attributes().value("format").toString());
    while (Child()) {
      const auto name = FXml.name();
      if (name == QLatin1String("text")) {
        text.Text = ElementText().toStdString();
      } else if (name == QLatin1String("file") && files) {
        File(*files);
      } else if (name == QLatin1String("feedback")) {
        FContents.Dropped.insert("feedback");
        Skip();
      } else {
        Skip();
      }
    }
    return text;
  }

  void File(std::vector<TBankFile>& files) {
    const int line = Line();
    const QString name = FXml.attributes().value("name").toString();
    const QString encoding = FXml.attributes().value("encoding").toString();
    const QString data = ElementText();
    if (Failed()) return;
    if (!encoding.isEmpty() && encoding != QLatin1String("base64")) return;
    Picture(files, name.toStdString(), data, line);
  }

  void Picture(std::vector<TBankFile>& files, const std::string& name, const QString& base64,
               int line) {
    QByteArray encoded = base64.toLatin1();
    encoded.replace('\n', "").replace('\r', "").replace(' ', "").replace('\t', "");
    if (size_t(encoded.size()) / 4 * 3 > kMaxPictureBytes) {
      return Fail("the picture \"" + name + "\" is larger than " +
                      std::to_string(kMaxPictureBytes >> 20) + " MB",
                  line);
    }
    auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return Fail("the picture \"" + name + "\" is not valid base64", line);
    files.push_back({name, decoded.decoded.toStdString()});
  }

  void Category() {
    while (Child()) {
      if (FXml.name() == QLatin1String("category")) {
        const TBankText path = TextElement(nullptr);
        FCategory = SplitCategoryPath(path.Text);
        FInCategory = true;
      } else {
        Skip();
      }
    }
  }

  void Question() {
    const QString type = FXml.attributes().value("type").toString();
    if (type == QLatin1String("category")) return Category();
    TBankQuestion q;
    q.Line = Line();
    q.Type = type.toStdString();
    q.Category = FCategory;
    q.InCategory = FInCategory;
    std::string numbering = "abc";
    while (Child()) {
      const auto name = FXml.name();
      if (name == QLatin1String("name")) {
        q.Name = TextElement(nullptr).Text;
      } else if (name == QLatin1String("questiontext")) {
        q.Text = TextElement(&q.Files);
      } else if (name == QLatin1String("answer")) {
        const int line = Line();
        const QString fraction = FXml.attributes().value("fraction").toString();
        TBankAnswer answer;
        answer.Text = TextElement(&q.Files);
        const auto f = Number(fraction.isEmpty() ? "0" : fraction);
        if (!f)
          return Fail("the answer's fraction \"" + fraction.toStdString() + "\" is not a number",
                      line);
        answer.Fraction = *f;
        q.Answers.push_back(std::move(answer));
      } else if (name == QLatin1String("defaultgrade")) {
        const int line = Line();
        const QString text = ElementText();
        const auto mark = Number(text);
        if (!mark || *mark < 0) {
          return Fail(
              "defaultgrade must be a number of 0 or more, not \"" + text.toStdString() + "\"",
              line);
        }
        q.Mark = *mark;
      } else if (name == QLatin1String("single")) {
        const QString v = ElementText().trimmed().toLower();
        q.Single = !(v == QLatin1String("false") || v == QLatin1String("0"));
      } else if (name == QLatin1String("answernumbering")) {
        numbering = ElementText().trimmed().toStdString();
      } else if (name == QLatin1String("shuffleanswers")) {
        const QString v = ElementText().trimmed().toLower();
        if (v == QLatin1String("true") || v == QLatin1String("1"))
          FContents.Dropped.insert("shuffling");
      } else if (name == QLatin1String("penalty")) {
        const auto v = Number(ElementText());
        if (v && *v != 0) FContents.Dropped.insert("penalties");
      } else if (name == QLatin1String("generalfeedback") ||
                 name == QLatin1String("correctfeedback") ||
                 name == QLatin1String("partiallycorrectfeedback") ||
                 name == QLatin1String("incorrectfeedback")) {
        if (!ElementText().trimmed().isEmpty()) FContents.Dropped.insert("feedback");
      } else if (name == QLatin1String("image")) {
        FOldImage = ElementText().trimmed().toStdString();
      } else if (name == QLatin1String("image_base64")) {
        const int line = Line();
        std::string imageName = FOldImage.empty() ? "picture" : FOldImage;
        const size_t slash = imageName.find_last_of('/');
        if (slash != std::string::npos) imageName = imageName.substr(slash + 1);
        Picture(q.Files, imageName, ElementText(), line);
        q.Text.Text += "<p><img src=\"@@PLUGINFILE@@/" + imageName + "\"></p>";
      } else {
        Skip();
      }
      if (Failed()) return;
    }
    FOldImage.clear();
    if (Failed()) return;
    if (q.Type != "multichoice" && q.Type != "truefalse") {
      FContents.Skipped.push_back(SkippedLine(q.Name, q.Type, "not multiple choice"));
      return;
    }
    q.Numbering = numbering == "123" ? TBankNumbering::Digits : TBankNumbering::Letters;
    if (q.Type == "truefalse") TrueFalse(q);
    FContents.Questions.push_back(std::move(q));
  }

  // "true" and "false" in either order become "Верно" then "Неверно".
  static void TrueFalse(TBankQuestion& q) {
    double right = 0, wrong = 0;
    for (size_t i = 0; i < q.Answers.size(); ++i) {
      const std::string t =
          QString::fromStdString(q.Answers[i].Text.Text).trimmed().toLower().toStdString();
      const bool isTrue = t == "true" || (t != "false" && i == 0);
      (isTrue ? right : wrong) = q.Answers[i].Fraction;
    }
    q.Single = true;
    q.Numbering = TBankNumbering::Letters;
    q.Answers = {{{"Верно", TBankTextFormat::Plain}, right},
                 {{"Неверно", TBankTextFormat::Plain}, wrong}};
  }

  int Line() const { return static_cast<int>(FXml.lineNumber()); }
  bool Failed() const { return !FContents.Error.empty(); }
  void Fail(std::string message, int line = 0) {
    if (Failed()) return;
    FContents.Error = std::move(message);
    FContents.ErrorLine = line ? line : Line();
  }

  TBankContents Finish() {
    if (!Failed() && FXml.hasError()) {
      Fail(FXml.errorString().toStdString());
    } else if (!Failed() && FDepth != 0) {
      Fail("the document ends inside an element");
    }
    if (Failed()) FContents.Questions.clear();
    return std::move(FContents);
  }

  QXmlStreamReader FXml;
  TBankContents FContents;
  std::vector<std::string> FCategory;
  bool FInCategory = false;
  std::string FOldImage;
  int FDepth = 0;
};

}  // namespace

TBankContents ReadMoodleXml(std::string_view bank) {
  return TXmlReader(bank).Read();
}
