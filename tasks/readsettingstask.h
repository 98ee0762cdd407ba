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

// The words of a settings read's progress and of a detector that did not
// answer it, shared by the tasks that read settings.
QString settingsReadProgress(int address, int received, int total);
QString settingsNotRead(int address);
