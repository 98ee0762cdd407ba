#include "support/fakeserialport.h"

bool FakeSerialPort::open()
{
    openAttempts.append(m_number);
    if (m_open)
        return true;
    if (denied.contains(m_number)) {
        m_error = OpenError::PermissionDenied;
        return false;
    }
    if (busy.contains(m_number)) {
        m_error = OpenError::Busy;
        return false;
    }
    if (!openable.contains(m_number)) {
        m_error = OpenError::NoSuchPort;
        return false;
    }
    m_error = OpenError::None;
    m_open = true;
    m_pendingReady = opensLater;
    return true;
}

void FakeSerialPort::setPort(const PortDescription &port)
{
    m_description = port;
    m_number = port.comNumber();
}

QString FakeSerialPort::deviceOf(const PortDescription &port) const
{
    return port.kind() == PortDescription::Kind::ComNumber
               ? QStringLiteral("/fake/tty%1").arg(port.comNumber())
               : port.toString();
}

void FakeSerialPort::becomeReady()
{
    if (!m_open || !m_pendingReady)
        return;
    m_pendingReady = false;
    emit ready();
}

void FakeSerialPort::failOpen(OpenError error)
{
    if (!m_open || !m_pendingReady)
        return;
    m_open = false;
    m_pendingReady = false;
    m_error = error;
    emit openFailed();
}

void FakeSerialPort::close()
{
    ++closeCalls;
    m_open = false;
    m_pendingReady = false;
}

void FakeSerialPort::setBaudRate(int baud)
{
    m_baud = baud;
    baudHistory.append(baud);
}

void FakeSerialPort::resumeOutput()
{
    suspended = false;
    written += held;
    held.clear();
}

QByteArray FakeSerialPort::readAll()
{
    QByteArray out;
    out.swap(m_input);
    return out;
}

void FakeSerialPort::write(const QByteArray &frame)
{
    if (!m_open || failWrites)
        return;
    if (suspended) {
        held.append(frame);
        return;
    }
    if (shortWriteBytes >= 0 && shortWriteBytes < frame.size()) {
        fragments.append(frame.left(shortWriteBytes));
        return;
    }
    written.append(frame);
}

void FakeSerialPort::deliver(const QByteArray &bytes)
{
    m_input += bytes;
    emit dataReceived();
}

void FakeSerialPort::unplug()
{
    if (!m_open)
        return;
    m_open = false;
    openable.remove(m_number);
}
