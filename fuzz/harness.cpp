#include "fuzz/harness.h"

#include "app/chartview.h"
#include "app/updown.h"
#include "link/scheduler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

// A status reply of flank 1 in the norm state, taken once after "СТАРТ" so
// that the baseline is a window that has heard the detector.
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
    std::size_t left() const { return m_size - m_pos; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace

ReceiveHarness::ReceiveHarness()
{
    m_fixture.start(1);
    m_fixture.port.deliver(kFirstReply);
    m_baseline = m_fixture.form->state();
    keepBounded();
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

void ReceiveHarness::restoreBaseline()
{
    Form1 &f = form();
    // Stopped by a lost link: press "СТАРТ" again.
    if (!f.Command3->isEnabled()) {
        m_fixture.start(1);
        m_fixture.port.deliver(kFirstReply);
    }
    for (const Form1::SettingControls &row : f.settingRows()) {
        row.unlockBox->setChecked(false);
        if (row.spinner)
            row.spinner->setValue(1);
        if (row.list)
            row.list->setCurrentIndex(-1);
    }
    f.Combo2->setCurrentIndex(0);
    f.Check3->setChecked(false);
    f.Check6->setChecked(true);
    f.Check8->setChecked(true);
    f.Command5->setEnabled(true);
    f.Command9->setEnabled(true);
    f.Command8->setEnabled(false);
    f.Timer4->stop();
    setTimerEnabled(f.Timer1, true);
    setTimerEnabled(f.Timer5, true);
    f.state() = m_baseline;
}

void ReceiveHarness::applyOptions(quint8 options)
{
    Form1 &f = form();
    if (options & kOptionFlank2) {
        f.Combo2->setCurrentIndex(1);
        f.flankChosen();
    }
    if (options & kOptionSound)
        f.Check3->setChecked(true);
    if (options & kOptionHalfVolt)
        f.Check7->setChecked(true);
    if (options & kOptionOneSecond)
        f.Check9->setChecked(true);
    if ((options & kOptionControlPass) && f.Command9->isEnabled())
        f.startControlPassClicked();
    if (options & kOptionExchangeSlot) {
        for (int i = 0; i < kTicksPerSlot; ++i)
            f.exchangeTick();
    }
    if ((options & kOptionWatchdog) && f.state().CntPoteriObm == 0)
        f.watchdogTick();
}

// An action is what the operator (or a timer) does between two receive
// events: bits 0-2 pick a setting row, bits 3-5 the kind of action. Only
// enabled controls are used, as the operator can only use those.
void ReceiveHarness::applyAction(quint8 action)
{
    Form1 &f = form();
    const QList<Form1::SettingControls> &rows = f.settingRows();
    const int rowIndex = (action & 7) % int(rows.size());
    const Form1::SettingControls &row = rows[rowIndex];
    switch ((action >> 3) & 7) {
    case 0:
        break;
    case 1:
        if (row.unlockBox->isEnabled())
            row.unlockBox->setChecked(!row.unlockBox->isChecked());
        break;
    case 2:
        if (f.Combo2->isEnabled()) {
            f.Combo2->setCurrentIndex(f.Combo2->currentIndex() == 0 ? 1 : 0);
            f.flankChosen();
        }
        break;
    case 3:
        if (f.Command9->isEnabled())
            f.startControlPassClicked();
        else if (f.Command8->isEnabled())
            f.stopControlPassClicked();
        break;
    case 4:
        for (int i = 0; i < kTicksPerSlot; ++i)
            f.exchangeTick();
        break;
    case 5:
        if (row.spinner && row.spinner->isEnabled()) {
            if (row.spinner->Value() >= row.spinner->Max())
                row.spinner->setValue(row.spinner->Min());
            else
                row.spinner->stepUp();
        } else if (row.list && row.list->isEnabled()) {
            row.list->setCurrentIndex((row.list->currentIndex() + 1) % row.list->count());
        }
        break;
    case 6:
        if (row.apply->isEnabled())
            row.apply->click();
        break;
    case 7:
        if ((action & 1) && f.Command5->isEnabled())
            f.remoteTest();
        if (action & 2)
            f.clearJournal();
        if ((action & 4) && f.state().CntPoteriObm == 0)
            f.watchdogTick();
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
        form().Picture1->grab();
    keepBounded();
}

void ReceiveHarness::keepBounded()
{
    FakeSerialPort &p = port();
    p.written.clear();
    p.settingsHistory.clear();
    p.openAttempts.clear();
    if (form().List1->count() > kMaxListItems)
        form().List1->clear();
    const QString path = m_fixture.journalPath();
    if (QFileInfo(path).size() > kMaxJournalBytes)
        QFile::resize(path, 0);
}
