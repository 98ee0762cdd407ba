// Replays every input of fuzz/corpus through the harness of the fuzz target,
// in one window as the fuzzer does, and checks after each that the window
// still works: the exchange runs, a split status reply pauses and resumes
// the exchange timer and updates the level read-outs.

#include "harness.h"
#include "link/exchange.h"
#include "support/replies.h"

#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        m_harness = std::make_unique<ReceiveHarness>();
    }
    void replay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QFINDTESTDATA("../fuzz/corpus"));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        // An empty or missing corpus would make this test nothing.
        QVERIFY2(files.size() >= 20, qPrintable(dir.path()));
        for (const QString &name : files)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_harness->run(file.readAll());

        FormFixture &f = m_harness->fixture();
        QVERIFY(f.form->exchange().isRunning());
        auto *tick = f.control<QTimer>("Timer1");
        const QByteArray status = statusReply(0, 100, 50, 153, 26);
        f.port.deliver(status.left(9));
        QVERIFY(!tick->isActive());
        f.port.deliver(status.mid(9));
        QVERIFY(tick->isActive());
        QCOMPARE(f.form->exchange().silentPeriods(), 0);
        QCOMPARE(f.control<QLineEdit>("Text2")->text(), QStringLiteral("3 В"));
        QCOMPARE(f.control<QLineEdit>("Text11")->text(), QStringLiteral("0,51 В"));
    }

private:
    std::unique_ptr<ReceiveHarness> m_harness;
};

QTEST_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
