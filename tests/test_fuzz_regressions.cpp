// Replays every input of the fuzz corpus (fuzz/corpus) through the same
// harness the fuzz target uses, in one window as the fuzzer does, and checks
// after each that the window still works: the exchange runs, a status reply
// split over two receive events pauses and resumes the exchange timer and
// updates the read-outs, and a setting reply reaches its row. Inputs that
// once crashed the program stay in the corpus, so they are replayed here by
// the ordinary build.

#include "app/sharedstate.h"
#include "app/updown.h"
#include "fuzz/harness.h"
#include "params/numbertext.h"

// The harness is compiled into this test directly; the fuzz build compiles
// the same file with sanitizers.
#include "fuzz/harness.cpp"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray out = "!";
    int sum = 0;
    for (int b : bytes) {
        out += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    return out + QByteArray::number(sum & 0xFF, 16).rightJustified(2, '0') + '\r';
}

// The parts of the shared state one input decides.
QStringList stateSummary(const SharedState &s)
{
    return {s.buf1,
            QString::number(s.Mode),
            QString::number(s.X1),
            QString::number(s.Y1),
            QString::number(s.TY1),
            QString::number(s.OLDSostKanNoDV),
            QString::number(s.OLDDV),
            QString::number(s.SumSrZn),
            QString::number(s.cntSr),
            QString::number(s.FlStartIzmer),
            QString::number(s.CntComOutBuf),
            s.TekCom,
            s.ZaprosCom};
}

}  // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void corpusIsThere();
    void replay_data();
    void replay();

private:
    QString m_corpus;
    std::unique_ptr<ReceiveHarness> m_harness;
};

void TestFuzzRegressions::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    m_corpus = QFINDTESTDATA("../fuzz/corpus");
    QVERIFY2(!m_corpus.isEmpty(), "fuzz/corpus not found beside tests/");
    m_harness = std::make_unique<ReceiveHarness>();
}

void TestFuzzRegressions::corpusIsThere()
{
    // An empty or missing corpus would make replay() test nothing.
    const QStringList files = QDir(m_corpus).entryList(QDir::Files);
    QVERIFY2(files.size() >= 20, qPrintable(QString::number(files.size())));
}

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(m_corpus);
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestFuzzRegressions::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    Form1 &f = m_harness->form();

    // The same input gives the same result: a failure found by the fuzzer
    // replays from its input alone.
    m_harness->run(input);
    const QStringList first = stateSummary(f.state());
    m_harness->run(input);
    QCOMPARE(stateSummary(f.state()), first);

    // The exchange still runs.
    QVERIFY(f.Command3->isEnabled());
    QVERIFY(!f.Command4->isEnabled());

    // A status reply in two receive events: the open body pauses the
    // exchange timer, its CR resumes it and the read-outs follow the reply.
    f.Text2->setText(QString());
    f.Text11->setText(QString());
    const QByteArray status = frame({0x0b, 0x40, 0x06, 0x20, 0x03, 0x00, 153, 26});
    m_harness->port().deliver(status.left(9));
    QCOMPARE(f.state().Mode, qint16(1));
    QVERIFY(!f.Timer1->isActive());
    m_harness->port().deliver(status.mid(9));
    QCOMPARE(f.state().Mode, qint16(0));
    QVERIFY(f.Timer1->isActive());
    QVERIFY(f.Timer5->isActive());
    QCOMPARE(f.state().CntPoteriObm, qint16(0));
    QCOMPARE(f.Label6->text(), QStringLiteral("Установлена связь с блоком. Обмен данными..."));
    QCOMPARE(f.Text2->text(), voltsReadout(153 / 51.0));
    QCOMPARE(f.Text11->text(), voltsReadout(26 / 51.0));

    // A gain reply reaches the gain row once its box is unticked.
    f.Check10->setChecked(false);
    f.UpDown4->setValue(1);
    m_harness->port().deliver(frame({0x0f, 7}));
    QCOMPARE(f.UpDown4->Value(), 7);
    QCOMPARE(f.Text7->text(), QStringLiteral("7"));
}

QTEST_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
