#include "harness.h"

#include "app/journallistview.h"
#include "app/updown.h"
#include "diagram/signalchart.h"
#include "link/codec.h"
#include "link/exchange.h"
#include "link/protocol.h"
#include "params/catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace {

// A status reply of flank 1 in the norm state, signal and threshold 0, so
// that every input starts in a window that has heard the detector.
const QByteArray kFirstReply = QByteArrayLiteral("!0b000000000000000b\r");

// The journal is truncated once it grows past this, and the on-screen list
// emptied past kMaxListItems, so that a long run stays small.
constexpr qint64 kMaxJournalBytes = 256 * 1024;
constexpr int kMaxListItems = 256;

constexpr int kCutLengthMask = 63;
constexpr int kMaxCuts = 15;

class InputReader {
public:
    InputReader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    quint8 next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray take(std::size_t n)
    {
        n = std::min(n, m_size - m_pos);
        QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void clickIfEnabled(QPushButton *button)
{
    if (button->isEnabled())
        button->click();
}

// The other flank, chosen with the keyboard as the operator does.
void switchFlank(QComboBox *flank)
{
    if (!flank->isEnabled())
        return;
    QKeyEvent key(QEvent::KeyPress, flank->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(flank, &key);
}

}  // namespace

ReceiveHarness::ReceiveHarness() : m_rows(findSettingControls(m_fixture.form.get()))
{
    m_fixture.start(1);
    m_fixture.port.deliver(kFirstReply);
}

QByteArray ReceiveHarness::input(const QByteArray &stream, const QList<int> &cuts, quint8 options)
{
    QByteArray out;
    out.append(char(options));
    const int n = std::min(int(cuts.size()), kMaxCuts);
    out.append(char(n));
    for (int i = 0; i < n; ++i) {
        out.append(char(std::clamp(cuts[i], 0, kCutLengthMask)));
        out.append(char(0));
    }
    out.append(stream);
    return out;
}

// Puts the window back into its state right after the constructor: every
// control the operator can change, the chart's pen and control pass, the
// flank monitor, the exchange and its scheduler. The link is never lost (the
// harness lets one silent watchdog period pass at most), so the exchange
// runs throughout. Only the picture on the chart and texts that the next
// replies rewrite stay as they were.
void ReceiveHarness::restoreBaseline()
{
    FormFixture &f = m_fixture;
    Exchange &exchange = f.form->exchange();
    for (const SettingControls &row : m_rows) {
        row.unlockBox->setChecked(false);
        if (row.spinner)
            row.spinner->setValue(1);
        else
            row.list->setCurrentIndex(-1);
    }
    f.control<QCheckBox>("Check3")->setChecked(false);
    f.control<QCheckBox>("Check6")->setChecked(true);
    f.control<QCheckBox>("Check8")->setChecked(true);
    clickIfEnabled(f.control<QPushButton>("Command8"));

    // The window shows its chart read-only; only the harness rewinds it: a
    // new control pass, and one norm reply with a step wider than the sweep,
    // which takes the pen back to the left edge at 0 V.
    SignalChart &chart = f.form->chart();
    chart.pass() = ControlPass();
    chart.setTimeScale(SignalChart::kSweepEnd + 1);
    f.port.deliver(kFirstReply);
    chart.setTimeScale(SignalChart::kHalfSecondPerDivision);

    // The read-back and the mailbox go out, then flank 1 is read back and
    // the unit number queued, as after "СТАРТ".
    f.tick((Scheduler::kReadBackLength + 1) * protocol::kTicksPerSlot);
    f.control<QComboBox>("Combo2")->setCurrentIndex(0);
    exchange.changeFlank(1);
    exchange.queueRequest(codec::requestAddressOnly(exchange.address(), protocol::kReadUnitNumber));
    f.port.setBaudRate(kDefaultBaud);
    f.port.deliver(kFirstReply);
    keepBounded();
}

void ReceiveHarness::applyOptions(quint8 options)
{
    FormFixture &f = m_fixture;
    Exchange &exchange = f.form->exchange();
    if (options & kOptionFlank2)
        switchFlank(f.control<QComboBox>("Combo2"));
    if (options & kOptionSound)
        f.control<QCheckBox>("Check3")->setChecked(true);
    if (options & kOptionHalfVolt)
        f.control<QCheckBox>("Check7")->setChecked(true);
    if (options & kOptionOneSecond)
        f.control<QCheckBox>("Check9")->setChecked(true);
    if (options & kOptionControlPass)
        clickIfEnabled(f.control<QPushButton>("Command9"));
    if (options & kOptionExchangeSlot)
        f.tick(protocol::kTicksPerSlot);
    if ((options & kOptionWatchdog) && exchange.silentPeriods() == 0)
        exchange.watchdogExpired();
}

// An action is what the operator (or a timer) does between two receive
// events: bits 0-2 pick a setting row, bits 3-5 the kind of action. Only
// enabled controls are used, as the operator can only use those.
void ReceiveHarness::applyAction(quint8 action)
{
    FormFixture &f = m_fixture;
    const SettingControls &row = m_rows[(action & 7) % kSettingCount];
    QCheckBox *unlock = row.unlockBox;
    UpDown *spinner = row.spinner;
    QComboBox *list = row.list;
    switch ((action >> 3) & 7) {
    case 0:
        break;
    case 1:
        if (unlock->isEnabled())
            unlock->setChecked(!unlock->isChecked());
        break;
    case 2:
        switchFlank(f.control<QComboBox>("Combo2"));
        break;
    case 3:
        if (auto *passStart = f.control<QPushButton>("Command9"); passStart->isEnabled())
            passStart->click();
        else
            clickIfEnabled(f.control<QPushButton>("Command8"));
        break;
    case 4:
        f.tick(protocol::kTicksPerSlot);
        break;
    case 5:
        if (spinner && spinner->isEnabled()) {
            if (spinner->Value() >= spinner->Max())
                spinner->setValue(spinner->Min());
            else
                spinner->stepUp();
        } else if (list && list->isEnabled()) {
            list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        }
        break;
    case 6:
        clickIfEnabled(row.apply);
        break;
    case 7:
        if (action & 1)
            clickIfEnabled(f.control<QPushButton>("Command5"));
        if (action & 2)
            f.control<QPushButton>("Command6")->click();
        if ((action & 4) && f.form->exchange().silentPeriods() == 0)
            f.form->exchange().watchdogExpired();
        break;
    }
}

void ReceiveHarness::run(const std::uint8_t *data, std::size_t size)
{
    restoreBaseline();

    InputReader in(data, size);
    const quint8 options = in.next();
    const int cutCount = in.next() & kMaxCuts;
    quint8 cuts[kMaxCuts][2] = {};
    for (int i = 0; i < cutCount; ++i) {
        cuts[i][0] = in.next();
        cuts[i][1] = in.next();
    }
    applyOptions(options);

    int budget = kMaxStreamBytes;
    for (int i = 0; i < cutCount; ++i) {
        const int length = std::min(cuts[i][0] & kCutLengthMask, budget);
        applyAction(cuts[i][1]);
        const QByteArray chunk = in.take(std::size_t(length));
        budget -= int(chunk.size());
        m_fixture.port.deliver(chunk);
    }
    const QByteArray rest = in.take(std::size_t(budget));
    if (!rest.isEmpty())
        m_fixture.port.deliver(rest);

    if (options & kOptionRepaint)
        m_fixture.control<QWidget>("Picture1")->grab();
}

void ReceiveHarness::keepBounded()
{
    FakeSerialPort &p = m_fixture.port;
    p.written.clear();
    p.baudHistory.clear();
    p.openAttempts.clear();
    auto *list = m_fixture.control<JournalListView>("List1");
    if (list->count() > kMaxListItems)
        list->clear();
    const QString path = m_fixture.journalPath();
    if (QFileInfo(path).size() > kMaxJournalBytes)
        QFile::resize(path, 0);
}
