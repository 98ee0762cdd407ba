// "Блок → Наблюдение за линией…": the line view's wiring, against several
// simulated detectors on one line. The watch, the states and the journal
// lines have tests of their own (test_linewatch, test_journal).
#include "app/linetablemodel.h"
#include "app/lineview.h"
#include "app/mainwindow.h"
#include "app/updown.h"
#include "base/colors.h"
#include "link/exchange.h"
#include "link/linewatch.h"
#include "link/qtserialport.h"
#include "monitor/linestates.h"
#include "mqtt/linepublisher.h"
#include "support/fakeserialport.h"
#include "support/formfixture.h"
#include "support/simdetector.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The main window with its journal in `dir`, the operator "tester", and the
// line view opened from the menu. Each file asked for is the next of `files`.
struct Watch {
    Watch(SerialPortService &port, const QTemporaryDir &dir, QSettings *settings = nullptr)
        : journalPath(dir.filePath(u"Jurnal.txt"_s))
    {
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = journalPath;
        deps.alarm = &alarm;
        deps.settings = settings;
        window = std::make_unique<MainWindow>(
            deps,
            [this](const FileRequest &) { return files.isEmpty() ? QString() : files.takeFirst(); },
            [] { return QRect(0, 0, 1920, 1040); });
        window->setOperatorName([] { return u"tester"_s; });
        window->show();
        window->findChild<QAction *>(u"lineWatchAction"_s)->trigger();
        view = window->findChild<LineView *>();
    }
    template <typename T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QTableView *table() const { return find<QTableView>("lineTable"); }
    QModelIndex cell(int row, int column) const { return table()->model()->index(row, column); }
    QString text(int row, int column) const { return cell(row, column).data().toString(); }
    QColor background(int row, int column) const
    {
        return cell(row, column).data(Qt::BackgroundRole).value<QColor>();
    }
    bool toneOn() const { return find<QTimer>("lineToneTimer")->isActive(); }
    QString journal() const
    {
        QFile file(journalPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Watches `addresses` on COM port 1 until each has answered.
    bool start(const QString &addresses, int detectors)
    {
        auto *ports = find<QComboBox>("linePortBox");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        find<QLineEdit>("lineAddresses")->setText(addresses);
        find<QPushButton>("lineStartButton")->click();
        return QTest::qWaitFor(
            [&] {
                for (int row = 0; row < detectors; ++row)
                    if (text(row, LineTableModel::Link) != u"На связи"_s)
                        return false;
                return true;
            },
            20000);
    }

    // Starts watching `addresses` on COM port 1, answered or not.
    void startOn1(const QString &addresses)
    {
        auto *ports = find<QComboBox>("linePortBox");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        find<QLineEdit>("lineAddresses")->setText(addresses);
        find<QPushButton>("lineStartButton")->click();
    }
    QString mqtt(const char *field) const { return find<QLineEdit>(field)->text(); }
    void setMqtt(const char *field, const QString &text) const
    {
        find<QLineEdit>(field)->setText(text);
    }

    QString journalPath;
    QStringList files;
    CountingAlarm alarm;
    std::unique_ptr<MainWindow> window;
    LineView *view = nullptr;
};

}  // namespace

class TestLineView : public QObject {
    Q_OBJECT
private slots:
    void alarmAcknowledgedAndDetectorHandedOver()
    {
        QTemporaryDir dir;
        SimDetector sim(QStringLiteral(VERKAN_SIM_PATH), dir,
                        {u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        QtSerialPortService port(sim.portEnvironment());
        Watch watch(port, dir);
        QVERIFY(watch.view && watch.view->isVisible());
        QVERIFY(watch.start(u"1-3"_s, 3));
        QVERIFY(watch.journal().contains(u"Наблюдение за линией.   Порт: 1     Адреса: 1-3"_s));
        QVERIFY(!watch.toneOn());
        // The main window's search cannot take the port meanwhile.
        QVERIFY(!watch.find<QAction>("findAction")->isEnabled());

        sim.command(u"2 flank 1 alarm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(watch.text(1, LineTableModel::Flank1), u"Тревога"_s, 10000);
        QCOMPARE(watch.background(1, LineTableModel::Flank1), colorFromBgr(bgr::Red));
        QCOMPARE(watch.background(1, LineTableModel::Address), colorFromBgr(bgr::Red));
        QVERIFY(watch.toneOn());
        QVERIFY(watch.alarm.restarts >= 1);

        // A lost link is marked too, and needs no tone.
        sim.command(u"3 silence on"_s);
        QTRY_COMPARE_WITH_TIMEOUT(watch.text(2, LineTableModel::Link), u"Нет связи"_s, 10000);
        QCOMPARE(watch.background(2, LineTableModel::Link), colorFromBgr(bgr::Red));

        // Enter on the row acknowledges it: the mark and the tone end, the
        // alarm's state stays shown.
        QTableView *table = watch.table();
        table->setCurrentIndex(watch.cell(1, 0));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QVERIFY(!watch.background(1, LineTableModel::Address).isValid());
        QCOMPARE(watch.text(1, LineTableModel::Flank1), u"Тревога"_s);
        QVERIFY(!watch.toneOn());
        QVERIFY(watch.journal().contains(u"Блок 2: Квитировано, оператор tester"_s));
        QCOMPARE(watch.background(2, LineTableModel::Address), colorFromBgr(bgr::Red));

        // The remote test goes to the chosen detector between the polls; the
        // silent one cannot be tested.
        table->setCurrentIndex(watch.cell(2, 0));
        QVERIFY(!watch.find<QPushButton>("lineRemoteTestButton")->isEnabled());
        table->setCurrentIndex(watch.cell(0, 0));
        watch.find<QPushButton>("lineRemoteTestButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(watch.text(0, LineTableModel::Flank2), u"Тревога"_s, 10000);
        QCOMPARE(watch.text(1, LineTableModel::Flank2), u"Норма"_s);

        // A double click hands the detector to the main window and ends the watch.
        const QRect row = table->visualRect(watch.cell(0, LineTableModel::Flank2));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row.center());
        QVERIFY(!watch.view->isWatching());
        QVERIFY(watch.journal().contains(u"Наблюдение за линией: стоп"_s));
        QCOMPARE(watch.find<QComboBox>("Combo3")->currentText(), u"1"_s);
        QCOMPARE(watch.find<UpDown>("UpDown1")->Value(), 1);
        QVERIFY(!watch.window->form().exchange().isRunning());
    }

    void mainStartEndsTheWatch()
    {
        QTemporaryDir dir;
        SimDetector sim(QStringLiteral(VERKAN_SIM_PATH), dir,
                        {u"--addresses"_s, u"1-2"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        QtSerialPortService port(sim.portEnvironment());
        Watch watch(port, dir);
        QVERIFY(watch.start(u"1-2"_s, 2));
        auto *ports = watch.find<QComboBox>("Combo3");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        watch.find<QPushButton>("Command4")->click();
        QVERIFY(!watch.view->isWatching());
        QVERIFY(watch.window->form().exchange().isRunning());
        QVERIFY(!watch.find<QPushButton>("lineStartButton")->isEnabled());
        QVERIFY(!watch.window->findChild<QAction *>(u"lineWatchAction"_s)->isEnabled());
        watch.find<QPushButton>("Command3")->click();
        QVERIFY(watch.find<QPushButton>("lineStartButton")->isEnabled());
    }

    void searchFillsTheAddresses()
    {
        QTemporaryDir dir;
        SimDetector sim(QStringLiteral(VERKAN_SIM_PATH), dir,
                        {u"--addresses"_s, u"2,5"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        QtSerialPortService port(sim.portEnvironment());
        Watch watch(port, dir);
        auto *ports = watch.find<QComboBox>("linePortBox");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        auto *find = watch.find<QPushButton>("lineFindButton");
        find->click();
        QVERIFY(!watch.find<QPushButton>("lineStartButton")->isEnabled());
        QVERIFY(!watch.find<QAction>("findAction")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(watch.find<QLineEdit>("lineAddresses")->text(), u"2,5"_s, 30000);
        QVERIFY(watch.find<QPushButton>("lineStartButton")->isEnabled());
        QVERIFY(watch.find<QAction>("findAction")->isEnabled());
    }

    // What awaits acknowledgement is marked until acknowledged; the state's
    // own colour stays.
    void cellsMarkedUntilAcknowledged_data()
    {
        QTest::addColumn<QStringList>("events");  // on address 7: "flank1 CODE", "tamper 0|1",
                                                  // "link 0|1", "ack"
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("background");  // invalid: the table's own
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<bool>("marked");  // the address on red
        const QColor none;
        const QColor red = colorFromBgr(bgr::Red);
        const QColor white = colorFromBgr(bgr::White);
        const QColor black = colorFromBgr(bgr::Black);
        QTest::newRow("fault") << QStringList{u"flank1 4"_s} << int(LineTableModel::Flank1)
                               << u"Неисправность Обрыв кабеля"_s << colorFromBgr(bgr::Yellow)
                               << black << false;
        QTest::newRow("alarm over")
            << QStringList{u"flank1 1"_s, u"flank1 0"_s} << int(LineTableModel::Flank1)
            << u"Норма"_s << colorFromBgr(bgr::Green) << black << true;
        QTest::newRow("tamper open") << QStringList{u"tamper 1"_s} << int(LineTableModel::Tamper)
                                     << u"Разомкнут"_s << red << white << true;
        QTest::newRow("tamper open, acknowledged")
            << QStringList{u"tamper 1"_s, u"ack"_s} << int(LineTableModel::Tamper) << u"Разомкнут"_s
            << none << red << false;
        QTest::newRow("tamper closed") << QStringList{u"tamper 0"_s} << int(LineTableModel::Tamper)
                                       << u"Замкнут"_s << none << QColor() << false;
        QTest::newRow("link lost, acknowledged")
            << QStringList{u"link 0"_s, u"ack"_s} << int(LineTableModel::Link) << u"Нет связи"_s
            << none << red << false;
        QTest::newRow("link back, not acknowledged")
            << QStringList{u"link 0"_s, u"link 1"_s} << int(LineTableModel::Link) << u"На связи"_s
            << red << white << true;
    }
    void cellsMarkedUntilAcknowledged()
    {
        QFETCH(QStringList, events);
        QFETCH(int, column);
        FakeSerialPort port;
        LineWatch watch(port);
        LineStates states(watch);
        LineTableModel model(states);
        model.reset({7}, 19200);
        for (const QString &event : events) {
            const QStringList words = event.split(u' ');
            const int value = words.value(1).toInt();
            if (words[0] == u"flank1"_s)
                emit watch.flankState(7, 1, value);
            else if (words[0] == u"tamper"_s)
                emit watch.tamper(7, value == 1);
            else if (words[0] == u"link"_s)
                emit watch.link(7, value == 1);
            else
                states.acknowledge(7, u"tester"_s);
        }
        const QModelIndex cell = model.index(0, column);
        QTEST(cell.data().toString(), "text");
        QTEST(cell.data(Qt::BackgroundRole).value<QColor>(), "background");
        QTEST(cell.data(Qt::ForegroundRole).value<QColor>(), "foreground");
        QTEST(model.index(0, LineTableModel::Address).data(Qt::BackgroundRole).isValid(), "marked");
    }

    // The MQTT fields come from the user's settings and go back there; the
    // publisher runs beside the watch, on a broker where nothing listens,
    // and ends with it.
    void mqttRememberedAndPublishedWithTheWatch()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"verkan-r.conf"_s);
        const QString password = dir.filePath(u"password"_s);
        const QString chosenPassword = dir.filePath(u"chosen-password"_s);
        for (const QString &path : {password, chosenPassword}) {
            QFile secret(path);
            QVERIFY(secret.open(QIODevice::WriteOnly));
            secret.write("secret\n");
        }
        {
            QFile ini(file);
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(u"[lineView]\nmqtt\\enabled=true\nmqtt\\broker=old.example:1884\n"
                      "mqtt\\line=north\nmqtt\\prefix=yard\nmqtt\\user=guard\n"
                      "mqtt\\passwordFile=%1\nmqtt\\caFile=/nonexistent/ca.pem\n"_s.arg(password)
                          .toUtf8());
        }
        QSettings settings(file, QSettings::IniFormat);
        FakeSerialPort port;
        port.openable = {1};
        Watch watch(port, dir, &settings);
        auto *group = watch.find<QGroupBox>("mqttGroup");
        QVERIFY(group->isChecked());
        QCOMPARE(watch.mqtt("mqttBroker"), u"old.example:1884"_s);
        QCOMPARE(watch.mqtt("mqttLine"), u"north"_s);
        QCOMPARE(watch.mqtt("mqttPrefix"), u"yard"_s);
        QCOMPARE(watch.mqtt("mqttUser"), u"guard"_s);
        QCOMPARE(watch.mqtt("mqttPasswordFile"), password);
        QCOMPARE(watch.mqtt("mqttCaFile"), u"/nonexistent/ca.pem"_s);

        QTcpServer free;
        QVERIFY(free.listen(QHostAddress::LocalHost));
        const QString broker = u"127.0.0.1:%1"_s.arg(free.serverPort());
        free.close();
        watch.setMqtt("mqttBroker", broker);
        watch.setMqtt("mqttCaFile", QString());
        watch.files = {chosenPassword};
        watch.find<QAbstractButton>("mqttPasswordFileButton")->click();
        QCOMPARE(watch.mqtt("mqttPasswordFile"), chosenPassword);
        watch.startOn1(u"1-2"_s);
        QVERIFY(watch.view->isWatching());
        QVERIFY(!watch.find<QLineEdit>("mqttBroker")->isEnabled());
        QVERIFY(!group->isEnabled());
        auto *status = watch.find<QLabel>("mqttStatus");
        QVERIFY(watch.view->findChild<LinePublisher *>());
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(u"Брокер MQTT: нет связи."_s), 10000);
        QVERIFY2(status->text().contains(broker), qPrintable(status->text()));
        settings.sync();
        const QSettings kept(file, QSettings::IniFormat);
        QCOMPARE(kept.value(u"lineView/mqtt/enabled"_s).toBool(), true);
        QCOMPARE(kept.value(u"lineView/mqtt/broker"_s).toString(), broker);
        QCOMPARE(kept.value(u"lineView/mqtt/line"_s).toString(), u"north"_s);
        QCOMPARE(kept.value(u"lineView/mqtt/passwordFile"_s).toString(), chosenPassword);
        QCOMPARE(kept.value(u"lineView/mqtt/caFile"_s).toString(), QString());

        watch.find<QPushButton>("lineStopButton")->click();
        QVERIFY(!watch.view->isWatching());
        QTRY_VERIFY_WITH_TIMEOUT(!watch.view->findChild<LinePublisher *>(), 10000);
        QVERIFY2(status->text().startsWith(u"Публикация в MQTT остановлена."_s),
                 qPrintable(status->text()));
        QVERIFY(watch.find<QLineEdit>("mqttBroker")->isEnabled());
    }

    // Settings the publisher cannot use keep the watch from starting, and
    // the window says why.
    void mqttProblemStopsTheStart_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");  // a part of the window's status
        QTest::newRow("broker port") << QByteArray("mqttBroker") << u"localhost:99999"_s
                                     << u"MQTT: порт брокера не число 1–65535: 99999"_s;
        QTest::newRow("no broker")
            << QByteArray("mqttBroker") << u" "_s << u"MQTT: не задан адрес брокера"_s;
        QTest::newRow("prefix") << QByteArray("mqttPrefix") << u"a/b"_s << u"«a/b»"_s;
        QTest::newRow("line") << QByteArray("mqttLine") << u"north gate"_s << u"«north gate»"_s;
        QTest::newRow("password file") << QByteArray("mqttPasswordFile")
                                       << u"/nonexistent/password"_s << u"/nonexistent/password"_s;
    }
    void mqttProblemStopsTheStart()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        FakeSerialPort port;
        port.openable = {1};
        Watch watch(port, dir);
        watch.find<QGroupBox>("mqttGroup")->setChecked(true);
        watch.setMqtt("mqttBroker", u"localhost"_s);
        watch.setMqtt("mqttUser", u"guard"_s);
        watch.setMqtt(field.constData(), text);
        // The port list was probed when the window opened; the start does not
        // touch the port.
        const qsizetype attempts = port.openAttempts.size();
        watch.startOn1(u"1"_s);
        QVERIFY(!watch.view->isWatching());
        QCOMPARE(port.openAttempts.size(), attempts);
        const QString status = watch.find<QLabel>("lineStatus")->text();
        QVERIFY2(status.contains(reason), qPrintable(status));
        QVERIFY(!watch.view->findChild<LinePublisher *>());
    }

    void addressListCheckedAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("problem");
        QTest::newRow("list") << u"1-16,20"_s << QString();
        QTest::newRow("empty") << u" "_s << u"Укажите адреса, например 1-16,20."_s;
        QTest::newRow("beyond the bus")
            << u"1-129"_s << u"«1-129» — не адрес и не диапазон адресов от 0 до 128."_s;
        QTest::newRow("backwards")
            << u"1,9-3"_s << u"Диапазон «9-3» идёт от большего адреса к меньшему."_s;
        QTest::newRow("twice") << u"1-5,3"_s << u"Адрес 3 указан дважды."_s;
    }
    void addressListCheckedAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        FakeSerialPort port;
        port.openable = {1};
        Watch watch(port, dir);
        auto *ports = watch.find<QComboBox>("linePortBox");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        watch.find<QLineEdit>("lineAddresses")->setText(typed);
        const auto *error = watch.find<QLabel>("lineAddressError");
        QCOMPARE(error->text(), problem);
        QCOMPARE(error->isVisibleTo(watch.view), !problem.isEmpty());
        QCOMPARE(watch.find<QPushButton>("lineStartButton")->isEnabled(), problem.isEmpty());
    }
};

QTEST_MAIN(TestLineView)
#include "test_lineview.moc"
