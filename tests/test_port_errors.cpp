#include "app/colors.h"
#include "link/qtserialport.h"
#include "support/formfixture.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

// "СТАРТ" that cannot open its port leaves the program stopped and says why,
// naming the port, in red in the link status line.
class PortErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void startFailures_data();
    void startFailures();
    void missingDeviceThroughQSerialPort();
    void openFailureReasons_data();
    void openFailureReasons();
    void deviceWithoutPermission();
};

void PortErrorsTest::startFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("no port chosen") << u"none"_s << u"Не выбран COM-порт."_s;
    QTest::newRow("busy") << u"busy"_s
                          << u"COM-порт 1 (/fake/tty1): порт занят другой программой."_s;
    QTest::newRow("permission") << u"denied"_s
                                << u"COM-порт 1 (/fake/tty1): нет прав доступа (группа dialout)."_s;
    QTest::newRow("gone since the scan")
        << u"gone"_s << u"COM-порт 1 (/fake/tty1): порт не найден."_s;
}

void PortErrorsTest::startFailures()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    FormFixture f({1});
    Form1 &w = *f.form;
    if (failure != u"none"_s)
        w.Combo3->setCurrentIndex(0);
    f.port.openable.clear();
    if (failure == u"busy"_s)
        f.port.busy = {1};
    else if (failure == u"denied"_s)
        f.port.denied = {1};

    w.startExchange();

    QCOMPARE(w.Label6->text(), message);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Red);
    QVERIFY(w.Command4->isEnabled());
    QVERIFY(!w.Command3->isEnabled());
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(w.Combo3->isEnabled());
    QVERIFY(f.journalListItems().isEmpty());
    QCOMPARE(w.state().CntComOutBuf, 0);

    // Once the port can be opened, "СТАРТ" works.
    f.port.busy.clear();
    f.port.denied.clear();
    f.port.openable = {1};
    w.Combo3->setCurrentIndex(0);
    w.startExchange();
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(w.Timer1->isActive());
}

void PortErrorsTest::missingDeviceThroughQSerialPort()
{
    QTemporaryDir dir;
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(u"VERKAN_COM%1"_s.arg(n), dir.filePath(u"missing%1"_s.arg(n)));
    QtSerialPortService port(env);
    port.setPortNumber(3);
    QVERIFY(!port.open());
    QCOMPARE(port.lastOpenError(), SerialPortService::OpenError::NoSuchPort);
    QCOMPARE(port.deviceOf(3), dir.filePath(u"missing3"_s));
    port.close();  // closing a closed port is harmless
    port.write("$010b010c\r");
    QVERIFY(!port.isOpen());
}

void PortErrorsTest::openFailureReasons_data()
{
    using E = SerialPortService::OpenError;
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<int>("reason");
    QTest::newRow("not found") << int(QSerialPort::DeviceNotFoundError) << false << false
                               << int(E::NoSuchPort);
    QTest::newRow("no permission")
        << int(QSerialPort::PermissionError) << true << false << int(E::PermissionDenied);
    QTest::newRow("held by another program")
        << int(QSerialPort::PermissionError) << true << true << int(E::Busy);
    QTest::newRow("permission error on a vanished device")
        << int(QSerialPort::PermissionError) << false << false << int(E::NoSuchPort);
    QTest::newRow("other") << int(QSerialPort::OpenError) << true << true << int(E::Other);
}

void PortErrorsTest::openFailureReasons()
{
    QFETCH(int, error);
    QFETCH(bool, exists);
    QFETCH(bool, writable);
    QFETCH(int, reason);
    QCOMPARE(int(classifyOpenFailure(QSerialPort::SerialPortError(error), exists, writable)),
             reason);
}

void PortErrorsTest::deviceWithoutPermission()
{
    if (geteuid() == 0)
        QSKIP("root may open any device; run as an ordinary user to check this case");
    QTemporaryDir dir;
    const QString device = dir.filePath(u"tty"_s);
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
    QProcessEnvironment env;
    env.insert(u"VERKAN_COM1"_s, device);
    QtSerialPortService port(env);
    port.setPortNumber(1);
    QVERIFY(!port.open());
    QCOMPARE(port.lastOpenError(), SerialPortService::OpenError::PermissionDenied);
}

QTEST_MAIN(PortErrorsTest)
#include "test_port_errors.moc"
