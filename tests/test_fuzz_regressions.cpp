// Replays every input of fuzz/corpus through the harness of the fuzz target,
// in one window as the fuzzer does, and checks after each that the window
// still works: the exchange runs, a split status reply pauses and resumes the
// exchange timer and updates the read-outs.
#include "fuzz/harness.h"
#include "params/numbertext.h"
#include "support/replies.h"

// The fuzz build compiles the same harness with sanitizers.
#include "fuzz/harness.cpp"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void replay_data();
    void replay();

private:
    std::unique_ptr<ReceiveHarness> m_harness;
};

void TestFuzzRegressions::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    m_harness = std::make_unique<ReceiveHarness>();
}

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QFINDTESTDATA("../fuzz/corpus"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    // An empty or missing corpus would make this test nothing.
    QVERIFY2(files.size() >= 20, qPrintable(dir.path()));
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestFuzzRegressions::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    m_harness->run(file.readAll());

    Form1 &f = m_harness->form();
    QVERIFY(f.Command3->isEnabled());  // the exchange still runs
    const QByteArray status = statusReply(0, 100, 50, 153, 26);
    m_harness->port().deliver(status.left(9));
    QVERIFY(!f.Timer1->isActive());
    m_harness->port().deliver(status.mid(9));
    QVERIFY(f.Timer1->isActive());
    QCOMPARE(f.state().CntPoteriObm, qint16(0));
    QCOMPARE(f.Text2->text(), voltsReadout(153 / 51.0));
    QCOMPARE(f.Text11->text(), voltsReadout(26 / 51.0));
}

QTEST_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
