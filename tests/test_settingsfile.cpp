// Settings files: what a document is read as, every kind of document that is
// refused (with the key and the allowed values named), and a round trip of
// every position of every setting.
#include "i18n/language.h"
#include "link/scheduler.h"
#include "params/settingsfile.h"

#include <QCoreApplication>
#include <QJsonDocument>
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
                                         << u"нет ключа \"flanks.2.alarmTime\" (Тревога (сек))"_s;
        QTest::newRow("between values")
            << QByteArray("\"threshold\": 1.1") << QByteArray("\"threshold\": 1.15")
            << u"\"flanks.1.threshold\" (Порог (В)): недопустимое значение 1.15; допустимы: 0.7, "
               u"0.8, 0.9, 1, "
               u"1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2"_s;
        QTest::newRow("not in the list")
            << QByteArray("\"limit\": 10") << QByteArray("\"limit\": 5")
            << u"\"flanks.1.limit\" (Предел): недопустимое значение 5; допустимы: 1, 10, 100, 1000"_s;
        QTest::newRow("below the table")
            << QByteArray("\"gain\": 9") << QByteArray("\"gain\": 0")
            << u"\"flanks.2.gain\" (Усиление): недопустимое значение 0; допустимы: 1, 2,"_s;
        QTest::newRow("text for a number")
            << QByteArray("\"front\": 6") << QByteArray("\"front\": \"6\"")
            << u"\"flanks.1.front\" (Фронт (мВ/мсек)): недопустимое значение \"6\"; допустимы: 2, 4,"_s;

        const QString speeds = u"допустимы: 4800, 9600, 19200, 38400, 57600, 115200"_s;
        QTest::newRow("speed 0") << QByteArray("\"speed\": 19200") << QByteArray("\"speed\": 0")
                                 << u"\"speed\": недопустимое значение 0; "_s + speeds;
        QTest::newRow("speed no line runs at")
            << QByteArray("\"speed\": 19200") << QByteArray("\"speed\": 12345")
            << u"\"speed\": недопустимое значение 12345; "_s + speeds;
        QTest::newRow("speed above the fastest")
            << QByteArray("\"speed\": 19200") << QByteArray("\"speed\": 230400")
            << u"\"speed\": недопустимое значение 230400; "_s + speeds;

        const QString savedForm =
            u"\"saved\": ожидаются дата и время ISO 8601 (\"2026-12-06T12:00:00\")"_s;
        const QByteArray saved = "\"saved\": \"2026-12-06T12:00:00\"";
        QTest::newRow("saved a number") << saved << QByteArray("\"saved\": 20261206") << savedForm;
        QTest::newRow("saved null") << saved << QByteArray("\"saved\": null") << savedForm;
        QTest::newRow("saved empty") << saved << QByteArray("\"saved\": \"\"") << savedForm;
        QTest::newRow("saved a date alone")
            << saved << QByteArray("\"saved\": \"2026-12-06\"") << savedForm;
        QTest::newRow("saved in another notation")
            << saved << QByteArray("\"saved\": \"06.12.2026 12:00:00\"") << savedForm;
        QTest::newRow("saved on a day no month has")
            << saved << QByteArray("\"saved\": \"2026-02-30T12:00:00\"") << savedForm;

        QTest::newRow("format twice")
            << QByteArray("\"address\"")
            << QByteArray("\"format\": \"verkan-r settings 1\", \"address\"")
            << u"\"format\": ключ задан дважды"_s;
        QTest::newRow("speed twice, the last one valid")
            << QByteArray("\"speed\": 19200") << QByteArray("\"speed\": 0, \"speed\": 19200")
            << u"\"speed\": ключ задан дважды"_s;
        QTest::newRow("flanks twice")
            << QByteArray("\"saved\"") << QByteArray("\"flanks\": {}, \"saved\"")
            << u"\"flanks\": ключ задан дважды"_s;
        QTest::newRow("flank twice") << QByteArray("\"2\": {") << QByteArray("\"1\": {}, \"2\": {")
                                     << u"\"flanks.1\": ключ задан дважды"_s;
        QTest::newRow("setting twice")
            << QByteArray("\"gain\": 9") << QByteArray("\"gain\": 9, \"gain\": 9")
            << u"\"flanks.2.gain\" (Усиление): ключ задан дважды"_s;
        QTest::newRow("setting twice, once spelt with an escape")
            << QByteArray("\"gain\": 5") << QByteArray("\"gain\": 5, \"g\\u0061in\": 7")
            << u"\"flanks.1.gain\" (Усиление): ключ задан дважды"_s;
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

    // A refused setting is named by its key in the file and by its caption in
    // the window, in the window's language (the Russian texts: refuses());
    // keys that are no setting keep their name alone.
    void refusalInEnglish_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("error");
        QTest::newRow("value not allowed")
            << QByteArray("\"selfTestDuration\": 100") << QByteArray("\"selfTestDuration\": 5")
            << u"\"flanks.1.selfTestDuration\" (Self-test time (ms)): value 5 not allowed; "
               u"allowed: 10, 20,"_s;
        QTest::newRow("setting missing")
            << QByteArray("\"alarmTime\": 10,") << QByteArray()
            << u"missing key \"flanks.2.alarmTime\" (Alarm time (s))"_s;
        QTest::newRow("setting twice")
            << QByteArray("\"gain\": 5") << QByteArray("\"gain\": 5, \"gain\": 6")
            << u"\"flanks.1.gain\" (Gain): key given twice"_s;
        QTest::newRow("speed, no setting")
            << QByteArray("\"speed\": 19200") << QByteArray("\"speed\": 1")
            << u"\"speed\": value 1 not allowed; allowed: 4800,"_s;
        QTest::newRow("flank missing, no setting")
            << QByteArray("\"2\": {") << QByteArray("\"3\": {")
            << u"\"flanks\": unknown flank \"3\""_s;
    }
    void refusalInEnglish()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, error);
        installLanguage(*QCoreApplication::instance(), Language::English);
        const QByteArray document = QByteArray(kDocument).replace(from, to);
        QVERIFY(document != kDocument);
        const ProfileParse parsed = parseSettingsProfile(document);
        installLanguage(*QCoreApplication::instance(), Language::Russian);
        QVERIFY(!parsed.profile);
        QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
    }

    // Documents written otherwise than toJson() writes them that say the same.
    void accepts_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QDateTime>("saved");
        const QByteArray saved = "\"saved\": \"2026-12-06T12:00:00\"";
        const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0));
        QTest::newRow("saved with milliseconds")
            << saved << QByteArray("\"saved\": \"2026-12-06T12:00:00.250\"") << noon.addMSecs(250);
        QTest::newRow("saved without seconds")
            << saved << QByteArray("\"saved\": \"2026-12-06T12:00\"") << noon;
        QTest::newRow("saved in UTC") << saved << QByteArray("\"saved\": \"2026-12-06T12:00:00Z\"")
                                      << QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
        QTest::newRow("saved with an offset")
            << saved << QByteArray("\"saved\": \"2026-12-06T15:00:00+03:00\"")
            << QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
        QTest::newRow("key spelt with an escape")
            << QByteArray("\"gain\": 5") << QByteArray("\"g\\u0061in\": 5") << noon;
        QTest::newRow("value spelt with escapes")
            << QByteArray("\"verkan-r settings 1\"")
            << QByteArray("\"verkan-r\\u0020settings\\u0020\\u0031\"") << noon;
        QTest::newRow("one line") << QByteArray("\n") << QByteArray(" ") << noon;
    }
    void accepts()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QDateTime, saved);
        const QByteArray document = QByteArray(kDocument).replace(from, to);
        QVERIFY(document != kDocument);
        const ProfileParse parsed = parseSettingsProfile(document);
        QVERIFY2(parsed.profile, qPrintable(parsed.error));
        QCOMPARE(parsed.profile->saved, saved);
        QCOMPARE(parsed.profile->flanks[0].value(Setting::Gain), 5);
    }

    // Every key an object gives twice is found, with its path; the same text
    // elsewhere (in another object, in a string value, as an escape that
    // spells another key) is no second key. (moc misreads a raw string
    // holding \" or a lone bracket: those rows are written with escapes.)
    void duplicateKeys_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("path");  // "-": no key twice
        QTest::newRow("flat") << QByteArray(R"({"a": 1, "a": 2})") << u"a"_s;
        QTest::newRow("nested") << QByteArray(R"({"a": {"b": 1, "c": 2, "b": 3}})") << u"a.b"_s;
        QTest::newRow("after nested values")
            << QByteArray(R"({"a": {"b": {"c": 1}}, "d": [1, {"e": 2}], "a": 0})") << u"a"_s;
        QTest::newRow("in an array") << QByteArray(R"({"a": [1, {"b": 1, "b": 2}]})") << u"a.1.b"_s;
        QTest::newRow("in an array at the top")
            << QByteArray(R"([{"a": 1}, {"a": 1, "a": 1}])") << u"1.a"_s;
        QTest::newRow("escaped letter") << QByteArray(R"({"ab": 1, "\u0061b": 2})") << u"ab"_s;
        QTest::newRow("escaped letter beyond ASCII")
            << QByteArray(R"({"é": 1, "\u00e9": 2})") << u"é"_s;
        QTest::newRow("surrogate pair") << QByteArray(R"({"😀": 1, "\ud83d\ude00": 2})") << u"😀"_s;
        QTest::newRow("escaped quote")
            << QByteArray("{\"a\\\"b\": 1, \"a\\u0022b\": 2}") << u"a\"b"_s;
        QTest::newRow("escaped solidus") << QByteArray(R"({"a/b": 1, "a\/b": 2})") << u"a/b"_s;
        QTest::newRow("empty key") << QByteArray(R"({"": 1, "": 2})") << u""_s;
        QTest::newRow("same key in two objects")
            << QByteArray(R"({"a": {"b": 1}, "c": {"b": 1}, "b": 1})") << u"-"_s;
        QTest::newRow("same key in two array elements")
            << QByteArray(R"([{"a": 1}, {"a": 1}])") << u"-"_s;
        QTest::newRow("key text in a value")
            << QByteArray(
                   "{\"a\": \"\\\"a\\\": 1, {\\\"a\\\": 2}\", \"b\": \"a\", \"c\": [\"a\", \"a\"]}")
            << u"-"_s;
        QTest::newRow("backslash ends a key")
            << QByteArray(R"({"a\\": 1, "a": 2, "a\\\\": 3})") << u"-"_s;
        QTest::newRow("escaped backslash before u")
            << QByteArray(R"({"a\u0062": 1, "a\\u0062": 2})") << u"-"_s;
        QTest::newRow("brackets in keys and values")
            << QByteArray("{\"{\": \"[\", \"}\": \"]\", \"x\": {\"{\": 1, \"[\": 2}, \"y\": \"}\"}")
            << u"-"_s;
    }
    void duplicateKeys()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, path);
        QJsonParseError error;
        QJsonDocument::fromJson(json, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(duplicateJsonKey(json).value_or(u"-"_s), path);
    }

    void everyPositionRoundTrips()
    {
        // Profile k holds position min + k of every setting (held at max).
        for (int k = 0; k < 50; ++k) {
            SettingsProfile profile;
            profile.speed = kSearchSpeeds[k % kSpeedCount];
            profile.saved = QDateTime(QDate(2026, 12, 6), QTime(12, 0)).addSecs(k * 3601);
            for (const SettingRow *row : flankSettingRows()) {
                profile.flanks[0].insert(row->setting,
                                         std::min(row->minPosition + k, row->maxPosition));
                profile.flanks[1].insert(row->setting,
                                         std::max(row->maxPosition - k, row->minPosition));
            }
            const ProfileParse parsed = parseSettingsProfile(profile.toJson());
            QVERIFY2(parsed.profile, qPrintable(parsed.error));
            QCOMPARE(parsed.profile->speed, profile.speed);
            QCOMPARE(parsed.profile->saved, profile.saved);
            QCOMPARE(parsed.profile->flanks[0], profile.flanks[0]);
            QCOMPARE(parsed.profile->flanks[1], profile.flanks[1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
