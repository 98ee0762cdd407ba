#include "link/qtserialport.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

SerialPortService::OpenError classifyOpenFailure(QSerialPort::SerialPortError error,
                                                 bool deviceExists, bool deviceWritable)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return SerialPortService::OpenError::NoSuchPort;
    case QSerialPort::PermissionError:
        // QSerialPort reports a port held by another program as a permission
        // error too; tell them apart by the device's access rights.
        if (!deviceExists)
            return SerialPortService::OpenError::NoSuchPort;
        return deviceWritable ? SerialPortService::OpenError::Busy
                              : SerialPortService::OpenError::PermissionDenied;
    default:
        return SerialPortService::OpenError::Other;
    }
}

QtSerialPortService::QtSerialPortService(QProcessEnvironment env, QObject *parent)
    : SerialPortService(parent), m_env(std::move(env))
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortService::dataReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPortService::onError);
}

QString QtSerialPortService::deviceOf(const PortDescription &port) const
{
    return port.devicePath(m_env);
}

bool QtSerialPortService::lockDevice(const QString &device)
{
    // A descriptor of our own, held while the port is open, carries the
    // lock, taken before QSerialPort touches the line settings of a device
    // someone else may be using.
    m_lockFd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_lockFd < 0) {
        switch (errno) {
        case ENOENT:
        case ENODEV:
            m_openError = OpenError::NoSuchPort;
            break;
        case EACCES:
        case EPERM:
            m_openError = OpenError::PermissionDenied;
            break;
        case EBUSY:
            m_openError = OpenError::Busy;
            break;
        default:
            m_openError = OpenError::Other;
        }
        return false;
    }
    // Where the file system takes no locks, QSerialPort's lock file is all
    // there is.
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        m_openError = OpenError::Busy;
        unlockDevice();
        return false;
    }
    return true;
}

void QtSerialPortService::unlockDevice()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

bool QtSerialPortService::open()
{
    if (m_port.isOpen())
        return true;
    const QString device = deviceOf(m_description);
    m_openError = OpenError::None;
    if (device.isEmpty()) {
        m_openError = OpenError::NoSuchPort;
        return false;
    }
    // The device itself, whatever name reaches it (a /dev/serial/by-id link,
    // a port number set to a link to another port's device): QSerialPort's
    // lock file is named after the device file, and the device is locked
    // (flock, which every name of it shares) for as long as the port is
    // open, so that no two programs hold one device whatever their lock
    // folders.
    const QString real = QFileInfo(device).canonicalFilePath();
    const QString target = real.isEmpty() ? device : real;
    if (!lockDevice(target))
        return false;
    m_port.setPortName(target);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QFileInfo file(target);
        m_openError = classifyOpenFailure(m_port.error(), file.exists(), file.isWritable());
        m_port.clearError();
        unlockDevice();
        return false;
    }
    m_port.setBaudRate(m_baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(m_softwareFlow ? QSerialPort::SoftwareControl
                                         : QSerialPort::NoFlowControl);
    return true;
}

void QtSerialPortService::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    unlockDevice();
}

bool QtSerialPortService::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPortService::setBaudRate(int baud)
{
    if (baud <= 0)
        return;
    m_baud = baud;
    if (m_port.isOpen())
        m_port.setBaudRate(baud);
}

void QtSerialPortService::setSoftwareFlowControl(bool on)
{
    m_softwareFlow = on;
    if (m_port.isOpen())
        m_port.setFlowControl(on ? QSerialPort::SoftwareControl : QSerialPort::NoFlowControl);
}

bool QtSerialPortService::outputSuspended() const
{
    if (!m_port.isOpen())
        return false;
    // Bytes still in Qt's buffer or the driver's queue a whole slot after
    // they were written: the line's flow control holds them.
    int queued = 0;
    if (::ioctl(m_port.handle(), TIOCOUTQ, &queued) != 0)
        queued = 0;
    return queued > 0 || m_port.bytesToWrite() > 0;
}

void QtSerialPortService::resumeOutput()
{
    if (!m_port.isOpen())
        return;
    const int fd = m_port.handle();
    ::tcflow(fd, TCOON);
    // Output stopped by a received XOFF restarts only when XON arrives or
    // when input flow control is switched off: switch it off and on again.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0 && (tio.c_iflag & IXON)) {
        tio.c_iflag &= ~tcflag_t(IXON);
        ::tcsetattr(fd, TCSANOW, &tio);
        tio.c_iflag |= IXON;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    // Hand on at once what Qt still holds.
    m_port.flush();
}

QByteArray QtSerialPortService::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void QtSerialPortService::write(const QByteArray &frame)
{
    if (!m_port.isOpen())
        return;
    // A request is a few bytes that the driver takes at once: handed to it
    // directly, they go out without the port's write notifier being switched
    // on and off, which would wake the event loop twice for every request.
    // What the driver does not take, or anything Qt still holds, goes
    // through the port's own buffer behind it, in order; a failing write
    // is left to the port too, which reports it.
    qsizetype written = 0;
    if (m_port.bytesToWrite() == 0) {
        const ssize_t n = ::write(m_port.handle(), frame.constData(), size_t(frame.size()));
        if (n > 0)
            written = n;
    }
    if (written < frame.size())
        m_port.write(frame.mid(written));
}

void QtSerialPortService::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port.isOpen())
        return;
    m_port.close();
    m_port.clearError();
    unlockDevice();
}
