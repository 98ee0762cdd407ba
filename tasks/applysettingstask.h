#pragma once

#include "params/settingsfile.h"
#include "tasks/settingstransfer.h"
#include "tasks/task.h"

// Writes a settings file into the detector on a running exchange: reads the
// file (refused whole before anything is sent), reads the detector, writes
// the settings that differ one at a time, each waiting for its confirmation,
// and optionally reads everything back. "Записать настройки в блок…" in the
// window (which asks before writing), `settings apply` in verkan-cli.
//
// However it ends, results() says of every setting to be written whether the
// detector confirmed it, refused it, did not confirm it or was never sent
// it, so a detector left half set up is never reported as set up.
class ApplySettingsTask : public Task {
    Q_OBJECT
public:
    struct Options {
        // Stop after the comparison (comparisonReady) until write() is called.
        bool askBeforeWriting = false;
        // Read both flanks again after writing (readBack()).
        bool readBack = false;
    };

    // The outcome of one setting to be written.
    struct Result {
        SettingsWriter::Item item;
        int before = -1;  // the detector's position before writing
        SettingsWriter::Outcome outcome = SettingsWriter::Outcome::Pending;
        int held = -1;  // with Refused: the position the detector kept
    };

    ApplySettingsTask(Exchange &exchange, const QString &path, Options options,
                      QObject *parent = nullptr);

    void start();
    // With askBeforeWriting, once comparisonReady came: write the settings
    // that differ.
    void write();

    const SettingsProfile &wanted() const { return m_wanted; }
    const SettingsProfile &before() const { return m_before; }
    // With readBack, once the read-back is complete.
    const SettingsProfile &readBack() const { return m_after; }
    const QList<Result> &results() const { return m_results; }
    int confirmedCount() const;

signals:
    // The detector's settings are read and compared with the file's; the
    // settings that differ are results(). With askBeforeWriting the task
    // waits for write().
    void comparisonReady();
    // One setting's write ended (results()[index]).
    void resultChanged(int index);

protected:
    void endWork() override;
    void exchangeEnded(bool linkLost) override;

private:
    void detectorRead(bool complete);
    void written();
    void readBackDone(bool complete);
    QString writeProgress() const;
    QString notAllWritten() const;

    QString m_path;
    Options m_options;
    SettingsReader *m_reader;
    SettingsWriter *m_writer;
    SettingsProfile m_wanted;
    SettingsProfile m_before;
    SettingsProfile m_after;
    QList<Result> m_results;
    bool m_writing = false;
    bool m_readingBack = false;
};

// A setting's write outcome in words: "подтверждено", "блок не принял
// значение, оставлено 4", "отправлено, не подтверждено", "не отправлено".
QString writeOutcomeText(const ApplySettingsTask::Result &result);
