#include "app/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Makes an empty file, with the folders above it.
void touch(const QString &path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

// Lays out a scratch tree from a list of relative paths: a path ending in
// "/" is a folder, anything else an empty file.
void layOut(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(u'/'))
            QVERIFY(QDir().mkpath(root + u'/' + entry));
        else
            touch(root + u'/' + entry);
    }
}

}  // namespace

class DataPathsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void folderWritable_data();
    void folderWritable();
    void probeLeavesNothingBehind();
    void journal_data();
    void journal();
    void journalFallbackFolderIsMadeWithItsParents();
    void journalFallbackIsTheUserDataFolder();
    void tone_data();
    void tone();
    void toneDataFolders();
    void installedProgramFindsItsToneAndKeepsOutOfBin();

private:
    QTemporaryDir m_scratch;
};

void DataPathsTest::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    QCoreApplication::setApplicationName(u"verkan-r"_s);
    QCoreApplication::setOrganizationName(QString());
}

void DataPathsTest::folderWritable_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("folder");  // relative to a fresh scratch folder, or absolute
    QTest::addColumn<bool>("writable");

    QTest::newRow("plain folder") << QStringList{u"app/"_s} << u"app"_s << true;
    QTest::newRow("folder holding files")
        << QStringList{u"app/verkan-r"_s, u"app/Jurnal.txt"_s} << u"app"_s << true;
    QTest::newRow("missing folder") << QStringList{} << u"app"_s << false;
    // Nothing can be made under a regular file, not even by root.
    QTest::newRow("path under a regular file") << QStringList{u"file"_s} << u"file/app"_s << false;
    QTest::newRow("regular file instead of a folder") << QStringList{u"app"_s} << u"app"_s << false;
    // /proc accepts no new files from anyone.
    QTest::newRow("/proc") << QStringList{} << u"/proc"_s << false;
}

void DataPathsTest::folderWritable()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, folder);
    QFETCH(bool, writable);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    layOut(root.path(), entries);
    const QString path = QDir::isAbsolutePath(folder) ? folder : root.filePath(folder);
    QCOMPARE(DataPaths::folderWritable(path), writable);
}

void DataPathsTest::probeLeavesNothingBehind()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(DataPaths::folderWritable(root.path()));
    QVERIFY(DataPaths::folderWritable(root.path()));
    const QStringList left =
        QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u", "_s)));
}

void DataPathsTest::journal_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("programFolder");  // relative to the scratch folder, or absolute
    QTest::addColumn<bool>("besideProgram");

    QTest::newRow("writable program folder") << QStringList{u"app/"_s} << u"app"_s << true;
    QTest::newRow("portable copy with its tone")
        << QStringList{u"app/ringout.wav"_s} << u"app"_s << true;
    QTest::newRow("existing journal beside the program")
        << QStringList{u"app/Jurnal.txt"_s} << u"app"_s << true;
    QTest::newRow("tone beside the program and in ../share")
        << QStringList{u"usr/bin/ringout.wav"_s, u"usr/share/verkan-r/ringout.wav"_s}
        << u"usr/bin"_s << true;
    QTest::newRow("program folder under a regular file")
        << QStringList{u"file"_s} << u"file/bin"_s << false;
    QTest::newRow("program folder in /proc") << QStringList{} << u"/proc/self"_s << false;
    QTest::newRow("missing program folder") << QStringList{} << u"gone/bin"_s << false;
    // Root may write /usr/bin; an installation's bin folder still stays clean.
    QTest::newRow("writable bin folder of an installation")
        << QStringList{u"usr/bin/"_s, u"usr/share/verkan-r/ringout.wav"_s} << u"usr/bin"_s << false;
}

void DataPathsTest::journal()
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

void DataPathsTest::journalFallbackFolderIsMadeWithItsParents()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    touch(root.filePath(u"file"_s));
    const QString fallback = root.filePath(u"a/b/c/verkan-r"_s);

    const QString path = DataPaths::journalFilePath(root.filePath(u"file/bin"_s), fallback);

    QCOMPARE(path, fallback + u"/Jurnal.txt"_s);
    QVERIFY(QFileInfo(fallback).isDir());
    QVERIFY(DataPaths::folderWritable(fallback));
}

void DataPathsTest::journalFallbackIsTheUserDataFolder()
{
    const QString dataHome = m_scratch.filePath(u"xdg-data-home"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));

    QCOMPARE(DataPaths::journalFallbackFolder(), dataHome + u"/verkan-r"_s);

    // With an unwritable program folder, the journal lands there.
    touch(m_scratch.filePath(u"file"_s));
    const QString path = DataPaths::journalFilePath(m_scratch.filePath(u"file/bin"_s),
                                                    DataPaths::journalFallbackFolder());
    QCOMPARE(path, dataHome + u"/verkan-r/Jurnal.txt"_s);
    QVERIFY(QFileInfo(dataHome + u"/verkan-r"_s).isDir());
    qunsetenv("XDG_DATA_HOME");
}

void DataPathsTest::tone_data()
{
    QTest::addColumn<QStringList>("entries");
    // The first data folder is the installed one, as the program passes it.
    QTest::addColumn<QString>("expected");  // relative to the scratch folder

    const QString beside = u"usr/bin/ringout.wav"_s;
    const QString installed = u"usr/share/verkan-r/ringout.wav"_s;
    const QString user = u"home/share/verkan-r/ringout.wav"_s;
    const QString system = u"opt/share/verkan-r/ringout.wav"_s;

    QTest::newRow("beside the program only") << QStringList{beside} << beside;
    QTest::newRow("beside the program first")
        << QStringList{beside, installed, user, system} << beside;
    QTest::newRow("installed data folder") << QStringList{installed} << installed;
    QTest::newRow("installed data folder before the later ones")
        << QStringList{installed, user, system} << installed;
    QTest::newRow("second data folder") << QStringList{user, system} << user;
    QTest::newRow("last data folder") << QStringList{system} << system;
    QTest::newRow("a folder named like the tone is no tone")
        << QStringList{u"usr/bin/ringout.wav/"_s, system} << system;
    QTest::newRow("other files only")
        << QStringList{u"usr/bin/verkan-r"_s, u"usr/share/verkan-r/tone.wav"_s} << beside;
    QTest::newRow("missing everywhere") << QStringList{} << beside;
}

void DataPathsTest::tone()
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

void DataPathsTest::toneDataFolders()
{
    const QString dataHome = m_scratch.filePath(u"data-home"_s);
    const QString dataDirA = m_scratch.filePath(u"data-a"_s);
    const QString dataDirB = m_scratch.filePath(u"data-b"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dataDirA + u':' + dataDirB));

    const QStringList folders = DataPaths::toneDataFolders(u"/opt/verkan/bin"_s);

    QVERIFY(!folders.isEmpty());
    QCOMPARE(folders.first(), u"/opt/verkan/share/verkan-r"_s);
    const QStringList expected{dataHome + u"/verkan-r"_s, dataDirA + u"/verkan-r"_s,
                               dataDirB + u"/verkan-r"_s};
    for (const QString &folder : expected)
        QVERIFY2(folders.contains(folder), qPrintable(folders.join(u", "_s)));
    // The user's own folder is searched before the system ones.
    QVERIFY(folders.indexOf(expected[0]) < folders.indexOf(expected[1]));
    QVERIFY(folders.indexOf(expected[1]) < folders.indexOf(expected[2]));
    QCOMPARE(folders.count(expected[0]), 1);

    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

void DataPathsTest::installedProgramFindsItsToneAndKeepsOutOfBin()
{
    // The layout `cmake --install` and the package make, with the program
    // folder writable (as /usr/bin is for root).
    QTemporaryDir root;
    QVERIFY(root.isValid());
    layOut(root.path(), {u"usr/bin/verkan-r"_s, u"usr/share/verkan-r/ringout.wav"_s});
    const QString bin = root.filePath(u"usr/bin"_s);
    const QString dataHome = root.filePath(u"home/.local/share"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(u"nowhere"_s)));

    QCOMPARE(DataPaths::toneFilePath(bin, DataPaths::toneDataFolders(bin)),
             root.filePath(u"usr/share/verkan-r/ringout.wav"_s));
    QCOMPARE(DataPaths::journalFilePath(bin, DataPaths::journalFallbackFolder()),
             dataHome + u"/verkan-r/Jurnal.txt"_s);
    QVERIFY(!QFileInfo::exists(bin + u"/Jurnal.txt"_s));

    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

QTEST_GUILESS_MAIN(DataPathsTest)
#include "test_datapaths.moc"
