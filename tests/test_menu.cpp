// The menu bar above the designed window: every action wired to the engine,
// against verkan-sim or, where nobody must answer, the fake line. Files are
// chosen by an injected chooser, so no desktop dialog opens.
#include "app/helpwindows.h"
#include "app/mainwindow.h"
#include "app/taskdialog.h"
#include "app/updown.h"
#include "diagram/signalchart.h"
#include "i18n/language.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "params/settingsfile.h"
#include "support/fakeserialport.h"
#include "support/formfixture.h"
#include "support/simdetector.h"
#include "tasks/recordtask.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Программа настройки ВЕРКАН-Р Ливерт"_s;

// The main window on a given line; each file it asks for is the next one of
// `files` (none left: the user cancels).
struct Menu {
    Menu(SerialPortService &port, const QTemporaryDir &dir, QSettings *settings = nullptr)
    {
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        deps.settings = settings;
        window = std::make_unique<MainWindow>(
            deps,
            [this](const FileRequest &request) {
                asked << request.caption;
                folders << request.folder;
                return files.isEmpty() ? QString() : files.takeFirst();
            },
            [] { return QRect(0, 0, 1920, 1040); });
        window->show();
    }
    template <typename T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    void trigger(const char *action) const { find<QAction>(action)->trigger(); }
    void click(const char *button) const { find<QPushButton>(button)->click(); }
    Exchange &exchange() const { return window->form().exchange(); }
    TaskDialog *task() const { return window->findChild<TaskDialog *>(); }
    QString said() const { return window->statusBar()->currentMessage(); }
    // The report's questions, open (one closed before may await deletion).
    QDialog *reportDetails() const
    {
        for (QDialog *dialog : window->findChildren<QDialog *>(u"reportDetailsDialog"_s))
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }
    QLineEdit *detail(const char *name) const
    {
        return reportDetails()->findChild<QLineEdit *>(QLatin1String(name));
    }
    bool answerReportDetails(const QString &site = {}, const QString &installer = {}) const
    {
        if (!reportDetails())
            return false;
        detail("siteEdit")->setText(site);
        detail("installerEdit")->setText(installer);
        reportDetails()->accept();
        return true;
    }
    // The text of the task dialog once its work has ended.
    QString taskEnded() const
    {
        if (!QTest::qWaitFor([this] { return task() && !task()->isWorking(); }, 20000))
            return u"still working"_s;
        return task()->findChild<QLabel *>(u"taskText"_s)->text();
    }
    // "СТАРТ" on port 1; true once the start-up sequence has ended.
    bool start() const
    {
        auto *ports = find<QComboBox>("Combo3");
        ports->setCurrentIndex(ports->findText(u"1"_s));
        click("Command4");
        return QTest::qWaitFor(
            [this] {
                return exchange().scheduler().startupSlotsLeft() == 0 &&
                       find<QAction>("saveSettingsAction")->isEnabled();
            },
            20000);
    }

    QStringList files;
    QStringList asked;
    QStringList folders;  // where each request asked to look first
    std::unique_ptr<MainWindow> window;
};

// The window with port 1 on a simulated detector.
struct OnSim {
    explicit OnSim(const QTemporaryDir &dir, const QStringList &options = {})
        : sim(QStringLiteral(VERKAN_SIM_PATH), dir, options), port(sim.portEnvironment()),
          menu(port, dir)
    {
    }
    bool started() { return sim.ready() && menu.start(); }
    SimDetector sim;
    QtSerialPortService port;
    Menu menu;
};

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList listed(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

}  // namespace

class TestMenu : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_folder;
    // Each test's own folder: the journal, the terminal's link, the files.
    const QTemporaryDir &dir() const { return *m_folder; }
private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    void designedAreaUnchanged()
    {
        FakeSerialPort port;
        Menu menu(port, dir());
        QVERIFY(QTest::qWaitForWindowActive(menu.window.get()));
        const int menuHeight = menu.window->menuBar()->height();
        Form1 &form = menu.window->form();
        QCOMPARE(QRect(form.mapTo(menu.window.get(), QPoint(0, 0)), form.size()),
                 QRect(0, menuHeight, 994, 632));
        // The status bar below the designed area, empty at the start.
        const auto *status = menu.window->findChild<QStatusBar *>();
        QVERIFY(status && status->isVisible());
        QCOMPARE(status->geometry(), QRect(0, menuHeight + 632, 994, status->height()));
        QCOMPARE(menu.window->size(), QSize(994, menuHeight + 632 + status->height()));
        QCOMPARE(menu.window->maximumSize(), menu.window->size());
        QCOMPARE(menu.said(), QString());
        QCOMPARE(menu.window->windowTitle(), kTitle);
        QCOMPARE(QApplication::focusWidget(), menu.find<QWidget>("Combo3"));
        // Pixel for pixel the form without a menu, and no scroll bar covers it.
        FormFixture alone;
        const QImage designed = alone.form->grab().toImage();
        QCOMPARE(menu.window->grab(QRect(0, menuHeight, 994, 632)).toImage(), designed);
    }

    void mnemonicsAndShortcuts()
    {
        FakeSerialPort port;
        Menu menu(port, dir());
        // Every item has a letter of its own within its menu.
        const QList<QAction *> menus = menu.window->menuBar()->actions();
        for (const QList<QAction *> &items :
             {menus, menus[0]->menu()->actions(), menus[1]->menu()->actions(),
              menus[2]->menu()->actions()}) {
            QSet<QChar> letters;
            qsizetype named = 0;
            for (const QAction *item : items) {
                if (item->isSeparator())
                    continue;
                const qsizetype amp = item->text().indexOf(u'&');
                QVERIFY2(amp >= 0, qPrintable(item->text()));
                letters.insert(item->text().at(amp + 1).toLower());
                ++named;
            }
            QCOMPARE(letters.size(), named);
        }
        QVERIFY(QTest::qWaitForWindowActive(menu.window.get()));
        QTest::keyClick(menu.window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(menu.asked, QStringList{u"Сохранить диаграмму"_s});
        QTest::keyClick(menu.window.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!menu.window->isVisible());
    }

    void portListScannedWhenOpened()
    {
        // Opening the list rescans: a new adapter shows, a gone one takes the choice.
        FakeSerialPort port;
        port.openable = {1};
        Menu menu(port, dir());
        auto *ports = menu.find<QComboBox>("Combo3");
        ports->setCurrentIndex(0);
        const auto open = [&](QSet<int> openable) {
            port.openable = openable;
            ports->showPopup();
            ports->hidePopup();
            return listed(ports);
        };
        QCOMPARE(open({1, 4}), (QStringList{u"1"_s, u"4"_s}));
        QCOMPARE(ports->currentText(), u"1"_s);
        QCOMPARE(open({4}), QStringList{u"4"_s});
        QCOMPARE(ports->currentIndex(), -1);

        // A port the user may not open is named once; a later message stands.
        auto *status = menu.find<QLabel>("Label6");
        const auto rescan = [&](QSet<int> denied) {
            port.denied = denied;
            menu.window->form().rescanPorts();
            return status->text();
        };
        const QString hint =
            u"Нет прав доступа к /fake/tty2: добавьте пользователя в группу dialout и войдите в "
            "систему снова."_s;
        const QString noPort = u"Не выбран COM-порт."_s;
        QCOMPARE(rescan({2}), hint);
        menu.click("Command4");
        QCOMPARE(status->text(), noPort);
        QCOMPARE(rescan({2}), noPort);
        QCOMPARE(rescan({}), noPort);
        QCOMPARE(rescan({2}), hint);
        QCOMPARE(rescan({}), u" "_s);
    }

    void settingsSavedThenAppliedWithARefusal()
    {
        OnSim live(dir());
        QVERIFY(live.started());
        Menu &menu = live.menu;

        // Both flanks read into the file (the simulator's gains are 5 and 6).
        const QString saved = dir().filePath(u"saved.json"_s);
        menu.files = {saved};
        menu.trigger("saveSettingsAction");
        QVERIFY2(menu.taskEnded().startsWith(u"Настройки блока 1 записаны"_s),
                 qPrintable(menu.taskEnded()));
        QCOMPARE(menu.said(), u"Настройки блока сохранены: "_s + saved);
        menu.task()->close();
        QTRY_VERIFY(!menu.task());
        std::optional<SettingsProfile> profile =
            parseSettingsProfile(fileText(saved).toUtf8()).profile;
        QVERIFY(profile && profile->isComplete());
        QCOMPARE(profile->flanks[0][Setting::Gain], 5);
        QCOMPARE(profile->flanks[1][Setting::Gain], 6);
        QCOMPARE(menu.exchange().flank(), 1);

        // Two settings differ; the detector confirms another gain than written.
        profile->flanks[0][Setting::Gain] = 7;
        profile->flanks[1][Setting::Threshold] = 10;
        const QString wanted = dir().filePath(u"wanted.json"_s);
        QFile out(wanted);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(profile->toJson()) > 0);
        out.close();
        QCOMPARE(live.sim.command(u"oor 45 4"_s), QStringList{u"ok"_s});
        menu.files = {wanted};
        menu.trigger("applyProfileAction");
        QVERIFY(QTest::qWaitFor([&] { return menu.find<QPushButton>("writeButton"); }, 20000));
        auto *table = menu.find<QTableWidget>("settingsTable");
        auto red = [table](int row) {
            return table->item(row, 3)->foreground().color() == Qt::red;
        };
        const int gain1 = 1;       // flank 1, the second setting
        const int threshold2 = 9;  // flank 2, the third setting
        for (int row = 0; row < table->rowCount(); ++row)
            QCOMPARE(red(row), row == gain1 || row == threshold2);
        menu.click("writeButton");
        QVERIFY(menu.taskEnded().contains(u"Подтверждено блоком: 1 из 2"_s));
        QCOMPARE(table->item(gain1, 0)->checkState(), Qt::Unchecked);
        QVERIFY(red(gain1));
        QCOMPARE(table->item(gain1, 2)->text(), u"4"_s);
        QCOMPARE(table->item(threshold2, 0)->checkState(), Qt::Checked);
        QVERIFY(!red(threshold2));
        // Journalled under the flank written, and back on the flank of before.
        QVERIFY(
            fileText(dir().filePath(u"Jurnal.txt"_s)).contains(u"Фланг -2  Установлен порог -"_s));
        QTRY_COMPARE(menu.find<QComboBox>("Combo2")->currentText(), u"1"_s);
        QCOMPARE(menu.exchange().flank(), 1);
    }

    void fileFailuresNamed_data()
    {
        // One failure per way it is shown; the wording of each error is test_files'.
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("path");  // "%1": the test's folder
        QTest::addColumn<QString>("shown");
        QTest::newRow("settings saved into a folder")
            << QByteArray("saveSettingsAction") << u"%1"_s
            << u"%1: не удалось записать файл (это папка)"_s;
        QTest::newRow("settings from a missing file")
            << QByteArray("applyProfileAction") << u"%1/missing.json"_s
            << u"%1/missing.json: не удалось прочитать файл (нет такого файла или папки)"_s;
        QTest::newRow("recording onto a full disk")
            << QByteArray("recordAction") << u"/dev/full"_s
            << u"/dev/full: не удалось создать файл (нет места на диске)"_s;
        QTest::newRow("report into a missing folder")
            << QByteArray("reportAction") << u"%1/missing/otchet.pdf"_s
            << u"%1/missing/otchet.pdf: не удалось записать файл (нет такого файла или папки)"_s;
    }

    void fileFailuresNamed()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, path);
        QFETCH(QString, shown);
        OnSim live(dir());
        QVERIFY(live.started());
        Menu &menu = live.menu;
        menu.files = {path.arg(dir().path())};
        menu.trigger(action.constData());
        if (action == "reportAction")
            QVERIFY(menu.answerReportDetails());
        // A recording that cannot start says so in a message; a task in its dialog.
        const auto *box = menu.window->findChild<QMessageBox *>();
        const QString text = box ? box->text() : menu.taskEnded();
        QCOMPARE(text, shown.arg(dir().path()));
        QCOMPARE(menu.said(), QString());
    }

    void recordingEndSaid_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("said");  // "%1": the file
        QTest::newRow("one") << 1 << u"Запись остановлена: 1 строка, %1"_s;
        QTest::newRow("two") << 2 << u"Запись остановлена: 2 строки, %1"_s;
        QTest::newRow("five") << 5 << u"Запись остановлена: 5 строк, %1"_s;
    }

    void recordingEndSaid()
    {
        QFETCH(int, rows);
        QFETCH(QString, said);
        OnSim live(dir());
        QVERIFY(live.started());
        Menu &menu = live.menu;
        const QString csv = dir().filePath(u"signal.csv"_s);
        menu.files = {csv};
        auto *record = menu.find<QAction>("recordAction");
        record->trigger();
        auto *task = menu.window->findChild<RecordTask *>();
        QVERIFY(task && record->isChecked());
        // "СТОП" at exactly `rows` rows; the title counts them until then.
        QString title;
        QObject::connect(task, &RecordTask::rowWritten, [&](int written) {
            if (written == rows) {
                title = menu.window->windowTitle();
                menu.click("Command3");
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(!record->isChecked(), 20000);
        QCOMPARE(title, kTitle + u" — запись сигнала: signal.csv, строк: %1"_s.arg(rows));
        QCOMPARE(menu.window->windowTitle(), kTitle);
        QCOMPARE(menu.said(), said.arg(csv));
        const QStringList lines = fileText(csv).trimmed().split(u'\n');
        QCOMPARE(lines.size() - 1, rows);
        QCOMPARE(lines.last().section(u',', 1, 1), u"1"_s);  // the flank
    }

    void chartPictureAndReportWithPass()
    {
        OnSim live(dir());
        QVERIFY(live.started());
        Menu &menu = live.menu;
        int replies = 0;
        QObject::connect(&menu.exchange(), &Exchange::statusReceived, [&replies] { ++replies; });

        // A control pass of 30 replies; its mean is the monitor's to test.
        menu.click("Command9");
        QTRY_VERIFY_WITH_TIMEOUT(replies >= 30, 20000);
        menu.click("Command8");
        QTRY_VERIFY_WITH_TIMEOUT(menu.window->lastPass().has_value(), 5000);
        QVERIFY(menu.window->lastPass()->signal.size() >= 30);

        // The picture is the chart as shown, with the stamp below it.
        const QString png = dir().filePath(u"chart.png"_s);
        menu.files = {png};
        menu.trigger("saveChartAction");
        const QImage &shown = menu.window->form().chart().canvas().image();
        const QImage saved(png);
        QCOMPARE(saved.width(), shown.width());
        QVERIFY(saved.height() > shown.height());
        QCOMPARE(saved.copy(shown.rect()).convertToFormat(shown.format()), shown);
        QCOMPARE(menu.said(), u"Диаграмма сохранена: "_s + png);

        // The report asks for the site and the installer before the file.
        const QString pdf = dir().filePath(u"report.pdf"_s);
        menu.files = {pdf};
        menu.trigger("reportAction");
        QVERIFY(menu.asked.last() != u"Отчёт о проверке"_s);
        QVERIFY(!menu.find<QAction>("reportAction")->isEnabled());
        QVERIFY(menu.answerReportDetails(u"Site 7"_s, u"Ivanov"_s));
        QCOMPARE(menu.asked.last(), u"Отчёт о проверке"_s);
        QCOMPARE(menu.taskEnded(), u"Отчёт записан в "_s + pdf);
        QCOMPARE(menu.said(), u"Отчёт сохранён: "_s + pdf);
        QVERIFY(fileText(pdf).startsWith(u"%PDF-"_s));
        // Both flanks' states were taken; the exchange is back on flank 1.
        QCOMPARE(menu.exchange().flank(), 1);
    }

    void greyedItemsSayWhy_data()
    {
        const QString run = u"Только при запущенном обмене"_s;
        const QString stop = u"Только при остановленном обмене"_s;
        const QString wait = u"Дождитесь окончания текущей операции"_s;
        const QString on;
        QTest::addColumn<QString>("state");
        // Settings saved, settings written, recording, report, search, network
        // ports; empty: enabled.
        QTest::addColumn<QStringList>("why");
        QTest::newRow("stopped") << u"stopped"_s << QStringList{run, run, run, run, on, on};
        QTest::newRow("running") << u"running"_s << QStringList{on, on, on, on, stop, stop};
        QTest::newRow("saving") << u"saving"_s << QStringList{wait, wait, wait, wait, stop, stop};
        QTest::newRow("searching") << u"searching"_s << QStringList{run, run, run, run, wait, wait};
        QTest::newRow("recording") << u"recording"_s << QStringList{on, on, on, on, stop, stop};
    }

    void greyedItemsSayWhy()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, why);
        FakeSerialPort port;
        port.openable = {1};
        Menu menu(port, dir());
        // As the user opens the menus.
        const auto openMenus = [&menu] {
            for (QAction *title : menu.window->menuBar()->actions()) {
                QVERIFY(title->menu()->toolTipsVisible());
                emit title->menu()->aboutToShow();
            }
        };
        if (state != u"stopped" && state != u"searching") {
            auto *ports = menu.find<QComboBox>("Combo3");
            ports->setCurrentIndex(ports->findText(u"1"_s));
            menu.click("Command4");
            QVERIFY(menu.exchange().isRunning());
        }
        openMenus();
        if (state == u"saving") {
            menu.files = {dir().filePath(u"settings.json"_s)};
            menu.trigger("saveSettingsAction");
            QVERIFY(menu.task());
        } else if (state == u"searching") {
            menu.trigger("findAction");
            QVERIFY(menu.find<QPushButton>("searchButton"));
        } else if (state == u"recording") {
            menu.files = {dir().filePath(u"signal.csv"_s)};
            menu.trigger("recordAction");
            QVERIFY(menu.find<QAction>("recordAction")->isChecked());
        }
        openMenus();
        const char *items[] = {"saveSettingsAction", "applyProfileAction", "recordAction",
                               "reportAction",       "findAction",         "networkPortsAction"};
        const QStringList reasons{u"Только при запущенном обмене"_s,
                                  u"Только при остановленном обмене"_s,
                                  u"Дождитесь окончания текущей операции"_s};
        for (int i = 0; i < 6; ++i) {
            const QAction *item = menu.find<QAction>(items[i]);
            QVERIFY2(item->isEnabled() == why[i].isEmpty(), items[i]);
            // An enabled item keeps its own words, as Qt makes them from its text.
            if (why[i].isEmpty())
                QVERIFY2(!reasons.contains(item->toolTip()), items[i]);
            else
                QCOMPARE(item->toolTip(), why[i]);
        }
    }

    void linkLostNamesPortAndSearch()
    {
        FakeSerialPort port;
        port.openable = {1, 2};
        Menu menu(port, dir());
        auto *ports = menu.find<QComboBox>("Combo3");
        ports->setCurrentIndex(ports->findText(u"2"_s));
        menu.find<UpDown>("UpDown1")->setValue(9);
        menu.click("Command4");
        menu.exchange().watchdogExpired();
        menu.exchange().watchdogExpired();
        auto *status = menu.find<QLabel>("Label6");
        QCOMPARE(status->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);
        // The search as the menu bar names it.
        const auto shown = [](const QAction *action) { return action->text().remove(u'&'); };
        const QAction *find = menu.find<QAction>("findAction");
        const auto *block = qobject_cast<QMenu *>(find->associatedObjects().constFirst());
        QVERIFY(block);
        QCOMPARE(status->toolTip(),
                 u"COM-порт 2 (/fake/tty2), адрес 9.\nНе знаете адрес блока? Найдите блок: "_s +
                     shown(block->menuAction()) + u" → "_s + shown(find));
        // The next message takes its own tool tip, none.
        menu.click("Command4");
        QCOMPARE(status->toolTip(), QString());
    }

    void rememberedChoicesOffered_data()
    {
        QTest::addColumn<bool>("store");      // a settings store is given
        QTest::addColumn<QString>("stored");  // the store's file; "%1": the test's folder
        QTest::addColumn<QString>("port");    // chosen in the list; empty: none
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("folder");  // where the first file is looked for
        QTest::newRow("no store") << false << QString() << QString() << 1 << QString();
        QTest::newRow("nothing remembered") << true << QString() << QString() << 1 << QString();
        QTest::newRow("port, address, folder")
            << true << u"[connection]\nport=3\naddress=128\n[files]\nfolder=%1\n"_s << u"3"_s << 128
            << u"%1"_s;
        QTest::newRow("lowest address, port not there now")
            << true << u"[connection]\nport=2\naddress=0\n"_s << QString() << 0 << QString();
        QTest::newRow("out of range")
            << true << u"[connection]\nport=17\naddress=129\n"_s << QString() << 1 << QString();
        QTest::newRow("below range")
            << true << u"[connection]\nport=0\naddress=-1\n"_s << QString() << 1 << QString();
        QTest::newRow("garbage")
            << true << u"[connection]\nport=COM3\naddress=7x\n[files]\nfolder=%1/missing\n"_s
            << QString() << 1 << QString();
        QTest::newRow("relative folder")
            << true << u"[files]\nfolder=.\n"_s << QString() << 1 << QString();
        const QString named = u"[networkPorts]\n1\\name=Шкаф 2\n1\\port=rfc2217://10.0.0.5:4001\n"
                              u"size=1\n"_s;
        QTest::newRow("named network port")
            << true << u"[connection]\nport=rfc2217://10.0.0.5:4001\naddress=7\n"_s + named
            << u"Шкаф 2"_s << 7 << QString();
        QTest::newRow("network port no longer named")
            << true << u"[connection]\nport=tcp://10.0.0.5:7000\naddress=7\n"_s + named << QString()
            << 7 << QString();
        QTest::newRow("device path") << true << u"[connection]\nport=/dev/ttyUSB9\naddress=7\n"_s
                                     << QString() << 7 << QString();
    }

    void rememberedChoicesOffered()
    {
        QFETCH(bool, store);
        QFETCH(QString, stored);
        QFETCH(QString, port);
        QFETCH(int, address);
        QFETCH(QString, folder);
        const QString file = dir().filePath(u"verkan-r.conf"_s);
        QFile ini(file);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write((stored.contains(u"%1"_s) ? stored.arg(dir().path()) : stored).toUtf8());
        ini.close();
        QSettings settings(file, QSettings::IniFormat);
        FakeSerialPort line;
        line.openable = {1, 3};
        Menu menu(line, dir(), store ? &settings : nullptr);
        auto *ports = menu.find<QComboBox>("Combo3");
        QCOMPARE(ports->currentIndex(), port.isEmpty() ? -1 : ports->findText(port));
        QCOMPARE(menu.find<UpDown>("UpDown1")->Value(), address);
        QCOMPARE(menu.find<QLineEdit>("Text1")->text(), QString::number(address));
        menu.trigger("saveChartAction");
        QCOMPARE(menu.folders, QStringList{folder.isEmpty() ? folder : folder.arg(dir().path())});
        // With nothing to offer, the window starts as designed, pixel for pixel.
        if (port.isEmpty() && address == 1) {
            FormFixture alone({1, 3});
            QCOMPARE(menu.window->form().grab().toImage(), alone.form->grab().toImage());
        }
    }

    void choicesRememberedForNextStart()
    {
        const QString file = dir().filePath(u"verkan-r.conf"_s);
        const QString charts = dir().filePath(u"charts"_s);
        QVERIFY(QDir().mkpath(charts));
        FakeSerialPort line;
        line.openable = {1, 3};
        {
            QSettings settings(file, QSettings::IniFormat);
            Menu menu(line, dir(), &settings);
            auto *ports = menu.find<QComboBox>("Combo3");
            ports->setCurrentIndex(ports->findText(u"3"_s));
            menu.find<UpDown>("UpDown1")->setValue(7);
            // A port that does not open is not remembered.
            line.openable = {1};
            menu.click("Command4");
            QVERIFY(!menu.exchange().isRunning());
            QVERIFY(!settings.contains(u"connection/port"_s));
            line.openable = {1, 3};
            menu.click("Command4");
            QVERIFY(menu.exchange().isRunning());
            menu.click("Command3");
            // The folder of a chosen file; a choice given up changes nothing.
            menu.files = {charts + u"/chart.png"_s};
            menu.trigger("saveChartAction");
            menu.trigger("saveChartAction");
            QCOMPARE(menu.folders, (QStringList{QString(), charts}));
        }
        QSettings settings(file, QSettings::IniFormat);
        Menu next(line, dir(), &settings);
        QCOMPARE(next.find<QComboBox>("Combo3")->currentText(), u"3"_s);
        QCOMPARE(next.find<UpDown>("UpDown1")->Value(), 7);
        QCOMPARE(next.find<QLineEdit>("Text1")->text(), u"7"_s);
        next.trigger("saveChartAction");
        QCOMPARE(next.folders, QStringList{charts});
    }

    void reportDetailsRemembered()
    {
        // Answers are kept though no file is chosen, a cancel changes nothing, and
        // the next run of the program offers them.
        const QString store = dir().filePath(u"verkan-r.conf"_s);
        OnSim live(dir());
        QVERIFY(live.sim.ready());
        for (const bool first : {true, false}) {
            QSettings settings(store, QSettings::IniFormat);
            Menu menu(live.port, dir(), &settings);
            QVERIFY(menu.start());
            menu.trigger("reportAction");
            QVERIFY(menu.reportDetails());
            QCOMPARE(menu.detail("siteEdit")->text(), first ? QString() : u"Склад № 3"_s);
            QCOMPARE(menu.detail("installerEdit")->text(), first ? QString() : u"Петров П. П."_s);
            if (!first)
                break;
            QVERIFY(menu.answerReportDetails(u"Склад № 3"_s, u"Петров П. П."_s));
            QVERIFY(!menu.task());
            menu.trigger("reportAction");
            menu.detail("siteEdit")->setText(u"другой"_s);
            menu.reportDetails()->reject();
            menu.click("Command3");  // "СТОП"
        }
    }

    void discoveryChoosesPortAndAddress()
    {
        OnSim live(dir(), {u"--address"_s, u"7"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(live.sim.ready());
        Menu &menu = live.menu;
        menu.trigger("findAction");
        auto *first = menu.find<QSpinBox>("firstAddress");
        QVERIFY(first);
        first->setValue(6);
        menu.find<QSpinBox>("lastAddress")->setValue(8);
        menu.click("searchButton");
        auto *found = menu.find<QListWidget>("foundList");
        QTRY_VERIFY_WITH_TIMEOUT(menu.find<QPushButton>("searchButton")->isEnabled(), 20000);
        QCOMPARE(found->count(), 1);
        menu.click("chooseButton");
        QCOMPARE(menu.find<QComboBox>("Combo3")->currentText(), u"1"_s);
        QCOMPARE(menu.find<UpDown>("UpDown1")->Value(), 7);
        QVERIFY(menu.start());
        QVERIFY(!menu.find<QAction>("findAction")->isEnabled());
    }

    void discoveryCancelledMidway()
    {
        FakeSerialPort port;
        port.openable = {1};
        Menu menu(port, dir());
        menu.trigger("findAction");
        menu.click("searchButton");
        QTRY_VERIFY(menu.find<QProgressBar>("searchProgress")->value() >= 2);
        menu.click("closeButton");  // "Отмена"
        QVERIFY(!port.isOpen());    // so nothing more is sent
        QVERIFY(menu.find<QLabel>("searchText")->text().startsWith(u"Поиск прерван"_s));
        QVERIFY(menu.find<QPushButton>("searchButton")->isEnabled());
    }

    void guideFound_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("program");    // the program's folder
        QTest::addColumn<QStringList>("files");  // what lies around it
        QTest::addColumn<QString>("found");      // empty: no guide
        const auto both = [](const QString &folder) {
            return QStringList{folder + u"guide.ru.md"_s, folder + u"guide.en.md"_s};
        };
        const QString doc = u"usr/share/doc/verkan-r/"_s;
        QTest::newRow("installed") << false << u"usr/bin"_s << both(doc) << doc + u"guide.ru.md"_s;
        QTest::newRow("installed, English")
            << true << u"usr/bin"_s << both(doc) << doc + u"guide.en.md"_s;
        QTest::newRow("user's data folder")
            << false << u"opt/verkan/bin"_s << both(u"home/data/doc/verkan-r/"_s)
            << u"home/data/doc/verkan-r/guide.ru.md"_s;
        QTest::newRow("system's data folders")
            << false << u"opt/verkan/bin"_s << both(u"system/doc/verkan-r/"_s)
            << u"system/doc/verkan-r/guide.ru.md"_s;
        QTest::newRow("beside the program")
            << false << u"stick"_s << both(u"stick/"_s) << u"stick/guide.ru.md"_s;
        QTest::newRow("in docs beside the program")
            << false << u"stick"_s << both(u"stick/docs/"_s) << u"stick/docs/guide.ru.md"_s;
        QTest::newRow("build folder in the source tree")
            << false << u"src/build"_s << both(u"src/docs/"_s) << u"src/docs/guide.ru.md"_s;
        QTest::newRow("installed before portable")
            << true << u"usr/bin"_s << both(doc) + both(u"usr/bin/"_s) << doc + u"guide.en.md"_s;
        QTest::newRow("only the other language")
            << true << u"stick"_s << QStringList{u"stick/guide.ru.md"_s} << u"stick/guide.ru.md"_s;
        QTest::newRow("a README is no guide")
            << false << u"src/build"_s << QStringList{u"src/README.md"_s} << QString();
        QTest::newRow("none") << false << u"usr/bin"_s << QStringList() << QString();
    }

    void guideFound()
    {
        QFETCH(bool, english);
        QFETCH(QString, program);
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        const QDir root(dir().path());
        QVERIFY(root.mkpath(program));
        for (const QString &file : files) {
            QVERIFY(root.mkpath(QFileInfo(file).path()));
            QFile guide(root.filePath(file));
            QVERIFY(guide.open(QIODevice::WriteOnly));
        }
        // The data folders of the system and the user are the test's own.
        const QByteArray home = qgetenv("XDG_DATA_HOME");
        const QByteArray system = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_HOME", root.filePath(u"home/data"_s).toUtf8());
        qputenv("XDG_DATA_DIRS", root.filePath(u"system"_s).toUtf8());
        const QString path = Help::guidePath(Help::guideFolders(root.filePath(program)),
                                             english ? Language::English : Language::Russian);
        qputenv("XDG_DATA_HOME", home);
        qputenv("XDG_DATA_DIRS", system);
        QCOMPARE(path, found.isEmpty() ? QString() : root.filePath(found));
    }

    void guideAndAbout_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("guide");
        QTest::newRow("Russian") << false << u"docs/guide.ru.md"_s;
        QTest::newRow("English") << true << u"docs/guide.en.md"_s;
    }

    void guideAndAbout()
    {
        QFETCH(bool, english);
        QFETCH(QString, guide);
        QVERIFY(QDir(dir().path()).mkpath(u"docs"_s));
        // The developers' README beside the guides is passed over.
        for (const char *name : {"README.md", "docs/guide.ru.md", "docs/guide.en.md"}) {
            QFile file(dir().filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name) > 0);
        }
        installLanguage(*QCoreApplication::instance(),
                        english ? Language::English : Language::Russian);
        FakeSerialPort port;
        Menu menu(port, dir());
        // The first folder that holds a guide.
        menu.window->setGuideFolders(
            {dir().filePath(u"missing"_s), dir().path(), dir().filePath(u"docs"_s)});
        QCOMPARE(menu.find<QAction>("guideAction")->shortcut(), QKeySequence(Qt::Key_F1));
        menu.trigger("guideAction");
        installLanguage(*QCoreApplication::instance(), Language::Russian);
        auto *text = menu.find<QTextBrowser>("guideText");
        QVERIFY(text);
        QCOMPARE(text->source(), QUrl::fromLocalFile(dir().filePath(guide)));
        QCOMPARE(text->toPlainText().trimmed(), guide);
        menu.trigger("aboutAction");
        auto *about = menu.find<QMessageBox>("aboutBox");
        QVERIFY(about && about->informativeText().contains(dir().filePath(u"Jurnal.txt"_s)));
    }
};

QTEST_MAIN(TestMenu)
#include "test_menu.moc"
