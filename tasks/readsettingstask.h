#pragma once

#include "params/settingsfile.h"
#include "tasks/task.h"

class SettingsReader;

// Reads the settings of both flanks of the detector on a running exchange
// and, given a path, saves them there as a settings file (written whole or
// not at all). "Сохранить настройки блока…" in the window, `settings show`
// and `settings save` in verkan-cli.
class ReadSettingsTask : public Task {
    Q_OBJECT
public:
    // `path`: where to save the settings; empty: only read them.
    ReadSettingsTask(Exchange &exchange, const QString &path = QString(),
                     QObject *parent = nullptr);

    void start();
    // The settings read, with the time they were read; complete once the
    // task is done.
    const SettingsProfile &profile() const { return m_profile; }

protected:
    void endWork() override;

private:
    void read(bool complete);

    QString m_path;
    SettingsReader *m_reader;
    SettingsProfile m_profile;
};

// For the tasks that read settings: a reader on `exchange` whose progress
// is `task`'s, in the words of a settings read; startReading() says the read
// begins and starts it.
SettingsReader *makeSettingsReader(Task *task, Exchange &exchange);
void startReading(Task *task, SettingsReader *reader, int address);
// The words of a detector that did not answer a settings read.
QString settingsNotRead(int address);
