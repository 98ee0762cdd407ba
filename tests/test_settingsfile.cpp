// Settings files: what a document is read as, every kind of document that is
// refused (with the key and the allowed values named), and a round trip of
// every position of every setting.
#include "params/settingsfile.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kDocument = R"({"format": "verkan-r settings 1", "address": 1, "speed": 19200,
 "saved": "2026-12-06T12:00:00",
 "flanks": {"1": {"limit": 10, "gain": 5, "threshold": 1.1, "accumulation": 200, "front": 6,
                  "alarmTime": 2, "selfTestDuration": 100},
            "2": {"limit": 1000, "gain": 9, "threshold": 2, "accumulation": 950, "front": 20,
                  "alarmTime": 10, "selfTestDuration": 500}}})";

}  // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void readsTheDocument()
    {
        const ProfileParse parsed = parseSettingsProfile(kDocument);
        QVERIFY2(parsed.profile, qPrintable(parsed.error));
        const SettingsProfile &p = *parsed.profile;
        QCOMPARE(p.speed, 19200);
        QCOMPARE(p.saved, QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
        const QMap<Setting, int> first{{Setting::Limit, 1},     {Setting::Gain, 5},
                                       {Setting::Threshold, 5}, {Setting::Accumulation, 4},
                                       {Setting::Front, 3},     {Setting::AlarmTime, 2},
                                       {Setting::SelfTest, 10}};
        const QMap<Setting, int> second{{Setting::Limit, 3},      {Setting::Gain, 9},
                                        {Setting::Threshold, 14}, {Setting::Accumulation, 19},
                                        {Setting::Front, 10},     {Setting::AlarmTime, 10},
                                        {Setting::SelfTest, 50}};
        QCOMPARE(p.flanks[0], first);
        QCOMPARE(p.flanks[1], second);
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("error");
        QTest::newRow("not JSON") << QByteArray("}}}") << QByteArray()
                                  << u"не является документом JSON"_s;
        QTest::newRow("not an object")
            << kDocument << QByteArray("[1]") << u"не является объектом JSON"_s;
        QTest::newRow("format") << QByteArray("settings 1") << QByteArray("settings 2")
                                << u"\"format\": ожидается \"verkan-r settings 1\""_s;
        QTest::newRow("unknown key")
            << QByteArray("\"address\"") << QByteArray("\"colour\": 1, \"address\"")
            << u"неизвестный ключ \"colour\""_s;
        QTest::newRow("missing key")
            << QByteArray("\"speed\": 19200,") << QByteArray() << u"нет ключа \"speed\""_s;
        QTest::newRow("address") << QByteArray("\"address\": 1") << QByteArray("\"address\": 129")
                                 << u"\"address\": допустимы целые числа от 0 до 128"_s;
        QTest::newRow("unknown flank") << QByteArray("\"2\":") << QByteArray("\"3\":")
                                       << u"\"flanks\": неизвестный фланг \"3\""_s;
        QTest::newRow("unknown setting")
            << QByteArray("\"gain\": 5") << QByteArray("\"gain\": 5, \"hue\": 1")
            << u"\"flanks.1\": неизвестный ключ \"hue\""_s;
        QTest::newRow("missing setting") << QByteArray("\"alarmTime\": 10,") << QByteArray()
                                         << u"нет ключа \"flanks.2.alarmTime\""_s;
        QTest::newRow("between values")
            << QByteArray("\"threshold\": 1.1") << QByteArray("\"threshold\": 1.15")
            << u"\"flanks.1.threshold\": недопустимое значение 1.15; допустимы: 0.7, 0.8, 0.9, 1, "
               u"1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2"_s;
        QTest::newRow("not in the list")
            << QByteArray("\"limit\": 10") << QByteArray("\"limit\": 5")
            << u"\"flanks.1.limit\": недопустимое значение 5; допустимы: 1, 10, 100, 1000"_s;
        QTest::newRow("below the table")
            << QByteArray("\"gain\": 9") << QByteArray("\"gain\": 0")
            << u"\"flanks.2.gain\": недопустимое значение 0; допустимы: 1, 2,"_s;
        QTest::newRow("text for a number")
            << QByteArray("\"front\": 6") << QByteArray("\"front\": \"6\"")
            << u"\"flanks.1.front\": недопустимое значение \"6\"; допустимы: 2, 4,"_s;
    }
    void refuses()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, error);
        const QByteArray document =
            from == kDocument ? to : QByteArray(kDocument).replace(from, to);
        QVERIFY(document != kDocument);
        const ProfileParse parsed = parseSettingsProfile(document);
        QVERIFY(!parsed.profile);
        QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
    }

    void everyPositionRoundTrips()
    {
        // Profile k holds position min + k of every setting (held at max).
        for (int k = 0; k < 50; ++k) {
            SettingsProfile profile;
            profile.speed = 4800;
            for (const SettingRow *row : flankSettingRows()) {
                profile.flanks[0].insert(row->setting,
                                         std::min(row->minPosition + k, row->maxPosition));
                profile.flanks[1].insert(row->setting,
                                         std::max(row->maxPosition - k, row->minPosition));
            }
            const ProfileParse parsed = parseSettingsProfile(profile.toJson());
            QVERIFY2(parsed.profile, qPrintable(parsed.error));
            QCOMPARE(parsed.profile->flanks[0], profile.flanks[0]);
            QCOMPARE(parsed.profile->flanks[1], profile.flanks[1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
