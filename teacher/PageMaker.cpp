// Page making with QTextDocument, QImage and QSvgRenderer painted into the EMF paint device.
#include "PageMaker.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <cmath>

#include "EmfPaintDevice.h"
#include "FileHelpers.h"
#include "FormulaLayout.h"
#include "Metafile.h"
#include "ScriptMarkup.h"

namespace {

constexpr int kMargin = 24;
constexpr int kMaxPageHeightPx = 20000;

// Paints `draw` on a white page of the given size and returns the page as EMF bytes.
template <typename Draw>
std::string RecordPage(QSize size, Draw draw) {
  TEmfPaintDevice device(size, 96);
  {
    QPainter painter(&device);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    draw(painter);
  }
  return device.Finish();
}

// The document of a Markdown page, which reads its pictures itself as the layout asks for them,
// however the Markdown names them (inline or by reference): local picture files only. The first
// picture that cannot be had is the page's error, named as the source names it when it lies in the
// source's folder; in its place stands a dot, or Qt would try to read the file again.
class TPageDocument : public QTextDocument {
 public:
  explicit TPageDocument(const QString& baseDir)
      : FBaseDir(QDir::cleanPath(QDir(baseDir).absolutePath())) {
    if (!FBaseDir.endsWith('/')) FBaseDir += '/';
    setBaseUrl(QUrl::fromLocalFile(FBaseDir));
  }
  const std::string& PictureError() const { return FError; }

 protected:
  QVariant loadResource(int type, const QUrl& url) override {
    if (type != QTextDocument::ImageResource) return {};
    QImage image;
    std::string bytes;  // read as a file only: a folder, a device or a pipe is refused at once
    if (!url.isLocalFile()) {
      Fail("the page links a picture that is not a local file: " + url.toString().toStdString());
    } else if (const QString path = url.toLocalFile();
               !ReadWholeFile(path.toStdString(), bytes) ||
               !image.loadFromData(QByteArray::fromStdString(bytes))) {
      const QString named = path.startsWith(FBaseDir) ? path.mid(FBaseDir.size()) : path;
      Fail("the picture " + named.toStdString() + " cannot be read");
    }
    if (image.isNull()) {
      image = QImage(1, 1, QImage::Format_RGB32);
      image.fill(Qt::white);
    }
    return image;
  }

 private:
  void Fail(std::string error) {
    if (FError.empty()) FError = std::move(error);
  }
  QString FBaseDir;
  std::string FError;
};

// Markdown tables come without padding or gaps; give them a printed table's look.
void StyleTables(QTextFrame* frame) {
  for (QTextFrame* child : frame->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(child)) {
      QTextTableFormat format = table->format();
      format.setBorderCollapse(true);
      format.setBorder(1);
      format.setBorderBrush(QColor(0x60, 0x60, 0x60));
      format.setCellSpacing(0);
      format.setCellPadding(5);
      format.setTopMargin(8);
      format.setBottomMargin(8);
      table->setFormat(format);
    }
    StyleTables(child);
  }
}

// Raises or lowers the text between the marks MarkScripts left, and takes the marks out. A mark
// whose partner Markdown put in another block (a table cell) is dropped, its text left as it is.
void ApplyScripts(QTextDocument& doc) {
  static const QRegularExpression opening(QString(QChar(kSuperscriptMark)) + '|' +
                                          QChar(kSubscriptMark));
  for (QTextCursor open = doc.find(opening); !open.isNull(); open = doc.find(opening, open)) {
    const bool super = open.selectedText() == QChar(kSuperscriptMark);
    const QTextCursor close = doc.find(QString(QChar(kScriptEndMark)), open);
    open.removeSelectedText();
    if (close.isNull() || close.block() != open.block()) continue;
    QTextCursor span(open);
    span.setPosition(close.selectionStart(), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setVerticalAlignment(super ? QTextCharFormat::AlignSuperScript
                                      : QTextCharFormat::AlignSubScript);
    span.mergeCharFormat(format);
    QTextCursor(close).removeSelectedText();
  }
  // Marks left without a partner.
  const QRegularExpression stray{QString(QChar(kScriptEndMark))};
  for (QTextCursor c = doc.find(stray); !c.isNull(); c = doc.find(stray, c)) c.removeSelectedText();
}

}  // namespace

TPageResult MakeMarkdownPage(const std::string& markdownUtf8, const std::string& baseDir,
                             const TFormulaPictures& formulas) {
  std::vector<TSourceError> markup;
  std::vector<TFormula> pageFormulas;
  QString markdown =
      QString::fromStdString(MarkScripts(MarkFormulas(markdownUtf8, pageFormulas, markup), markup));
  if (!markup.empty()) {
    return {{}, "page line " + std::to_string(markup.front().Line) + ": " + markup.front().Message};
  }
  // Qt's Markdown reader drops a picture whose alt text is empty; the alt text is never shown.
  static const QRegularExpression noAlt(R"(!\[\s*\]\()");
  markdown.replace(noAlt, "![picture](");
  TPageDocument doc(QString::fromStdString(baseDir.empty() ? "." : baseDir));
  QFont font("Arial");
  font.setPixelSize(kPageFontPx);
  doc.setDefaultFont(font);
  doc.setDocumentMargin(kMargin);
  doc.setMarkdown(markdown);
  ApplyScripts(doc);
  if (std::string error = PlaceFormulas(doc, pageFormulas, formulas); !error.empty()) {
    return {{}, error};
  }
  StyleTables(doc.rootFrame());
  doc.setTextWidth(kPageWidthPx);
  const int height = static_cast<int>(std::ceil(doc.size().height()));
  if (!doc.PictureError().empty()) return {{}, doc.PictureError()};
  if (height > kMaxPageHeightPx) return {{}, "the page is too long (more than 20000 pixels)"};
  std::string page =
      RecordPage(QSize(kPageWidthPx, height), [&doc](QPainter& p) { doc.drawContents(&p); });
  if (!doc.PictureError().empty()) return {{}, doc.PictureError()};
  return {std::move(page), {}};
}

TPageResult MakePageFromFile(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return {{}, "the page file " + path + " cannot be read"};

  TMetafile metafile;
  if (metafile.LoadFromBytes(bytes)) return {bytes, {}};
  if (metafile.LoadFromBytes(bytes, true)) {
    return {{},
            "the page " + path +
                " is a WMF without the placeable header; the exam program "
                "cannot size it: save it as EMF or placeable WMF"};
  }

  const QString file = QString::fromStdString(path);
  if (file.endsWith(".svg", Qt::CaseInsensitive)) {
    QSvgRenderer svg(QByteArray::fromStdString(bytes));
    if (!svg.isValid()) return {{}, "the page " + path + " is not a readable SVG picture"};
    QSizeF size = svg.defaultSize();
    if (size.isEmpty()) size = QSizeF(kPageWidthPx, kPageWidthPx);
    const double scale = kPageWidthPx / size.width();
    const QSize page(kPageWidthPx, std::max(1, int(std::ceil(size.height() * scale))));
    if (page.height() > kMaxPageHeightPx) return {{}, "the picture " + path + " is too tall"};
    return {RecordPage(page, [&](QPainter& p) { svg.render(&p, QRectF(QPointF(0, 0), page)); }),
            {}};
  }

  QImage image;
  if (!image.loadFromData(QByteArray::fromStdString(bytes))) {
    return {{}, "the page " + path + " is neither a metafile nor a PNG, JPEG or SVG picture"};
  }
  // Pictures narrower than the page keep their size; wider ones are scaled down to fit.
  const double scale = std::min(1.0, double(kPageWidthPx) / image.width());
  const QSize shown(std::max(1, int(image.width() * scale)),
                    std::max(1, int(image.height() * scale)));
  if (shown.height() > kMaxPageHeightPx) return {{}, "the picture " + path + " is too tall"};
  const QSize page(kPageWidthPx, shown.height());
  const QPoint at((kPageWidthPx - shown.width()) / 2, 0);
  return {RecordPage(page, [&](QPainter& p) { p.drawImage(QRect(at, shown), image); }), {}};
}
