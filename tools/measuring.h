#pragma once

// What the benchmark and soak tools share: the process's resident memory, a
// percentile, and a port that passes everything through to another one so
// that a tool can watch the frames going out and the bytes coming in.

#include "link/serialport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

// The resident memory of this process in KiB, -1 when unknown.
inline long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("^VmRSS:\\s+(\\d+)"),
                                 QRegularExpression::MultilineOption);
    const auto match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

// The value at fraction `p` (0..1) of the sorted values, 0 for none.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Forwards every call and signal to `inner`; a tool overrides write() or
// readAll() to look at the traffic, timed on clock().
class PassThroughPort : public SerialPortService {
public:
    explicit PassThroughPort(SerialPortService &inner) : m_inner(inner)
    {
        m_clock.start();
        connect(&inner, &SerialPortService::dataReceived, this, &SerialPortService::dataReceived);
        connect(&inner, &SerialPortService::ready, this, &SerialPortService::ready);
        connect(&inner, &SerialPortService::openFailed, this, &SerialPortService::openFailed);
    }

    const QElapsedTimer &clock() const { return m_clock; }

    void setPort(const PortDescription &port) override { m_inner.setPort(port); }
    PortDescription port() const override { return m_inner.port(); }
    QString deviceOf(const PortDescription &port) const override { return m_inner.deviceOf(port); }
    bool fixesLineSpeed() const override { return m_inner.fixesLineSpeed(); }
    bool open() override { return m_inner.open(); }
    OpenError lastOpenError() const override { return m_inner.lastOpenError(); }
    QString lastOpenErrorText() const override { return m_inner.lastOpenErrorText(); }
    bool isReady() const override { return m_inner.isReady(); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    void setBaudRate(int baud) override { m_inner.setBaudRate(baud); }
    int baudRate() const override { return m_inner.baudRate(); }
    void setSoftwareFlowControl(bool on) override { m_inner.setSoftwareFlowControl(on); }
    bool outputSuspended() const override { return m_inner.outputSuspended(); }
    void resumeOutput() override { m_inner.resumeOutput(); }
    QByteArray readAll() override { return m_inner.readAll(); }
    void write(const QByteArray &frame) override { m_inner.write(frame); }

protected:
    SerialPortService &m_inner;
    QElapsedTimer m_clock;
};
