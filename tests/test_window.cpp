// The window's wiring: controls found by their designed names, replies and
// watchdog periods delivered through the fake port and the exchange, and
// what the window shows, journals and queues in return. What the replies
// mean is tested with the engine.

#include "app/controls.h"
#include "app/journallistview.h"
#include "app/monitorpanel.h"
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

// The largest difference of one colour channel between two images of the
// same size, over every pixel outside `skip`.
int worstChannelDifference(const QImage &a, const QImage &b, const QRect &skip = QRect())
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

    qsizetype fileLines() const { return journalFileLines().size(); }
    // What was journalled after the file held `fileLines` lines, oldest first,
    // as "list text|file text" without time stamps; the list holds the same
    // entries, newest on top.
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

// The label's text, as drawn, lies within its area in 7.5 pt or more.
bool fitsItsArea(const QLabel *label)
{
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect area = label->contentsRect();
    return area.contains(QFontMetrics(label->font()).boundingRect(area, flags, label->text())) &&
           label->font().pointSizeF() >= 7.5;
}

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
// A greyed read-out's text colour and a greyed label's face: the form's
// disabled text on its own face.
const QString kGrey = u"/808080"_s;
const QString kFace = u"/c0c0c0"_s;

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startUpState()
    {
        Window w({1, 3, 4});
        QCOMPARE(w.form->windowTitle(), u"Программа настройки ВЕРКАН-Р Ливерт"_s);
        QCOMPARE(w.form->size(), QSize(994, 632));
        QCOMPARE(w.control<QWidget>("Picture1")->geometry(), QRect(336, 96, 649, 345));
        QCOMPARE(w.enabledControls(), kStopped);

        // Every designed placeholder caption is replaced; the speed shows
        // nothing until one is found.
        for (QWidget *c : w.form->findChildren<QWidget *>())
            if (!c->objectName().isEmpty())
                QVERIFY2(textOf(c) != c->objectName(), qPrintable(c->objectName()));
        // Label2 has a Latin A, Check8 a Latin c.
        for (const QString &shown :
             u"Label2=П\x41РАМЕТРЫ|Check8=0,5\x63./дел.|Command4=СТАРТ|Label24=|"
             u"Label6= |Text2= |Text12=|Text1=1|Combo2=1|Combo1="_s.split(u'|'))
            QCOMPARE(textOf(w.control<QWidget>(qPrintable(shown.section(u'=', 0, 0)))),
                     shown.section(u'=', 1));
        for (const SettingControls &row : findSettingControls(w.form.get())) {
            QCOMPARE(row.unlockBox->text(), u"Изменить"_s);
            QCOMPARE(row.apply->text(), u"Применить"_s);
            if (row.spinner) {
                QCOMPARE(row.valueBox->text(), u" "_s);
                QCOMPARE(row.spinner->Value(), 1);
            }
        }

        // The address box follows its spinner, which the box beside unlocks.
        auto *address = w.control<UpDown>("UpDown1");
        QCOMPARE(QList({address->Value(), address->Min(), address->Max()}), QList({1, 0, 128}));
        w.check("Check1")->setChecked(true);
        address->stepDown();
        QCOMPARE(w.box("Text1")->text(), u"0"_s);

        // The scan lists the ports that open with their devices, chooses none
        // and leaves every port closed and silent.
        auto *ports = w.control<QComboBox>("Combo3");
        QStringList listed;
        for (int i = 0; i < ports->count(); ++i)
            listed << ports->itemText(i) + u' ' + ports->itemData(i, Qt::ToolTipRole).toString();
        QCOMPARE(listed, QStringList({u"1 /fake/tty1"_s, u"3 /fake/tty3"_s, u"4 /fake/tty4"_s}));
        QCOMPARE(ports->currentIndex(), -1);
        QCOMPARE(w.port.openAttempts.size(), 16);
        QVERIFY(w.port.written.isEmpty() && !w.port.isOpen());
        QCOMPARE(w.port.baudRate(), 9600);
        for (const char *timer : {"Timer1", "Timer4", "Timer5"})
            QVERIFY2(!w.timer(timer)->isActive(), timer);
        QVERIFY(!QFile::exists(w.journalPath()));
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        const QString port = u"COM-порт 1 (/fake/tty1): "_s;
        QTest::newRow("no port chosen") << u"none"_s << u"Не выбран COM-порт."_s;
        QTest::newRow("gone since the scan") << u"gone"_s << port + u"порт не найден."_s;
        QTest::newRow("busy") << u"busy"_s << port + u"порт занят другой программой."_s;
        QTest::newRow("denied") << u"denied"_s << port + u"нет прав доступа (группа dialout)."_s;
    }
    void startFailures()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Window w;
        if (failure != u"none"_s)
            w.control<QComboBox>("Combo3")->setCurrentIndex(0);
        w.port.openable.clear();
        if (failure == u"busy"_s)
            w.port.busy = {1};
        else if (failure == u"denied"_s)
            w.port.denied = {1};
        w.button("Command4")->click();
        QCOMPARE(w.label("Label6")->text(), message);
        QVERIFY(fitsItsArea(w.label("Label6")));
        QCOMPARE(labelTextColor(w.label("Label6")), bgr::Red);
        QCOMPARE(w.enabledControls(), kStopped);
        QVERIFY(!w.timer("Timer1")->isActive() && w.journalListItems().isEmpty());
    }

    // Ports that exist but refuse the user are not listed; the status line
    // names the first and tells the mend.
    void portsRefused_data()
    {
        QTest::addColumn<QSet<int>>("denied");
        QTest::addColumn<QString>("message");
        const QString mend =
            u": добавьте пользователя в группу dialout и войдите в систему снова."_s;
        QTest::newRow("none") << QSet<int>() << u" "_s;
        QTest::newRow("one") << QSet<int>{2} << u"Нет прав доступа к /fake/tty2"_s + mend;
        QTest::newRow("two") << QSet<int>{9, 2}
                             << u"Нет прав доступа к /fake/tty2 и ещё 1 порту"_s + mend;
        QTest::newRow("three") << QSet<int>{2, 5, 9}
                               << u"Нет прав доступа к /fake/tty2 и ещё 2 портам"_s + mend;
    }
    void portsRefused()
    {
        QFETCH(QSet<int>, denied);
        QFETCH(QString, message);
        Window w({1}, denied);
        QCOMPARE(w.control<QComboBox>("Combo3")->count(), 1);
        QCOMPARE(w.label("Label6")->text(), message);
        QVERIFY(fitsItsArea(w.label("Label6")));
        QCOMPARE(labelTextColor(w.label("Label6")), denied.isEmpty() ? bgr::Black : bgr::Red);
    }

    // Too long even in the smallest size: cut short, whole in the tool tip.
    void statusCutShort()
    {
        Window w;
        QLabel *status = w.label("Label6");
        const QFont designed = status->font();
        const QString text = u"Слишком длинное сообщение. "_s.repeated(8);
        showFitted(status, text, designed);
        QVERIFY(fitsItsArea(status) && status->text().endsWith(u'…'));
        QCOMPARE(status->toolTip(), text);
        showFitted(status, u"Обмен данными остановлен."_s, designed);
        QCOMPARE(status->font(), designed);
        QCOMPARE(status->toolTip(), QString());
    }

    // What the address box shows is the address used: typed before
    // "СТАРТ", or during the exchange and ended with Enter.
    void typedAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("address");
        QTest::newRow("5") << u"5"_s << false << 5;
        QTest::newRow("128") << u"128"_s << false << 128;
        QTest::newRow("129 put back") << u"129"_s << false << 1;
        QTest::newRow("letters put back") << u"5a"_s << false << 1;
        QTest::newRow("nothing put back") << QString() << false << 1;
        QTest::newRow("during the exchange") << u"7"_s << true << 1;
    }
    void typedAddress()
    {
        QFETCH(QString, typed);
        QFETCH(bool, running);
        QFETCH(int, address);
        Window w;
        QLineEdit *box = w.box("Text1");
        if (running)
            w.start(1);
        box->clear();
        QTest::keyClicks(box, typed);
        if (running)
            QTest::keyClick(box, Qt::Key_Return);
        else
            w.start(1);
        QCOMPARE(box->text(), QString::number(address));
        QCOMPARE(w.control<UpDown>("UpDown1")->Value(), address);
        QCOMPARE(w.form->exchange().address(), address);
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

        // A setting row: keys step the value once unlocked, Enter applies.
        w.start(1);
        QLineEdit *threshold = w.box("Text5");
        auto *spinner = w.control<UpDown>("UpDown2");
        QTest::keyClick(threshold, Qt::Key_Up);
        QCOMPARE(spinner->Value(), 1);
        w.check("Check2")->setChecked(true);
        QList<int> positions;
        for (Qt::Key key :
             {Qt::Key_Up, Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Down}) {
            QTest::keyClick(threshold, key);
            positions << spinner->Value();
        }
        QCOMPARE(positions, QList<int>({2, 12, 14, 4, 3}));
        QCOMPARE(threshold->text(), u"0,9"_s);
        QTest::keyClick(threshold, Qt::Key_Return);
        QVERIFY(!w.check("Check2")->isChecked());
        QCOMPARE(w.scheduler().mailbox(), u"$022f01020c\r"_s);  // address 2
    }

    // The designed colours hold under a dark system theme.
    void darkSystemTheme()
    {
        const QPalette system = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(system); });
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35), QColor(0x20, 0x20, 0x20)));
        Window w;
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            QCOMPARE(w.form->palette().color(group, QPalette::Window),
                     colorFromBgr(bgr::LightGrey));
            QCOMPARE(w.box("Text5")->palette().color(group, QPalette::Base), QColor(Qt::white));
            QCOMPARE(w.box("Text5")->palette().color(group, QPalette::Text), QColor(Qt::black));
            QCOMPARE(w.button("Command4")->palette().color(group, QPalette::ButtonText),
                     QColor(Qt::black));
        }
        QCOMPARE(w.button("Command3")->palette().color(QPalette::Disabled, QPalette::ButtonText),
                 QColor(0x80, 0x80, 0x80));
    }

    // The read-outs draw their frame from a cache: it must look exactly like
    // a frame drawn afresh, in each state the box is shown in.
    void readoutsLookAsDrawnDirectly_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("level 1") << QByteArray("Text2") << true;
        QTest::newRow("level 2, disabled") << QByteArray("Text11") << false;
        QTest::newRow("useful signal") << QByteArray("Text12") << true;
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
        // Drawn twice: the second paint comes from the cache, which holds
        // the frames of the rows before too.
        readout->grab();
        const QImage cached = readout->grab().toImage();
        const QImage direct = plain.grab().toImage();
        QCOMPARE(cached.size(), direct.size());
        // The frame, three pixels deep: the text is not cached.
        const int worst =
            worstChannelDifference(cached, direct, direct.rect().adjusted(3, 3, -3, -3));
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    // A read-out repaints itself without the form beneath: it must cover its
    // whole box, and look as it did over the form's own paint.
    void readoutsCoverTheirBox_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");
        QTest::newRow("level 1") << QByteArray("Text2") << true << u"2.51"_s;
        QTest::newRow("level 2, disabled") << QByteArray("Text11") << false << u"-0.07"_s;
        QTest::newRow("useful signal, empty") << QByteArray("Text12") << true << QString();
        QTest::newRow("mean") << QByteArray("Text3") << true << u"10.00"_s;
    }

    void readoutsCoverTheirBox()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, enabled);
        QFETCH(QString, text);
        Window w;
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QLineEdit *readout = w.box(name.constData());
        readout->setText(text);
        readout->setEnabled(enabled);
        QVERIFY(readout->testAttribute(Qt::WA_OpaquePaintEvent));

        // The box's own paint alone, on a colour nothing in the window has.
        QImage alone(readout->size(), QImage::Format_ARGB32_Premultiplied);
        alone.fill(Qt::magenta);
        readout->render(&alone, QPoint(), QRegion(), QWidget::RenderFlags());
        // The same box drawn the ordinary way, over the form's paint.
        readout->setAttribute(Qt::WA_OpaquePaintEvent, false);
        const QImage overForm = w.form->grab(readout->geometry())
                                    .toImage()
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        readout->setAttribute(Qt::WA_OpaquePaintEvent, true);

        QCOMPARE(alone.size(), overForm.size());
        const int worst = worstChannelDifference(alone, overForm);
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    void startLinkAndStop()
    {
        Window w;
        w.startAtAddress5();
        QCOMPARE(w.journalSince(0), QStringList{u"   Старт.   COM-порт: 1     Адрес: 5|"
                                                u" Старт.   COM-порт: 1     Адрес: 5"_s});
        QCOMPARE(w.label("Label6")->text(), QString());
        QCOMPARE(w.form->exchange().address(), 5);
        // The unlock boxes of the setting rows, "СТОП", the flank; the remote
        // test waits for a detector to answer.
        QCOMPARE(w.enabledControls(), u"Check10 Check11 Check12 Check13 Check14 Check2 Check3 "
                                      u"Check4 Check5 Check6 Check7 Check8 Check9 Combo2 "
                                      u"Command3 Command6"_s);
        QVERIFY(!w.check("Check1")->isChecked());
        QVERIFY(w.timer("Timer1")->isActive() && w.timer("Timer5")->isActive());

        // The first slot sets 4800 baud; an answer there ends the speed search.
        w.tick(protocol::kTicksPerSlot);
        w.port.deliver(statusReply(0));
        QCOMPARE(w.label("Label6")->text(), kLinkAlive);
        QCOMPARE(labelTextColor(w.label("Label6")), bgr::Blue);
        QCOMPARE(w.label("Label24")->text(), u"4800,N"_s);
        QVERIFY(w.button("Command5")->isEnabled());
        w.button("Command9")->click();  // a control pass, cut off by "СТОП" below

        w.chooseFlank2();  // polled and read back from now on
        QCOMPARE(w.form->exchange().flank(), 2);
        QCOMPARE(w.scheduler().startupSlotsLeft(), Scheduler::kReadBackLength);

        w.check("Check2")->setChecked(true);
        const qsizetype lines = w.fileLines();
        w.button("Command3")->click();
        QCOMPARE(w.journalSince(lines), QStringList{u"   Стоп| Стоп"_s});
        QCOMPARE(w.label("Label6")->text(), u"Обмен данными остановлен."_s);
        QCOMPARE(labelTextColor(w.label("Label6")), bgr::Black);
        QCOMPARE(w.enabledControls(), kStopped);
        QVERIFY(!w.check("Check2")->isChecked());
        QVERIFY(!w.port.isOpen() && !w.timer("Timer1")->isActive());
    }

    // The speed search names each speed it tries on the empty status line
    // of the start; the window's own messages replace it as designed, and a
    // stop after a silent period leaves the line empty as at the start.
    void speedSearchShown_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("answer") << u"answer"_s << kLinkAlive << bgr::Blue;
        QTest::newRow("СТОП") << u"stop"_s << u"Обмен данными остановлен."_s << bgr::Black;
        QTest::newRow("СТОП after a silent period") << u"silent stop"_s << QString() << bgr::Black;
        QTest::newRow("lost link")
            << u"lost"_s << u"Нет связи с блоком. Проверьте адрес и питание! "_s << bgr::Red;
    }
    void speedSearchShown()
    {
        QFETCH(QString, then);
        QFETCH(QString, shown);
        QFETCH(quint32, colour);
        Window w;
        w.start(1);
        QLabel *status = w.label("Label6");
        QCOMPARE(status->text(), QString());
        for (int baud : {4800, 9600, 19200}) {
            w.tick(protocol::kTicksPerSlot);
            QCOMPARE(status->text(), u"Поиск скорости: %1 бод…"_s.arg(baud));
            QCOMPARE(labelTextColor(status), bgr::Black);
            QVERIFY(fitsItsArea(status));
        }
        if (then == u"answer") {
            w.port.deliver(settingReply(settingRow(Setting::Gain).readCode, 5));
            w.tick(10 * protocol::kTicksPerSlot);  // the read-back and polls: nothing more tried
        } else if (then == u"stop") {
            w.button("Command3")->click();
        } else if (then == u"silent stop") {
            w.form->exchange().watchdogExpired();
            w.button("Command3")->click();
        } else {
            w.form->exchange().watchdogExpired();
            w.form->exchange().watchdogExpired();
        }
        QCOMPARE(status->text(), shown);
        if (!shown.isEmpty())
            QCOMPARE(labelTextColor(status), colour);
    }

    // On flank 2, a reply with state `before`, then one with `stateByte`.
    void statusShown_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("stateByte");
        QTest::addColumn<QString>("shown");  // Label4/back, Label25/text, Label16/text colour
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("alarm") << 0 << 1 << u"Тревога/ff| /0|Замкнут/0"_s
                               << QStringList{u"  Фланг -2  Тревога| Фланг -2  Тревога"_s};
        QTest::newRow("no change") << 1 << 1 << u"Тревога/ff| /0|Замкнут/0"_s << QStringList();
        QTest::newRow("bad level, tamper open")
            << 0 << 18 << u"Неисправность/ffff|Некорректный уровень ПМ!/ff|Разомкнут/ff"_s
            << QStringList{u"  Фланг -2  Некорректный уровень| Фланг -2  Некоректный уровень"_s,
                           u"  ДВ разомкнут| ДВ разомкнут"_s};
    }
    void statusShown()
    {
        QFETCH(int, before);
        QFETCH(int, stateByte);
        QFETCH(QString, shown);
        QFETCH(QStringList, journal);
        Window w;
        w.start(1);
        w.chooseFlank2();
        w.port.deliver(statusReply(before));
        const qsizetype lines = w.fileLines();
        w.port.deliver(statusReply(stateByte, 0, 0, 153, 26));
        const auto hex = [](quint32 c) { return QString::number(c, 16); };
        const QLabel *flank = w.label("Label4"), *note = w.label("Label25"),
                     *tamper = w.label("Label16");
        QCOMPARE(flank->text() + u'/' + hex(labelBackColor(flank)) + u'|' + note->text() + u'/' +
                     hex(labelTextColor(note)) + u'|' + tamper->text() + u'/' +
                     hex(labelTextColor(tamper)),
                 shown);
        QCOMPARE(w.journalSince(lines), journal);
        QCOMPARE(w.box("Text2")->text() + u'|' + w.box("Text11")->text(), u"3 В|0,51 В"_s);
    }

    // Setting replies on flank 1 after the row showed the read value 3.
    void settingShown_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");  // empty: the row keeps what it showed
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("threshold confirmed") << u"Check2"_s << false << 47 << 0 << u"0,7 @1"_s
                                             << QStringList{u"  Фланг -1  Установлен порог -0,7|"
                                                            u" Фланг -1  Установлен порог -0,7"_s};
        QTest::newRow("limit read")
            << u"Check11"_s << false << 21 << 2 << u"100"_s << QStringList();
        QTest::newRow("out of range")
            << u"Check2"_s << false << 17 << 14 << QString() << QStringList();
        QTest::newRow("being edited")
            << u"Check2"_s << true << 47 << 9 << QString() << QStringList();
    }
    void settingShown()
    {
        QFETCH(QString, box);
        QFETCH(bool, unlocked);
        QFETCH(int, code);
        QFETCH(int, value);
        QFETCH(QString, shown);
        QFETCH(QStringList, journal);
        Window w;
        w.start(1);
        const SettingControls row = w.rowOfBox(box);
        w.port.deliver(settingReply(settingRow(row.setting).readCode, 3));
        row.unlockBox->setChecked(unlocked);
        const QString before = w.rowShows(row);
        const qsizetype lines = w.fileLines();
        w.port.deliver(settingReply(code, value));
        QCOMPARE(w.rowShows(row), shown.isEmpty() ? before : shown);
        QCOMPARE(w.journalSince(lines), journal);
    }

    // Ticking a row unlocks it alone; unticking asks for the stored value;
    // "Применить" writes the position. Address 5, flank 2.
    void unlockAndApply_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("position");  // spinner position or list index
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("applied");  // the mailbox after "Применить"
        QTest::newRow("threshold 9") << u"Check2"_s << 9 << u"$0511020c\r"_s << u"$052f02080c\r"_s;
        QTest::newRow("limit 1000") << u"Check11"_s << 3 << u"$0515020c\r"_s << u"$053302030c\r"_s;
        QTest::newRow("limit, no item")
            << u"Check11"_s << -1 << u"$0515020c\r"_s << u"$0515020c\r"_s;
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
        own.unlockBox->setChecked(true);
        for (const SettingControls &row : findSettingControls(w.form.get())) {
            const bool isOwn = row.setting == own.setting;
            QCOMPARE(row.editor()->isEnabled(), isOwn);
            QCOMPARE(row.apply->isEnabled(), isOwn);
        }
        QCOMPARE(w.scheduler().mailboxCount(), queued);
        own.unlockBox->setChecked(false);
        QCOMPARE(w.scheduler().mailbox(), read);

        own.unlockBox->setChecked(true);
        if (own.list)
            own.list->setCurrentIndex(position);
        else
            own.spinner->setValue(position);
        own.apply->click();
        QCOMPARE(w.scheduler().mailbox(), applied);
        QVERIFY(!own.unlockBox->isChecked() && !own.apply->isEnabled());
    }

    // The gain's value box takes typing: after Enter or "Применить" it shows
    // what the next slot writes. Address 1, flank 1, the gain read as 3.
    void typedGain_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<bool>("byButton");  // "Применить" instead of Enter
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("7") << u"7"_s << true << false << u"7"_s << QByteArray("$012d01070c\r");
        QTest::newRow("7, Применить")
            << u"7"_s << true << true << u"7"_s << QByteArray("$012d01070c\r");
        QTest::newRow("1, the lowest")
            << u"1"_s << true << false << u"1"_s << QByteArray("$012d01010c\r");
        QTest::newRow("9, the highest")
            << u"9"_s << true << true << u"9"_s << QByteArray("$012d01090c\r");
        QTest::newRow("12 put back")
            << u"12"_s << true << false << u"3"_s << QByteArray("$012d01030c\r");
        QTest::newRow("0 put back")
            << u"0"_s << true << true << u"3"_s << QByteArray("$012d01030c\r");
        QTest::newRow("letters put back")
            << u"abc"_s << true << false << u"3"_s << QByteArray("$012d01030c\r");
        QTest::newRow("locked: put back, the poll goes on")
            << u"7"_s << false << false << u"3"_s << QByteArray("$010b010c\r");
    }
    void typedGain()
    {
        QFETCH(QString, typed);
        QFETCH(bool, unlocked);
        QFETCH(bool, byButton);
        QFETCH(QString, shown);
        QFETCH(QByteArray, written);
        Window w;
        w.start(1);
        w.tick((Scheduler::kStartupLength + 1) * protocol::kTicksPerSlot);
        w.port.deliver(settingReply(15, 3));
        QLineEdit *box = w.box("Text7");
        QCOMPARE(box->text(), u"3"_s);
        w.check("Check10")->setChecked(unlocked);
        box->clear();
        QTest::keyClicks(box, typed);
        if (byButton)
            w.button("Command7")->click();
        else
            QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), shown);
        const qsizetype before = w.port.written.size();
        w.tick(protocol::kTicksPerSlot);
        QCOMPARE(w.port.written.mid(before), QByteArrayList{written});
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

    void remoteTestAndJournalClearing()
    {
        Window w;
        w.start(1);
        QPushButton *remoteTest = w.button("Command5");
        w.port.deliver(statusReply(1));
        QVERIFY(!remoteTest->isEnabled());
        w.port.deliver(statusReply(0));
        QVERIFY(remoteTest->isEnabled());
        const qsizetype lines = w.fileLines();
        remoteTest->click();
        QVERIFY(!remoteTest->isEnabled());
        QCOMPARE(w.scheduler().mailbox(), u"$01030c\r"_s);
        QCOMPARE(w.journalSince(lines), QStringList{u"   Выполнен ДК| Выполнен ДК"_s});

        w.button("Command6")->click();
        QCOMPARE(w.journalListItems(), QStringList{w.stamp() + u"  Очистка журнала"_s});
        QCOMPARE(w.journalFileLines().last(), u"\""_s + w.stamp() + u" Очистка журнала\""_s);
    }

    // With no detector at the address the remote test cannot be asked, so
    // no test is journalled as done; the first valid reply allows it.
    void remoteTestWaitsForTheLink()
    {
        Window w;
        w.start(1);
        QPushButton *remoteTest = w.button("Command5");
        w.tick(20 * protocol::kTicksPerSlot);  // speed search, read-back, polls: no answer
        QVERIFY(!remoteTest->isEnabled());
        remoteTest->click();
        w.form->exchange().watchdogExpired();
        w.form->exchange().watchdogExpired();
        QCOMPARE(w.journalSince(1), QStringList({u"  НЕТ СВЯЗИ С БЛОКОМ!| НЕТ СВЯЗИ С БЛОКОМ!"_s,
                                                 u"   Стоп| Стоп"_s}));
        QVERIFY(!w.port.written.contains("$01030c\r"));

        w.start(1);
        w.tick(protocol::kTicksPerSlot);
        QVERIFY(!remoteTest->isEnabled());
        w.port.deliver(settingReply(settingRow(Setting::Gain).readCode, 5));
        QVERIFY(remoteTest->isEnabled());
    }

    // The state, level and signal read-outs are greyed once they no longer
    // tell the detector's state, their values still readable, and the next
    // status reply shows them as it sets them. Each look is "text/text
    // colour" and, for a label, "/face".
    void readingsGreyedWhileStale_data()
    {
        QTest::addColumn<QString>("how");  // s "СТОП", p polls missed, l the link lost
        QTest::addColumn<QStringList>("greyed");
        // The last reading, greyed as it stood.
        const QStringList lastReading{u"Тревога"_s + kGrey + kFace,
                                      u" "_s + kGrey + kFace,
                                      u"Разомкнут"_s + kGrey + kFace,
                                      u"3 В"_s + kGrey,
                                      u"0,51 В"_s + kGrey,
                                      u"1,96 В"_s + kGrey};
        QTest::newRow("after СТОП") << u"s"_s << lastReading;
        QTest::newRow("from the second missed poll") << u"p"_s << lastReading;
        QTest::newRow("the link lost") << u"l"_s
                                       << QStringList{u"Нет связи"_s + kGrey + kFace,
                                                      u" "_s + kGrey + kFace,
                                                      u" "_s + kGrey + kFace,
                                                      u" "_s + kGrey,
                                                      u" "_s + kGrey,
                                                      u" "_s + kGrey};
    }
    void readingsGreyedWhileStale()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, greyed);
        const char *readouts[] = {"Label4", "Label25", "Label16", "Text2", "Text11", "Text12"};
        Window w;
        const auto looks = [&] {
            QStringList out;
            for (const char *name : readouts) {
                const QWidget *readout = w.control<QWidget>(name);
                const bool label = qobject_cast<const QLabel *>(readout);
                const QPalette shown = readout->palette();
                QString look = textOf(readout) + u'/' +
                               QString::number(bgrFromColor(shown.color(label ? QPalette::WindowText
                                                                              : QPalette::Text)),
                                               16);
                if (label)
                    look += u'/' + QString::number(bgrFromColor(shown.color(QPalette::Window)), 16);
                out << look;
            }
            return out;
        };
        w.start(1);
        w.tick(protocol::kTicksPerSlot);
        w.port.deliver(settingReply(settingRow(Setting::Gain).readCode, 5));  // 4800 baud
        w.tick((Scheduler::kReadBackLength + 1) * protocol::kTicksPerSlot);
        w.button("Command9")->click();
        // Alarm with the tamper open, a useful signal above the threshold.
        w.port.deliver(statusReply(0x11, 200, 50, 153, 26));
        const QStringList live{u"Тревога/0/ff"_s, u" /0/c0c0c0"_s, u"Разомкнут/ff/c0c0c0"_s,
                               u"3 В/0"_s,        u"0,51 В/0"_s,   u"1,96 В/ff"_s};
        QCOMPARE(looks(), live);

        w.tick(protocol::kTicksPerSlot);  // a poll
        if (how == u"s"_s) {
            w.button("Command3")->click();
        } else if (how == u"p"_s) {
            w.tick(protocol::kTicksPerSlot);  // the poll missed, a second one
            QCOMPARE(looks(), live);
            w.tick(protocol::kTicksPerSlot);  // missed again
        } else {
            w.form->exchange().watchdogExpired();
            QCOMPARE(looks(), live);
            w.form->exchange().watchdogExpired();
        }
        QCOMPARE(looks(), greyed);
        if (!w.form->exchange().isRunning()) {
            // Greyed after "СТАРТ" too, until the detector answers a poll
            // ("СТАРТ" empties the state and the useful signal).
            w.start(1);
            w.tick(protocol::kTicksPerSlot);
            w.port.deliver(settingReply(settingRow(Setting::Gain).readCode, 5));
            for (const QString &look : looks())
                QVERIFY2(look.contains(kGrey), qPrintable(look));
        }

        // The next status reply: norm, tamper closed. The useful signal keeps
        // the red of the pass: on in the same exchange, ended by "СТАРТ".
        w.port.deliver(statusReply(0, 10, 50, 51, 102));
        QCOMPARE(looks(),
                 QStringList({u"Норма/0/ff00"_s, u" /0/c0c0c0"_s, u"Замкнут/0/c0c0c0"_s, u"1 В/0"_s,
                              u"2 В/0"_s, how == u"p"_s ? u"1,08 В/ff"_s : u"/ff"_s}));
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

        // The useful signal, red from the threshold up.
        QLineEdit *useful = w.box("Text12");
        w.port.deliver(statusReply(0, 100, 50));
        QCOMPARE(useful->text(), u"0,98 В"_s);
        QCOMPARE(bgrFromColor(useful->palette().color(QPalette::Text)), bgr::Red);
        w.port.deliver(statusReply(0, 0, 50));
        QCOMPARE(bgrFromColor(useful->palette().color(QPalette::Text)), bgr::Black);
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

    // Clicks on the scale boxes; the boxes ticked and the scales set.
    void scalePairs_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("ticked");
        QTest::addColumn<int>("volts");
        QTest::addColumn<int>("seconds");
        QTest::newRow("none") << QString() << u"Check6 Check8"_s << 1000 << 120;
        QTest::newRow("ticked 1В") << u"Check6"_s << u"Check7 Check8"_s << 2000 << 120;
        QTest::newRow("and back") << u"Check6 Check6"_s << u"Check6 Check8"_s << 1000 << 120;
        QTest::newRow("1c") << u"Check9"_s << u"Check6 Check9"_s << 1000 << 60;
        QTest::newRow("ticked 0,5c") << u"Check8"_s << u"Check6 Check9"_s << 1000 << 60;
    }
    void scalePairs()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, ticked);
        QFETCH(int, volts);
        QFETCH(int, seconds);
        Window w;
        for (const QString &name : clicks.split(u' ', Qt::SkipEmptyParts))
            QTest::mouseClick(w.check(qPrintable(name)), Qt::LeftButton, {}, QPoint(5, 5));
        QStringList tickedNow;
        for (const char *name : {"Check6", "Check7", "Check8", "Check9"})
            if (w.check(name)->isChecked())
                tickedNow << QLatin1String(name);
        QCOMPARE(tickedNow.join(u' '), ticked);
        QCOMPARE(w.form->chart().voltScale(), volts);
        QCOMPARE(w.form->chart().timeScale(), seconds);
    }

    // Events ("sound+", "sound-", "alarm", "norm", "long": Timer4 set to a
    // minute, which a restart would undo); then Timer4's interval, 0 when off.
    void alarmTone_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("interval");
        QTest::newRow("alarm with sound") << u"sound+ alarm"_s << 700;
        QTest::newRow("alarm without sound") << u"alarm"_s << 0;
        QTest::newRow("alarm, then norm") << u"sound+ alarm norm"_s << 0;
        QTest::newRow("alarm, then sound off") << u"sound+ alarm sound-"_s << 0;
        QTest::newRow("repeated alarm keeps the phase") << u"sound+ alarm long alarm"_s << 60000;
    }
    void alarmTone()
    {
        QFETCH(QString, events);
        QFETCH(int, interval);
        Window w;
        w.start(1);
        QTimer *tone = w.timer("Timer4");
        for (const QString &e : events.split(u' ')) {
            if (e.startsWith(u"sound"))
                w.check("Check3")->setChecked(e.endsWith(u'+'));
            else if (e == u"long")
                tone->setInterval(60000);
            else
                w.port.deliver(statusReply(e == u"alarm" ? 1 : 0));
        }
        QCOMPARE(tone->isActive() ? tone->interval() : 0, interval);
        if (tone->isActive()) {
            QVERIFY(QMetaObject::invokeMethod(tone, "timeout"));
            QCOMPARE(w.alarm.restarts, 1);
        }
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

    // The list keeps the newest entries up to its limit, newest on top.
    void journalListBounded()
    {
        Window w;
        auto *list = w.control<JournalListView>("List1");
        for (int i = 0; i < MonitorPanel::kJournalListLimit; ++i)
            list->insertEntry(QString::number(i));
        w.start(1);
        QCOMPARE(list->count(), MonitorPanel::kJournalListLimit);
        QVERIFY(list->entry(0).contains(u"Старт"));
        QCOMPARE(list->entry(1), QString::number(MonitorPanel::kJournalListLimit - 1));
        QCOMPARE(list->entry(list->count() - 1), u"1"_s);
    }

    void linkLost()
    {
        Window w;
        w.start(1);
        QVERIFY(!w.chartShowsTrace());
        w.port.deliver(settingReply(settingRow(Setting::Threshold).readCode, 3));
        w.port.deliver(statusReply(0, 76, 50, 153, 26));
        w.button("Command9")->click();
        w.port.deliver(statusReply(0, 76, 50, 153, 26));
        QVERIFY(w.chartShowsTrace());
        const qsizetype lines = w.fileLines();

        // One silent period resets the port; the screen stays as it is.
        w.form->exchange().watchdogExpired();
        QCOMPARE(w.label("Label6")->text(), kLinkAlive);
        QCOMPARE(w.fileLines(), lines);

        w.form->exchange().watchdogExpired();
        QCOMPARE(
            w.journalSince(lines),
            QStringList({u"  НЕТ СВЯЗИ С БЛОКОМ!| НЕТ СВЯЗИ С БЛОКОМ!"_s, u"   Стоп| Стоп"_s}));
        QCOMPARE(w.label("Label6")->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);
        QVERIFY(fitsItsArea(w.label("Label6")));
        QCOMPARE(labelTextColor(w.label("Label6")), bgr::Red);
        QCOMPARE(w.label("Label4")->text(), u"Нет связи"_s);
        QCOMPARE(labelBackColor(w.label("Label4")), bgr::White);
        for (const char *blank : {"Label16", "Text2", "Text11", "Text12", "Text3", "Text5"})
            QCOMPARE(textOf(w.control<QWidget>(blank)), u" "_s);
        QCOMPARE(w.enabledControls(), kStopped);
        QVERIFY(!w.port.isOpen() && !w.timer("Timer5")->isActive());
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
