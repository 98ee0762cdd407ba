#include "params/catalogue.h"

#include <QLocale>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    // Two positions of a row, each with its byte and its text, and the
    // positions just outside the row's range, which show nothing.
    void positions_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QList<int>>("shown");  // position, its byte, position, its byte
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("outside");
        auto add = [](const char *name, Setting s, QList<int> shown, QStringList texts,
                      QList<int> outside) {
            QTest::newRow(name) << int(s) << shown << texts << outside;
        };
        add("unit number", Setting::UnitNumber, {1, 1, 128, 128}, {"1", "128"}, {0, 129});
        add("limit", Setting::Limit, {0, 0, 3, 3}, {"1", "1000"}, {-1, 4});
        add("gain", Setting::Gain, {1, 1, 9, 9}, {"1", "9"}, {0, 10});
        add("threshold", Setting::Threshold, {1, 0, 14, 13}, {"0,7", "2"}, {0, 15});
        add("threshold middle", Setting::Threshold, {4, 3, 9, 8}, {"1", "1,5"}, {0, 15});
        add("accumulation", Setting::Accumulation, {1, 1, 19, 19}, {"50", "950"}, {0, 20});
        add("front", Setting::Front, {1, 1, 10, 10}, {"2", "20"}, {0, 11});
        add("alarm time", Setting::AlarmTime, {1, 1, 10, 10}, {"1", "10"}, {0, 11});
        add("self-test", Setting::SelfTest, {1, 1, 50, 50}, {"10", "500"}, {0, 51});
    }
    void positions()
    {
        QFETCH(int, setting);
        QFETCH(QList<int>, shown);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, outside);
        const SettingRow &r = settingRow(Setting(setting));
        for (int i : {0, 1}) {
            const int p = shown[2 * i], b = shown[2 * i + 1];
            QVERIFY(positionInRange(r, p));
            QCOMPARE(byteForPosition(r, p), b);
            QCOMPARE(positionForByte(r, b), p);
            QCOMPARE(textForPosition(r, p), texts[i]);
        }
        for (int p : outside) {
            QVERIFY(!positionInRange(r, p));
            QCOMPARE(textForPosition(r, p), QString());
        }
    }
    // Text typed into a value box: a row showing its position takes a whole
    // number, the others exactly the text one of their positions shows.
    void typedText_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");  // -1: none
        auto add = [](const char *name, Setting s, const QString &typed, int position) {
            QTest::newRow(name) << int(s) << typed << position;
        };
        add("gain 9, spaces around", Setting::Gain, u" 9 "_s, 9);
        add("gain 1", Setting::Gain, u"1"_s, 1);
        add("gain 0", Setting::Gain, u"0"_s, -1);
        add("gain 12", Setting::Gain, u"12"_s, -1);
        add("gain 7,5", Setting::Gain, u"7,5"_s, -1);
        add("gain letters", Setting::Gain, u"abc"_s, -1);
        add("gain nothing", Setting::Gain, QString(), -1);
        add("unit number 128", Setting::UnitNumber, u"128"_s, 128);
        add("unit number 129", Setting::UnitNumber, u"129"_s, -1);
        add("threshold 1,5", Setting::Threshold, u"1,5"_s, 9);
        add("threshold 1.5, not this locale's", Setting::Threshold, u"1.5"_s, -1);
        add("threshold 0, no position's", Setting::Threshold, u"0"_s, -1);
        add("self-test 50 ms is position 5", Setting::SelfTest, u"50"_s, 5);
        add("limit 1000", Setting::Limit, u"1000"_s, 3);
        add("limit 5", Setting::Limit, u"5"_s, -1);
    }
    void typedText()
    {
        QFETCH(int, setting);
        QFETCH(QString, typed);
        QFETCH(int, position);
        QCOMPARE(positionForTypedText(settingRow(Setting(setting)), typed).value_or(-1), position);
    }

    void frames_data()
    {
        QTest::addColumn<std::optional<QString>>("frame");
        QTest::addColumn<std::optional<QString>>("expected");  // none: nothing to send
        const SettingRow &threshold = settingRow(Setting::Threshold);
        const SettingRow &limit = settingRow(Setting::Limit);
        auto add = [](const char *name, std::optional<QString> frame,
                      std::optional<QString> expected) {
            QTest::newRow(name) << frame << expected;
        };
        add("threshold read", readRequest(threshold, 1, 2), u"$0111020c\r"_s);
        add("unit number read", readRequest(settingRow(Setting::UnitNumber), 1, 2), u"$01200c\r"_s);
        add("threshold write", writeRequest(threshold, 5, 1, 9), u"$052f01080c\r"_s);
        add("limit write", writeRequest(limit, 1, 2, 3), u"$013302030c\r"_s);
        add("limit, no item", writeRequest(limit, 1, 1, -1), std::nullopt);
        add("unit number: no write", writeRequest(settingRow(Setting::UnitNumber), 1, 1, 5),
            std::nullopt);
        add("set address 1", setAddressRequest(1, 1, 1), u"$012e01000c\r"_s);
        add("set address 128", setAddressRequest(3, 2, 128), u"$032e027f0c\r"_s);
        add("remote test", remoteTestRequest(1), u"$01030c\r"_s);
        add("remote test, address 128", remoteTestRequest(128), u"$80030c\r"_s);
    }
    void frames()
    {
        QFETCH(std::optional<QString>, frame);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(frame, expected);
    }
    void replies_data()
    {
        for (const char *c : {"code", "valueByte", "setting", "position"})  // position -1: ignored
            QTest::addColumn<int>(c);
        QTest::addColumn<QStringList>("texts");  // value text, list line, file line (or none)
        auto add = [](const char *name, int code, int b, int s, int p, QStringList texts = {}) {
            QTest::newRow(name) << code << b << s << p << texts;
        };
        add("threshold confirmed 0", 47, 0, int(Setting::Threshold), 1,
            {u"0,7"_s, u"  Фланг -2  Установлен порог -0,7"_s,
             u" Фланг -2  Установлен порог -0,7"_s});
        add("limit confirmed 2", 51, 2, int(Setting::Limit), 2,
            {u"100"_s, u"  Фланг -2  Установлен предел -100"_s,
             u" Фланг -2   Установлен предел -100"_s});
        add("gain read 5", 15, 5, int(Setting::Gain), 5, {u"5"_s});
        add("unit number 129", 32, 129, int(Setting::UnitNumber), -1);
        add("limit 4", 51, 4, int(Setting::Limit), -1);
        add("threshold 14", 17, 14, int(Setting::Threshold), -1);
        add("front 0", 20, 0, int(Setting::Front), -1);
        add("set-address code", 46, 1, -1, -1);
    }
    void replies()
    {
        QFETCH(int, code);
        QFETCH(int, valueByte);
        QFETCH(int, setting);
        QFETCH(int, position);
        QFETCH(QStringList, texts);
        const ReplyDecision d = decideReply(code, valueByte, "2");
        QCOMPARE(d.row, setting < 0 ? nullptr : &settingRow(Setting(setting)));
        if (setting < 0)
            return;
        QCOMPARE(d.inRange, position >= 0);
        if (position >= 0) {
            QCOMPARE(d.position, position);
            QCOMPARE(d.text, texts[0]);
        }
        QCOMPARE(d.journal.has_value(), texts.size() == 3);
        if (d.journal)
            QCOMPARE(QStringList({texts[1], texts[2]}),
                     QStringList({d.journal->listText, d.journal->fileText}));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
