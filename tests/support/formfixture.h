#pragma once

#include "app/form1.h"
#include "journal/alarmsound.h"
#include "support/fakeserialport.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Alarm player that counts restarts instead of playing.
class CountingAlarm : public AlarmPlayer {
public:
    void restart() override { ++restarts; }
    int restarts = 0;
};

// A window on a fake serial line, with its journal in a temporary folder and
// a clock the test sets.
struct FormFixture {
    explicit FormFixture(QSet<int> openablePorts = {1});

    QTemporaryDir dir;
    FakeSerialPort port;
    CountingAlarm alarm;
    QDateTime now{QDate(2026, 3, 14), QTime(9, 26, 53)};
    std::unique_ptr<Form1> form;

    QString journalPath() const { return dir.filePath(QStringLiteral("Jurnal.txt")); }
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
