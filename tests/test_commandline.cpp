#include "base/commandline.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The exit status every program answers its command line with: -1 to go on,
// 0 after --help or --version, 2 for anything it does not take.
class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void status_data();
    void status();
};

void CommandLineTest::status_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");

    QTest::newRow("nothing") << QStringList{} << -1;
    QTest::newRow("help") << QStringList{u"--help"_s} << 0;
    QTest::newRow("short version") << QStringList{u"-v"_s} << 0;
    QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << 2;
    QTest::newRow("argument") << QStringList{u"extra"_s} << 2;
    QTest::newRow("help with an unknown option") << QStringList{u"--help"_s, u"-x"_s} << 2;
    QTest::newRow("version with an argument") << QStringList{u"-v"_s, u"extra"_s} << 2;
}

void CommandLineTest::status()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);

    QCommandLineParser parser;
    QCOMPARE(CommandLine::parse(parser, QStringList{u"program"_s} + arguments), status);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
