#include "link/codec.h"
#include "link/protocol.h"

#include <QTest>

using namespace Qt::StringLiterals;

class CodecTest : public QObject {
    Q_OBJECT
private slots:
    void byteAt_data()
    {
        // position 0: leadingHexValue of the whole text
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::newRow("F") << u"F"_s << 0 << 15;
        QTest::newRow("f") << u"f"_s << 0 << 15;
        QTest::newRow("g") << u"g"_s << 0 << 0;
        QTest::newRow("stops at a non-digit") << u"1g2"_s << 0 << 1;
        QTest::newRow("ninth digit ignored") << u"123456789"_s << 0 << 0x12345678;
        QTest::newRow("code of a status body") << u"0b0000000024ffff2d"_s << 1 << 11;
        QTest::newRow("characters 5 and 6") << u"0b00a1000024ffff2d"_s << 5 << 0xa1;
        QTest::newRow("upper case") << u"0F0514"_s << 1 << 15;
        QTest::newRow("past the end") << u"0f0514"_s << 7 << 0;
        QTest::newRow("half past the end") << u"0f05147"_s << 7 << 0x70;
    }
    void byteAt()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, value);
        QCOMPARE(position ? codec::byteAt(text, position) : codec::leadingHexValue(text), value);
    }

    void replyCheck_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("passes");
        QTest::newRow("gain 5") << u"0f0514"_s << true;
        QTest::newRow("gain 5 upper case") << u"0F0514"_s << true;
        QTest::newRow("checksum off by one") << u"0f0515"_s << false;
        QTest::newRow("cable short status") << u"0b0000000024ffff2d"_s << true;
        QTest::newRow("status checksum wrong") << u"0b0000000024ffff2e"_s << false;
        QTest::newRow("sum wraps twice") << u"0bffff00000000ff08"_s << true;
        QTest::newRow("length 5") << u"0f051"_s << false;
        QTest::newRow("length 19") << u"0b0000000024ffff2d0"_s << false;
        // Odd lengths in range take the checksum from the last two characters.
        QTest::newRow("length 7 odd") << u"0f05014"_s << true;
        QTest::newRow("length 17 odd") << u"0b0000000024ffff2"_s << false;
    }
    void replyCheck()
    {
        QFETCH(QString, body);
        QFETCH(bool, passes);
        QCOMPARE(codec::replyCheckPasses(body), passes);
    }

    void requests_data()
    {
        using namespace codec;
        const int limitWrite = protocol::flankSetting(protocol::FlankSetting::Limit).writeCode;
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("expected");
        QTest::newRow("poll") << requestForFlank(128, protocol::kStatus, 2) << u"$800b020c\r"_s;
        QTest::newRow("unit number read")
            << requestAddressOnly(1, protocol::kReadUnitNumber) << u"$01200c\r"_s;
        QTest::newRow("set address")
            << requestWithValue(1, protocol::kSetUnitNumber, 1, 4) << u"$012e01040c\r"_s;
        // Lower-case digits; outside the byte range still exactly two digits.
        QTest::newRow("value 171") << requestWithValue(5, limitWrite, 2, 171) << u"$053302ab0c\r"_s;
        QTest::newRow("value -1: no list item")
            << requestWithValue(1, limitWrite, 2, -1) << u"$013302000c\r"_s;
        QTest::newRow("value 256") << requestWithValue(1, limitWrite, 2, 256) << u"$013302ff0c\r"_s;
    }
    void requests()
    {
        QFETCH(QString, frame);
        QFETCH(QString, expected);
        QCOMPARE(frame, expected);
    }
};

QTEST_APPLESS_MAIN(CodecTest)
#include "test_codec.moc"
