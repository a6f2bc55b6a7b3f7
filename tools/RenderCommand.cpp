// examtool render: draws a metafile, or the page of a question of a test, to a PNG.
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <string>

#include "CompressedStrings.h"
#include "ExamTool.h"
#include "FileHelpers.h"
#include "MetafilePlayer.h"
#include "TestImage.h"

namespace {

constexpr int kMaxWidth = 20000;
constexpr int64_t kMaxPixels = int64_t{1} << 28;

const char kUsage[] =
    "usage: examtool render INPUT [-o OUT.png] [--width W] [--question N]\n"
    "Draws an EMF or WMF file, or the page of question N (from 1) of a .tst, to a PNG W pixels\n"
    "wide (default: the picture's natural width at 96 dpi); the height follows the picture.\n"
    "Says how many text records of the picture cannot be drawn (glyph indices), if any.\n";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  std::string input, output;
  int width = 0, question = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "-o" || a == "--output") && hasValue) {
      output = args[++i];
    } else if (a == "--width" && hasValue) {
      width = std::atoi(args[++i].c_str());
      if (width <= 0 || width > kMaxWidth)
        return UsageError("render", "--width must be 1.." + std::to_string(kMaxWidth));
    } else if (a == "--question" && hasValue) {
      question = std::atoi(args[++i].c_str());
      if (question <= 0) return UsageError("render", "--question counts from 1");
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("render", "unknown option " + a);
    } else if (input.empty()) {
      input = a;
    } else {
      return UsageError("render", "more than one input file");
    }
  }
  if (input.empty()) return UsageError("render", "no input file");
  if (output.empty()) {
    output = input;
    if (question > 0) output.append("-").append(std::to_string(question));
    output.append(".png");
  }

  std::string bytes;
  if (!ReadWholeFile(input, bytes)) return BadFile(input, "cannot be read");
  if (question > 0 || EndsWith(input, ".tst") || EndsWith(input, ".tst-ans")) {
    if (question == 0) question = 1;
    const TTestImage image{reinterpret_cast<const uint8_t*>(bytes.data()),
                           static_cast<int32_t>(std::min<size_t>(bytes.size(), INT32_MAX))};
    if (question > QuestionCount(image))
      return BadFile(input, "has no question " + std::to_string(question));
    const std::string packed = QuestionPieceStr(image, 1, question - 1);
    if (packed.empty())
      return BadFile(input, "question " + std::to_string(question) + " has no page");
    bytes = DecompressString(packed, true);
    if (bytes.empty())
      return BadFile(input,
                     "the page of question " + std::to_string(question) + " does not decompress");
  }
  TMetafile metafile;
  if (!metafile.LoadFromBytes(bytes, true)) return BadFile(input, metafile.Error());
  if (!metafile.Records().Damage.empty())
    std::fprintf(stderr, "examtool: %s: %s; drawing what precedes it\n", input.c_str(),
                 metafile.Records().Damage.c_str());

  if (width == 0) width = std::max(1, metafile.Width());
  const double aspect = static_cast<double>(metafile.MMHeight()) / metafile.MMWidth();
  const int height = std::max(1, static_cast<int>(std::lround(width * aspect)));
  if (static_cast<int64_t>(width) * height > kMaxPixels)
    return BadFile(input,
                   std::to_string(width) + " x " + std::to_string(height) + " pixels is too large");

  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(Qt::white);
  int undrawn = 0;
  bool whole = true;
  {
    QPainter painter(&picture);
    whole = PlayMetafile(painter, metafile, QRectF(0, 0, width, height),
                         TPlayText{nullptr, false, &undrawn});
  }
  if (undrawn > 0)
    std::fprintf(stderr, "examtool: %s: %s\n", input.c_str(), UndrawnTextNote(undrawn).c_str());
  if (!whole)
    std::fprintf(stderr,
                 "examtool: %s: the page takes too long to draw; the picture, like the "
                 "student's window, shows only what was drawn in the first second\n",
                 input.c_str());
  if (!picture.save(QString::fromStdString(output), "PNG"))
    return BadFile(output, "cannot be written");
  return 0;
}
