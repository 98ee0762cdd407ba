// Wiring of the monitoring side of the window: replies delivered through the
// fake port reach the indication, journal, Command5, Timer4, chart and pass.

#include "app/chartview.h"
#include "app/colors.h"
#include "diagram/chartcanvas.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// Runs space-separated events ("sN*k": k norm replies with signal N, threshold
// 50; "9"/"8": Command9/Command8) and returns the probe after each, "|"-joined.
QString runScenario(FormFixture &f, const QString &events, const QString &probe)
{
    Form1 &w = *f.form;
    QStringList seen;
    bool started = false;
    for (const QString &e : events.split(u' ')) {
        if (e == u"start")
            started ? w.startExchange() : f.start(1), started = true;
        else if (e == u"stop")
            w.stopExchange();
        else if (e == u"norm" || e == u"alarm")
            f.port.deliver(statusReply(e == u"alarm" ? 1 : 0));
        else if (e.startsWith(u's') && e.size() > 1 && e[1].isDigit())
            for (int i = 0; i < qMax(1, e.section(u'*', 1).toInt()); ++i)
                f.port.deliver(statusReply(0, e.mid(1).section(u'*', 0, 0).toInt(), 50));
        else if (e == u"click" || e == u"9" || e == u"8")
            (e == u"9" ? w.Command9 : e == u"8" ? w.Command8 : w.Command5)->click();
        else if (e == u"60s")  // a restart of Timer4 would set 700 again
            w.Timer4->setInterval(60000);
        else
            w.Check3->setChecked(e == u"snd+");
        const quint32 colour12 = bgrFromColor(w.Text12->palette().color(QPalette::Text));
        seen << (probe == u"Command5" ? QString::number(w.Command5->isEnabled())
                 : probe == u"Timer4"
                     ? QString::number(w.Timer4->isActive() ? w.Timer4->interval() : 0)
                 : probe == u"Text3" ? w.Text3->text()
                                     : w.Text12->text() + u'/' + QString::number(colour12, 16));
    }
    return seen.join(u'|');
}

// True when a pure blue pixel lies within one pixel of the flat trace drawn
// by signal 76 (1,49 V): y = 5100 - 1490 twips, away from every grid line.
bool traceShown(const QImage &image)
{
    const QPoint p = ChartCanvas::toPixels(180, 3610);
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (image.pixelColor(p + QPoint(dx, dy)) == QColor(0, 0, 255))
                return true;
    return false;
}
}  // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void indication_data()  // after choosing flank 2 and a reply "before"
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("stateByte");
        QTest::addColumn<QString>("labels");     // "text/colour" of Label4, 25, 16
        QTest::addColumn<QStringList>("lines");  // journalled "list text|file text"
        const QString flank = u"  Фланг -2  %1| Фланг -2  %1"_s;
        QTest::newRow("norm") << 1 << 0 << u"Норма/ff00| /0/window|Замкнут/0"_s
                              << QStringList{flank.arg(u"Норма")};
        QTest::newRow("alarm") << 0 << 1 << u"Тревога/ff| /0/window|Замкнут/0"_s
                               << QStringList{flank.arg(u"Тревога")};
        QTest::newRow("bad level, tamper open")
            << 0 << 18 << u"Неисправность/ffff|Некорректный уровень ПМ!/ff/window|Разомкнут/ff"_s
            << QStringList{u"  Фланг -2  Некорректный уровень| Фланг -2  Некоректный уровень"_s,
                           u"  ДВ разомкнут| ДВ разомкнут"_s};
    }
    void indication()
    {
        QFETCH(int, before);
        QFETCH(int, stateByte);
        QFETCH(QString, labels);
        QFETCH(QStringList, lines);
        FormFixture f;
        Form1 &w = *f.form;
        f.start(1);
        w.Combo2->setCurrentIndex(w.Combo2->findText(u"2"_s));
        w.flankChosen();
        f.port.deliver(statusReply(before));
        const int listBefore = w.List1->count();
        const int fileBefore = int(f.journalFileLines().size());
        f.port.deliver(statusReply(stateByte));

        const auto hex = [](quint32 c) { return QString::number(c, 16); };
        const bool window25 = Form1::labelBackColor(w.Label25) == w.windowBackColor();
        QCOMPARE(QStringList({w.Label4->text() + u'/' + hex(Form1::labelBackColor(w.Label4)),
                              w.Label25->text() + u'/' + hex(Form1::labelTextColor(w.Label25)) +
                                  (window25 ? u"/window"_s : u""_s),
                              w.Label16->text() + u'/' + hex(Form1::labelTextColor(w.Label16))})
                     .join(u'|'),
                 labels);
        const QStringList list = f.journalListItems(), file = f.journalFileLines().mid(fileBefore);
        QCOMPARE(w.List1->count() - listBefore, file.size());
        QStringList got, want;  // the list shows the newest on top
        for (int i = 0; i < file.size(); ++i)
            got << list[file.size() - 1 - i] + u'|' + file[i];
        for (const QString &l : lines)
            want << f.stamp() + l.section(u'|', 0, 0) + u"|\""_s + f.stamp() + l.section(u'|', 1) +
                        u'"';
        QCOMPARE(got, want);
    }

    // Row name: the probe; events, then the probe after each event.
    void scenario_data()
    {
        QTest::addColumn<QString>("events");
        QTest::newRow("Command5") << "start alarm norm click norm stop = 1|0|1|0|1|0";
        QTest::newRow("Timer4: alarm, norm") << "start snd+ alarm norm = 0|0|700|0";
        QTest::newRow("Timer4: not restarted")
            << "start snd+ alarm 60s alarm = 0|0|700|60000|60000";
        QTest::newRow("Timer4: untick") << "start snd+ alarm snd- = 0|0|700|0";
        QTest::newRow("Timer4: no sound") << "start alarm = 0|0";
        // The first sample of a pass is averaged with 0.
        QTest::newRow("Text12: at threshold") << "start s100 9 s100 = /0|/0|/0|0,98 В/ff";
        QTest::newRow("Text12: below") << "start s99 9 s99 = /0|/0|/0|0,97 В/0";
        QTest::newRow("Text3: one block") << "start norm 9 s102*9 8 s102 = |||||2 В";
        QTest::newRow("Text3: stopped early") << "start norm 9 s102*3 8 s102 = |||||";
        QTest::newRow("Text3: after a pass cut off by stop")
            << "start norm 9 s102*9 stop start norm 9 s0 8 s0 = ||||||||||";
    }
    void scenario()
    {
        QFETCH(QString, events);
        FormFixture f;
        const QString probe = QString::fromLatin1(QTest::currentDataTag()).section(u':', 0, 0);
        QCOMPARE(runScenario(f, events.section(u" = "_s, 0, 0), probe),
                 events.section(u" = "_s, 1));
    }
    void remoteTestRequest()
    {
        FormFixture f;
        f.start(1);
        f.form->Command5->click();
        QCOMPARE(f.form->state().TekCom, u"$01030c\r"_s);
        QCOMPARE(f.journalListItems().first(), f.stamp() + u"   Выполнен ДК"_s);
        QCOMPARE(f.journalFileLines().last(), u"\""_s + f.stamp() + u" Выполнен ДК\""_s);
        f.tick(14 * 6);  // after the thirteen frames of the start-up sequence
        QCOMPARE(f.port.written.last(), QByteArray("$01030c\r"));
        QCOMPARE(f.port.written.count("$01030c\r"), 1);
    }

    void chartSurvivesRepaint()
    {
        FormFixture f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        f.start(1);
        QVERIFY(!traceShown(f.form->Picture1->grab().toImage()));
        for (int i = 0; i < 3; ++i)
            f.port.deliver(statusReply(0, 76));
        f.form->repaint();
        QCoreApplication::processEvents();
        QVERIFY(traceShown(f.form->Picture1->grab().toImage()));
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
