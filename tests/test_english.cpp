// The window's language: chosen from the environment, the shipped English
// translation complete and still matching the program's texts, an English
// window without a Russian letter, and numbers and dates that follow the
// window's language rather than the system's locale.

#include "app/journallistview.h"
#include "app/mainwindow.h"
#include "app/updown.h"
#include "base/systemerror.h"
#include "files/commissioningreport.h"
#include "i18n/language.h"
#include "journal/eventjournal.h"
#include "link/exchange.h"
#include "params/numbertext.h"
#include "support/formfixture.h"
#include "support/replies.h"

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

// Every text a person reads on the widget and its children, with where it is.
QStringList shownTexts(QWidget *top)
{
    QStringList out;
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(top);
    for (QWidget *w : widgets) {
        const QString at = w->objectName() + u": "_s;
        QStringList texts{w->windowTitle(), w->toolTip(), w->statusTip(), w->whatsThis()};
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        if (auto *box = qobject_cast<QLineEdit *>(w))
            texts << box->text() << box->placeholderText();
        if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto *list = qobject_cast<QListWidget *>(w))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        if (auto *journal = qobject_cast<JournalListView *>(w))
            for (int i = 0; i < journal->count(); ++i)
                texts << journal->entry(i);
        for (const QString &t : texts)
            out << at + t;
    }
    return out;
}

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
    for (const char *layer : {"app", "cli", "base", "link", "journal", "params", "monitor",
                              "diagram", "files", "tasks"}) {
        QDirIterator it(QStringLiteral(VERKAN_SOURCE_DIR "/") + QLatin1String(layer),
                        {u"*.cpp"_s, u"*.h"_s}, QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                all += QString::fromUtf8(f.readAll());
        }
    }
    // A text split over lines ("... и " on one, "войдите ..." on the next) is one literal.
    static const QRegularExpression adjacent(u"\"\\s*\\n\\s*u?\""_s);
    return all.replace(adjacent, QString());
}

}  // namespace

class TestEnglish : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { installLanguage(*QCoreApplication::instance(), Language::Russian); }

    void languageFromEnvironment_data()
    {
        QTest::addColumn<QStringList>("environment");  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        QTest::addColumn<bool>("english");
        QTest::newRow("nothing set") << QStringList{"", "", "", ""} << false;
        QTest::newRow("C") << QStringList{"", "C", "", ""} << false;
        QTest::newRow("POSIX") << QStringList{"", "", "", "POSIX"} << false;
        QTest::newRow("C.UTF-8") << QStringList{"", "", "", "C.UTF-8"} << false;
        QTest::newRow("Russian") << QStringList{"", "", "", "ru_RU.UTF-8"} << false;
        QTest::newRow("German") << QStringList{"", "", "", "de_DE.UTF-8"} << false;
        QTest::newRow("Esperanto") << QStringList{"", "", "", "eo"} << false;
        QTest::newRow("English") << QStringList{"", "", "", "en_US.UTF-8"} << true;
        QTest::newRow("British, LC_ALL") << QStringList{"", "en_GB.UTF-8", "", "ru_RU"} << true;
        QTest::newRow("messages before LANG") << QStringList{"", "", "en_AU", "ru_RU"} << true;
        QTest::newRow("LC_ALL before messages") << QStringList{"", "ru_RU", "en_AU", ""} << false;
        QTest::newRow("LANGUAGE first") << QStringList{"en", "ru_RU.UTF-8", "", ""} << true;
        QTest::newRow("LANGUAGE's first entry") << QStringList{"ru:en", "", "", "en_US"} << false;
        QTest::newRow("LANGUAGE empty") << QStringList{"", "", "", "en_US"} << true;
    }
    void languageFromEnvironment()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, english);
        const char *names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
        QList<QByteArray> saved;
        for (int i = 0; i < 4; ++i) {
            saved << qgetenv(names[i]);
            qputenv(names[i], environment[i].toUtf8());
        }
        const Language language = systemLanguage();
        for (int i = 0; i < 4; ++i)
            qputenv(names[i], saved[i]);
        QCOMPARE(language == Language::English, english);
    }

    // Every entry translated, and every source text still one the program has
    // (an entry whose text changed in the code would leave the window Russian).
    void translationCompleteAndCurrent()
    {
        const QList<Message> messages = tsMessages();
        QVERIFY(messages.size() > 50);
        const QString sources = programSources();
        installLanguage(*QCoreApplication::instance(), Language::English);
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

    // The reason of a failed system call is English in the English window:
    // the program's own words have their translation, anything rarer is the
    // C library's text.
    void systemErrorReasons()
    {
        installLanguage(*QCoreApplication::instance(), Language::English);
        for (int error = 0; error < 200; ++error) {
            const QString reason = systemErrorText(error);
            QVERIFY2(!reason.isEmpty(), qPrintable(QString::number(error)));
            QVERIFY2(!hasCyrillic(reason) || reason == QString::fromLocal8Bit(std::strerror(error)),
                     qPrintable(reason));
        }
    }

    // Captions, buttons, boxes, lists, tool tips and the journal after a
    // session with an alarm, a fault and an open tamper switch.
    void englishWindowHasNoRussian()
    {
        installLanguage(*QCoreApplication::instance(), Language::English);
        FormFixture w;
        w.start(1);
        QTest::keyClick(w.control<QComboBox>("Combo2"), Qt::Key_Down);  // flank 2: polled
        w.port.deliver(statusReply(1, 128, 100));
        w.port.deliver(statusReply(18, 128, 100));
        w.control<QAbstractButton>("Command3")->click();
        QStringList russian;
        for (const QString &text : shownTexts(w.form.get()) + w.journalFileLines())
            if (hasCyrillic(text))
                russian << text;
        for (const QString &text : russian)
            qWarning().noquote() << text;
        QCOMPARE(russian.size(), 0);
        QVERIFY(w.journalFileLines().size() >= 5);  // start, alarm, fault, tamper, stop
    }

    // The menu bar, its menus and actions with their tool tips; each menu's
    // mnemonics stay unique in English.
    void englishMenusHaveNoRussian()
    {
        installLanguage(*QCoreApplication::instance(), Language::English);
        FakeSerialPort port;
        QTemporaryDir dir;
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        MainWindow window(deps);
        QStringList russian;
        const auto check = [&russian](const QString &text) {
            if (hasCyrillic(text))
                russian << text;
        };
        for (const QString &text : shownTexts(&window))
            check(text);
        QList<QMenu *> menus = window.findChildren<QMenu *>();
        QCOMPARE(menus.size(), 3);
        for (QMenu *menu : menus) {
            QList<QAction *> actions = menu->actions();
            actions.prepend(menu->menuAction());
            for (QAction *action : actions)
                for (const QString &text : {action->text(), action->toolTip(), action->statusTip()})
                    check(text);
            QSet<QChar> keys;
            for (QAction *action : menu->actions()) {
                const qsizetype amp = action->text().indexOf(u'&');
                if (action->isSeparator())
                    continue;
                QVERIFY2(amp >= 0, qPrintable(action->text()));
                const QChar key = action->text().at(amp + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(action->text()));
                keys.insert(key);
            }
        }
        for (const QString &text : russian)
            qWarning().noquote() << text;
        QCOMPARE(russian.size(), 0);
    }

    // The commissioning report speaks the program's language: every heading,
    // label and word of a report with both flanks and a control pass.
    void reportFollowsTheLanguage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("Russian") << false;
        QTest::newRow("English") << true;
    }
    void reportFollowsTheLanguage()
    {
        QFETCH(bool, english);
        installLanguage(*QCoreApplication::instance(),
                        english ? Language::English : Language::Russian);
        CommissioningReport report;
        report.time = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        report.port = u"COM1 (/dev/ttyUSB0)"_s;
        report.baud = 19200;
        report.address = 3;
        report.settings.flanks[0].insert(Setting::Gain, 5);
        StatusReading alarm;
        alarm.stateByte = 1;
        report.status[0] = alarm;
        report.pass = CommissioningReport::Pass();
        const QString html = report.html();
        QCOMPARE(hasCyrillic(html), !english);
        QVERIFY(html.contains(english ? u"Test crossing"_s : u"Контрольный проход"_s));
        QVERIFY(html.contains(english ? u"Alarm"_s : u"Тревога"_s));
        QVERIFY(html.contains(english ? u"2026-12-07 14:05:09"_s : u"07.12.2026 14:05:09"_s));
    }

    // Qt's own dialogs (the file dialog, the message boxes' buttons) speak
    // the window's language.
    void qtDialogsFollowTheLanguage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("texts");  // look in, file name, save, cancel, close
        QTest::newRow("Russian") << false
                                 << QStringList{u"Перейти к:"_s, u"&Имя файла:"_s, u"&Сохранить"_s,
                                                u"Отмена"_s, u"Закрыть"_s};
        QTest::newRow("English") << true
                                 << QStringList{u"Look in:"_s, u"File &name:"_s, u"&Save"_s,
                                                u"Cancel"_s, u"Close"_s};
    }
    void qtDialogsFollowTheLanguage()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, texts);
        installLanguage(*QCoreApplication::instance(),
                        english ? Language::English : Language::Russian);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto *buttons = dialog.findChild<QDialogButtonBox *>(u"buttonBox"_s);
        QVERIFY(buttons);
        QDialogButtonBox box(QDialogButtonBox::Close);
        const QStringList shown{dialog.findChild<QLabel *>(u"lookInLabel"_s)->text(),
                                dialog.findChild<QLabel *>(u"fileNameLabel"_s)->text(),
                                buttons->button(QDialogButtonBox::Save)->text(),
                                buttons->button(QDialogButtonBox::Cancel)->text(),
                                box.button(QDialogButtonBox::Close)->text()};
        QCOMPARE(shown, texts);
    }

    // The file names the menu proposes: words of the window's language in
    // ASCII letters, the unit's address, the date and the time.
    void proposedFileNames_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("name");  // a regular expression
        const QString time = u"-20\\d{6}-\\d{6}\\."_s;
        QTest::newRow("Russian settings")
            << false << QByteArray("saveSettingsAction") << u"nastrojki-blok7"_s + time + u"json"_s;
        QTest::newRow("Russian report")
            << false << QByteArray("reportAction") << u"otchet-blok7"_s + time + u"pdf"_s;
        QTest::newRow("Russian recording")
            << false << QByteArray("recordAction") << u"signal-blok7"_s + time + u"csv"_s;
        QTest::newRow("Russian chart")
            << false << QByteArray("saveChartAction") << u"diagramma"_s + time + u"png"_s;
        QTest::newRow("English settings")
            << true << QByteArray("saveSettingsAction") << u"settings-unit7"_s + time + u"json"_s;
        QTest::newRow("English report")
            << true << QByteArray("reportAction") << u"report-unit7"_s + time + u"pdf"_s;
        QTest::newRow("English recording")
            << true << QByteArray("recordAction") << u"signal-unit7"_s + time + u"csv"_s;
        QTest::newRow("English chart")
            << true << QByteArray("saveChartAction") << u"chart"_s + time + u"png"_s;
    }
    void proposedFileNames()
    {
        QFETCH(bool, english);
        QFETCH(QByteArray, action);
        QFETCH(QString, name);
        installLanguage(*QCoreApplication::instance(),
                        english ? Language::English : Language::Russian);
        FakeSerialPort port;
        port.openable = {1};
        QTemporaryDir dir;
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        QStringList proposed;
        MainWindow window(deps, [&proposed](const FileRequest &request) {
            proposed << request.name;
            return QString();  // the user cancels
        });
        window.form().findChild<UpDown *>(u"UpDown1"_s)->setValue(7);
        auto *ports = window.form().findChild<QComboBox *>(u"Combo3"_s);
        ports->setCurrentIndex(ports->findText(u"1"_s));
        window.form().findChild<QAbstractButton *>(u"Command4"_s)->click();
        port.deliver(statusReply(0, 128, 100));  // the unit answers
        QVERIFY(window.form().exchange().isRunning());
        window.findChild<QAction *>(QLatin1String(action))->trigger();
        // The report asks for the site and the installer before the file.
        for (QDialog *details : window.findChildren<QDialog *>(u"reportDetailsDialog"_s))
            if (details->isVisible())
                details->accept();
        QCOMPARE(proposed.size(), 1);
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(name));
        QVERIFY2(pattern.match(proposed.first()).hasMatch(), qPrintable(proposed.first()));
    }

    // Two captions of the designed window that read alike in English read
    // alike in Russian too: no English caption names two different things.
    void englishCaptionsAsDistinctAsRussian()
    {
        const auto captions = [](Language language) {
            installLanguage(*QCoreApplication::instance(), language);
            FormFixture w;
            QMap<QString, QString> out;  // object name -> caption, folded
            QList<QWidget *> widgets = w.form->findChildren<QWidget *>();
            for (QWidget *widget : widgets) {
                QString text;
                if (auto *label = qobject_cast<QLabel *>(widget))
                    text = label->text();
                else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                    text = button->text();
                else
                    continue;
                static const QRegularExpression ends(u"^[\\s.:]+|[\\s.:]+$"_s);
                text = text.toLower().remove(ends);
                if (!text.isEmpty() && !widget->objectName().isEmpty())
                    out.insert(widget->objectName(), text);
            }
            return out;
        };
        const QMap<QString, QString> russian = captions(Language::Russian);
        const QMap<QString, QString> english = captions(Language::English);
        QCOMPARE(english.keys(), russian.keys());
        QStringList clashes;
        for (auto a = english.cbegin(); a != english.cend(); ++a)
            for (auto b = std::next(a); b != english.cend(); ++b)
                if (a.value() == b.value() && russian[a.key()] != russian[b.key()])
                    clashes << u"%1 \"%2\" and %3 \"%4\": \"%5\""_s.arg(
                        a.key(), russian[a.key()], b.key(), russian[b.key()], a.value());
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u"; "_s)));
    }

    // The installer's guides, Russian and English, say the same: every text
    // of the program the Russian guide quotes, the English guide quotes in
    // its translation; and the English one has no Russian.
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
        QStringList missing;
        for (const auto &match : quoted.globalMatch(russian)) {
            const QString text = match.captured(1).trimmed();
            const QStringList translated = translations.values(text);
            if (translated.isEmpty())
                continue;
            ++checked;
            if (std::none_of(translated.begin(), translated.end(),
                             [&](const QString &t) { return english.contains(u'"' + t + u'"'); }))
                missing << text + u" -> "_s + translated.join(u" | "_s);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u"\n"_s)));
        QVERIFY2(checked >= 40, qPrintable(QString::number(checked)));
    }

    // Numbers and dates follow the window's language, not the system's locale.
    void numbersAndDates_data()
    {
        QTest::addColumn<QString>("system");  // LC_ALL
        QTest::addColumn<QString>("shown");
        QTest::newRow("Russian on C") << u"C"_s << u"2,51 В|06.12.2026 14:05:09"_s;
        QTest::newRow("Russian on German") << u"de_DE.UTF-8"_s << u"2,51 В|06.12.2026 14:05:09"_s;
        QTest::newRow("English") << u"en_US.UTF-8"_s << u"2.51 V|2026-12-06 14:05:09"_s;
    }
    void numbersAndDates()
    {
        QFETCH(QString, system);
        QFETCH(QString, shown);
        const QByteArray saved = qgetenv("LC_ALL");
        qputenv("LC_ALL", system.toUtf8());
        installLanguage(*QCoreApplication::instance());
        qputenv("LC_ALL", saved);
        QCOMPARE(voltsReadout(2.51) + u'|' +
                     journalTimestamp(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))),
                 shown);
    }
};

QTEST_MAIN(TestEnglish)
#include "test_english.moc"
