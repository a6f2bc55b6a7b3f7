// Formulas as inline objects of the page document: a formula's box stands on the baseline with
// its height above it, its depth hangs below, and a zero-width strut after it makes the line deep
// enough for that depth.
#include "FormulaLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextObjectInterface>
#include <memory>

namespace {

constexpr int kFormulaObject = QTextFormat::UserObject + 1;
constexpr int kStrutObject = QTextFormat::UserObject + 2;
constexpr int kPictureProperty = QTextFormat::UserProperty + 1;
constexpr int kScaleProperty = QTextFormat::UserProperty + 2;
constexpr int kDepthProperty = QTextFormat::UserProperty + 3;

// TeX sets the formulas at 10 pt; the SVG's unit is the PostScript point.
constexpr double kTexFontSizeInSvgUnits = 10.0 * 72.0 / 72.27;

class TFormulaObjects : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  explicit TFormulaObjects(QObject* parent) : QObject(parent) {}

  // The index of the picture for the SVG, or -1 when it is not one.
  int Add(const std::string& svg) {
    auto renderer = std::make_unique<QSvgRenderer>(QByteArray::fromStdString(svg));
    if (!renderer->isValid() || renderer->viewBoxF().isEmpty()) return -1;
    FPictures.push_back(std::move(renderer));
    return int(FPictures.size()) - 1;
  }
  QRectF Box(int picture) const { return FPictures[size_t(picture)]->viewBoxF(); }

  QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
    const double scale = format.doubleProperty(kScaleProperty);
    if (format.objectType() == kStrutObject) {
      // Drawn with AlignMiddle, an object of height h reaches (h - x/2) / 2 below the baseline,
      // x being the x-height of its font.
      const double halfX = QFontMetrics(format.toCharFormat().font()).xHeight() / 2.0;
      return {0.0, 2.0 * format.doubleProperty(kDepthProperty) + halfX};
    }
    const QRectF box = Box(format.intProperty(kPictureProperty));
    return {box.width() * scale, -box.top() * scale};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                  const QTextFormat& format) override {
    if (format.objectType() != kFormulaObject) return;
    const double scale = format.doubleProperty(kScaleProperty);
    QSvgRenderer& svg = *FPictures[size_t(format.intProperty(kPictureProperty))];
    const QRectF box = svg.viewBoxF();
    // The view box's y = 0 is the baseline, the bottom of the object's rectangle.
    svg.render(painter, QRectF(rect.left(), rect.bottom() + box.top() * scale, box.width() * scale,
                               box.height() * scale));
  }

 private:
  std::vector<std::unique_ptr<QSvgRenderer>> FPictures;
};

double PixelSize(const QTextCharFormat& format, const QFont& fallback) {
  const QFont font = format.font().resolve(fallback);
  if (font.pixelSize() > 0) return font.pixelSize();
  return font.pointSizeF() * 96.0 / 72.0;
}

// Takes the block the cursor is in out of its list when the cursor's block was split off a list
// item: the new block continues the item rather than starting another one.
void LeaveList(QTextCursor& cursor, QTextList* list) {
  if (!list) return;
  list->remove(cursor.block());
  QTextBlockFormat block = cursor.blockFormat();
  block.setIndent(list->format().indent());
  cursor.setBlockFormat(block);
}

constexpr double kDisplayGap = 6;  // pixels above and below a display formula

// Splits the display formula at the cursor into a centred paragraph of its own.
void StartDisplay(QTextCursor& cursor) {
  QTextList* list = cursor.block().textList();
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  centred.setTopMargin(kDisplayGap);
  centred.setBottomMargin(kDisplayGap);
  if (cursor.positionInBlock() > 0) {
    // The line break before the formula became a space.
    while (cursor.positionInBlock() > 0 &&
           cursor.block().text().at(cursor.positionInBlock() - 1).isSpace())
      cursor.deletePreviousChar();
    cursor.insertBlock();
    LeaveList(cursor, list);
  }
  cursor.mergeBlockFormat(centred);
}

void EndDisplay(QTextCursor& cursor, const QTextBlockFormat& before, QTextList* list) {
  if (cursor.atBlockEnd()) return;
  cursor.insertBlock(before);
  if (list && cursor.block().textList() == list) LeaveList(cursor, list);
  while (!cursor.atBlockEnd() && cursor.block().text().at(cursor.positionInBlock()).isSpace())
    cursor.deleteChar();
}

}  // namespace

std::string PlaceFormulas(QTextDocument& doc, const std::vector<TFormula>& formulas,
                          const TFormulaPictures& pictures) {
  if (formulas.empty()) return {};
  auto* objects = new TFormulaObjects(&doc);
  doc.documentLayout()->registerHandler(kFormulaObject, objects);
  doc.documentLayout()->registerHandler(kStrutObject, objects);
  static const QRegularExpression mark(QStringLiteral("[\\x{E100}-\\x{EFFF}]"));
  for (QTextCursor at = doc.find(mark); !at.isNull(); at = doc.find(mark, at)) {
    const size_t index = size_t(at.selectedText().at(0).unicode() - kFirstFormulaMark);
    if (index >= formulas.size()) continue;
    const TFormula& formula = formulas[index];
    const auto found = pictures.find(formula.Key());
    const int picture = found == pictures.end() ? -1 : objects->Add(found->second);
    if (picture < 0)
      return "the formula at page line " + std::to_string(formula.Line) + " was not typeset";

    QTextCharFormat text = at.charFormat();
    const double scale = PixelSize(text, doc.defaultFont()) / kTexFontSizeInSvgUnits;
    at.removeSelectedText();
    const QTextBlockFormat blockBefore = at.blockFormat();
    QTextList* list = at.block().textList();
    if (formula.Display) StartDisplay(at);

    QTextCharFormat object = text;
    object.setObjectType(kFormulaObject);
    object.setProperty(kPictureProperty, picture);
    object.setProperty(kScaleProperty, scale);
    object.setVerticalAlignment(QTextCharFormat::AlignBaseline);
    at.insertText(QString(QChar::ObjectReplacementCharacter), object);
    const QRectF box = objects->Box(picture);
    const double depth = (box.height() + box.top()) * scale;
    if (depth > 0) {
      QTextCharFormat strut = text;
      strut.setObjectType(kStrutObject);
      strut.setProperty(kScaleProperty, scale);
      strut.setProperty(kDepthProperty, depth);
      strut.setVerticalAlignment(QTextCharFormat::AlignMiddle);
      at.insertText(QString(QChar::ObjectReplacementCharacter), strut);
    }
    if (formula.Display) EndDisplay(at, blockBefore, list);
  }
  return {};
}

#include "FormulaLayout.moc"
