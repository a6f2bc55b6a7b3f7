// examtool import: banks of the three formats imported, built and graded as the bank grades them;
// their texts, captions and pictures; malformed and hostile banks refused with nothing written.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTextDocument>

#include <algorithm>
#include <filesystem>
#include <random>

#include "BankImport.h"
#include "BankText.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "ScriptMarkup.h"
#include "TestImage.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "TestUserAnswers.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string PngBase64(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toBase64().toStdString();
}

const std::string kXmlBank = R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="multichoice">
    <name><text>Без категории</text></name>
    <questiontext format="html"><text>Сколько будет 2 + 2?</text></questiontext>
    <defaultgrade>0.5</defaultgrade>
    <answer fraction="100"><text>4</text></answer>
    <answer fraction="0"><text>5</text></answer>
  </question>
  <question type="category">
    <category><text>$course$/top/Физика/Кинематика</text></category>
  </question>
  <question type="multichoice">
    <name><text>Единица скорости</text></name>
    <questiontext format="html">
      <text><![CDATA[<p>Какова единица <b>скорости</b>?</p><img src="@@PLUGINFILE@@/speed%20sign.png">]]></text>
      <file name="speed sign.png" path="/" encoding="base64">)" +
                             PngBase64(80, 40) + R"(</file>
    </questiontext>
    <defaultgrade>2.0000000</defaultgrade>
    <penalty>0.3333333</penalty>
    <single>true</single>
    <shuffleanswers>true</shuffleanswers>
    <answer fraction="100" format="html"><text><![CDATA[<p>м/с</p>]]></text>
      <feedback format="html"><text>Верно</text></feedback></answer>
    <answer fraction="33.33333" format="html"><text>км/ч</text></answer>
    <answer fraction="0" format="html"><text>Н</text></answer>
  </question>
  <question type="shortanswer">
    <name><text>Закон Гука</text></name>
    <questiontext format="html"><text>F = ?</text></questiontext>
    <answer fraction="100"><text>kx</text></answer>
  </question>
  <question type="category">
    <category><text>$course$/top/Физика/Динамика</text></category>
  </question>
  <question type="multichoice">
    <name><text>Векторы</text></name>
    <questiontext format="html"><text>Отметьте векторные величины.</text></questiontext>
    <defaultgrade>3</defaultgrade>
    <single>false</single>
    <answer fraction="50"><text>скорость</text></answer>
    <answer fraction="50"><text>сила</text></answer>
    <answer fraction="-100"><text>масса</text></answer>
    <answer fraction="-33.33333"><text>время</text></answer>
  </question>
  <question type="truefalse">
    <name><text>Солнце</text></name>
    <questiontext format="moodle_auto_format"><text>Земля вращается
вокруг Солнца.</text></questiontext>
    <answer fraction="0"><text>false</text></answer>
    <answer fraction="100"><text>true</text></answer>
  </question>
  <question type="essay">
    <name><text>Эссе</text></name>
    <questiontext><text>О себе</text></questiontext>
  </question>
  <question type="multichoice">
    <name><text>Нет верного</text></name>
    <questiontext><text>Ничего</text></questiontext>
    <answer fraction="0"><text>а</text></answer>
  </question>
</quiz>
)";

const char kGiftBank[] =
    "\xEF\xBB\xBF// a comment line\n"
    R"($CATEGORY: $course$/top/Механика/Кинематика

::Скорость:: Какова единица измерения скорости? {
  =м/с        # feedback after a hash
  ~км/ч
  ~%25%м/мин
  ~Н
}

$CATEGORY: $course$/top/Механика/Статика

::Векторы:: Отметьте векторные величины. {
  ~%50%скорость
  ~%50%сила
  ~%-100%масса
}

::Истина:: Земля вращается вокруг Солнца. {F#Вращается}

::Знаки:: [plain] Знаки \~ \= \# \{ \} \: и <b>теги</b>, 2 * 3 {=да ~нет}

::Закон Гука:: Сила упругости {=kx =k*x}

::Эссе:: Расскажите о себе {}

::Сумма:: 2 + 2 = {#4}
)";

const char kAikenBank[] = R"(Какова единица измерения скорости? <html class="x"> & images
A) м/с
B) км/ч
C) Н
ANSWER: A

Что больше?
A. 1 *звезда*
B. 2
ANSWER: B
)";

struct TBankQuestionModel {
  double Mark;
  bool Single;
  std::vector<double> Fractions;  // percent
};

// The bank's own rule: one answer scores its fraction (never below 0 here: the test does not
// take a question below 0, which the import says), several the sum of theirs within 0..100 %.
double BankScore(const TBankQuestionModel& q, const std::vector<bool>& marked) {
  double percent = 0;
  for (size_t i = 0; i < marked.size(); ++i) percent += marked[i] ? q.Fractions[i] : 0.0;
  return std::clamp(percent, 0.0, 100.0) / 100.0 * q.Mark;
}

struct TRoundTrip {
  const char* Name;
  std::string Bank;
  std::vector<std::string> Topics;  // in the test's order, with their questions below
  std::vector<TBankQuestionModel> Questions;
  size_t Skipped;
  size_t Pictures;
};

std::vector<TRoundTrip> RoundTrips() {
  return {
      {"xml",
       kXmlBank,
       {"bank", "Кинематика", "Динамика"},
       {{0.5, true, {100, 0}},
        {2, true, {100, 33.33333, 0}},
        {3, false, {50, 50, -100, -33.33333}},
        {1, true, {100, 0}}},
       3,
       1},
      {"gift",
       kGiftBank,
       {"Кинематика", "Статика"},
       {{1, true, {100, 0, 25, 0}},
        {1, false, {50, 50, -100}},
        {1, true, {0, 100}},
        {1, true, {100, 0}}},
       3,
       0},
      {"aiken", kAikenBank, {"bank"}, {{1, true, {100, 0, 0}}, {1, true, {0, 100}}}, 0, 0},
  };
}

TEST(BankImport, BuiltTestsGradeEveryAnswerSetAsTheBankDoes) {
  for (const TRoundTrip& c : RoundTrips()) {
    SCOPED_TRACE(c.Name);
    examtest::TPrivateTempDir tmp;
    TBankImportOptions options;
    options.BankName = "bank";
    options.ImagesFolder = "тест-images";
    options.MinutesPerQuestion = 2;
    const TBankImport imported = ImportBank(c.Bank, options);
    ASSERT_TRUE(imported.Ok) << imported.ErrorLine << ": " << imported.Error;
    EXPECT_EQ(imported.Skipped.size(), c.Skipped);
    ASSERT_EQ(imported.Pictures.size(), c.Pictures);
    std::string error;
    ASSERT_TRUE(WriteImportedBank(imported, (tmp.Path() / "тест.md").string(),
                                  (tmp.Path() / "тест-images").string(), error))
        << error;
    std::vector<TSourceError> errors;
    const auto made =
        MakeTestFromSource(imported.Source, tmp.Path().string(), TTestIdent{3}, errors);
    ASSERT_TRUE(made) << (errors.empty() ? "" : errors[0].Message) << "\n" << imported.Source;

    TTestReader key;
    key.SetMemory(MemoryBlockOf(made->Answers));
    ASSERT_EQ(key.QuestionCount(), int32_t(c.Questions.size()));
    EXPECT_EQ(key.TimeLimit(), int32_t(2 * c.Questions.size()));
    for (size_t t = 0; t < c.Topics.size(); ++t) {
      EXPECT_EQ(Cp1251ToUtf8(TopicName(key.Image(), int32_t(t))), c.Topics[t]);
    }
    const TTestAnswersLayout& layout = key.Layout();
    std::mt19937 random(7);
    for (int student = 0; student < 300; ++student) {
      TTestUserAnswers answers;
      answers.SetOptionCount(layout.TotalOptions());
      answers.SetIdent(key.GetIdent());
      double score = 0, marks = 0;
      for (size_t q = 0; q < c.Questions.size(); ++q) {
        const TBankQuestionModel& model = c.Questions[q];
        ASSERT_EQ(layout.OptionCount(int32_t(q)), int32_t(model.Fractions.size()));
        std::vector<bool> marked(model.Fractions.size());
        if (model.Single) {
          // One of the options, or none (an unanswered question).
          const size_t pick = random() % (marked.size() + 1);
          if (pick < marked.size()) marked[pick] = true;
        } else {
          for (size_t i = 0; i < marked.size(); ++i) marked[i] = random() % 2;
        }
        for (size_t i = 0; i < marked.size(); ++i) {
          if (marked[i]) answers.SetMarked(layout.OptionIndex(int32_t(q), int32_t(i)), true);
        }
        score += BankScore(model, marked);
        marks += model.Mark;
      }
      key.Evaluate(answers, true);
      ASSERT_NEAR(key.Score(0), score / marks, 1e-9) << "student " << student;
    }
  }
}

// What a teacher reads: the skipped questions by name and type, the figures of the level.
TEST(BankImport, SourceNamesWhatItSkipsAndKeepsTheBankShape) {
  TBankImportOptions options;
  options.BankName = "bank";
  options.ImagesFolder = "bank-images";
  const TBankImport xml = ImportBank(kXmlBank, options);
  ASSERT_TRUE(xml.Ok);
  EXPECT_EQ(xml.Skipped,
            (std::vector<std::string>{"«Закон Гука» (shortanswer): not multiple choice",
                                      "«Эссе» (essay): not multiple choice",
                                      "«Нет верного» (multichoice): no right answer"}));
  EXPECT_NE(xml.Source.find("## Уровень {minutes=1 weight=2}\n\n### Единица скорости {max=2}\n"
                            "Какова единица **скорости**?![](bank-images/speed_sign.png)\n"),
            std::string::npos)
      << xml.Source;
  EXPECT_NE(
      xml.Source.find("- [x] A) м/с {marked=2}\n- [x] B) км/ч {marked=0.6666666}\n- [ ] C) Н\n"),
      std::string::npos);
  EXPECT_NE(xml.Source.find("### Векторы {max=3 multi}"), std::string::npos);
  EXPECT_NE(
      xml.Source.find("Земля вращается\\\nвокруг Солнца.\n\n- [x] A) Верно\n- [ ] B) Неверно\n"),
      std::string::npos);
  std::string notes;
  for (const auto& n : xml.Notes) notes += n + "\n";
  EXPECT_NE(notes.find("dropped: feedback, penalties, shuffling"), std::string::npos) << notes;
  EXPECT_NE(notes.find("partial credit on one-answer questions"), std::string::npos) << notes;

  // HTML left unescaped inside <text> keeps its words.
  const TBankImport raw = ImportBank(
      "<quiz><question type=\"truefalse\"><questiontext><text>Это <b>жирный</b> текст</text>"
      "</questiontext><answer fraction=\"100\"><text>true</text></answer></question></quiz>",
      options);
  ASSERT_TRUE(raw.Ok) << raw.Error;
  EXPECT_NE(raw.Source.find("\nЭто жирный текст\n"), std::string::npos) << raw.Source;

  const TBankImport gift = ImportBank(kGiftBank, options);
  ASSERT_TRUE(gift.Ok);
  EXPECT_EQ(gift.Skipped,
            (std::vector<std::string>{"«Закон Гука» (shortanswer): not multiple choice",
                                      "«Эссе» (essay): not multiple choice",
                                      "«Сумма» (numerical): not multiple choice"}));
  EXPECT_NE(gift.Source.find("Знаки \\~ = # { } : и \\<b\\>теги\\</b\\>, 2 \\* 3\n"),
            std::string::npos)
      << gift.Source;
}

// Texts through the page's own Markdown: what reaches the page is the bank's text, no more, no
// less.
std::string PageText(const std::string& markdown) {
  std::vector<TSourceError> errors;
  const std::string marked = MarkScripts(markdown, errors);
  EXPECT_TRUE(errors.empty()) << markdown;
  QTextDocument doc;
  doc.setMarkdown(QString::fromStdString(marked));
  return doc.toPlainText().toStdString();
}

TEST(BankText, PlainTextStaysExactlyWhatItIs) {
  const char* cases[] = {
      R"(<html class="x"> & images)",
      "*a* _b_ **c** ~~d~~ `e`",
      "# not a heading",
      "- not a list",
      "+ nor this",
      "1. nor a numbered one",
      "2) nor this",
      "=== under a line",
      "x^{2} and y_{1}, ^{}",
      "$5 and $6, \\(x\\) and $$y$$",
      "http://example.ru www.example.ru a@b.ru",
      "[link](x) ![picture](y.png)",
      "| a | b |",
      "&amp; &lt; &#65;",
      "back\\slash \\* \\\\",
      "> not a quote",
  };
  for (const char* text : cases) {
    const TConvertedText t =
        ConvertBankText({text, TBankTextFormat::Plain}, [](const std::string&) {
          ADD_FAILURE() << "a plain text links no picture";
          return std::string();
        });
    EXPECT_EQ(PageText(t.Markdown), text) << t.Markdown;
    EXPECT_EQ(t.Plain, text);
  }
}

TEST(BankText, HtmlBecomesPageMarkdown) {
  const struct {
    const char* Html;
    const char* Markdown;
    bool OneLine;
  } cases[] = {
      {"<p>один</p><p>два</p>", "один\n\nдва", false},
      {"<b>ж</b>, <strong>ж</strong> <i>к</i> <em>к</em> <u>п</u>", "**ж**, **ж** *к* *к* *п*",
       true},
      {"H<sub>2</sub>O, м/с<sup>2</sup>", "H_{2}O, м/с^{2}", false},
      {"строка<br>вторая", "строка\\\nвторая", false},
      {"<ul><li>раз</li><li>два<ul><li>вложен</li></ul></li></ul><ol><li>первый</li></ol>",
       "- раз\n- два\n    - вложен\n\n1. первый", false},
      {"<table><tr><td>a</td><td>b|c</td></tr><tr><td>1</td><td>2</td></tr></table>",
       "| a | b\\|c |\n|---|---|\n| 1 | 2 |", false},
      {"&laquo;ёлка&raquo; &amp; &lt;тег&gt; &nbsp;", "«ёлка» \\& \\<тег\\>", true},
      {"<span style=\"color:red\">красный</span> <foo>неизвестный</foo>", "красный неизвестный",
       true},
      {"<h1>Заголовок</h1>", "**Заголовок**", true},
      {"<p>формула \\(x^2 + y_1\\) и \\[\\frac{a}{b}\\], $$E=mc^2$$, $5</p>",
       "формула $x^2 + y_1$ и $$\\frac{a}{b}$$, $$E=mc^2$$, \\$5", false},
      {"<p>  # 1. - * отступы</p>", "\\# 1. - \\* отступы", true},
  };
  for (const auto& c : cases) {
    const TConvertedText t = ConvertBankText({c.Html, TBankTextFormat::Html},
                                             [](const std::string&) { return std::string(); });
    EXPECT_EQ(t.Markdown, c.Markdown) << c.Html;
    EXPECT_EQ(t.OneLine, c.OneLine) << c.Html;
  }
}

// Options that cannot be a one-line cp1251 caption go on the page as a lettered list.
TEST(BankImport, LongOrRichOptionsGoOnThePage) {
  const std::string picture = PngBase64(10, 10);
  const struct {
    const char* Name;
    std::string Answer;
  } cases[] = {
      {"long", std::string(61, 'x')},
      {"picture", "<img src=\"@@PLUGINFILE@@/p.png\">"},
      {"formula", "\\(x^2\\)"},
      {"break", "a<br>b"},
      {"superscript", "м/с<sup>2</sup>"},
      {"outside cp1251", "смайл 😀"},
      {"braces at the end", "множество {1}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string bank =
        "<quiz><question type=\"multichoice\"><name><text>Q</text></name>"
        "<questiontext><text>Выберите</text></questiontext>"
        "<answer fraction=\"100\"><text><![CDATA[" +
        c.Answer +
        "]]></text>"
        "<file name=\"p.png\" encoding=\"base64\">" +
        picture +
        "</file></answer>"
        "<answer fraction=\"0\"><text>просто</text></answer></question></quiz>";
    TBankImportOptions options;
    options.BankName = "b";
    options.ImagesFolder = "b-images";
    const TBankImport imported = ImportBank(bank, options);
    ASSERT_TRUE(imported.Ok) << imported.Error;
    EXPECT_NE(imported.Source.find("\n**A)** "), std::string::npos) << imported.Source;
    EXPECT_NE(imported.Source.find("\n**B)** просто\n"), std::string::npos) << imported.Source;
    EXPECT_NE(imported.Source.find("- [x] A)\n- [ ] B)\n"), std::string::npos) << imported.Source;
  }
  // The control: short plain options stay on the buttons.
  TBankImportOptions options;
  const TBankImport plain =
      ImportBank("Вопрос?\nA) " + std::string(60, 'x') + "\nB) нет\nANSWER: B\n", options);
  ASSERT_TRUE(plain.Ok);
  EXPECT_NE(plain.Source.find("- [ ] A) " + std::string(60, 'x') + "\n- [x] B) нет\n"),
            std::string::npos);
}

TEST(BankImport, NumberingFollowsTheBank) {
  const auto bank = [](const char* numbering) {
    return std::string(
               "<quiz><question type=\"multichoice\"><questiontext><text>В</text></questiontext>"
               "<answernumbering>") +
           numbering +
           "</answernumbering>"
           "<answer fraction=\"100\"><text>да</text></answer><answer "
           "fraction=\"0\"><text>нет</text></answer>"
           "</question></quiz>";
  };
  const struct {
    std::string Bank;
    const char* Options;
  } cases[] = {
      {bank("abc"), "- [x] A) да\n- [ ] B) нет\n"},
      {bank("ABCD"), "- [x] A) да\n- [ ] B) нет\n"},
      {bank("123"), "- [x] 1) да\n- [ ] 2) нет\n"},
      {"Вопрос?\nC) да\nF. нет\nANSWER: f\n", "- [ ] C) да\n- [x] F) нет\n"},
  };
  for (const auto& c : cases) {
    const TBankImport imported = ImportBank(c.Bank, {});
    ASSERT_TRUE(imported.Ok) << imported.Error;
    EXPECT_NE(imported.Source.find(c.Options), std::string::npos) << imported.Source;
  }
}

TEST(BankImport, MalformedAndHostileBanksAreRefusedWithTheirLine) {
  std::string deep = "<quiz>";
  for (int i = 0; i < 200; ++i) deep += "<a>";
  const std::string hugePicture =
      "<quiz><question type=\"multichoice\"><questiontext><text>x</text><file name=\"big.png\">" +
      std::string(12u << 20, 'A') + "</file></questiontext></question></quiz>";
  const struct {
    const char* Name;
    std::string Bank;
    TBankFormat Format;
    int Line;
    const char* Error;
  } cases[] = {
      {"xml cut short", "<quiz>\n<question type=\"multichoice\">\n", TBankFormat::Detect, 3,
       "Premature end"},
      {"xml mismatched", "<quiz>\n<question>\n</quiz>", TBankFormat::Detect, 3,
       "Opening and ending tag mismatch"},
      {"xml after its root", "<quiz>\n</quiz>\n<quiz/>", TBankFormat::Detect, 3, "Extra content"},
      {"xml of another kind", "<html><body/></html>", TBankFormat::Detect, 1, "not <quiz>"},
      {"billion laughs",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">"
       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
       "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\n"
       "<quiz>&c;</quiz>",
       TBankFormat::Detect, 2, "DTD"},
      {"undeclared entity",
       "<quiz><question type=\"x\"><name><text>&nope;</text></name></question></quiz>",
       TBankFormat::Detect, 1, "nope"},
      {"deep nesting", deep, TBankFormat::Detect, 1, "nest deeper"},
      {"huge picture", hugePicture, TBankFormat::Detect, 1, "larger than 8 MB"},
      {"bad base64",
       "<quiz><question type=\"multichoice\"><questiontext><text>x</text>\n<file "
       "name=\"a.png\">@@@</file>"
       "</questiontext></question></quiz>",
       TBankFormat::Detect, 2, "not valid base64"},
      {"bad fraction",
       "<quiz>\n<question type=\"multichoice\">\n<answer fraction=\"много\"><text>a</text></answer>"
       "</question></quiz>",
       TBankFormat::Detect, 3, "fraction"},
      {"bad mark",
       "<quiz><question type=\"multichoice\">\n<defaultgrade>-1</defaultgrade></question></quiz>",
       TBankFormat::Detect, 2, "defaultgrade"},
      {"no multiple choice", "<quiz><question type=\"essay\"/></quiz>", TBankFormat::Detect, 0,
       "no multiple-choice"},
      {"gift unclosed", "::a:: b {=c ~d\n\n::e:: f {=g ~h}\n", TBankFormat::Detect, 1,
       "not closed"},
      {"gift unclosed title", "x\n\n::a b {=c ~d}\n", TBankFormat::Detect, 3, "title"},
      {"gift bad weight", "Q {\n=a\n~%много%b\n}\n", TBankFormat::Detect, 3, "weight"},
      {"gift text before answers", "Q {a =b ~c}\n", TBankFormat::Gift, 1, "starts with = or ~"},
      {"aiken wrong letter", "Q\nA) a\nB) b\nANSWER: C\n", TBankFormat::Detect, 4,
       "names no option"},
      {"aiken no answer", "Q\nA) a\nB) b\n\nR\nA) x\nANSWER: A\n", TBankFormat::Detect, 5,
       "expected"},
      {"aiken unanswered at the end", "Q\nA) a\nANSWER: A\n\nR\nA) a\n", TBankFormat::Aiken, 5,
       "no \"ANSWER"},
      {"aiken twice", "Q\nA) a\nA) b\nANSWER: A\n", TBankFormat::Detect, 3, "given twice"},
      {"not utf-8", "Q\n\xCF\xF0\xE8\xE2\xE5\xF2\nA) a\nANSWER: A\n", TBankFormat::Detect, 2,
       "not UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TBankImportOptions options;
    options.Format = c.Format;
    const TBankImport imported = ImportBank(c.Bank, options);
    EXPECT_FALSE(imported.Ok);
    EXPECT_EQ(imported.ErrorLine, c.Line) << imported.Error;
    EXPECT_NE(imported.Error.find(c.Error), std::string::npos) << imported.Error;
    EXPECT_TRUE(imported.Source.empty());
  }
}

// Rich text nested without end would take the layout hours: such a question is named and skipped.
TEST(BankImport, DeeplyNestedHtmlIsSkippedNotLaidOut) {
  const auto bank = [](int depth) {
    std::string nested;
    for (int i = 0; i < depth; ++i) nested += "<ul><li>";
    return "::Глубокий:: [html]" + nested + "x {=a ~b}\n\n::Простой:: Вопрос {=да ~нет}\n";
  };
  const TBankImport deep = ImportBank(bank(20000), {});
  ASSERT_TRUE(deep.Ok) << deep.Error;
  EXPECT_EQ(deep.Questions, 1);
  EXPECT_EQ(deep.Skipped,
            (std::vector<std::string>{
                "«Глубокий» (multichoice): its HTML nests deeper than 100 elements"}));
  const TBankImport fine = ImportBank(bank(kMaxHtmlDepth / 2), {});
  ASSERT_TRUE(fine.Ok) << fine.Error;
  EXPECT_EQ(fine.Questions, 2);
}

// A picture's name from the bank never leaves the pictures' folder.
TEST(BankImport, PictureNamesStayInsideTheirFolder) {
  const std::string png = PngBase64(4, 4);
  std::string bank = "<quiz><question type=\"multichoice\"><questiontext><text><![CDATA[";
  const char* names[] = {"../../escape.png", "..",          "/etc/passwd",
                         "a\\..\\b.png",     "Рисунок.png", "Рисунок.png"};
  for (const char* n : names) bank += std::string("<img src=\"@@PLUGINFILE@@/") + n + "\">";
  bank += "]]></text>";
  for (const char* n : names)
    bank += std::string("<file name=\"") + n + "\" encoding=\"base64\">" + png + "</file>";
  bank += "<file name=\"notes.txt\" encoding=\"base64\">bm90ZXM=</file>";
  bank += "</questiontext><answer fraction=\"100\"><text>a</text></answer></question></quiz>";
  TBankImportOptions options;
  options.ImagesFolder = "t-images";
  const TBankImport imported = ImportBank(bank, options);
  ASSERT_TRUE(imported.Ok) << imported.Error;
  ASSERT_EQ(imported.Pictures.size(), 5u);  // the same name twice is one picture
  std::vector<std::string> files;
  for (const auto& p : imported.Pictures) files.push_back(p.File);
  EXPECT_EQ(files, (std::vector<std::string>{"escape.png", "picture.png", "passwd.png", "b.png",
                                             "picture-2.png"}));
  examtest::TPrivateTempDir tmp;
  std::string error;
  ASSERT_TRUE(WriteImportedBank(imported, (tmp.Path() / "t.md").string(),
                                (tmp.Path() / "t-images").string(), error));
  size_t inside = 0;
  for (const auto& entry : fs::recursive_directory_iterator(tmp.Path())) {
    if (entry.is_regular_file()) {
      EXPECT_TRUE(entry.path().parent_path() == tmp.Path() ||
                  entry.path().parent_path() == tmp.Path() / "t-images")
          << entry.path();
      inside += entry.path().parent_path() == tmp.Path() / "t-images";
    }
  }
  EXPECT_EQ(inside, 5u);
}

TEST(ImportCommand, WritesTheSourceAndLeavesEverythingAsItWasOnFailure) {
  examtest::TPrivateTempDir tmp;
  examtest::WriteFile(tmp.Path() / "bank.xml", kXmlBank);
  examtest::WriteFile(tmp.Path() / "bad.xml", "<quiz>\n<question type=\"multichoice\">\n");
  examtest::WriteFile(tmp.Path() / "bank.gift", kGiftBank);

  tooltest::TRun run =
      tooltest::RunTool(tmp.Path(), "import bank.xml -o test.md --minutes-per-question 3");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("test.md: 4 questions from bank.xml (Moodle XML), 3 skipped"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Err.find("skipped: «Закон Гука» (shortanswer): not multiple choice\n"),
            std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(tmp.Path() / "test-images" / "speed_sign.png"));
  run = tooltest::RunTool(tmp.Path(), "make test.md");
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out.substr(0, 24), "test.tst: 4 questions\nte");

  const std::string source = examtest::ReadFile(tmp.Path() / "test.md");
  examtest::WriteFile(tmp.Path() / "test-images" / "mine.png", "the teacher's");
  run = tooltest::RunTool(tmp.Path(), "import bad.xml -o test.md");
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("bad.xml:3: "), std::string::npos) << run.Err;
  EXPECT_EQ(examtest::ReadFile(tmp.Path() / "test.md"), source);
  EXPECT_TRUE(fs::exists(tmp.Path() / "test-images" / "mine.png"));

  // A picture folder in the way of a successful run is replaced whole; one without pictures
  // leaves it be.
  run = tooltest::RunTool(tmp.Path(), "import bank.xml -o test.md");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_FALSE(fs::exists(tmp.Path() / "test-images" / "mine.png"));
  EXPECT_TRUE(fs::exists(tmp.Path() / "test-images" / "speed_sign.png"));
  run = tooltest::RunTool(tmp.Path(), "import bank.gift -o test.md --format gift");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("(GIFT), 3 skipped"), std::string::npos);
  for (const auto& e : fs::directory_iterator(tmp.Path())) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name.find(".part") == std::string::npos && name.find(".old") == std::string::npos)
        << name;
  }
  fs::copy_file(tmp.Path() / "bank.xml", tmp.Path() / "test-images" / "bank.xml");
  const struct {
    const char* Args;
    int Exit;
    const char* Err;
  } usage[] = {
      {"import bank.xml", 2, "give the source to write with -o"},
      {"import -o x.md", 2, "give the bank file"},
      {"import bank.xml -o x.md --format csv", 2, "xml, gift or aiken"},
      {"import bank.xml -o x.md --minutes-per-question -1", 2, "whole number"},
      {"import bank.xml -o bank.xml", 1, "one of the inputs"},
      {"import missing.xml -o x.md", 1, "missing.xml: cannot be read"},
      {"import test-images/bank.xml -o test.md", 1, "which the import replaces"},
  };
  for (const auto& u : usage) {
    run = tooltest::RunTool(tmp.Path(), u.Args);
    EXPECT_EQ(run.Exit, u.Exit) << u.Args;
    EXPECT_NE(run.Err.find(u.Err), std::string::npos) << u.Args << ": " << run.Err;
  }
  EXPECT_FALSE(fs::exists(tmp.Path() / "x.md"));
  EXPECT_TRUE(fs::exists(tmp.Path() / "test-images" / "bank.xml"));
}

}  // namespace
