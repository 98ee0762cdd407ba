#include "files/statuscsv.h"

#include "monitor/statusdecoder.h"

#include <QStringList>

namespace {

QString volts(double value)
{
    // QString::number ignores the locale: always '.'.
    return QString::number(value, 'f', 3);
}

QString quoted(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

}  // namespace

QByteArray StatusCsvWriter::header()
{
    return "time,flank,state_code,state,tamper,signal_v,threshold_v,level1_v,level2_v\n";
}

QByteArray StatusCsvWriter::row(const QDateTime &time, int flank, const StatusReading &reading)
{
    const QStringList fields{time.toString(Qt::ISODateWithMs),
                             QString::number(flank),
                             QString::number(reading.flankCode()),
                             quoted(flankStateText(reading.flankCode())),
                             QString::number(reading.tamperOpen() ? 1 : 0),
                             volts(reading.signalVolts()),
                             volts(reading.thresholdVolts()),
                             volts(reading.level1 / StatusReading::kCountsPerVolt),
                             volts(reading.level2 / StatusReading::kCountsPerVolt)};
    return fields.join(QLatin1Char(',')).toUtf8() + '\n';
}

bool StatusCsvWriter::open(const QString &path)
{
    m_file.setFileName(path);
    m_rows = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return m_file.write(header()) > 0 && m_file.flush();
}

bool StatusCsvWriter::append(const QDateTime &time, int flank, const StatusReading &reading)
{
    if (m_file.write(row(time, flank, reading)) < 0 || !m_file.flush())
        return false;
    ++m_rows;
    return true;
}
