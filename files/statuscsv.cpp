#include "files/statuscsv.h"

#include "base/systemerror.h"
#include "files/wholefile.h"
#include "monitor/statusdecoder.h"

#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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
    close();
    m_rows = 0;
    m_size = 0;
    // Appending, so that a row taken back by truncating the file leaves the
    // next one to start where the file now ends.
    m_fd = ::open(QFile::encodeName(path).constData(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    if (!writeWhole(header())) {
        close();
        return false;
    }
    return true;
}

QString StatusCsvWriter::errorString() const
{
    return systemErrorText(m_error);
}

bool StatusCsvWriter::append(const QDateTime &time, int flank, const StatusReading &reading)
{
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    if (!writeWhole(row(time, flank, reading)))
        return false;
    ++m_rows;
    return true;
}

void StatusCsvWriter::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool StatusCsvWriter::writeWhole(const QByteArray &bytes)
{
    if (writeAll(m_fd, bytes)) {
        m_size += bytes.size();
        return true;
    }
    m_error = errno;
    // Take back whatever part was written. Should that fail as well, the
    // file is closed rather than have rows glued to a torn one.
    if (::ftruncate(m_fd, m_size) != 0)
        close();
    return false;
}
