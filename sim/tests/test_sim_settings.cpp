// Every flank setting walked through the simulated detector on both flanks
// with the window's own catalogue: its requests, its codes and its ranges.
// The simulator must answer each code the catalogue knows, take exactly the
// values the window offers and refuse the ones just outside, so that the two
// can never disagree unnoticed.

#include "link/codec.h"
#include "link/receiver.h"
#include "params/catalogue.h"
#include "sim/detector.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The one setting reply in a detector's output, as code and value byte;
// {-1, -1} when the output is anything else.
QPair<int, int> settingReplyIn(const QByteArray &out)
{
    if (!out.startsWith('!') || !out.endsWith('\r') || out.count('\r') != 1)
        return {-1, -1};
    const QString body = QString::fromLatin1(out.mid(1, out.size() - 2));
    int code = 0;
    if (classifyBody(body, &code) != BodyKind::Setting)  // as the window's receiver sees it
        return {-1, -1};
    return {code, codec::byteAt(body, 3)};
}

QPair<int, int> ask(sim::Detector &d, const QString &request)
{
    return settingReplyIn(d.receive(request.toLatin1(), d.baud()));
}

// The read replies of every flank setting on both flanks but `row` on
// `flank`.
QList<QPair<int, int>> everyOtherSetting(sim::Detector &d, const SettingRow &row, int flank)
{
    QList<QPair<int, int>> replies;
    for (const SettingRow *other : flankSettingRows())
        for (int f : {1, 2})
            if (other != &row || f != flank)
                replies << ask(d, readRequest(*other, 1, f));
    return replies;
}

}  // namespace

class TestSimSettings : public QObject {
    Q_OBJECT
private slots:
    void walk_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("flank");
        for (const SettingRow *row : flankSettingRows())
            for (int flank : {1, 2})
                QTest::addRow("%s, flank %d", row->fileKey, flank) << int(row->setting) << flank;
    }
    void walk()
    {
        QFETCH(int, setting);
        QFETCH(int, flank);
        const SettingRow &row = settingRow(Setting(setting));
        const QString flankText = QString::number(flank);
        sim::Detector d;
        const QList<QPair<int, int>> others = everyOtherSetting(d, row, flank);

        // The value held at start is one the window can show.
        const QPair<int, int> read = ask(d, readRequest(row, 1, flank));
        QCOMPARE(read.first, row.readCode);
        QVERIFY(decideReply(read.first, read.second, flankText).inRange);

        // Each end of the window's range: confirmed with that value, which
        // the window takes for a confirmation of that position, then read
        // back.
        for (int position : {row.minPosition, row.maxPosition}) {
            const std::optional<QString> write = writeRequest(row, 1, flank, position);
            QVERIFY(write);
            const QPair<int, int> confirmed = ask(d, *write);
            QCOMPARE(confirmed, qMakePair(row.writeCode, byteForPosition(row, position)));
            const ReplyDecision shown = decideReply(confirmed.first, confirmed.second, flankText);
            QVERIFY(shown.confirmation && shown.inRange);
            QCOMPARE(shown.position, position);
            QCOMPARE(ask(d, readRequest(row, 1, flank)), qMakePair(row.readCode, confirmed.second));
        }

        // One past each end (no byte lies below 0): refused, and the
        // confirmation carries the value kept, the highest written last.
        const int kept = byteForPosition(row, row.maxPosition);
        int refusals = 0;
        for (int position : {row.minPosition - 1, row.maxPosition + 1}) {
            const int byte = byteForPosition(row, position);
            if (byte < 0)
                continue;
            ++refusals;
            const QString write = codec::requestWithValue(1, row.writeCode, flank, byte);
            QCOMPARE(ask(d, write), qMakePair(row.writeCode, kept));
            QCOMPARE(ask(d, readRequest(row, 1, flank)), qMakePair(row.readCode, kept));
        }
        QVERIFY(refusals >= 1);

        // Every other setting, on this flank and the other, kept its value.
        QCOMPARE(everyOtherSetting(d, row, flank), others);
    }

    // The unit number read is the detector's address, which the window's
    // unit-number row shows at both ends of the address range it offers.
    void unitNumber_data()
    {
        QTest::addColumn<int>("position");
        const SettingRow &row = settingRow(Setting::UnitNumber);
        QTest::newRow("lowest") << row.minPosition;
        QTest::newRow("highest") << row.maxPosition;
    }
    void unitNumber()
    {
        QFETCH(int, position);
        const SettingRow &row = settingRow(Setting::UnitNumber);
        sim::Detector d(position);
        const QPair<int, int> reply = ask(d, readRequest(row, position, 1));
        QCOMPARE(reply.first, row.readCode);
        const ReplyDecision shown = decideReply(reply.first, reply.second, u"1"_s);
        QVERIFY(shown.inRange && !shown.confirmation);
        QCOMPARE(shown.position, position);
    }

    // Every request code, in each request form: the simulator answers with a
    // setting reply exactly the codes the catalogue has a row for, each
    // with its own code.
    void codesAgreeWithTheCatalogue()
    {
        for (int code = 0; code < 256; ++code) {
            const SettingRow *row = settingForReplyCode(code);
            bool answered = false;
            for (const QString &request :
                 {codec::requestAddressOnly(1, code), codec::requestForFlank(1, code, 1),
                  codec::requestWithValue(1, code, 1, 1)}) {
                sim::Detector d;  // afresh: a set-address request silences it
                const QByteArray out = d.receive(request.toLatin1(), d.baud());
                const QPair<int, int> reply = settingReplyIn(out);
                if (reply.first < 0)
                    continue;
                answered = true;
                QVERIFY2(row,
                         qPrintable(u"code %1 answered, but the catalogue has no row"_s.arg(code)));
                QCOMPARE(reply.first, code);
            }
            QVERIFY2(answered == (row != nullptr),
                     qPrintable(u"code %1: answered %2"_s.arg(code).arg(answered)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSimSettings)
#include "test_sim_settings.moc"
