#include "params/catalogue.h"

#include <QLocale>
#include <QtTest>

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tables_data();
    void tables();
    void positions_data();
    void positions();
    void controls_data();
    void controls();
    void replyCodesHandled();
    void frames_data();
    void frames();
    void nothingToWrite_data();
    void nothingToWrite();
    void replies_data();
    void replies();
};

void TestCatalogue::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestCatalogue::tables_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("value");
    QTest::newRow("threshold 0") << "threshold" << 0 << 0.0;
    QTest::newRow("threshold 1") << "threshold" << 1 << 0.7;
    QTest::newRow("threshold 9") << "threshold" << 9 << 1.5;
    QTest::newRow("threshold 14") << "threshold" << 14 << 2.0;
    QTest::newRow("threshold past the end") << "threshold" << 15 << 0.0;
    QTest::newRow("front 1") << "front" << 1 << 2.0;
    QTest::newRow("front 10") << "front" << 10 << 20.0;
    QTest::newRow("front past the end") << "front" << 11 << 0.0;
    QTest::newRow("accumulation 1") << "accumulation" << 1 << 50.0;
    QTest::newRow("accumulation 19") << "accumulation" << 19 << 950.0;
    QTest::newRow("accumulation past the end") << "accumulation" << 20 << 0.0;
}

void TestCatalogue::tables()
{
    QFETCH(QString, table);
    QFETCH(int, index);
    QFETCH(double, value);
    const double got = table == "threshold" ? tablPorog(index)
                       : table == "front"   ? frontTable(index)
                                            : accumulationTable(index);
    // Exactly the double nearest each decimal, not a computed approximation.
    QVERIFY2(got == value, qPrintable(QString::number(got, 'g', 17)));
}

void TestCatalogue::positions_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("valueByte");
    QTest::addColumn<QString>("text");

    auto add = [](const char *name, Setting s, int p, int b, const char *text) {
        QTest::newRow(name) << int(s) << p << b << QString::fromUtf8(text);
    };
    add("unit number 1", Setting::UnitNumber, 1, 1, "1");
    add("unit number 128", Setting::UnitNumber, 128, 128, "128");
    add("limit item 0", Setting::Limit, 0, 0, "1");
    add("limit item 3", Setting::Limit, 3, 3, "1000");
    add("gain 1", Setting::Gain, 1, 1, "1");
    add("gain 9", Setting::Gain, 9, 9, "9");
    add("threshold 1", Setting::Threshold, 1, 0, "0,7");
    add("threshold 4", Setting::Threshold, 4, 3, "1");
    add("threshold 9", Setting::Threshold, 9, 8, "1,5");
    add("threshold 14", Setting::Threshold, 14, 13, "2");
    add("accumulation 1", Setting::Accumulation, 1, 1, "50");
    add("accumulation 19", Setting::Accumulation, 19, 19, "950");
    add("front 1", Setting::Front, 1, 1, "2");
    add("front 10", Setting::Front, 10, 10, "20");
    add("alarm time 1", Setting::AlarmTime, 1, 1, "1");
    add("alarm time 10", Setting::AlarmTime, 10, 10, "10");
    add("self-test 1", Setting::SelfTest, 1, 1, "10");
    add("self-test 50", Setting::SelfTest, 50, 50, "500");
}

void TestCatalogue::positions()
{
    QFETCH(int, setting);
    QFETCH(int, position);
    QFETCH(int, valueByte);
    QFETCH(QString, text);
    const SettingRow &r = settingRow(Setting(setting));
    QVERIFY(positionInRange(r, position));
    QCOMPARE(byteForPosition(r, position), valueByte);
    QCOMPARE(positionForByte(r, valueByte), position);
    QCOMPARE(textForPosition(r, position), text);
    // One step past either end of the range has no text.
    QCOMPARE(textForPosition(r, r.minPosition - 1), QString());
    QCOMPARE(textForPosition(r, r.maxPosition + 1), QString());
}

void TestCatalogue::controls_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("valueBox");
    QTest::addColumn<QString>("editControl");
    QTest::addColumn<QString>("unlockBox");
    QTest::addColumn<QString>("applyButton");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<int>("writeCode");
    QTest::addColumn<int>("maxPosition");

    auto add = [](const char *name, Setting s, const char *box, const char *edit,
                  const char *unlock, const char *apply, int rc, int wc, int max) {
        QTest::newRow(name) << int(s) << box << edit << unlock << apply << rc << wc << max;
    };
    add("unit number", Setting::UnitNumber, "Text8", "UpDown5", "Check14", "Command13", 32, 0, 128);
    add("limit", Setting::Limit, "Combo1", "Combo1", "Check11", "Command10", 21, 51, 3);
    add("gain", Setting::Gain, "Text7", "UpDown4", "Check10", "Command7", 15, 45, 9);
    add("threshold", Setting::Threshold, "Text5", "UpDown2", "Check2", "Command2", 17, 47, 14);
    add("accumulation", Setting::Accumulation, "Text6", "UpDown3", "Check5", "Command1", 19, 49,
        19);
    add("front", Setting::Front, "Text9", "UpDown6", "Check12", "Command11", 20, 50, 10);
    add("alarm time", Setting::AlarmTime, "Text10", "UpDown7", "Check13", "Command12", 22, 52, 10);
    add("self-test", Setting::SelfTest, "Text4", "UpDown8", "Check4", "Command14", 23, 53, 50);
}

void TestCatalogue::controls()
{
    QFETCH(int, setting);
    QFETCH(QString, valueBox);
    QFETCH(QString, editControl);
    QFETCH(QString, unlockBox);
    QFETCH(QString, applyButton);
    QFETCH(int, readCode);
    QFETCH(int, writeCode);
    QFETCH(int, maxPosition);
    const SettingRow &r = settingRow(Setting(setting));

    QCOMPARE(settingForValueBox(valueBox), &r);
    QCOMPARE(settingForEditControl(editControl), &r);
    QCOMPARE(settingForUnlockBox(unlockBox), &r);
    QCOMPARE(settingForApplyButton(applyButton), &r);
    QCOMPARE(settingForReplyCode(readCode), &r);
    QVERIFY(!isConfirmationCode(r, readCode));
    if (writeCode) {
        QCOMPARE(settingForReplyCode(writeCode), &r);
        QVERIFY(isConfirmationCode(r, writeCode));
    }
    QCOMPARE(r.readCode, readCode);
    QCOMPARE(r.writeCode, writeCode);
    QCOMPARE(r.minPosition, r.isList ? 0 : 1);
    QCOMPARE(r.maxPosition, maxPosition);
}

void TestCatalogue::replyCodesHandled()
{
    const QList<int> handled = {15, 17, 19, 20, 21, 22, 23, 32, 45, 47, 49, 50, 51, 52, 53};
    QList<int> found;
    for (int code = 0; code <= 255; ++code) {
        if (settingForReplyCode(code))
            found << code;
    }
    QCOMPARE(found, handled);
    QCOMPARE(settingForUnlockBox("Check3"), nullptr);  // the sound box is no setting
    QCOMPARE(settingForApplyButton("Command5"), nullptr);
}

void TestCatalogue::frames_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("expected");

    QTest::newRow("threshold read, flank 2, address 1")
        << readRequest(settingRow(Setting::Threshold), 1, 2) << "$0111020c\r";
    QTest::newRow("threshold read, flank 1, address 5")
        << readRequest(settingRow(Setting::Threshold), 5, 1) << "$0511010c\r";
    QTest::newRow("limit read, address 128")
        << readRequest(settingRow(Setting::Limit), 128, 1) << "$8015010c\r";
    QTest::newRow("unit-number read has no flank")
        << readRequest(settingRow(Setting::UnitNumber), 1, 2) << "$01200c\r";
    QTest::newRow("threshold position 9, address 5")
        << *writeRequest(settingRow(Setting::Threshold), 5, 1, 9) << "$052f01080c\r";
    QTest::newRow("threshold position 1 sends 0")
        << *writeRequest(settingRow(Setting::Threshold), 1, 1, 1) << "$012f01000c\r";
    QTest::newRow("self-test position 50")
        << *writeRequest(settingRow(Setting::SelfTest), 1, 1, 50) << "$013501320c\r";
    QTest::newRow("limit 1000 sends 3")
        << *writeRequest(settingRow(Setting::Limit), 1, 2, 3) << "$013302030c\r";
    QTest::newRow("limit 1 sends 0")
        << *writeRequest(settingRow(Setting::Limit), 1, 1, 0) << "$013301000c\r";
    QTest::newRow("front position 5")
        << *writeRequest(settingRow(Setting::Front), 1, 1, 5) << "$013201050c\r";
    QTest::newRow("accumulation position 19")
        << *writeRequest(settingRow(Setting::Accumulation), 1, 2, 19) << "$013102130c\r";
    QTest::newRow("set address, spinner 1") << setAddressRequest(1, 1, 1) << "$012e01000c\r";
    QTest::newRow("set address, spinner 5") << setAddressRequest(1, 1, 5) << "$012e01040c\r";
    QTest::newRow("set address, spinner 128, flank 2")
        << setAddressRequest(3, 2, 128) << "$032e027f0c\r";
}

void TestCatalogue::frames()
{
    QFETCH(QString, frame);
    QFETCH(QString, expected);
    QCOMPARE(frame, expected);
}

void TestCatalogue::nothingToWrite_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("position");
    QTest::newRow("limit list with no item chosen") << int(Setting::Limit) << -1;
    QTest::newRow("limit past the list") << int(Setting::Limit) << 4;
    QTest::newRow("unit number goes by code 46") << int(Setting::UnitNumber) << 5;
    QTest::newRow("threshold 0") << int(Setting::Threshold) << 0;
    QTest::newRow("threshold 15") << int(Setting::Threshold) << 15;
    QTest::newRow("gain 0") << int(Setting::Gain) << 0;
}

void TestCatalogue::nothingToWrite()
{
    QFETCH(int, setting);
    QFETCH(int, position);
    QCOMPARE(writeRequest(settingRow(Setting(setting)), 1, 1, position), std::nullopt);
}

void TestCatalogue::replies_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("valueByte");
    QTest::addColumn<int>("setting");  // -1: not a setting reply
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("list");  // empty: no journal line
    QTest::addColumn<QString>("file");

    auto in = [](const char *name, int code, int b, Setting s, int p, const char *text,
                 const char *list = "", const char *file = "") {
        QTest::newRow(name) << code << b << int(s) << true << p << QString::fromUtf8(text)
                            << QString::fromUtf8(list) << QString::fromUtf8(file);
    };
    auto out = [](const char *name, int code, int b, Setting s) {
        QTest::newRow(name) << code << b << int(s) << false << 0 << QString() << QString()
                            << QString();
    };

    in("gain read 5", 15, 5, Setting::Gain, 5, "5");
    in("gain confirmed 5", 45, 5, Setting::Gain, 5, "5", "  Фланг -2  Установлено усиление -5",
       " Фланг -2  Установлено усиление -5");
    out("gain 0", 15, 0, Setting::Gain);
    out("gain 10", 45, 10, Setting::Gain);
    in("threshold confirmed 0", 47, 0, Setting::Threshold, 1, "0,7",
       "  Фланг -2  Установлен порог -0,7", " Фланг -2  Установлен порог -0,7");
    in("threshold read 13", 17, 13, Setting::Threshold, 14, "2");
    out("threshold 14", 17, 14, Setting::Threshold);
    out("threshold confirmed 255", 47, 255, Setting::Threshold);
    in("limit read 3", 21, 3, Setting::Limit, 3, "1000");
    in("limit confirmed 2", 51, 2, Setting::Limit, 2, "100", "  Фланг -2  Установлен предел -100",
       " Фланг -2   Установлен предел -100");
    in("limit confirmed 0", 51, 0, Setting::Limit, 0, "1", "  Фланг -2  Установлен предел -1",
       " Фланг -2   Установлен предел -1");
    out("limit 4", 51, 4, Setting::Limit);
    in("accumulation confirmed 19", 49, 19, Setting::Accumulation, 19, "950",
       "  Фланг -2  Установлено накопление -950", " Фланг -2  Установлено накопление -950");
    out("accumulation 0", 19, 0, Setting::Accumulation);
    out("accumulation 20", 49, 20, Setting::Accumulation);
    in("front read 5", 20, 5, Setting::Front, 5, "10");
    in("front confirmed 5", 50, 5, Setting::Front, 5, "10", "  Фланг -2  Установлен фронт -10",
       " Фланг -2  Установлен фронт -10");
    out("front 0", 20, 0, Setting::Front);
    out("front 11", 50, 11, Setting::Front);
    in("alarm time confirmed 10", 52, 10, Setting::AlarmTime, 10, "10",
       "  Фланг -2  Установлено время тревоги -10", " Фланг -2  Установлено время тревоги -10");
    out("alarm time 0", 22, 0, Setting::AlarmTime);
    out("alarm time 11", 52, 11, Setting::AlarmTime);
    in("self-test confirmed 50", 53, 50, Setting::SelfTest, 50, "500",
       "  Фланг -2  Установлена длит. самоконтр. -500",
       " Фланг -2  Установлена длит. самоконтр. -500");
    in("self-test read 1", 23, 1, Setting::SelfTest, 1, "10");
    out("self-test 0", 23, 0, Setting::SelfTest);
    out("self-test 51", 53, 51, Setting::SelfTest);
    in("unit number 17", 32, 17, Setting::UnitNumber, 17, "17");
    in("unit number 128", 32, 128, Setting::UnitNumber, 128, "128");
    out("unit number 0", 32, 0, Setting::UnitNumber);
    out("unit number 129", 32, 129, Setting::UnitNumber);
    QTest::newRow("status code") << 11 << 0 << -1 << false << 0 << QString() << QString()
                                 << QString();
    QTest::newRow("set-address code")
        << 46 << 1 << -1 << false << 0 << QString() << QString() << QString();
}

void TestCatalogue::replies()
{
    QFETCH(int, code);
    QFETCH(int, valueByte);
    QFETCH(int, setting);
    QFETCH(bool, inRange);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(QString, list);
    QFETCH(QString, file);

    const ReplyDecision d = decideReply(code, valueByte, "2");
    if (setting < 0) {
        QCOMPARE(d.row, nullptr);
        return;
    }
    QCOMPARE(d.row, &settingRow(Setting(setting)));
    QCOMPARE(d.inRange, inRange);
    QCOMPARE(d.confirmation, code == d.row->writeCode);
    if (!inRange) {
        // Ignored: nothing to show and nothing to journal.
        QCOMPARE(d.journal, std::nullopt);
        return;
    }
    QCOMPARE(d.position, position);
    QCOMPARE(d.text, text);
    if (list.isEmpty()) {
        QCOMPARE(d.journal, std::nullopt);
    } else {
        QVERIFY(d.journal.has_value());
        QCOMPARE(d.journal->listText, list);
        QCOMPARE(d.journal->fileText, file);
    }
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
