#include "app/datapaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Lays out a scratch tree from a list of relative paths: a path ending in
// "/" is a folder, anything else an empty file.
void layOut(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = root + u'/' + entry;
        QVERIFY(QDir().mkpath(entry.endsWith(u'/') ? path : QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY2(entry.endsWith(u'/') || file.open(QIODevice::WriteOnly), qPrintable(path));
    }
}

}  // namespace

class DataPathsTest : public QObject {
    Q_OBJECT
private slots:
    void journal_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("programFolder");  // relative to the scratch folder, or absolute
        QTest::addColumn<bool>("besideProgram");

        QTest::newRow("writable program folder") << QStringList{u"app/"_s} << u"app"_s << true;
        QTest::newRow("tone beside the program and in ../share")
            << QStringList{u"usr/bin/ringout.wav"_s, u"usr/share/verkan-r/ringout.wav"_s}
            << u"usr/bin"_s << true;
        QTest::newRow("program folder under a regular file")
            << QStringList{u"file"_s} << u"file/bin"_s << false;
        QTest::newRow("program folder in /proc") << QStringList{} << u"/proc/self"_s << false;
        // Root may write /usr/bin; an installation's bin folder still stays clean.
        QTest::newRow("writable bin folder of an installation")
            << QStringList{u"usr/bin/"_s, u"usr/share/verkan-r/ringout.wav"_s} << u"usr/bin"_s
            << false;
    }
    void journal()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, programFolder);
        QFETCH(bool, besideProgram);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        layOut(root.path(), entries);
        const QString program =
            QDir::isAbsolutePath(programFolder) ? programFolder : root.filePath(programFolder);
        const QString fallback = root.filePath(u"home/.local/share/verkan-r"_s);

        const QString path = DataPaths::journalFilePath(program, fallback);

        const QString expectedFolder = besideProgram ? program : fallback;
        QCOMPARE(path, QDir(expectedFolder).filePath(u"Jurnal.txt"_s));
        // The fallback folder is made only when it is used.
        QCOMPARE(QFileInfo(fallback).isDir(), !besideProgram);
        // The journal can be written where the path points.
        QFile journal(path);
        QVERIFY2(journal.open(QIODevice::Append), qPrintable(path));
    }
    void tone_data()
    {
        QTest::addColumn<QStringList>("entries");
        // The first data folder is the installed one, as the program passes it.
        QTest::addColumn<QString>("expected");  // relative to the scratch folder

        const QString beside = u"usr/bin/ringout.wav"_s;
        const QString installed = u"usr/share/verkan-r/ringout.wav"_s;
        const QString user = u"home/share/verkan-r/ringout.wav"_s;
        const QString system = u"opt/share/verkan-r/ringout.wav"_s;
        QTest::newRow("beside the program first")
            << QStringList{beside, installed, user, system} << beside;
        QTest::newRow("installed data folder") << QStringList{installed} << installed;
        QTest::newRow("second data folder") << QStringList{user, system} << user;
        QTest::newRow("a folder named like the tone is no tone")
            << QStringList{u"usr/bin/ringout.wav/"_s, system} << system;
        QTest::newRow("missing everywhere") << QStringList{} << beside;
    }
    void tone()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, expected);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        layOut(root.path(), entries);
        QVERIFY(QDir().mkpath(root.filePath(u"usr/bin"_s)));
        const QStringList dataFolders{root.filePath(u"usr/share/verkan-r"_s),
                                      root.filePath(u"home/share/verkan-r"_s),
                                      root.filePath(u"opt/share/verkan-r"_s)};

        const QString path = DataPaths::toneFilePath(root.filePath(u"usr/bin"_s), dataFolders);

        QCOMPARE(path, root.filePath(expected));
        // Found means a file there; not found means nothing there at all.
        QCOMPARE(QFileInfo(path).isFile(), entries.contains(expected));
    }
};

QTEST_GUILESS_MAIN(DataPathsTest)
#include "test_datapaths.moc"
