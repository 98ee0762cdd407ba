#pragma once

#include "app/form1.h"
#include "journal/alarmsound.h"
#include "support/fakeserialport.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Alarm player that counts restarts and checks instead of playing, and
// reports a failure when the test says so.
class CountingAlarm : public AlarmPlayer {
public:
    void restart() override { ++restarts; }
    void check() override { ++checks; }
    void setFailureSink(FailureSink sink) override { m_sink = std::move(sink); }
    // Reports `reason` as a player does; empty: the tone is heard again.
    void fail(const QString &reason)
    {
        if (m_sink)
            m_sink(reason);
    }
    int restarts = 0;
    int checks = 0;

private:
    FailureSink m_sink;
};

// A window on a fake serial line, with its journal in a temporary folder and
// a clock the test sets.
struct FormFixture {
    // `deniedPorts` exist but refuse the user (no permission).
    explicit FormFixture(QSet<int> openablePorts = {1}, QSet<int> deniedPorts = {});

    QTemporaryDir dir;
    FakeSerialPort port;
    CountingAlarm alarm;
    QDateTime now{QDate(2026, 3, 14), QTime(9, 26, 53)};
    std::unique_ptr<Form1> form;

    QString journalPath() const { return dir.filePath(QStringLiteral("Jurnal.txt")); }
    static QString tonePath() { return QStringLiteral("/fake/ringout.wav"); }
    // The journal file's lines without their CR LF, decoded as UTF-8.
    QStringList journalFileLines() const;
    // The list's items, top first.
    QStringList journalListItems() const;
    // Time stamp used for every entry while `now` is unchanged.
    QString stamp() const;

    // Picks port n in the port list and presses "СТАРТ".
    void start(int portNumber = 1);
    // Runs the exchange timer for the given number of ticks.
    void tick(int ticks);

    // The designed control `name` of the window.
    template <typename T> T *control(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }
};
