// The printed test, laid out twice: once to count the pages, once to draw them with their numbers.
#include "TestPrinter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "Cp1251.h"
#include "LoadTest.h"
#include "Metafile.h"
#include "MetafilePlayer.h"
#include "TestGrades.h"
#include "TestReader.h"
#include "TextFormat.h"

namespace {

// A title or caption longer than this is cut: the window shows one line of it.
constexpr int kMaxText = 300;
const QColor kRightColour(180, 0, 0);

double Mm(double mm) {
  return mm * kPrintDpi / 25.4;
}

QString Ru(const std::string& cp1251) {
  return QString::fromStdString(Cp1251ToUtf8(cp1251));
}

QString Cut(const QString& text) {
  return text.size() > kMaxText ? text.left(kMaxText) + QChar(0x2026) : text;
}

QFont Font(double points, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QString Score(double v) {
  return QString::fromStdString(WithDecimalComma(FormatShort(v)));
}

struct TQuestion {
  QString Heading, Topic, MaxScore;
  TMetafile Page;
  TGrades Grades;
  bool GradesRead = true;
  bool MultiSelect = false;
};

// One pass over the pages: where the next piece goes, the page breaks and the footers. Without a
// painter it only counts the pages.
class TPageFlow {
 public:
  TPageFlow(QPagedPaintDevice& writer, QPainter* painter, const QString& title, int totalPages)
      : FWriter(writer), FPainter(painter), FTitle(title), FTotal(totalPages) {
    const QRectF paint = writer.pageLayout().paintRectPixels(kPrintDpi);
    FWidth = paint.width();
    FBottom = paint.height() - Mm(8);  // the footer below
    StartPage();
  }

  QPainter* Painter() const { return FPainter; }
  double Width() const { return FWidth; }
  double BodyHeight() const { return FBottom; }
  double Y() const { return FY; }
  int Pages() const { return FPage; }
  bool Fits(double height) const { return FY + height <= FBottom; }
  bool PageEmpty() const { return FY == 0; }

  // Starts a new page unless the height fits below what the page holds, or the page is empty.
  void Need(double height) {
    if (!Fits(height) && !PageEmpty()) NewPage();
  }
  void NewPage() {
    if (FPainter) FWriter.newPage();
    StartPage();
  }
  void Advance(double height) { FY += height; }

 private:
  void StartPage() {
    ++FPage;
    FY = 0;
    if (!FPainter) return;
    FPainter->setFont(Font(9));
    FPainter->setPen(Qt::darkGray);
    const QRectF footer(0, FBottom + Mm(3), FWidth, Mm(5));
    const QString number = QStringLiteral("Страница %1 из %2").arg(FPage).arg(FTotal);
    FPainter->drawText(footer, Qt::AlignRight | Qt::AlignVCenter, number);
    const QFontMetricsF metrics(FPainter->font(), &FWriter);
    FPainter->drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                       metrics.elidedText(FTitle, Qt::ElideRight, FWidth - Mm(45)));
    FPainter->setPen(Qt::black);
  }

  QPagedPaintDevice& FWriter;
  QPainter* FPainter;
  QString FTitle;
  int FTotal;
  double FWidth = 0, FBottom = 0, FY = 0;
  int FPage = 0;
};

class TPrinter {
 public:
  TPrinter(const TTestReader& test, const TTestReader* key, QPagedPaintDevice& writer)
      : FTest(test),
        FKey(key),
        FWriter(writer),
        FTitle(Cut(Ru(test.GetTitle()))),
        FWidth(writer.pageLayout().paintRectPixels(kPrintDpi).width()) {
    for (int32_t q = 0; q < test.QuestionCount(); ++q) FQuestions.push_back(ReadQuestion(q));
  }

  const std::vector<std::string>& Problems() const { return FProblems; }

  // Lays every piece out; draws when a painter is given. Returns the page count.
  int Run(QPainter* painter, int totalPages) {
    TPageFlow flow(FWriter, painter, FTitle, totalPages);
    TitleBlock(flow);
    for (const TQuestion& q : FQuestions) QuestionBlock(flow, q);
    return flow.Pages();
  }

 private:
  TQuestion ReadQuestion(int32_t q) {
    TQuestion question;
    const TTestAnswersLayout& layout = FTest.Layout();
    const TTestQuestionPos pos = layout.LocateQuestion(q);
    question.Heading = QStringLiteral("Вопрос %1 из %2").arg(q + 1).arg(FTest.QuestionCount());
    question.Topic = QStringLiteral("Тема: ") + Cut(Ru(TopicName(FTest.Image(), pos.Topic)));
    if (std::string problem = LoadQuestionPage(FTest.Image(), q, question.Page); !problem.empty()) {
      Problem(q, problem + "; printed without it");
    } else if (question.Page.MMWidth() <= 0 || question.Page.MMHeight() <= 0) {
      Problem(q, "the page has no size; printed without it");
      question.Page.Clear();
    } else if (!question.Page.Records().Damage.empty()) {
      Problem(q, question.Page.Records().Damage + "; printed what precedes it");
    }
    // As the window does: the teacher's record when a key is open, else the test's.
    const TTestReader& record = FKey ? *FKey : FTest;
    try {
      question.Grades.LoadFromString(QuestionPieceStr(record.Image(), 0, q));
    } catch (const std::exception& e) {
      question.GradesRead = false;
      question.Grades.Clear();
      Problem(q, std::string("grade record: ") + e.what() + "; printed without options");
    }
    question.MultiSelect = question.Grades.MultiSelect() != 0;
    if (FKey) {
      question.MaxScore =
          QStringLiteral("максимум %1").arg(Score(FKey->Layout().QuestionMaxScore(q)));
    }
    return question;
  }

  void Problem(int32_t q, const std::string& what) {
    FProblems.push_back("question " + std::to_string(q + 1) + ": " + what);
  }

  double TextHeight(const QFont& font, double width, const QString& text) const {
    const QFontMetricsF metrics(font, &FWriter);
    return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
  }

  // Draws wrapped text at the flow's place and moves past it.
  void Paragraph(TPageFlow& flow, const QFont& font, const QString& text, double after) {
    const double height = TextHeight(font, flow.Width(), text);
    flow.Need(height);
    if (QPainter* p = flow.Painter()) {
      p->setFont(font);
      p->drawText(QRectF(0, flow.Y(), flow.Width(), height), Qt::TextWordWrap, text);
    }
    flow.Advance(height + after);
  }

  void TitleBlock(TPageFlow& flow) {
    Paragraph(flow, Font(18, true), FTitle, Mm(2));
    QString facts = QStringLiteral("Вопросов: %1. Время: %2 мин.")
                        .arg(FTest.QuestionCount())
                        .arg(FTest.TimeLimit());
    Paragraph(flow, Font(11), facts, Mm(3));
    if (FKey) {
      Paragraph(
          flow, Font(11, true),
          QStringLiteral("Экземпляр для проверки: верные варианты отмечены, у каждого варианта "
                         "указаны баллы, если его отметить и если не отмечать."),
          Mm(6));
    } else {
      Paragraph(flow, Font(11), QStringLiteral("Фамилия, имя: ") + QString(40, QChar('_')), Mm(6));
    }
  }

  // The page at its physical size, as the window shows it, scaled down to fit the paper.
  QSizeF PictureSize(const TQuestion& q, double maxHeight) const {
    if (q.Page.Empty()) return {FWidth, Mm(12)};
    const double w = Mm(q.Page.MMWidth() / 100.0), h = Mm(q.Page.MMHeight() / 100.0);
    const double scale = std::min({1.0, FWidth / w, maxHeight / h});
    return {w * scale, h * scale};
  }

  QString OptionCaption(const TQuestion& q, int32_t i) const {
    return Cut(Ru(q.Grades.Caption(i)));
  }

  QString OptionScores(const TQuestion& q, int32_t i) const {
    return QStringLiteral("отмечен: %1; не отмечен: %2")
        .arg(Score(q.Grades.MarkedScore(i)), Score(q.Grades.UnmarkedScore(i)));
  }

  double OptionHeight(const TQuestion& q, int32_t i) const {
    return std::max(Mm(5), TextHeight(Font(11), CaptionWidth(), OptionCaption(q, i))) + Mm(2);
  }
  double CaptionWidth() const { return FWidth - Mm(8) - (FKey ? Mm(50) : 0); }

  void Option(TPageFlow& flow, const TQuestion& q, int32_t i) {
    const double height = OptionHeight(q, i);
    flow.Need(height);
    QPainter* p = flow.Painter();
    if (p) {
      const bool right = FKey && q.Grades.MarkedScore(i) > 0;
      const double y = flow.Y(), box = Mm(3.6);
      const QRectF mark(Mm(0.5), y + Mm(0.6), box, box);
      p->setPen(QPen(Qt::black, Mm(0.25)));
      p->setBrush(Qt::NoBrush);
      if (q.MultiSelect) {
        p->drawRect(mark);
        if (right) {
          p->setPen(QPen(kRightColour, Mm(0.5)));
          p->drawPolyline(QPolygonF({mark.topLeft() + QPointF(box * 0.2, box * 0.5),
                                     mark.topLeft() + QPointF(box * 0.45, box * 0.8),
                                     mark.topLeft() + QPointF(box * 0.85, box * 0.2)}));
        }
      } else {
        p->drawEllipse(mark);
        if (right) {
          p->setPen(Qt::NoPen);
          p->setBrush(kRightColour);
          p->drawEllipse(mark.center(), box * 0.28, box * 0.28);
        }
      }
      p->setBrush(Qt::NoBrush);
      p->setPen(right ? kRightColour : Qt::black);
      p->setFont(Font(11, right));
      p->drawText(QRectF(Mm(8), y, CaptionWidth(), height), Qt::TextWordWrap, OptionCaption(q, i));
      if (FKey) {
        p->setPen(Qt::darkGray);
        p->setFont(Font(9));
        const double line = TextHeight(Font(11), FWidth, QStringLiteral("A"));
        p->drawText(QRectF(FWidth - Mm(48), y, Mm(48), line), Qt::AlignRight | Qt::AlignVCenter,
                    OptionScores(q, i));
      }
      p->setPen(Qt::black);
    }
    flow.Advance(height);
  }

  double HeadingHeight() const {
    return TextHeight(Font(13, true), FWidth, QStringLiteral("Вопрос")) +
           TextHeight(Font(10), FWidth, QStringLiteral("Тема")) + Mm(2);
  }

  void QuestionBlock(TPageFlow& flow, const TQuestion& q) {
    const double heading = HeadingHeight();
    const QSizeF picture = PictureSize(q, flow.BodyHeight() - heading - Mm(3));
    double options = q.GradesRead ? 0 : Mm(7);
    for (int32_t i = 0; i < q.Grades.Count(); ++i) options += OptionHeight(q, i);
    const double whole = heading + picture.height() + Mm(3) + options;
    // A question stays on one page when it fits on one; else its options follow on the next.
    if (!flow.Fits(whole) && !flow.PageEmpty()) flow.NewPage();
    if (QPainter* p = flow.Painter()) DrawHeadingAndPicture(*p, flow.Y(), q, picture, heading);
    flow.Advance(heading + picture.height() + Mm(3));
    if (!q.GradesRead) {
      Paragraph(flow, Font(11), QStringLiteral("Варианты ответа не читаются."), 0);
    }
    for (int32_t i = 0; i < q.Grades.Count(); ++i) Option(flow, q, i);
    flow.Advance(Mm(6));
  }

  void DrawHeadingAndPicture(QPainter& p, double y, const TQuestion& q, const QSizeF& picture,
                             double heading) {
    p.setFont(Font(13, true));
    p.drawText(QRectF(0, y, FWidth, heading), Qt::AlignLeft | Qt::AlignTop, q.Heading);
    if (!q.MaxScore.isEmpty()) {
      p.setFont(Font(10));
      p.drawText(QRectF(0, y, FWidth, heading), Qt::AlignRight | Qt::AlignTop, q.MaxScore);
    }
    p.setFont(Font(10));
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(0, y, FWidth, heading - Mm(2)), Qt::AlignLeft | Qt::AlignBottom, q.Topic);
    p.setPen(Qt::black);
    const QRectF target(0, y + heading, picture.width(), picture.height());
    if (q.Page.Empty()) {
      p.setFont(Font(11));
      p.drawText(target, Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Страница вопроса не читается."));
      return;
    }
    p.save();
    p.setClipRect(target);
    PlayMetafile(p, q.Page, target);
    p.restore();
    p.setPen(QPen(Qt::lightGray, Mm(0.2)));
    p.drawRect(target);
    p.setPen(Qt::black);
  }

  const TTestReader& FTest;
  const TTestReader* FKey;
  QPagedPaintDevice& FWriter;
  QString FTitle;
  std::vector<TQuestion> FQuestions;
  std::vector<std::string> FProblems;
  double FWidth;
};

}  // namespace

TPrintResult PrintTestPdf(const TTestReader& test, const TTestReader* key, QIODevice& out) {
  QPdfWriter writer(&out);
  writer.setResolution(kPrintDpi);
  writer.setTitle(Ru(test.GetTitle()));
  writer.setCreator(QStringLiteral("examtool"));
  return PrintTest(test, key, writer);
}

TPrintResult PrintTest(const TTestReader& test, const TTestReader* key, QPagedPaintDevice& device) {
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(20, 15, 20, 12), QPageLayout::Millimeter));
  TPrinter printer(test, key, device);
  TPrintResult result;
  const int pages = printer.Run(nullptr, 0);
  QPainter painter(&device);
  result.Pages = printer.Run(&painter, pages);
  painter.end();
  result.Problems = printer.Problems();
  return result;
}
