// The named network ports: stored, read back without what could not have been saved, checked as
// typed; the window's menu item, port list, "СТАРТ" on a named port and "Найти извещатель".
#include "app/mainwindow.h"
#include "app/networkports.h"
#include "link/exchange.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList shown(const QList<NamedPort> &ports)
{
    QStringList out;
    for (const NamedPort &named : ports)
        out << named.name + u'=' + named.port.toString();
    return out;
}

// An INI array as QSettings writes it, from "name|port" entries.
QString iniArray(const QStringList &entries)
{
    QString text = u"[networkPorts]\n"_s;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QStringList parts = entries.at(i).split(u'|');
        text += u"%1\\name=%2\n%1\\port=%3\n"_s.arg(i + 1).arg(parts.at(0), parts.value(1));
    }
    return text + u"size=%1\n"_s.arg(entries.size());
}

const QString kNotAServer =
    u"Строка 1: нужен порт сервера: tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ."_s;

// The port list's entries with their tool tips.
QStringList listed(const WindowFixture &w)
{
    QStringList out;
    auto *ports = w.find<QComboBox>("Combo3");
    for (int i = 0; i < ports->count(); ++i)
        out << ports->itemText(i) + u' ' + ports->itemData(i, Qt::ToolTipRole).toString();
    return out;
}

}  // namespace

class TestNetworkPorts : public QObject {
    Q_OBJECT
private slots:
    void loadSkipsWhatCouldNotHaveBeenSaved_data()
    {
        QTest::addColumn<QStringList>("stored");  // "name|port"
        QTest::addColumn<QStringList>("loaded");  // "name=port"
        QTest::newRow("nothing") << QStringList{} << QStringList{};
        QTest::newRow("both kinds, names trimmed")
            << QStringList{u" Шкаф 2 |rfc2217://192.168.1.50:4001"_s,
                           u"Склад|TCP://Host.Example:7000"_s}
            << QStringList{u"Шкаф 2=rfc2217://192.168.1.50:4001"_s,
                           u"Склад=tcp://host.example:7000"_s};
        QTest::newRow("unreadable port")
            << QStringList{u"A|rfc2217://"_s, u"B|tcp://h:1"_s} << QStringList{u"B=tcp://h:1"_s};
        QTest::newRow("local ports") << QStringList{u"A|3"_s, u"B|/dev/ttyUSB0"_s, u"C|tcp://h:1"_s}
                                     << QStringList{u"C=tcp://h:1"_s};
        QTest::newRow("empty name")
            << QStringList{u"  |tcp://h:1"_s, u"B|tcp://h:2"_s} << QStringList{u"B=tcp://h:2"_s};
        QTest::newRow("repeated name, first kept")
            << QStringList{u"Шкаф|tcp://h:1"_s, u"шкаф|tcp://h:2"_s}
            << QStringList{u"Шкаф=tcp://h:1"_s};
        QTest::newRow("a number for a name") << QStringList{u"3|tcp://h:1"_s} << QStringList{};
        QTest::newRow("no port") << QStringList{u"A"_s} << QStringList{};
        QStringList stored, loaded;
        for (int i = 1; i <= NetworkPorts::kMaxPorts + 3; ++i) {
            stored << u"P%1|tcp://h:%1"_s.arg(i);
            if (i <= NetworkPorts::kMaxPorts)
                loaded << u"P%1=tcp://h:%1"_s.arg(i);
        }
        QTest::newRow("at most the limit") << stored << loaded;
    }
    void loadSkipsWhatCouldNotHaveBeenSaved()
    {
        QFETCH(QStringList, stored);
        auto settings = settingsStore(m_dir, iniArray(stored));
        QVERIFY(settings);
        QTEST(shown(NetworkPorts::load(settings.get())), "loaded");
    }

    // Saving replaces the stored list; no store, no ports.
    void saveThenLoad()
    {
        auto settings =
            settingsStore(m_dir, iniArray({u"Old|tcp://old:1"_s, u"Older|tcp://old:2"_s}));
        QVERIFY(settings);
        NetworkPorts::save(settings.get(),
                           {{u"Шкаф 2"_s, *PortDescription::parse(u"rfc2217://[::1]:4001"_s)}});
        settings->sync();
        QSettings again(settings->fileName(), QSettings::IniFormat);
        QCOMPARE(shown(NetworkPorts::load(&again)), QStringList{u"Шкаф 2=rfc2217://[::1]:4001"_s});
        QCOMPARE(NetworkPorts::load(nullptr).size(), 0);
    }

    void rowsChecked_data()
    {
        QTest::addColumn<QStringList>("rows");  // "name|port"
        QTest::addColumn<QString>("problem");   // empty: saved
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("two") << QStringList{u"A|tcp://h:1"_s, u"B|rfc2217://10.0.0.5:4001"_s}
                             << QString();
        QTest::newRow("second without name")
            << QStringList{u"A|tcp://h:1"_s, u" |tcp://h:2"_s} << u"Строка 2: нет имени."_s;
        QTest::newRow("repeated name")
            << QStringList{u"A|tcp://h:1"_s, u"a|tcp://h:2"_s} << u"Строка 2: имя «a» уже есть."_s;
        QTest::newRow("COM number") << QStringList{u"A|3"_s} << kNotAServer;
        QTest::newRow("unknown scheme")
            << QStringList{u"A|http://h:1"_s}
            << u"Строка 1: неизвестная схема \"http://\": ожидается tcp:// или rfc2217://."_s;
        QTest::newRow("no port given") << QStringList{u"A|"_s} << u"Строка 1: порт не указан."_s;
        QStringList tooMany;
        for (int i = 0; i <= NetworkPorts::kMaxPorts; ++i)
            tooMany << u"P%1|tcp://h:1"_s.arg(i);
        QTest::newRow("too many") << tooMany << u"Не больше 32 сетевых портов."_s;
    }
    void rowsChecked()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, problem);
        QList<NetworkPorts::Row> typed;
        for (const QString &row : rows)
            typed.append({row.section(u'|', 0, 0), row.section(u'|', 1)});
        QList<NamedPort> ports;
        QString why;
        QCOMPARE(NetworkPorts::check(typed, &ports, &why), problem.isEmpty());
        QCOMPARE(why, problem);
        QCOMPARE(ports.size(), problem.isEmpty() ? rows.size() : 0);
    }

    // The dialog refuses a bad row with the check's reason, then saves the mended rows into the
    // port list and the store, never opening them.
    void menuItemSavesPortsIntoThePortList()
    {
        WindowFixture w({1, 2}, QString());
        QCOMPARE(listed(w), (QStringList{u"1 /fake/tty1"_s, u"2 /fake/tty2"_s}));
        w.find<QAction>("networkPortsAction")->trigger();
        auto *dialog = w.find<QDialog>("networkPortsDialog");
        QVERIFY(dialog && dialog->isVisible());
        auto *table = dialog->findChild<QTableWidget *>(u"networkPortsTable"_s);
        auto *ok = dialog->findChild<QDialogButtonBox *>(u"networkPortsButtons"_s)
                       ->button(QDialogButtonBox::Ok);
        auto *problem = dialog->findChild<QLabel *>(u"networkPortsProblem"_s);
        for (const QString &row : {u"Шкаф 2|3"_s, u"Склад|tcp://10.0.0.5:7000"_s}) {
            dialog->findChild<QPushButton *>(u"addNetworkPortButton"_s)->click();
            const int at = table->rowCount() - 1;
            table->closePersistentEditor(table->item(at, 0));
            table->item(at, 0)->setText(row.section(u'|', 0, 0));
            table->item(at, 1)->setText(row.section(u'|', 1));
        }
        QCOMPARE(problem->text(), kNotAServer);
        QVERIFY(problem->isVisible() && !ok->isEnabled());
        dialog->accept();  // Enter, whatever the button's state
        QVERIFY(dialog->isVisible());
        QCOMPARE(listed(w).size(), 2);
        table->item(0, 1)->setText(u"rfc2217://192.168.1.50:4001"_s);
        QVERIFY(problem->isHidden() && ok->isEnabled());
        ok->click();
        QCOMPARE(listed(w), (QStringList{u"1 /fake/tty1"_s, u"2 /fake/tty2"_s,
                                         u"Шкаф 2 rfc2217://192.168.1.50:4001"_s,
                                         u"Склад tcp://10.0.0.5:7000"_s}));
        QVERIFY(!w.port.openAttempts.contains(0));
        w.settings->sync();
        QSettings again(w.settings->fileName(), QSettings::IniFormat);
        QCOMPARE(NetworkPorts::load(&again).size(), 2);
    }

    // "СТАРТ" opens the named server; its failure is shown by the server's name and the named
    // port is remembered; a raw TCP port's caption under the chart.
    void startOnANamedServer()
    {
        WindowFixture w({1, 2}, iniArray({u"Шкаф 2|rfc2217://192.168.1.50:4001"_s,
                                          u"Склад|tcp://10.0.0.5:7000"_s}));
        w.port.openable << 0;  // the fake's number for every network port
        w.port.opensLater = true;
        Exchange &exchange = w.exchange();
        w.startOn(u"Шкаф 2"_s);
        QCOMPARE(w.port.port(), *PortDescription::parse(u"rfc2217://192.168.1.50:4001"_s));
        w.port.failOpen(SerialPortService::OpenError::ServerRefused);
        QTRY_VERIFY(!exchange.isRunning());
        auto *status = w.find<QLabel>("Label6");
        QVERIFY2(status->text().startsWith(u"192.168.1.50:4001 (RFC 2217): "_s),
                 qPrintable(status->text()));
        QCOMPARE(w.settings->value(u"connection/port"_s).toString(),
                 u"rfc2217://192.168.1.50:4001"_s);
        w.port.opensLater = false;
        w.startOn(u"Склад"_s);
        QVERIFY(exchange.isRunning());
        emit exchange.speedFound(9600);
        QCOMPARE(w.find<QLabel>("Label24")->text(), u"10.0.0.5 TCP"_s);
    }

    void searchedByFindDetector()
    {
        WindowFixture w({1, 2}, iniArray({u"Шкаф 2|rfc2217://192.168.1.50:4001"_s}));
        w.port.openable << 0;
        w.find<QAction>("findAction")->trigger();
        auto *ports = w.find<QComboBox>("portBox");
        QVERIFY(ports);
        QCOMPARE(ports->count(), 3);
        QCOMPARE(ports->itemText(2), u"Шкаф 2"_s);
        ports->setCurrentIndex(2);
        w.find<QPushButton>("searchButton")->click();
        QCOMPARE(w.port.port(), *PortDescription::parse(u"rfc2217://192.168.1.50:4001"_s));
        QVERIFY(w.port.isOpen());
        w.find<QPushButton>("closeButton")->click();  // "Отмена"
        QVERIFY(!w.port.isOpen());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestNetworkPorts)
#include "test_networkports.moc"
