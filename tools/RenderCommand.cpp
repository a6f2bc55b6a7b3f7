// examtool render: draws a metafile, or the page of a question of a test, to a PNG.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ExamTool.h"
#include "PageRender.h"
#include "TestCheck.h"

namespace {

const char kUsage[] =
    "usage: examtool render INPUT [-o OUT.png] [--width W] [--question N]\n"
    "Draws an EMF or WMF file, or the page of question N (from 1) of a .tst, to a PNG W pixels\n"
    "wide (default: the picture's natural width at 96 dpi); the height follows the picture.\n"
    "Says how many text records of the picture cannot be drawn (glyph indices), if any.\n";

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
      if (width <= 0 || width > kMaxRenderWidth)
        return UsageError("render", "--width must be 1.." + std::to_string(kMaxRenderWidth));
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

  TMetafile metafile;
  if (std::string problem = LoadPagePicture(input, question, metafile); !problem.empty())
    return BadFile(input, problem);
  if (!metafile.Records().Damage.empty())
    std::fprintf(stderr, "examtool: %s: %s; drawing what precedes it\n", input.c_str(),
                 metafile.Records().Damage.c_str());

  const TRenderedPage page = RenderPagePicture(metafile, width);
  if (page.Image.isNull()) return BadFile(input, page.Error);
  if (page.Undrawn > 0)
    std::fprintf(stderr, "examtool: %s: %s\n", input.c_str(), UndrawnTextNote(page.Undrawn).c_str());
  if (!page.Whole)
    std::fprintf(stderr,
                 "examtool: %s: the page takes too long to draw; the picture, like the "
                 "student's window, shows only what was drawn in the first second\n",
                 input.c_str());
  if (!page.Image.save(QString::fromStdString(output), "PNG"))
    return BadFile(output, "cannot be written");
  return 0;
}
