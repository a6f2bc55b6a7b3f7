// The report's charts as SVG: QSvgGenerator records what QPainter draws.
#include "ReportCharts.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <functional>

#include "TextFormat.h"

namespace {

const QColor kBar(74, 120, 181);
const QColor kRight(46, 125, 50);
const QColor kWrong(158, 158, 158);
const QColor kWarning(198, 40, 40);
const QColor kAxis(90, 90, 90);
constexpr int kRow = 22;

// Qt places every run of text by its own measure, so the browser must draw with the same widths:
// Arial, or a face metric-compatible with it (Liberation Sans, which fontconfig puts in its place).
QFont ChartFont(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

std::string SvgChart(int width, int height, const QString& title,
                     const std::function<void(QPainter&)>& paint) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(width, height));
  generator.setViewBox(QRect(0, 0, width, height));
  generator.setResolution(96);
  generator.setTitle(title);
  {
    QPainter painter(&generator);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(ChartFont(13));
    paint(painter);
  }
  const QByteArray svg = buffer.data();
  const qsizetype start = svg.indexOf("<svg");
  if (start < 0) return {};
  std::string element = svg.mid(start).toStdString();
  element.insert(4, " role=\"img\" class=\"chart\"");
  return element;
}

// Figures as the report's tables print them.
QString Figure(double value, int decimals) {
  return QString::fromStdString(WithDecimalComma(FormatFixed(value, decimals)));
}
QString Percent(double share) {
  return Figure(100 * share, 0) + QStringLiteral(" %");
}

void Bar(QPainter& p, const QRectF& r, const QColor& colour) {
  p.fillRect(r.normalized(), colour);
}

}  // namespace

std::string GradeHistogramSvg(const TGradeSummary& summary) {
  constexpr int kWidth = 640, kHeight = 300;
  constexpr int kPadLeft = 50, kPadRight = 20, kPadTop = 24, kPadBottom = 50;
  const int most =
      std::max(1, *std::max_element(summary.Histogram.begin(), summary.Histogram.end()));
  return SvgChart(kWidth, kHeight, QStringLiteral("Распределение оценок"), [&](QPainter& p) {
    const double plotW = kWidth - kPadLeft - kPadRight, plotH = kHeight - kPadTop - kPadBottom;
    const double slot = plotW / summary.Histogram.size();
    const int step = std::max(1, (most + 4) / 5);
    p.setPen(QColor(220, 220, 220));
    for (int v = 0; v <= most; v += step) {
      const double y = kPadTop + plotH * (1 - double(v) / most);
      p.drawLine(QPointF(kPadLeft, y), QPointF(kWidth - kPadRight, y));
      p.setPen(kAxis);
      p.drawText(QRectF(0, y - 8, kPadLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                 QString::number(v));
      p.setPen(QColor(220, 220, 220));
    }
    for (size_t b = 0; b < summary.Histogram.size(); ++b) {
      const double x = kPadLeft + b * slot, h = plotH * summary.Histogram[b] / most;
      Bar(p, QRectF(x + 4, kPadTop + plotH - h, slot - 8, h), kBar);
      p.setPen(kAxis);
      if (summary.Histogram[b] > 0) {
        p.drawText(QRectF(x, kPadTop + plotH - h - 18, slot, 16), Qt::AlignCenter,
                   QString::number(summary.Histogram[b]));
      }
      p.drawText(QRectF(x, kPadTop + plotH + 4, slot, 16), Qt::AlignCenter,
                 QStringLiteral("%1–%2").arg(b * 10).arg(b * 10 + 10));
    }
    p.setPen(kAxis);
    p.drawLine(QPointF(kPadLeft, kPadTop + plotH), QPointF(kWidth - kPadRight, kPadTop + plotH));
    p.drawText(QRectF(kPadLeft, kHeight - 24, plotW, 20), Qt::AlignCenter,
               QStringLiteral("Оценка, %"));
    p.drawText(QRectF(0, 0, kWidth, 18), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Учеников"));
  });
}

std::string QuestionBarsSvg(const std::vector<TItemStatistics>& items) {
  constexpr int kLabel = 90, kPanel = 170, kGap = 30, kHead = 40;
  const int width = kLabel + 3 * (kPanel + kGap);
  const int height = kHead + kRow * static_cast<int>(items.size()) + 8;
  return SvgChart(
      width, height, QStringLiteral("Вопросы: полный балл, средний балл, дискриминация"),
      [&](QPainter& p) {
        const QString heads[] = {QStringLiteral("Полный балл"), QStringLiteral("Средний балл"),
                                 QStringLiteral("Дискриминация")};
        p.setFont(ChartFont(13, true));
        for (int c = 0; c < 3; ++c) {
          p.drawText(QRectF(kLabel + c * (kPanel + kGap), 0, kPanel + kGap, 20),
                     Qt::AlignLeft | Qt::AlignVCenter, heads[c]);
        }
        p.setFont(ChartFont(12));
        p.setPen(kAxis);
        for (int c = 0; c < 3; ++c) {
          const double x = kLabel + c * (kPanel + kGap);
          p.drawText(QRectF(x, 20, kPanel, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     c == 2 ? "−1" : "0 %");
          p.drawText(QRectF(x, 20, kPanel, 16), Qt::AlignRight | Qt::AlignVCenter,
                     c == 2 ? "+1" : "100 %");
          if (c == 2) p.drawText(QRectF(x, 20, kPanel, 16), Qt::AlignCenter, "0");
        }
        p.setFont(ChartFont(13));
        for (size_t r = 0; r < items.size(); ++r) {
          const TItemStatistics& item = items[r];
          const double y = kHead + r * kRow;
          const bool flagged = item.TooHard || item.TooEasy || item.NegativeDiscrimination ||
                               item.LowFacility || item.HighFacility ||
                               item.NegativeDiscriminationIndex || item.WeakDiscrimination ||
                               item.PositiveDistractor;
          p.setPen(flagged ? kWarning : Qt::black);
          p.setFont(ChartFont(13, flagged));
          p.drawText(QRectF(0, y, kLabel - 8, kRow), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Вопрос %1").arg(item.Question + 1));
          p.setFont(ChartFont(12));
          const double meanShare =
              item.MaxScore > 0 ? std::clamp(item.MeanScore / item.MaxScore, 0.0, 1.0) : 0.0;
          const double shares[] = {item.FullScoreShare, meanShare};
          for (int c = 0; c < 2; ++c) {
            const double x = kLabel + c * (kPanel + kGap);
            const bool warn = c == 0 && (item.TooHard || item.TooEasy);
            p.fillRect(QRectF(x, y + 4, kPanel, kRow - 8), QColor(238, 238, 238));
            Bar(p, QRectF(x, y + 4, kPanel * shares[c], kRow - 8), warn ? kWarning : kBar);
            p.setPen(kAxis);
            p.drawText(QRectF(x + kPanel + 2, y, kGap, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                       Figure(100 * shares[c], 0));
          }
          const double x = kLabel + 2 * (kPanel + kGap), mid = x + kPanel / 2.0;
          const double d = std::clamp(item.Discrimination, -1.0, 1.0);
          p.fillRect(QRectF(x, y + 4, kPanel, kRow - 8), QColor(238, 238, 238));
          Bar(p, QRectF(mid, y + 4, d * kPanel / 2, kRow - 8), d < 0 ? kWarning : kRight);
          p.setPen(kAxis);
          p.drawLine(QPointF(mid, y + 2), QPointF(mid, y + kRow - 2));
          p.drawText(QRectF(x + kPanel + 2, y, kGap, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                     Figure(item.Discrimination, 2));
        }
      });
}

std::string OptionBarsSvg(const TItemStatistics& item, int32_t students) {
  constexpr int kCaption = 230, kBarWidth = 300, kValue = 110;
  const int width = kCaption + kBarWidth + kValue;
  const int height = kRow * static_cast<int>(item.Options.size()) + 8;
  return SvgChart(
      width, height,
      QStringLiteral("Вопрос %1: сколько учеников отметили каждый вариант").arg(item.Question + 1),
      [&](QPainter& p) {
        const QFontMetricsF metrics(ChartFont(13), p.device());
        for (size_t o = 0; o < item.Options.size(); ++o) {
          const TOptionStatistics& option = item.Options[o];
          const double y = 4 + o * kRow;
          const double share = students > 0 ? double(option.MarkedCount) / students : 0.0;
          const QString caption = (option.Right ? QStringLiteral("✓ ") : QString()) +
                                  QString::fromStdString(option.Caption);
          p.setPen(option.Right ? kRight : Qt::black);
          p.setFont(ChartFont(13, option.Right));
          p.drawText(QRectF(0, y, kCaption - 8, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(caption, Qt::ElideRight, kCaption - 12));
          p.fillRect(QRectF(kCaption, y + 4, kBarWidth, kRow - 8), QColor(238, 238, 238));
          Bar(p, QRectF(kCaption, y + 4, kBarWidth * share, kRow - 8),
              option.Right ? kRight : kWrong);
          p.setPen(kAxis);
          p.setFont(ChartFont(13));
          p.drawText(QRectF(kCaption + kBarWidth + 6, y, kValue - 6, kRow),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 (%2)").arg(option.MarkedCount).arg(Percent(share)));
        }
      });
}
