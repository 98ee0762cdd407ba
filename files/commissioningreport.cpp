#include "files/commissioningreport.h"

#include "base/enginetext.h"
#include "base/systemerror.h"
#include "files/wholefile.h"
#include "journal/eventjournal.h"
#include "monitor/statusdecoder.h"
#include "params/numbertext.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString cell(const QString &text)
{
    return u"<td>"_s + text.toHtmlEscaped() + u"</td>"_s;
}

QString labelledRow(const QString &label, const QString &value)
{
    return u"<tr><td><b>"_s + label.toHtmlEscaped() + u"</b></td>"_s + cell(value) + u"</tr>"_s;
}

// Where a value the report does not have is written by hand.
const QString kWriteOnLine = u"________________________________"_s;

QString orLine(const QString &text)
{
    return text.trimmed().isEmpty() ? kWriteOnLine : text;
}

const QString kBorderedTable = u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"_s;

QString heading(const char *text)
{
    return u"<h3>"_s + engineText(text).toHtmlEscaped() + u"</h3>"_s;
}

QString headerRow(const QStringList &labels)
{
    QString row = u"<tr>"_s;
    for (const QString &label : labels)
        row += u"<th>"_s + label.toHtmlEscaped() + u"</th>"_s;
    return row + u"</tr>"_s;
}

QString stateWords(const StatusReading &reading)
{
    const QString state = flankStateText(reading.flankCode());
    return state.isEmpty()
               ? engineText(QT_TRANSLATE_NOOP("Engine", "код %1")).arg(reading.flankCode())
               : state;
}

// The smallest of 1, 2 and 5 times a power of ten that cuts `span` into at
// most `parts` steps.
double gridStep(double span, int parts)
{
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw)
            return factor * power;
    return 10 * power;
}

}  // namespace

QString CommissioningReport::html() const
{
    QString out = u"<html><body style=\"font-family: 'DejaVu Sans', 'Liberation Sans', sans-serif;"
                  u" font-size: 10pt\">"_s;
    out += u"<h2>"_s +
           engineText(QT_TRANSLATE_NOOP("Engine", "Протокол пусконаладки извещателя ВЕРКАН-Р"))
               .toHtmlEscaped() +
           u"</h2>"_s;
    out += u"<table cellspacing=\"0\" cellpadding=\"3\">"_s;
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Дата и время")),
                       journalTimestamp(time));
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Объект")), orLine(site));
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Монтажник")), orLine(installer));
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Порт")), port);
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Скорость")),
                       engineText(QT_TRANSLATE_NOOP("Engine", "%1 бод")).arg(baud));
    out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Адрес блока")),
                       QString::number(address));
    out += labelledRow(
        settingName(settingRow(Setting::UnitNumber)),
        unitNumber ? QString::number(*unitNumber)
                   : engineText(QT_TRANSLATE_NOOP("Engine", "не прочитан: блок не ответил")));
    out += u"</table>"_s;

    out += heading(QT_TRANSLATE_NOOP("Engine", "Настройки")) + kBorderedTable;
    out += headerRow({engineText(QT_TRANSLATE_NOOP("Engine", "Параметр")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Фланг 1")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Фланг 2"))});
    for (const SettingRow *row : flankSettingRows()) {
        out += u"<tr>"_s + cell(settingName(*row));
        for (const auto &flank : settings.flanks)
            out +=
                cell(flank.contains(row->setting) ? textForPosition(*row, flank.value(row->setting))
                                                  : u"—"_s);
        out += u"</tr>"_s;
    }
    out += u"</table>"_s;

    out += heading(QT_TRANSLATE_NOOP("Engine", "Состояние")) + kBorderedTable;
    out += headerRow({engineText(QT_TRANSLATE_NOOP("Engine", "Фланг")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Состояние")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Сигнал")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Порог")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Уровень 1")),
                      engineText(QT_TRANSLATE_NOOP("Engine", "Уровень 2"))});
    std::optional<bool> tamperOpen;
    const QString noData = engineText(QT_TRANSLATE_NOOP("Engine", "нет данных"));
    for (int i = 0; i < SettingsProfile::kFlankCount; ++i) {
        out += u"<tr>"_s + cell(QString::number(i + 1));
        if (const std::optional<StatusReading> &reading = status[i]) {
            out += cell(stateWords(*reading)) + cell(voltsReadout(reading->signalVolts())) +
                   cell(voltsReadout(reading->thresholdVolts())) +
                   cell(voltsReadout(reading->level1 / StatusReading::kCountsPerVolt)) +
                   cell(voltsReadout(reading->level2 / StatusReading::kCountsPerVolt));
            tamperOpen = reading->tamperOpen();
        } else {
            out += u"<td colspan=\"5\">"_s + noData + u"</td>"_s;
        }
        out += u"</tr>"_s;
    }
    out += u"</table><p><b>"_s +
           engineText(QT_TRANSLATE_NOOP("Engine", "Датчик вскрытия:")).toHtmlEscaped() +
           u"</b> "_s +
           (!tamperOpen   ? noData
            : *tamperOpen ? engineText(QT_TRANSLATE_NOOP("Engine", "Разомкнут"))
                          : engineText(QT_TRANSLATE_NOOP("Engine", "Замкнут")))
               .toHtmlEscaped() +
           u"</p>"_s;

    if (pass) {
        out += heading(QT_TRANSLATE_NOOP("Engine", "Контрольный проход")) +
               u"<table cellspacing=\"0\" cellpadding=\"3\">"_s;
        out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Фланг")),
                           QString::number(pass->flank));
        out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Длительность")),
                           engineText(QT_TRANSLATE_NOOP("Engine", "%1 с"))
                               .arg(numberText(roundHalfEven(pass->seconds * 10) / 10)));
        out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Средний полезный сигнал")),
                           pass->meanVolts ? voltsReadout(*pass->meanVolts)
                                           : engineText(QT_TRANSLATE_NOOP(
                                                 "Engine", "нет (проход короче одного блока)")));
        out += labelledRow(engineText(QT_TRANSLATE_NOOP("Engine", "Порог")),
                           voltsReadout(pass->thresholdVolts));
        out += u"</table><p><img src=\"%1\" width=\"600\" height=\"270\"></p>"_s.arg(
            QLatin1String(kChartResource));
    } else {
        out += heading(QT_TRANSLATE_NOOP("Engine", "Контрольный проход")) + u"<p>"_s +
               engineText(QT_TRANSLATE_NOOP("Engine", "Контрольный проход не выполнялся"))
                   .toHtmlEscaped() +
               u"</p>"_s;
    }

    // Signed on paper: who, the signature, the date.
    out += heading(QT_TRANSLATE_NOOP("Engine", "Подписи")) +
           u"<table cellspacing=\"0\" cellpadding=\"8\">"_s;
    const QString signature = engineText(QT_TRANSLATE_NOOP("Engine", "Подпись"));
    const QString date = engineText(QT_TRANSLATE_NOOP("Engine", "Дата"));
    const auto signatureRow = [&](const QString &who, const QString &name) {
        return u"<tr><td><b>"_s + who.toHtmlEscaped() + u"</b></td>"_s + cell(name) +
               cell(signature + u" ______________________"_s) + cell(date + u" ______________"_s) +
               u"</tr>"_s;
    };
    out += signatureRow(engineText(QT_TRANSLATE_NOOP("Engine", "Монтажник")), installer.trimmed());
    out += signatureRow(engineText(QT_TRANSLATE_NOOP("Engine", "Заказчик")), QString());
    out += u"</table>"_s;
    out += u"</body></html>"_s;
    return out;
}

bool CommissioningReport::writePdf(const QString &path, QString *error) const
{
    // Made in memory and written whole, so that a disk that fills up on the
    // way leaves no broken report and an older report stays as it was.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        // The site in the title too, where a file list or a viewer shows it.
        const QString title =
            engineText(QT_TRANSLATE_NOOP("Engine", "Протокол пусконаладки ВЕРКАН-Р"));
        writer.setTitle(site.trimmed().isEmpty() ? title : title + u" — "_s + site.trimmed());
        writer.setCreator(u"verkan-cli"_s);

        QTextDocument document;
        if (pass)
            document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(kChartResource)),
                                 passChartImage(*pass, QSize(2000, 900)));
        document.setHtml(html());
        // Laid out on the printable part of the page (96 units per inch), so
        // print() keeps the page's own margins and adds no page numbers.
        const QSizeF printable = writer.pageLayout().paintRect(QPageLayout::Inch).size() * 96;
        document.setPageSize(printable);
        document.print(&writer);
    }
    if (const int failure = writeFileWhole(path, pdf.data())) {
        *error = systemErrorText(failure);
        return false;
    }
    return true;
}

QImage passChartImage(const CommissioningReport::Pass &pass, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(size.height() / 22);
    painter.setFont(font);

    const QRectF plot(size.width() * 0.09, size.height() * 0.05, size.width() * 0.88,
                      size.height() * 0.82);
    double top = pass.thresholdVolts;
    for (const QPointF &p : pass.signal)
        top = std::max(top, p.y());
    const double voltStep = gridStep(std::max(top * 1.15, 0.5), 6);
    const double voltTop = std::ceil(top * 1.15 / voltStep) * voltStep;
    const double span =
        std::max(pass.seconds, pass.signal.isEmpty() ? 1.0 : pass.signal.last().x());
    const double timeStep = gridStep(span, 10);
    auto toPixel = [&](double seconds, double volts) {
        return QPointF(plot.left() + plot.width() * seconds / span,
                       plot.bottom() - plot.height() * volts / voltTop);
    };

    const QPen gridPen(QColor(200, 200, 200), size.height() / 480.0, Qt::DotLine);
    const int textHeight = font.pixelSize() + 4;
    for (double v = 0; v <= voltTop + voltStep / 2; v += voltStep) {
        const QPointF left = toPixel(0, v);
        painter.setPen(gridPen);
        painter.drawLine(left, toPixel(span, v));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, left.y() - textHeight / 2.0, plot.left() - 8, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter,
                         numberText(roundHalfEven(v * 100) / 100));
    }
    for (double t = 0; t <= span + timeStep / 2; t += timeStep) {
        const QPointF bottom = toPixel(t, 0);
        painter.setPen(gridPen);
        painter.drawLine(bottom, toPixel(t, voltTop));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(bottom.x() - 100, plot.bottom() + 4, 200, textHeight),
                         Qt::AlignHCenter | Qt::AlignTop, numberText(roundHalfEven(t * 10) / 10));
    }
    painter.setPen(Qt::black);
    painter.drawRect(plot);
    painter.drawText(QRectF(0, plot.bottom() + textHeight, size.width(), textHeight + 8),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     engineText(QT_TRANSLATE_NOOP("Engine", "время, с")));
    painter.drawText(QRectF(4, 0, plot.left(), plot.top()), Qt::AlignLeft | Qt::AlignVCenter,
                     engineText(QT_TRANSLATE_NOOP("Engine", "В")));

    painter.setPen(QPen(Qt::red, size.height() / 320.0));
    painter.drawLine(toPixel(0, pass.thresholdVolts), toPixel(span, pass.thresholdVolts));
    painter.drawText(
        QRectF(plot.left() + 8, toPixel(0, pass.thresholdVolts).y() - textHeight - 2,
               plot.width() / 2, textHeight),
        Qt::AlignLeft | Qt::AlignBottom,
        engineText(QT_TRANSLATE_NOOP("Engine", "порог %1")).arg(voltsReadout(pass.thresholdVolts)));

    QPainterPath trace;
    for (int i = 0; i < pass.signal.size(); ++i) {
        const QPointF p = toPixel(pass.signal[i].x(), pass.signal[i].y());
        if (i == 0)
            trace.moveTo(p);
        else
            trace.lineTo(p);
    }
    painter.setPen(QPen(Qt::blue, size.height() / 400.0));
    painter.drawPath(trace);
    return image;
}
