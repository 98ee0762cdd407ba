// The window's language: chosen from the environment, the English translation complete and
// current, no Russian letter in the English window, numbers and dates in the window's language.

#include "app/journallistview.h"
#include "app/mainwindow.h"
#include "app/updown.h"
#include "base/systemerror.h"
#include "files/commissioningreport.h"
#include "i18n/language.h"
#include "journal/eventjournal.h"
#include "link/exchange.h"
#include "params/numbertext.h"
#include "support/replies.h"
#include "support/windowfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

bool hasCyrillic(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

// The texts of `texts` with a Russian letter, each also printed.
QStringList russianIn(const QStringList &texts)
{
    QStringList out;
    for (const QString &text : texts)
        if (hasCyrillic(text))
            out << text;
    for (const QString &text : out)
        qWarning().noquote() << text;
    return out;
}

void use(Language language)
{
    installLanguage(*QCoreApplication::instance(), language);
}

// Every text a person reads on the widget and its children.
QStringList shownTexts(QWidget *top)
{
    QStringList out;
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(top);
    for (QWidget *w : widgets) {
        out << w->windowTitle() << w->toolTip() << w->statusTip() << w->whatsThis();
        if (auto *label = qobject_cast<QLabel *>(w))
            out << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            out << button->text();
        if (auto *box = qobject_cast<QLineEdit *>(w))
            out << box->text() << box->placeholderText();
        if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                out << combo->itemText(i);
        if (auto *list = qobject_cast<QListWidget *>(w))
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
        if (auto *journal = qobject_cast<JournalListView *>(w))
            for (int i = 0; i < journal->count(); ++i)
                out << journal->entry(i);
    }
    return out;
}

// The main window started on unit 7, which answers.
struct Session : WindowFixture {
    Session()
    {
        find<UpDown>("UpDown1")->setValue(7);
        startOn(u"1"_s);
        port.deliver(statusReply(0, 128, 100));
    }
};

struct Message {
    QString context, source, translation;
    bool finished = true;
};

QList<Message> tsMessages()
{
    QFile file(QStringLiteral(VERKAN_TS_PATH));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> out;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.name() == u"message")
            out.append(Message{context, {}, {}});
        else if (xml.name() == u"source")
            out.last().source = xml.readElementText();
        else if (xml.name() == u"translation") {
            out.last().finished = xml.attributes().value(u"type"_s).isEmpty();
            out.last().translation = xml.readElementText();
        }
    }
    return out;
}

// The program's sources the translation is made from, read once.
QString programSources()
{
    QString all;
    for (const char *layer : {"app", "cli", "base", "link", "journal", "params", "monitor", "mqtt",
                              "diagram", "files", "tasks"}) {
        QDirIterator it(QStringLiteral(VERKAN_SOURCE_DIR "/") + QLatin1String(layer),
                        {u"*.cpp"_s, u"*.h"_s}, QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                all += QString::fromUtf8(f.readAll());
        }
    }
    // A literal split over lines is one text.
    static const QRegularExpression adjacent(u"\"\\s*\\n\\s*u?\""_s);
    return all.replace(adjacent, QString());
}

}  // namespace

class TestEnglish : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { use(Language::Russian); }

    void languageFromEnvironment_data()
    {
        QTest::addColumn<QStringList>("environment");  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        QTest::addColumn<bool>("english");
        QTest::newRow("nothing set") << QStringList{"", "", "", ""} << false;
        QTest::newRow("C.UTF-8") << QStringList{"", "", "", "C.UTF-8"} << false;
        QTest::newRow("English") << QStringList{"", "", "", "en_US.UTF-8"} << true;
        QTest::newRow("messages before LANG") << QStringList{"", "", "en_AU", "ru_RU"} << true;
        QTest::newRow("LC_ALL before messages") << QStringList{"", "ru_RU", "en_AU", ""} << false;
        QTest::newRow("LANGUAGE first") << QStringList{"en", "ru_RU.UTF-8", "", ""} << true;
        QTest::newRow("LANGUAGE's first entry") << QStringList{"ru:en", "", "", "en_US"} << false;
    }
    void languageFromEnvironment()
    {
        QFETCH(QStringList, environment);
        const char *names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
        QList<QByteArray> saved;
        for (int i = 0; i < 4; ++i) {
            saved << qgetenv(names[i]);
            qputenv(names[i], environment[i].toUtf8());
        }
        const Language language = systemLanguage();
        for (int i = 0; i < 4; ++i)
            qputenv(names[i], saved[i]);
        QTEST(language == Language::English, "english");
    }

    // Every entry translated and its source still a text of the program.
    void translationCompleteAndCurrent()
    {
        const QList<Message> messages = tsMessages();
        QVERIFY(messages.size() > 50);
        const QString sources = programSources();
        use(Language::English);
        for (const Message &m : messages) {
            QVERIFY2(m.finished && !m.translation.isEmpty() && !hasCyrillic(m.translation),
                     qPrintable(m.source));
            QString literal = m.source;
            literal.replace(u'"', u"\\\""_s).replace(u'\n', u"\\n"_s);
            QVERIFY2(sources.contains(u'"' + literal + u'"'), qPrintable(m.source));
            QCOMPARE(QCoreApplication::translate(m.context.toUtf8(), m.source.toUtf8()),
                     m.translation);
        }
    }

    // A failed system call's reason: the program's translation or the C library's text.
    void systemErrorReasons()
    {
        use(Language::English);
        for (int error = 0; error < 200; ++error) {
            const QString reason = systemErrorText(error);
            QVERIFY2(!reason.isEmpty(), qPrintable(QString::number(error)));
            QVERIFY2(!hasCyrillic(reason) || reason == QString::fromLocal8Bit(std::strerror(error)),
                     qPrintable(reason));
        }
    }

    // The window, its menus and the journal after an alarm, a fault and an open tamper
    // switch; each menu's mnemonics stay unique in English.
    void englishWindowHasNoRussian()
    {
        use(Language::English);
        Session w;
        QVERIFY(w.exchange().isRunning());
        QTest::keyClick(w.find<QComboBox>("Combo2"), Qt::Key_Down);  // flank 2: polled
        w.port.deliver(statusReply(1, 128, 100));
        w.port.deliver(statusReply(18, 128, 100));
        w.find<QAbstractButton>("Command3")->click();
        QFile journal(w.dir.filePath(u"Jurnal.txt"_s));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(journal.readAll()).split(u"\r\n"_s);
        QVERIFY(lines.size() > 5);  // start, alarm, fault, tamper, stop and the last line's end
        QStringList texts = shownTexts(w.window.get()) + lines;
        const QList<QAction *> menus = w.window->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        for (QAction *top : menus) {
            QMenu *menu = top->menu();
            texts << top->text();
            QSet<QChar> keys;
            for (QAction *action : menu->actions()) {
                texts << action->text() << action->toolTip() << action->statusTip();
                if (action->isSeparator())
                    continue;
                const qsizetype amp = action->text().indexOf(u'&');
                QVERIFY2(amp >= 0, qPrintable(action->text()));
                const QChar key = action->text().at(amp + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(action->text()));
                keys.insert(key);
            }
        }
        QCOMPARE(russianIn(texts).size(), 0);
    }

    // The commissioning report in English (the Russian one is checked with the files).
    void reportFollowsTheLanguage()
    {
        use(Language::English);
        CommissioningReport report;
        report.time = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        report.port = u"COM1 (/dev/ttyUSB0)"_s;
        report.settings.flanks[0].insert(Setting::Gain, 5);
        report.status[0] = StatusReading();
        report.status[0]->stateByte = 1;  // alarm
        report.pass = CommissioningReport::Pass();
        const QString html = report.html();
        QVERIFY(!hasCyrillic(html));
        for (const QString &text : {u"Test crossing"_s, u"Alarm"_s, u"2026-12-07 14:05:09"_s})
            QVERIFY2(html.contains(text), qPrintable(text));
    }

    // Qt's own dialogs speak the window's language.
    void qtDialogsFollowTheLanguage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("texts");  // file name, cancel, close
        QTest::newRow("Russian") << false
                                 << QStringList{u"&Имя файла:"_s, u"Отмена"_s, u"Закрыть"_s};
        QTest::newRow("English") << true << QStringList{u"File &name:"_s, u"Cancel"_s, u"Close"_s};
    }
    void qtDialogsFollowTheLanguage()
    {
        QFETCH(bool, english);
        use(english ? Language::English : Language::Russian);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Close);
        QTEST((QStringList{dialog.findChild<QLabel *>(u"fileNameLabel"_s)->text(),
                           box.button(QDialogButtonBox::Cancel)->text(),
                           box.button(QDialogButtonBox::Close)->text()}),
              "texts");
    }

    // The names the menu proposes: words of the language in ASCII, the address, date and time.
    void proposedFileNames_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("name");  // a regular expression
        const char *rows[][4] = {
            {"saveSettingsAction", "nastrojki-blok7", "settings-unit7", "json"},
            {"reportAction", "otchet-blok7", "report-unit7", "pdf"},
            {"recordAction", "signal-blok7", "signal-unit7", "csv"},
            {"saveChartAction", "diagramma", "chart", "png"}};
        for (const auto &row : rows)
            for (bool english : {false, true})
                QTest::addRow("%s %s", english ? "English" : "Russian", row[0])
                    << english << QByteArray(row[0])
                    << QLatin1String(row[english ? 2 : 1]) + u"-20\\d{6}-\\d{6}\\."_s +
                           QLatin1String(row[3]);
    }
    void proposedFileNames()
    {
        QFETCH(bool, english);
        QFETCH(QByteArray, action);
        QFETCH(QString, name);
        use(english ? Language::English : Language::Russian);
        Session w;
        QVERIFY(w.exchange().isRunning());
        w.window->findChild<QAction *>(QLatin1String(action))->trigger();
        for (QDialog *details : w.window->findChildren<QDialog *>(u"reportDetailsDialog"_s))
            if (details->isVisible())
                details->accept();  // the report's site and installer
        QCOMPARE(w.proposed.size(), 1);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(name))
                     .match(w.proposed.first())
                     .hasMatch(),
                 qPrintable(w.proposed.first()));
    }

    // Every program text the Russian guide quotes, the English guide quotes translated.
    void guidesAgree()
    {
        const auto read = [](const char *name) {
            QFile file(QStringLiteral(VERKAN_SOURCE_DIR "/docs/") + QLatin1String(name));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const QString russian = read("guide.ru.md");
        const QString english = read("guide.en.md");
        QVERIFY(!russian.isEmpty() && !english.isEmpty());
        QVERIFY(!hasCyrillic(english));
        QMultiHash<QString, QString> translations;  // source -> translation, both trimmed
        for (const Message &m : tsMessages())
            translations.insert(QString(m.source).remove(u'&').trimmed(),
                                QString(m.translation).remove(u'&').trimmed());
        static const QRegularExpression quoted(u"\"([^\"\\n]+)\""_s);
        int checked = 0;
        for (const auto &match : quoted.globalMatch(russian)) {
            const QStringList translated = translations.values(match.captured(1).trimmed());
            checked += !translated.isEmpty();
            QVERIFY2(translated.isEmpty() ||
                         std::any_of(
                             translated.begin(), translated.end(),
                             [&](const QString &t) { return english.contains(u'"' + t + u'"'); }),
                     qPrintable(match.captured(1)));
        }
        QVERIFY2(checked >= 40, qPrintable(QString::number(checked)));
    }

    // Numbers and dates follow the window's language, not the system's locale.
    void numbersAndDates_data()
    {
        QTest::addColumn<QString>("system");  // LC_ALL
        QTest::addColumn<QString>("shown");
        QTest::newRow("Russian on C") << u"C"_s << u"2,51 В|06.12.2026 14:05:09"_s;
        QTest::newRow("English") << u"en_US.UTF-8"_s << u"2.51 V|2026-12-06 14:05:09"_s;
    }
    void numbersAndDates()
    {
        QFETCH(QString, system);
        const QByteArray saved = qgetenv("LC_ALL");
        qputenv("LC_ALL", system.toUtf8());
        installLanguage(*QCoreApplication::instance());
        qputenv("LC_ALL", saved);
        QTEST(voltsReadout(2.51) + u'|' +
                  journalTimestamp(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))),
              "shown");
    }
};

QTEST_MAIN(TestEnglish)
#include "test_english.moc"
