// Writes the seed inputs of every fuzz target: small sound files of each kind, built in code, and
// the test sources and files of the samples and the documentation.
// usage: fuzz_seeds OUT_DIR   (creates OUT_DIR/<target>/seed-N; the real metafiles of the corpus
// are passed to the metafile targets as a second corpus folder instead)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CompressedStrings.h"
#include "ExamFixtures.h"
#include "MetafileBuilder.h"
#include "RecordTypes.h"
#include "TestGrades.h"
#include "TestImageBuilder.h"
#include "TestUserAnswers.h"

namespace fs = std::filesystem;
using namespace fixture;
using examtest::ReadFile;

namespace {

void WriteSeeds(const fs::path& dir, const std::vector<std::string>& seeds) {
  fs::create_directories(dir);
  for (size_t i = 0; i < seeds.size(); ++i) {
    std::ofstream(dir / ("seed-" + std::to_string(i)), std::ios::binary) << seeds[i];
  }
}

std::vector<TTestSource> TestSources() {
  return {
      Uniform(2, 3),
      Uniform(1, 9, 0, 0.0),
      TestFile(
          "Two topics",
          {Topic("First", {Level(5, 2, {Question({{"A", 1}, {"B", 0, 0.5}}, 0, 1, "page")}),
                           Level(1, 0, {})}),
           Topic("Second", {Level(3, 1, {Question({{"Yes", 2}, {"No", -1}}, 2.5), Question({})})})},
          7),
      TestFile("Empty", {}),
  };
}

std::string Answers(int32_t options, const std::string& name, bool markAll) {
  TTestUserAnswers a;
  a.SetOptionCount(options);
  a.SetIdent(Ident(1));
  a.SetElapsedSeconds(90);
  a.SetUserName(name);
  for (int32_t o = 0; markAll && o < options; ++o) a.SetMarked(o, true);
  std::ostringstream out;
  a.SaveToStream(out);
  return out.str();
}

std::vector<std::string> Emfs() {
  TEmfBuilder shapes(32, 32);
  shapes.Record(emr::CreatePen, {1, 0, 2, 0, 0x0000FF});
  shapes.Record(emr::SelectObject, {1});
  shapes.Record(emr::CreateBrushIndirect, {2, 0, 0x00FF00, 0});
  shapes.Record(emr::SelectObject, {2});
  shapes.Record(emr::Rectangle, {2, 2, 20, 20});
  shapes.Record(emr::Ellipse, {10, 10, 30, 30});
  shapes.Record(emr::Polygon16, {0, 0, 31, 31, 3, 0x00010001, 0x0005001E, 0x001E000A});
  shapes.Record(emr::SetMapMode, {8});
  shapes.Record(emr::SetWindowExtEx, {100, 100});
  shapes.Record(emr::SetViewportExtEx, {32, 32});
  shapes.Record(emr::MoveToEx, {0, 0});
  shapes.Record(emr::LineTo, {99, 99});

  TEmfBuilder path(16, 16);
  path.Record(emr::BeginPath, {});
  path.Record(emr::MoveToEx, {1, 1});
  path.Record(emr::LineTo, {14, 2});
  path.Record(emr::LineTo, {8, 14});
  path.Record(emr::CloseFigure, {});
  path.Record(emr::EndPath, {});
  path.Record(emr::SelectClipPath, {gdi::RGN_COPY});
  path.Record(emr::SaveDC, {});
  path.Record(emr::IntersectClipRect, {0, 0, 8, 8});
  path.Record(emr::RestoreDC, {-1});
  path.Record(emr::FillPath, {0, 0, 15, 15});
  return {shapes.Finish(), path.Finish()};
}

std::vector<std::string> Wmfs() {
  TWmfBuilder shapes(1440, 1440);
  shapes.Record(meta::CreateBrushIndirect, {0, 0x00FF, 0, 0});
  shapes.Record(meta::SelectObject, {0});
  shapes.Record(meta::CreatePenIndirect, {0, 1, 0, 0, 0});
  shapes.Record(meta::SelectObject, {1});
  shapes.Record(meta::Rectangle, {1000, 1000, 100, 100});
  shapes.Record(meta::Polygon, {3, 0, 0, 1400, 0, 700, 1400});
  shapes.Record(meta::Ellipse, {1440, 1440, 0, 0});
  shapes.Record(meta::DeleteObject, {0});
  TWmfBuilder text(720, 720);
  text.Record(meta::SetTextColor, {0xFF, 0});
  text.Record(meta::TextOut, {2, 0x6948, 100, 100});
  return {shapes.Finish(), text.Finish()};
}

// The demo's source, the examples of the source format's documentation, and a small source with
// a bit of every mark-up (its pictures are the samples').
std::vector<std::string> TestSourceTexts() {
  const fs::path root = EXAM_SOURCE_DIR;
  std::vector<std::string> texts = {
      ReadFile(root / "samples" / "demo.md"),
      "---\ntitle: T\n---\n# A\n## L {minutes=1 weight=1.5}\n"
      "### Q {max=2 multi}\nx^{2}, H_{2}O, `a_{1}`, \\^{ and **b**\n\n"
      "![p](images/velocity.png)\n\n| a | b^{2} |\n|---|---|\n| 1 | 2 |\n"
      "- [x] A) one {marked=1 unmarked=0.5}\n- [ ] B) two {marked=-1}\n"
      "### Q {page=pages/lever.emf}\n- [x] 1) yes\n- [ ] 2) no\n",
      // pictures that are not files, named by reference and as a page
      "---\ntitle: T\n---\n# A\n## L {minutes=1 weight=1}\n### Q\n![a][p] ![b][d]\n\n"
      "[p]: images\n[d]: /dev/zero\n\n- [x] A) one\n### Q {page=/dev/zero}\n- [x] A) one\n"};
  const std::string doc = ReadFile(root / "docs" / "test-source.md");
  const std::string open = "```markdown\n", close = "```";
  for (size_t at = doc.find(open); at != std::string::npos; at = doc.find(open, at)) {
    at += open.size();
    const size_t end = doc.find(close, at);
    texts.push_back(doc.substr(at, end - at));
  }
  return texts;
}

// Banks of the three formats with a bit of everything their readers take: categories, HTML,
// a picture, weights, true/false, skipped types, escapes.
std::vector<std::string> XmlBanks() {
  const std::string png =
      "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGNgYPgPAAEDAQAIicLsAAAAAElFTkSuQmC"
      "C";
  return {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
      "<question type=\"category\"><category><text>$course$/top/Физика/Кинематика</text></category>"
      "</question>\n<question type=\"multichoice\"><name><text>Скорость</text></name>"
      "<questiontext format=\"html\"><text><![CDATA[<p>Какова <b>единица</b> H<sub>2</sub>O "
      "\\(v\\)?</p><img src=\"@@PLUGINFILE@@/g.png\"><ul><li>a</li></ul><table><tr><td>1</td></tr>"
      "</table>]]></text><file name=\"g.png\" path=\"/\" encoding=\"base64\">" +
          png +
          "</file></questiontext><defaultgrade>2</defaultgrade><single>true</single>"
          "<shuffleanswers>1</shuffleanswers><answernumbering>123</answernumbering>"
          "<answer fraction=\"100\"><text>м/с</text><feedback><text>да</text></feedback></answer>"
          "<answer fraction=\"33.33333\"><text>км/ч</text></answer></question>\n"
          "<question type=\"multichoice\"><questiontext "
          "format=\"plain_text\"><text>&lt;b&gt;</text>"
          "</questiontext><single>false</single><answer fraction=\"50\"><text>a</text></answer>"
          "<answer fraction=\"-100\"><text>b</text></answer></question>\n"
          "<question type=\"truefalse\"><questiontext format=\"moodle_auto_format\"><text>Да?\nНет."
          "</text></questiontext><answer fraction=\"100\"><text>true</text></answer>"
          "<answer fraction=\"0\"><text>false</text></answer></question>\n"
          "<question type=\"essay\"><name><text>Эссе</text></name></question>\n</quiz>\n",
      "<quiz><question type=\"multichoice\"><questiontext format=\"markdown\"><text># x *y*</text>"
      "</questiontext><image>a/b.png</image><image_base64>" +
          png + "</image_base64><answer fraction=\"100\"><text>1</text></answer></question></quiz>",
  };
}

std::vector<std::string> GiftBanks() {
  return {
      "// comment\n$CATEGORY: $course$/top/Физика\n\n::Скорость:: Единица? {\n=м/с # да\n~км/ч\n"
      "~%25%м/мин\n####общий\n}\n\n::Векторы:: Отметьте {~%50%a ~%50%b ~%-100%c}\n\n"
      "::Истина:: Земля круглая. {T}\n\n[html]<b>Жирный</b> \\{\\} \\= \\~ \\# \\: \\n {=1 ~2}\n\n"
      "::Эссе:: О себе {}\n\n::Число:: 2+2 {#4}\n\n::Пара:: {=a -> 1 =b -> 2}\n\n"
      "Вставьте {=слово ~не то} в текст.\n",
      "\xEF\xBB\xBF[markdown]**Да** {F#нет}\n",
  };
}

std::vector<std::string> AikenBanks() {
  return {
      "Какова единица измерения скорости? <html> & $5\nA) м/с\nB) км/ч\nC) Н\nANSWER: A\n\n"
      "Что больше?\nA. 1\nB. 2\nANSWER: B\n",
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];

  std::vector<std::string> images;
  for (const TTestSource& s : TestSources()) images.push_back(WriteTestImage(s));
  WriteSeeds(out / "fuzz_test_image", images);

  WriteSeeds(out / "fuzz_user_answers", {Answers(6, "", false), Answers(6, "Иванов И. И.", true),
                                         Answers(0, "x", false), Answers(17, "A student", true)});

  WriteSeeds(out / "fuzz_grades",
             {SaveGradesToString(0, 0, 0, {{"A) yes", 1, 0}, {"B) no", 0, 0.5}}),
              SaveGradesToString(3.5, 7, 1, {{"", -1, 2}}), SaveGradesToString(0, 0, 0, {})});

  WriteSeeds(out / "fuzz_compressed",
             {CompressString(""), CompressString("a page"), CompressString(std::string(3000, 'x')),
              CompressString(images[2])});

  std::vector<std::string> metafiles = Emfs();
  for (std::string& w : Wmfs()) {
    metafiles.push_back(w);
    metafiles.push_back(w.substr(22));  // the same without its placeable header
  }
  WriteSeeds(out / "fuzz_metafile", metafiles);
  WriteSeeds(out / "fuzz_player", metafiles);

  WriteSeeds(out / "fuzz_test_source", TestSourceTexts());

  const fs::path samples = fs::path(EXAM_SOURCE_DIR) / "samples";
  std::vector<std::string> files = {
      ReadFile(samples / "demo.tst"), ReadFile(samples / "demo.tst-ans"),
      Answers(6, "Иванов И. И.", true), Answers(17, "A student", false)};
  files.insert(files.end(), images.begin(), images.end());
  WriteSeeds(out / "fuzz_info_check", files);

  WriteSeeds(out / "fuzz_bank_moodlexml", XmlBanks());
  WriteSeeds(out / "fuzz_bank_gift", GiftBanks());
  WriteSeeds(out / "fuzz_bank_aiken", AikenBanks());
  return 0;
}
