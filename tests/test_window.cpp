// The window's wiring: replies and silent periods in through the fake port and the
// exchange, and what the window shows, journals and queues in return.

#include "app/controls.h"
#include "app/settingcontrols.h"
#include "app/updown.h"
#include "base/colors.h"
#include "diagram/signalchart.h"
#include "link/exchange.h"
#include "link/protocol.h"
#include "params/catalogue.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The label's text, as drawn, lies within its area in 7.5 pt or more.
bool fitsItsArea(const QLabel *label)
{
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect area = label->contentsRect();
    return area.contains(QFontMetrics(label->font()).boundingRect(area, flags, label->text())) &&
           label->font().pointSizeF() >= 7.5;
}

// The status line as "text/text colour", as `status()` shows it when it fits.
QString statusLook(const QString &text, quint32 colour)
{
    return text + u'/' + QString::number(colour, 16);
}

// The largest difference of one colour channel between two images of one
// size, outside `skip`.
int worstChannelDifference(const QImage &a, const QImage &b, const QRect &skip)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (skip.contains(x, y))
                continue;
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

struct Window : FormFixture {
    using FormFixture::FormFixture;

    QLabel *label(const char *name) const { return control<QLabel>(name); }
    QLineEdit *box(const char *name) const { return control<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return control<QPushButton>(name); }
    QCheckBox *check(const char *name) const { return control<QCheckBox>(name); }
    QTimer *timer(const char *name) const { return control<QTimer>(name); }
    const Scheduler &scheduler() const { return form->exchange().scheduler(); }

    void startAtAddress5()
    {
        check("Check1")->setChecked(true);
        control<UpDown>("UpDown1")->setValue(5);
        start(1);
    }
    // Flank 2 chosen with the keyboard, as the operator does.
    void chooseFlank2() { QTest::keyClick(control<QComboBox>("Combo2"), Qt::Key_Down); }

    QString status() const
    {
        const QLabel *l = label("Label6");
        return statusLook(l->text(), labelTextColor(l)) +
               (fitsItsArea(l) ? u""_s : u" overflows"_s);
    }
    qsizetype fileLines() const { return journalFileLines().size(); }
    // Entries journalled after the file's first `fileLines` lines, as "list text|file text".
    QStringList journalSince(qsizetype fileLines) const
    {
        const QStringList file = journalFileLines().mid(fileLines);
        const QStringList list = journalListItems();
        const qsizetype stamp = this->stamp().size();
        QStringList out;
        for (qsizetype i = 0; i < file.size(); ++i)
            out << list.value(file.size() - 1 - i).mid(stamp) + u'|' +
                       file[i].mid(1 + stamp).chopped(1);
        return out;
    }

    // The names of the enabled buttons, check boxes, lists and spinners.
    QString enabledControls() const
    {
        QStringList names;
        for (QWidget *c : form->findChildren<QWidget *>())
            if ((qobject_cast<QAbstractButton *>(c) || qobject_cast<QComboBox *>(c) ||
                 qobject_cast<UpDown *>(c)) &&
                !c->objectName().isEmpty() && c->isEnabled())
                names << c->objectName();
        names.sort();
        return names.join(u' ');
    }

    // What a setting row shows: the limit's list item, or "value box @ spinner".
    QString rowShows(const SettingControls &row) const
    {
        if (row.list)
            return row.list->currentText();
        return row.valueBox->text() + u" @"_s + QString::number(row.spinner->Value());
    }

    // The controls of the setting row with the unlock box `unlockBox`.
    SettingControls rowOfBox(const QString &unlockBox) const
    {
        for (const SettingControls &row : findSettingControls(form.get()))
            if (row.unlockBox->objectName() == unlockBox)
                return row;
        qFatal("no setting row with %s", qPrintable(unlockBox));
    }

    // The chart on screen shows some of the (blue) trace.
    bool chartShowsTrace() const
    {
        const QImage shot = control<QWidget>("Picture1")->grab().toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y) == QColor(0, 0, 255))
                    return true;
        return false;
    }
};

QString textOf(const QWidget *w)
{
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (auto *edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentText();
    return {};
}

// Enabled before "СТАРТ" and after the exchange stopped.
const QString kStopped = u"Check1 Check3 Check6 Check7 Check8 Check9 Combo3 Command4 Command6"_s;
const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
// A greyed read-out's text colour and a greyed label's face.
const QString kGrey = u"/808080"_s;
const QString kFace = u"/c0c0c0"_s;

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    // The read-outs' cached frame looks as a plain line edit draws it.
    void readoutsLookAsDrawnDirectly_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("level 1") << QByteArray("Text2") << true;
        QTest::newRow("level 2, disabled") << QByteArray("Text11") << false;
    }
    void readoutsLookAsDrawnDirectly()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, enabled);
        Window w;
        w.form->show();
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        QLineEdit *readout = w.box(name.constData());
        QLineEdit plain(readout->parentWidget());
        plain.setGeometry(readout->geometry());
        plain.setFont(readout->font());
        plain.setPalette(readout->palette());
        plain.setAlignment(readout->alignment());
        plain.show();
        for (QLineEdit *box : {readout, &plain}) {
            box->setText(u"2.51"_s);
            box->setEnabled(enabled);
        }
        QVERIFY(readout->style() != plain.style());
        readout->grab();  // the second paint comes from the cache
        const QImage cached = readout->grab().toImage();
        const QImage direct = plain.grab().toImage();
        QCOMPARE(cached.size(), direct.size());
        // The frame, three pixels deep: the text is not cached.
        const int worst =
            worstChannelDifference(cached, direct, direct.rect().adjusted(3, 3, -3, -3));
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startUpState()
    {
        Window w({1, 3, 4});
        QCOMPARE(w.form->windowTitle(), u"Программа настройки ВЕРКАН-Р Ливерт"_s);
        QCOMPARE(w.form->size(), QSize(994, 632));
        QCOMPARE(w.control<QWidget>("Picture1")->geometry(), QRect(336, 96, 649, 345));
        QCOMPARE(w.enabledControls(), kStopped);
        // Every designed placeholder caption is replaced; Label2 has a Latin A, Check8 a Latin c.
        for (QWidget *c : w.form->findChildren<QWidget *>())
            if (!c->objectName().isEmpty())
                QVERIFY2(textOf(c) != c->objectName(), qPrintable(c->objectName()));
        for (const QString &shown :
             u"Label2=П\x41РАМЕТРЫ|Check8=0,5\x63./дел.|Command4=СТАРТ|Label24=|"
             u"Label6= |Text2= |Text12=|Text1=1|Combo2=1|Combo1="_s.split(u'|'))
            QCOMPARE(textOf(w.control<QWidget>(qPrintable(shown.section(u'=', 0, 0)))),
                     shown.section(u'=', 1));
        // The scan lists the ports that open, chooses none and leaves them closed and silent.
        auto *ports = w.control<QComboBox>("Combo3");
        QStringList listed;
        for (int i = 0; i < ports->count(); ++i)
            listed << ports->itemText(i) + u' ' + ports->itemData(i, Qt::ToolTipRole).toString();
        QCOMPARE(listed, QStringList({u"1 /fake/tty1"_s, u"3 /fake/tty3"_s, u"4 /fake/tty4"_s}));
        QCOMPARE(ports->currentIndex(), -1);
        QCOMPARE(w.port.openAttempts.size(), 16);
        QVERIFY(w.port.written.isEmpty() && !w.port.isOpen());
        for (const char *timer : {"Timer1", "Timer4", "Timer5"})
            QVERIFY2(!w.timer(timer)->isActive(), timer);
        QVERIFY(!QFile::exists(w.journalPath()));
    }

    // A port refused at the scan is not listed; one that fails at "СТАРТ" stops it.
    void portProblems_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused at the scan")
            << u"scan"_s
            << u"Нет прав доступа к /fake/tty2 и ещё 2 портам: добавьте пользователя в группу "
               u"dialout и войдите в систему снова."_s;
        QTest::newRow("no port chosen") << u"none"_s << u"Не выбран COM-порт."_s;
        QTest::newRow("busy") << u"busy"_s
                              << u"COM-порт 1 (/fake/tty1): порт занят другой программой."_s;
    }
    void portProblems()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Window w({1}, failure == u"scan"_s ? QSet<int>{9, 2, 5} : QSet<int>());
        QCOMPARE(w.control<QComboBox>("Combo3")->count(), 1);
        if (failure != u"scan"_s) {
            if (failure == u"busy"_s) {
                w.control<QComboBox>("Combo3")->setCurrentIndex(0);
                w.port.openable.clear();
                w.port.busy = {1};
            }
            w.button("Command4")->click();
            QVERIFY(!w.timer("Timer1")->isActive() && w.journalListItems().isEmpty());
        }
        QCOMPARE(w.status(), statusLook(message, bgr::Red));
        QCOMPARE(w.enabledControls(), kStopped);
    }

    // A typed address or gain, ended by "СТАРТ", Enter or "Применить": what the box shows
    // is what is used (the address of the exchange, the gain written by the next slot).
    void typedValue_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");  // start, enter, button; locked: Enter, row locked
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("used");
        QTest::newRow("address 128")
            << u"Text1"_s << u"128"_s << u"start"_s << u"128"_s << u"128"_s;
        QTest::newRow("address 129 put back")
            << u"Text1"_s << u"129"_s << u"start"_s << u"1"_s << u"1"_s;
        QTest::newRow("address, running") << u"Text1"_s << u"7"_s << u"enter"_s << u"1"_s << u"1"_s;
        QTest::newRow("gain 7") << u"Text7"_s << u"7"_s << u"enter"_s << u"7"_s
                                << u"$012d01070c\r"_s;
        QTest::newRow("gain 9, button")
            << u"Text7"_s << u"9"_s << u"button"_s << u"9"_s << u"$012d01090c\r"_s;
        QTest::newRow("gain 12 put back")
            << u"Text7"_s << u"12"_s << u"enter"_s << u"3"_s << u"$012d01030c\r"_s;
        QTest::newRow("gain locked, put back")
            << u"Text7"_s << u"7"_s << u"locked"_s << u"3"_s << u"$010b010c\r"_s;
    }
    void typedValue()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QString, used);
        Window w;
        QLineEdit *edit = w.box(qPrintable(box));
        const bool gain = box == u"Text7"_s;
        if (how != u"start"_s)
            w.start(1);
        if (gain) {
            w.tick((Scheduler::kStartupLength + 1) * protocol::kTicksPerSlot);
            w.port.deliver(settingReply(15, 3));
            QCOMPARE(edit->text(), u"3"_s);
            w.check("Check10")->setChecked(how != u"locked"_s);
        }
        edit->clear();
        QTest::keyClicks(edit, typed);
        if (how == u"start"_s)
            w.start(1);
        else if (how == u"button"_s)
            w.button("Command7")->click();
        else
            QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), shown);
        if (gain) {
            const qsizetype before = w.port.written.size();
            w.tick(protocol::kTicksPerSlot);
            QCOMPARE(w.port.written.mid(before), QByteArrayList{used.toLatin1()});
        } else {
            QCOMPARE(w.control<UpDown>("UpDown1")->Value(), shown.toInt());
            QCOMPARE(QString::number(w.form->exchange().address()), used);
        }
    }

    void keyboard()
    {
        Window w;
        QStringList chain;
        for (QWidget *c = w.form->nextInFocusChain(); c != w.form.get(); c = c->nextInFocusChain())
            if (c->focusPolicy() & Qt::TabFocus)
                chain << c->objectName();
        QCOMPARE(chain.join(u' '),
                 u"Combo3 Text1 Check1 Command4 Command3 Combo2 Check3 Check14 Text8 Command13 "
                 u"Check11 Combo1 Command10 Check10 Text7 Command7 Check2 Text5 Command2 Check5 "
                 u"Text6 Command1 Check12 Text9 Command11 Check13 Text10 Command12 Check4 Text4 "
                 u"Command14 Command5 Check6 Check7 Check9 Check8 Command9 Command8 List1 "
                 u"Command6"_s);
        // The address box steps its spinner once unlocked.
        QTest::keyClick(w.box("Text1"), Qt::Key_Up);
        w.check("Check1")->setChecked(true);
        QTest::keyClick(w.box("Text1"), Qt::Key_Up);
        QCOMPARE(w.box("Text1")->text(), u"2"_s);
    }

    // The designed colours hold under a dark system theme.
    void darkSystemTheme()
    {
        const QPalette system = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(system); });
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35), QColor(0x20, 0x20, 0x20)));
        Window w;
        QCOMPARE(w.form->palette().color(QPalette::Window), colorFromBgr(bgr::LightGrey));
        QCOMPARE(w.box("Text5")->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(w.button("Command4")->palette().color(QPalette::ButtonText), QColor(Qt::black));
    }

    void startLinkAndStop()
    {
        Window w;
        w.startAtAddress5();
        QCOMPARE(w.journalSince(0), QStringList{u"   Старт.   COM-порт: 1     Адрес: 5|"
                                                u" Старт.   COM-порт: 1     Адрес: 5"_s});
        QCOMPARE(w.form->exchange().address(), 5);
        // The setting rows' unlock boxes, "СТОП", the flank; the remote test waits for a reply.
        QCOMPARE(w.enabledControls(), u"Check10 Check11 Check12 Check13 Check14 Check2 Check3 "
                                      u"Check4 Check5 Check6 Check7 Check8 Check9 Combo2 "
                                      u"Command3 Command6"_s);
        QVERIFY(w.timer("Timer1")->isActive() && w.timer("Timer5")->isActive());
        // The speed search is shown while it runs; an answer at 4800 baud ends it.
        w.tick(protocol::kTicksPerSlot);
        QCOMPARE(w.status(), statusLook(u"Поиск скорости: 4800 бод…"_s, bgr::Black));
        QPushButton *remoteTest = w.button("Command5");  // allowed by a reply in norm
        w.port.deliver(statusReply(1));
        QCOMPARE(w.status(), statusLook(kLinkAlive, bgr::Blue));
        QCOMPARE(w.label("Label24")->text(), u"4800,N"_s);
        QVERIFY(!remoteTest->isEnabled());
        w.port.deliver(statusReply(0));
        QVERIFY(remoteTest->isEnabled());
        qsizetype lines = w.fileLines();
        remoteTest->click();
        QVERIFY(!remoteTest->isEnabled());
        QCOMPARE(w.scheduler().mailbox(), u"$05030c\r"_s);
        QCOMPARE(w.journalSince(lines), QStringList{u"   Выполнен ДК| Выполнен ДК"_s});
        w.chooseFlank2();
        QCOMPARE(w.form->exchange().flank(), 2);

        w.check("Check2")->setChecked(true);
        lines = w.fileLines();
        w.button("Command3")->click();
        QCOMPARE(w.journalSince(lines), QStringList{u"   Стоп| Стоп"_s});
        QCOMPARE(w.status(), statusLook(u"Обмен данными остановлен."_s, bgr::Black));
        QCOMPARE(w.enabledControls(), kStopped);
        QVERIFY(!w.check("Check2")->isChecked());
        QVERIFY(!w.port.isOpen() && !w.timer("Timer1")->isActive());
        w.button("Command6")->click();
        QCOMPARE(w.journalListItems(), QStringList{w.stamp() + u"  Очистка журнала"_s});
        QCOMPARE(w.journalFileLines().last(), u"\""_s + w.stamp() + u" Очистка журнала\""_s);
    }

    // Setting replies reach their rows, except a row being edited.
    void settingShown()
    {
        Window w;
        w.start(1);
        const SettingControls threshold = w.rowOfBox(u"Check2"_s), limit = w.rowOfBox(u"Check11"_s);
        w.port.deliver(settingReply(settingRow(Setting::Threshold).readCode, 3));
        const qsizetype lines = w.fileLines();
        w.port.deliver(settingReply(47, 0));  // the threshold written
        QCOMPARE(w.rowShows(threshold), u"0,7 @1"_s);
        QCOMPARE(w.journalSince(lines), QStringList{u"  Фланг -1  Установлен порог -0,7|"
                                                    u" Фланг -1  Установлен порог -0,7"_s});
        w.port.deliver(settingReply(21, 2));
        QCOMPARE(w.rowShows(limit), u"100"_s);
        threshold.unlockBox->setChecked(true);
        w.port.deliver(settingReply(47, 9));
        QCOMPARE(w.rowShows(threshold), u"0,7 @1"_s);
    }

    // Ticking a row unlocks it alone; unticking asks for the stored value;
    // "Применить" or Enter writes the position. Address 5, flank 2.
    void unlockAndApply_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("position");  // spinner position or list index
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("applied");  // the mailbox after "Применить"
        QTest::newRow("threshold 9") << u"Check2"_s << 9 << u"$0511020c\r"_s << u"$052f02080c\r"_s;
        QTest::newRow("limit 1000") << u"Check11"_s << 3 << u"$0515020c\r"_s << u"$053302030c\r"_s;
    }
    void unlockAndApply()
    {
        QFETCH(QString, box);
        QFETCH(int, position);
        QFETCH(QString, read);
        QFETCH(QString, applied);
        Window w;
        w.startAtAddress5();
        w.chooseFlank2();
        const SettingControls own = w.rowOfBox(box);
        const int queued = w.scheduler().mailboxCount();
        if (own.spinner)
            QTest::keyClick(own.valueBox, Qt::Key_Up);  // locked: ignored
        own.unlockBox->setChecked(true);
        for (const SettingControls &row : findSettingControls(w.form.get())) {
            QCOMPARE(row.editor()->isEnabled(), row.setting == own.setting);
            QCOMPARE(row.apply->isEnabled(), row.setting == own.setting);
        }
        QCOMPARE(w.scheduler().mailboxCount(), queued);
        own.unlockBox->setChecked(false);
        QCOMPARE(w.scheduler().mailbox(), read);
        own.unlockBox->setChecked(true);
        if (own.list) {
            own.list->setCurrentIndex(position);
            own.apply->click();
        } else {  // keys step the value from 1 (not while locked), Enter applies
            for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_Down, Qt::Key_Down})
                QTest::keyClick(own.valueBox, key);
            QCOMPARE(own.spinner->Value(), position);
            QTest::keyClick(own.valueBox, Qt::Key_Return);
        }
        QCOMPARE(w.scheduler().mailbox(), applied);
        QVERIFY(!own.unlockBox->isChecked() && !own.apply->isEnabled());
    }

    void addressChange()
    {
        Window w;
        w.startAtAddress5();
        w.tick((Scheduler::kStartupLength + 1) * protocol::kTicksPerSlot);
        w.check("Check14")->setChecked(true);
        w.control<UpDown>("UpDown5")->setValue(128);
        const qsizetype lines = w.fileLines();
        const qsizetype written = w.port.written.size();
        w.button("Command13")->click();
        QVERIFY(!w.button("Command13")->isEnabled() && !w.control<QWidget>("UpDown5")->isEnabled());
        QCOMPARE(w.journalSince(lines),
                 QStringList{u"  Перезагрузка извещателя!!! Установлен адрес:128|"
                             u" Перезагрузка извещателя!!! Установлен адрес:128"_s});
        // The change replaces the unit-number read that unticking queued.
        w.tick(2 * protocol::kTicksPerSlot);
        QCOMPARE(w.port.written.mid(written), QByteArrayList({"$052e017f0c\r", "$050b010c\r"}));
    }

    // Read-outs are greyed from the second missed poll, values readable; a status restores them;
    // two silent periods lose the link.
    void readingsStaleAndLinkLost()
    {
        Window w;
        const auto looks = [&] {
            QStringList out;
            for (const char *name : {"Label4", "Label25", "Label16", "Text2", "Text11", "Text12"}) {
                const QWidget *readout = w.control<QWidget>(name);
                const bool label = qobject_cast<const QLabel *>(readout);
                const QPalette p = readout->palette();
                QString look =
                    textOf(readout) + u'/' +
                    QString::number(
                        bgrFromColor(p.color(label ? QPalette::WindowText : QPalette::Text)), 16);
                if (label)
                    look += u'/' + QString::number(bgrFromColor(p.color(QPalette::Window)), 16);
                out << look;
            }
            return out;
        };
        w.start(1);
        QVERIFY(!w.chartShowsTrace());
        w.tick(protocol::kTicksPerSlot);
        w.port.deliver(settingReply(settingRow(Setting::Threshold).readCode, 3));  // 4800 baud
        w.tick((Scheduler::kReadBackLength + 1) * protocol::kTicksPerSlot);
        w.button("Command9")->click();
        w.port.deliver(statusReply(0x11, 200, 50, 153, 26));  // alarm, tamper open
        const QStringList live{u"Тревога/0/ff"_s, u" /0/c0c0c0"_s, u"Разомкнут/ff/c0c0c0"_s,
                               u"3 В/0"_s,        u"0,51 В/0"_s,   u"1,96 В/ff"_s};
        QCOMPARE(looks(), live);
        w.tick(2 * protocol::kTicksPerSlot);  // a poll, missed, and a second one
        QCOMPARE(looks(), live);
        w.tick(protocol::kTicksPerSlot);  // missed again
        QStringList greyed = live;
        for (QString &look : greyed)
            look = look.section(u'/', 0, 0) + kGrey + (look.count(u'/') == 2 ? kFace : QString());
        QCOMPARE(looks(), greyed);
        // Norm, tamper closed; the useful signal keeps the pass's red in the same exchange.
        w.port.deliver(statusReply(0, 10, 50, 51, 102));
        QCOMPARE(looks(), QStringList({u"Норма/0/ff00"_s, u" /0/c0c0c0"_s, u"Замкнут/0/c0c0c0"_s,
                                       u"1 В/0"_s, u"2 В/0"_s, u"1,08 В/ff"_s}));
        QVERIFY(w.chartShowsTrace());

        // The link lost: one silent period leaves the screen as it is, the second stops.
        const qsizetype lines = w.fileLines();
        w.form->exchange().watchdogExpired();
        QCOMPARE(w.label("Label6")->text(), kLinkAlive);
        QCOMPARE(w.fileLines(), lines);
        w.form->exchange().watchdogExpired();
        QCOMPARE(
            w.journalSince(lines),
            QStringList({u"  НЕТ СВЯЗИ С БЛОКОМ!| НЕТ СВЯЗИ С БЛОКОМ!"_s, u"   Стоп| Стоп"_s}));
        QCOMPARE(w.status(),
                 statusLook(u"Нет связи с блоком. Проверьте адрес и питание! "_s, bgr::Red));
        QCOMPARE(labelBackColor(w.label("Label4")), bgr::White);
        QCOMPARE(looks().first(), u"Нет связи"_s + kGrey + kFace);
        for (const char *blank : {"Label16", "Text2", "Text12", "Text3", "Text5"})
            QCOMPARE(textOf(w.control<QWidget>(blank)), u" "_s);
        QCOMPARE(w.enabledControls(), kStopped);
        QVERIFY(!w.port.isOpen() && !w.timer("Timer5")->isActive());
    }

    void controlPass()
    {
        Window w;
        w.start(1);
        QPushButton *start = w.button("Command9"), *stop = w.button("Command8");
        w.port.deliver(statusReply(0));
        w.box("Text3")->setText(u"old"_s);
        start->click();
        QVERIFY(!start->isEnabled() && stop->isEnabled());
        QCOMPARE(w.box("Text3")->text(), QString());
        w.port.deliver(statusReply(0, 100, 50));
        QCOMPARE(w.box("Text12")->text(), u"0,98 В"_s);
        QCOMPARE(bgrFromColor(w.box("Text12")->palette().color(QPalette::Text)), bgr::Red);
        w.port.deliver(statusReply(0, 0, 50));  // below the threshold
        QCOMPARE(bgrFromColor(w.box("Text12")->palette().color(QPalette::Text)), bgr::Black);
        // "Измерение" goes blank half way through the block, back at its end.
        for (int i = 0; i < 7; ++i) {
            w.port.deliver(statusReply(0, 102, 50));
            QCOMPARE(w.label("Label30")->text().isEmpty(), i >= 2);
        }
        stop->click();
        QVERIFY(start->isEnabled() && !stop->isEnabled());
        w.port.deliver(statusReply(0, 102, 50));  // closes the block and the pass
        QCOMPARE(w.box("Text3")->text(), u"1,75 В"_s);
        QCOMPARE(w.label("Label30")->text(), u"Измерение"_s);
    }

    // Each scale pair ticks one box of the two; the chart follows.
    void scalePairs()
    {
        Window w;
        const auto shown = [&] {
            QStringList out;
            for (const char *name : {"Check6", "Check7", "Check8", "Check9"})
                if (w.check(name)->isChecked())
                    out << QLatin1String(name);
            return out << QString::number(w.form->chart().voltScale())
                       << QString::number(w.form->chart().timeScale());
        };
        QCOMPARE(shown(), QStringList({u"Check6"_s, u"Check8"_s, u"1000"_s, u"120"_s}));
        QTest::mouseClick(w.check("Check6"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(shown(), QStringList({u"Check7"_s, u"Check8"_s, u"2000"_s, u"120"_s}));
        QTest::mouseClick(w.check("Check8"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(shown(), QStringList({u"Check7"_s, u"Check9"_s, u"2000"_s, u"60"_s}));
    }

    // The alarm tone (Timer4) runs while an alarm lasts with the sound on.
    void alarmTone()
    {
        Window w;
        w.start(1);
        QTimer *tone = w.timer("Timer4");
        w.port.deliver(statusReply(1));
        QVERIFY(!tone->isActive());
        w.check("Check3")->setChecked(true);
        w.port.deliver(statusReply(1));
        QVERIFY(tone->isActive() && tone->interval() == 700);
        QVERIFY(QMetaObject::invokeMethod(tone, "timeout"));
        QCOMPARE(w.alarm.restarts, 1);
        w.port.deliver(statusReply(0));
        QVERIFY(!tone->isActive());
        w.port.deliver(statusReply(1));
        QVERIFY(tone->isActive());
        w.check("Check3")->setChecked(false);
        QVERIFY(!tone->isActive());
    }

    void journalFailureOnItsCaption()
    {
        Window w;
        QVERIFY(QDir().mkdir(w.journalPath()));  // no file can be written there
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Не удалось записать"_s));
        w.start(1);
        QLabel *caption = w.label("Label18");
        QCOMPARE(labelTextColor(caption), bgr::Red);
        QVERIFY2(caption->toolTip().contains(w.journalPath()), qPrintable(caption->toolTip()));
        QCOMPARE(w.journalListItems().size(), 1);
        QVERIFY(QDir().rmdir(w.journalPath()));
        w.port.deliver(statusReply(1));
        QCOMPARE(labelTextColor(caption), bgr::Black);
        QCOMPARE(caption->toolTip(), QString());
        QCOMPARE(w.fileLines(), 1);
    }

    void toneFailureOnItsCaption()
    {
        Window w;
        QCheckBox *sound = w.check("Check3");
        sound->setChecked(true);
        QCOMPARE(w.alarm.checks, 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"не слышен.*файл пуст"_s));
        w.alarm.fail(u"файл пуст"_s);
        QCOMPARE(labelTextColor(sound), bgr::Red);
        QVERIFY(sound->toolTip().contains(w.tonePath()) && sound->toolTip().contains(u"файл пуст"));
        w.alarm.fail(QString());
        QCOMPARE(labelTextColor(sound), bgr::Black);
        QCOMPARE(sound->toolTip(), QString());
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
