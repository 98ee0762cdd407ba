#include "files/chartstamp.h"

#include "base/enginetext.h"
#include "journal/eventjournal.h"
#include "params/numbertext.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

// "Label: value"
QString item(const char *label, const QString &value)
{
    return engineText(label) + u": "_s + value;
}

const QString kUnknown = u"—"_s;
// Between the items of one line.
const QString kGap = u"    "_s;

constexpr int kMargin = 6;  // pixels around the text and between the chart and the band

}  // namespace

QStringList chartStampLines(const ChartStamp &stamp)
{
    const QString baud = stamp.baud > 0
                             ? engineText(QT_TRANSLATE_NOOP("Engine", "%1 бод")).arg(stamp.baud)
                             : kUnknown;
    const QString scales =
        engineText(QT_TRANSLATE_NOOP("Engine", "%1 В/дел., %2 с/дел."))
            .arg(numberText(stamp.voltsPerDivision), numberText(stamp.secondsPerDivision));
    return {
        item(QT_TRANSLATE_NOOP("Engine", "Дата и время"), journalTimestamp(stamp.time)),
        item(QT_TRANSLATE_NOOP("Engine", "Адрес блока"), QString::number(stamp.address)) + kGap +
            item(QT_TRANSLATE_NOOP("Engine", "Фланг"), QString::number(stamp.flank)) + kGap +
            item(QT_TRANSLATE_NOOP("Engine", "Скорость"), baud),
        item(QT_TRANSLATE_NOOP("Engine", "Масштаб"), scales) + kGap +
            item(QT_TRANSLATE_NOOP("Engine", "Порог"),
                 stamp.thresholdVolts ? voltsReadout(*stamp.thresholdVolts) : kUnknown),
    };
}

QImage stampedChart(const QImage &chart, const ChartStamp &stamp)
{
    const QStringList lines = chartStampLines(stamp);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    const int band = kMargin + int(lines.size()) * metrics.lineSpacing() + kMargin;

    QImage image(chart.width(), chart.height() + band, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    // The chart's pixels as they are: copied, not blended or scaled.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, chart);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(Qt::gray);
    painter.drawLine(0, chart.height(), chart.width() - 1, chart.height());
    painter.setPen(Qt::black);
    painter.setFont(font);
    int y = chart.height() + kMargin;
    for (const QString &line : lines) {
        painter.drawText(QRect(kMargin, y, chart.width() - 2 * kMargin, metrics.lineSpacing()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
    return image;
}
