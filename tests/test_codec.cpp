#include "link/codec.h"

#include <QTest>

using namespace Qt::StringLiterals;

class CodecTest : public QObject {
    Q_OBJECT
private slots:
    void toAscii_data();
    void toAscii();
    void hexToDec_data();
    void hexToDec();
    void takeData_data();
    void takeData();
    void replyCheck_data();
    void replyCheck();
    void requests_data();
    void requests();
};

void CodecTest::toAscii_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << u"00"_s;
    QTest::newRow("12 end byte") << 12 << u"0c"_s;
    QTest::newRow("171 lower case") << 171 << u"ab"_s;
    QTest::newRow("255") << 255 << u"ff"_s;
    // Outside the byte range the frame must still carry exactly two digits.
    QTest::newRow("-1 no list item") << -1 << u"00"_s;
    QTest::newRow("256") << 256 << u"ff"_s;
}

void CodecTest::toAscii()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(codec::ToASCII(value), text);
}

void CodecTest::hexToDec_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("F") << u"F"_s << 15;
    QTest::newRow("f") << u"f"_s << 15;
    QTest::newRow("g") << u"g"_s << 0;
    QTest::newRow("space") << u" "_s << 0;
    QTest::newRow("stops at non-digit") << u"1g2"_s << 1;
}

void CodecTest::hexToDec()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(codec::HexToDec(text), value);
}

void CodecTest::takeData_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("value");
    QTest::newRow("code of a status body") << u"0b0000000024ffff2d"_s << 1 << 11;
    QTest::newRow("characters 5 and 6") << u"0b00a1000024ffff2d"_s << 5 << 0xa1;
    QTest::newRow("upper case") << u"0F0514"_s << 1 << 15;
    QTest::newRow("past the end") << u"0f0514"_s << 7 << 0;
    QTest::newRow("half past the end") << u"0f05147"_s << 7 << 0x70;
}

void CodecTest::takeData()
{
    QFETCH(QString, body);
    QFETCH(int, position);
    QFETCH(int, value);
    QCOMPARE(codec::TakeData(body, position), value);
}

void CodecTest::replyCheck_data()
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

void CodecTest::replyCheck()
{
    QFETCH(QString, body);
    QFETCH(bool, passes);
    QCOMPARE(codec::replyCheckPasses(body), passes);
}

void CodecTest::requests_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("expected");
    QTest::newRow("poll address 1 flank 1")
        << codec::requestForFlank(1, codec::Status, 1) << u"$010b010c\r"_s;
    QTest::newRow("poll address 128 flank 2")
        << codec::requestForFlank(128, codec::Status, 2) << u"$800b020c\r"_s;
    QTest::newRow("unit number read address 1")
        << codec::requestAddressOnly(1, codec::ReadUnitNumber) << u"$01200c\r"_s;
    QTest::newRow("remote test address 1")
        << codec::requestAddressOnly(1, codec::RemoteTest) << u"$01030c\r"_s;
    QTest::newRow("set address 5 flank 1")
        << codec::requestWithValue(1, codec::SetUnitNumber, 1, 4) << u"$012e01040c\r"_s;
    QTest::newRow("threshold write address 5")
        << codec::requestWithValue(5, codec::WriteThreshold, 1, 8) << u"$052f01080c\r"_s;
}

void CodecTest::requests()
{
    QFETCH(QString, frame);
    QFETCH(QString, expected);
    QCOMPARE(frame, expected);
    QCOMPARE(frame, frame.toLower());  // a request never carries upper case
    QCOMPARE(frame.size() % 2, 0);     // "$", whole hex pairs, CR
}

QTEST_APPLESS_MAIN(CodecTest)
#include "test_codec.moc"
