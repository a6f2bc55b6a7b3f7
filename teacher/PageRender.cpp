// Drawing a page picture into an image for examtool render and the teacher's previews on paper.
#include "PageRender.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

#include "CompressedStrings.h"
#include "FileHelpers.h"
#include "MetafilePlayer.h"
#include "TestImage.h"

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 28;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string LoadPagePicture(const std::string& input, int question, TMetafile& picture) {
  std::string bytes;
  if (!ReadWholeFile(input, bytes)) return "cannot be read";
  if (question > 0 || EndsWith(input, ".tst") || EndsWith(input, ".tst-ans")) {
    if (question == 0) question = 1;
    const TTestImage image{reinterpret_cast<const uint8_t*>(bytes.data()),
                           static_cast<int32_t>(std::min<size_t>(bytes.size(), INT32_MAX))};
    if (question > QuestionCount(image)) return "has no question " + std::to_string(question);
    const std::string packed = QuestionPieceStr(image, 1, question - 1);
    if (packed.empty()) return "question " + std::to_string(question) + " has no page";
    bytes = DecompressString(packed, true);
    if (bytes.empty())
      return "the page of question " + std::to_string(question) + " does not decompress";
  }
  if (!picture.LoadFromBytes(bytes, true)) return picture.Error();
  return {};
}

TRenderedPage RenderPagePicture(const TMetafile& picture, int width) {
  TRenderedPage page;
  if (width == 0) width = std::max(1, picture.Width());
  const double aspect = static_cast<double>(picture.MMHeight()) / picture.MMWidth();
  const int height = std::max(1, static_cast<int>(std::lround(width * aspect)));
  if (static_cast<int64_t>(width) * height > kMaxPixels) {
    page.Error = std::to_string(width) + " x " + std::to_string(height) + " pixels is too large";
    return page;
  }
  page.Image = QImage(width, height, QImage::Format_RGB32);
  page.Image.fill(Qt::white);
  QPainter painter(&page.Image);
  page.Whole = PlayMetafile(painter, picture, QRectF(0, 0, width, height),
                            TPlayText{nullptr, false, &page.Undrawn});
  return page;
}
