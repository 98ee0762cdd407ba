// Settings of both flanks changed through the window on the real serial
// service, against the simulated detector on a pseudo-terminal. The waits are
// generous safety nets: every step normally completes within a few slots.

#include "app/form1.h"
#include "app/updown.h"
#include "link/comports.h"
#include "link/qtserialport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 20000;

// What the rows show for a flank.
struct Rows {
    QString limit, gain, threshold, accumulation, front, alarmTime, selfTest;
};
// The simulator's defaults.
const Rows kFlank1{u"10"_s, u"5"_s, u"1,5"_s, u"200"_s, u"6"_s, u"2"_s, u"100"_s};
const Rows kFlank2{u"100"_s, u"6"_s, u"1,3"_s, u"350"_s, u"10"_s, u"3"_s, u"200"_s};

// The simulator in a child process, its output collected line by line.
class Simulator {
public:
    Simulator()
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                m_lines << QString::fromLocal8Bit(m_process.readLine()).trimmed();
        });
    }
    ~Simulator()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool start()
    {
        m_process.start(QStringLiteral(VERKAN_SIM_PATH),
                        {u"--baud"_s, u"9600"_s, u"--address"_s, u"1"_s, u"--link"_s, linkPath()});
        return m_process.waitForStarted(kTimeout);
    }
    QString linkPath() const { return m_dir.filePath(u"tty"_s); }
    QString missingPath(int n) const { return m_dir.filePath(u"none%1"_s.arg(n)); }
    void command(const QString &line) { m_process.write(line.toLocal8Bit() + '\n'); }
    const QStringList &lines() const { return m_lines; }
    // The last line of output that starts with `prefix`.
    QString lastLine(const QString &prefix) const
    {
        for (qsizetype i = m_lines.size() - 1; i >= 0; --i)
            if (m_lines[i].startsWith(prefix))
                return m_lines[i];
        return QString();
    }
    void forget() { m_lines.clear(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_lines;
};

struct Bench {
    Simulator sim;
    QTemporaryDir journalDir;
    std::unique_ptr<QtSerialPortService> port;
    std::unique_ptr<Form1> form;

    bool setUp()
    {
        if (!sim.start())
            return false;
        // The simulator's first line is its terminal; the link exists then.
        if (!QTest::qWaitFor([this] { return !sim.lines().isEmpty(); }, kTimeout))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VERKAN_COM1"_s, sim.linkPath());
        for (int n = 2; n <= kLastComPort; ++n)
            env.insert(u"VERKAN_COM%1"_s.arg(n), sim.missingPath(n));
        port = std::make_unique<QtSerialPortService>(env);
        Form1Dependencies deps;
        deps.port = port.get();
        deps.journalPath = journalPath();
        form = std::make_unique<Form1>(deps);
        return form->Combo3->findText(u"1"_s) >= 0;
    }
    ~Bench() { form.reset(); }

    QString journalPath() const { return journalDir.filePath(u"Jurnal.txt"_s); }
    void start()
    {
        form->Combo3->setCurrentIndex(form->Combo3->findText(u"1"_s));
        form->startExchange();
    }
    void chooseFlank(int flank)
    {
        form->Combo2->setCurrentIndex(form->Combo2->findText(QString::number(flank)));
        form->flankChosen();
    }
    bool shows(const Rows &v) const
    {
        const Form1 &w = *form;
        return w.Combo1->currentText() == v.limit && w.Text7->text() == v.gain &&
               w.Text5->text() == v.threshold && w.Text6->text() == v.accumulation &&
               w.Text9->text() == v.front && w.Text10->text() == v.alarmTime &&
               w.Text4->text() == v.selfTest;
    }
    QString rows() const
    {
        const Form1 &w = *form;
        return QStringList{w.Combo1->currentText(), w.Text7->text(), w.Text5->text(),
                           w.Text6->text(),         w.Text9->text(), w.Text10->text(),
                           w.Text4->text()}
            .join(u" | "_s);
    }
    // A list entry (time stamp first) ending with `text`.
    bool listHas(const QString &text) const
    {
        for (int i = 0; i < form->List1->count(); ++i)
            if (form->List1->item(i)->text().endsWith(text))
                return true;
        return false;
    }
    bool fileHas(const QString &text) const
    {
        QFile file(journalPath());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
        for (const QString &line : lines)
            if (line.startsWith(u'"') && line.endsWith(text + u"\""_s))
                return true;
        return false;
    }
};

}  // namespace

class E2eSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void settingsOfBothFlanks();
    void alarmReachesTheWindow();
};

void E2eSettingsTest::settingsOfBothFlanks()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);

    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank2), qPrintable(b.rows()), kTimeout);

    // Gain 6 -> 8 for flank 2.
    w.Check10->setChecked(true);
    w.UpDown4->stepUp();
    w.UpDown4->stepUp();
    QCOMPARE(w.Text7->text(), u"8"_s);
    w.Command7->click();
    QTRY_VERIFY_WITH_TIMEOUT(b.listHas(u"  Фланг -2  Установлено усиление -8"_s), kTimeout);

    // Threshold position 7 (1,3) -> 12 (1,8): value byte 11.
    w.Check2->setChecked(true);
    w.UpDown2->setValue(12);
    w.Command2->click();
    QTRY_VERIFY_WITH_TIMEOUT(b.listHas(u"  Фланг -2  Установлен порог -1,8"_s), kTimeout);
    QCOMPARE(w.Text7->text(), u"8"_s);
    QCOMPARE(w.Text5->text(), u"1,8"_s);
    QCOMPARE(w.UpDown2->Value(), 12);
    QVERIFY(b.fileHas(u" Фланг -2  Установлено усиление -8"_s));
    QVERIFY(b.fileHas(u" Фланг -2  Установлен порог -1,8"_s));

    // The detector holds the new values for flank 2 only.
    b.sim.forget();
    b.sim.command(u"status"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!b.sim.lastLine(u"flank 2:"_s).isEmpty(), kTimeout);
    const QString flank1 = b.sim.lastLine(u"flank 1:"_s);
    const QString flank2 = b.sim.lastLine(u"flank 2:"_s);
    QVERIFY2(flank2.contains(u"gain 8,"_s) && flank2.contains(u"threshold 11,"_s),
             qPrintable(flank2));
    QVERIFY2(flank1.contains(u"gain 5,"_s) && flank1.contains(u"threshold 8,"_s),
             qPrintable(flank1));

    // Flank 1 shows its own values, and flank 2 its new ones when chosen again.
    b.chooseFlank(1);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);
    Rows changed = kFlank2;
    changed.gain = u"8"_s;
    changed.threshold = u"1,8"_s;
    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(changed), qPrintable(b.rows()), kTimeout);
}

void E2eSettingsTest::alarmReachesTheWindow()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    b.sim.command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QCOMPARE(Form1::labelBackColor(w.Label4), quint32(0x0000FF));
    QVERIFY(!w.Command5->isEnabled());
    QVERIFY(b.listHas(u"  Фланг -1  Тревога"_s));
    QVERIFY(b.fileHas(u" Фланг -1  Тревога"_s));
}

QTEST_MAIN(E2eSettingsTest)
#include "test_e2e_settings.moc"
