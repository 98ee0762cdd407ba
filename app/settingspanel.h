#pragma once

#include "app/settingcontrols.h"

#include <QObject>

class EventJournal;
class Exchange;
class QWidget;

// "ПAРАМЕТРЫ" and "НАСТРОЙКА": one row per setting of the catalogue (the
// unit number and the seven flank settings), each locked until its
// "Изменить" box is ticked, written by its "Применить".
class SettingsPanel : public QObject {
    Q_OBJECT
public:
    SettingsPanel(QWidget *form, Exchange &exchange, EventJournal &journal);

    void load();
    void exchangeStarted();
    void exchangeStopped();
    // Empties every value box (the link was lost).
    void clearValues();
    // A setting reply of the detector about the flank shown as `flankText`.
    void showSetting(int code, int valueByte, const QString &flankText);

protected:
    // Enter anywhere in an unlocked row presses its "Применить".
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A setting of the catalogue and its controls.
    struct Row : SettingControls {
        const SettingRow &entry() const { return settingRow(setting); }
        QString shown;  // what the program last put into the value box
    };

    // Puts `text` into the row's value box.
    static void show(Row &row, const QString &text);
    // A value box that takes typing: what it shows when the edit ends is
    // what "Применить" writes. In an unlocked row a typed position of the
    // setting moves the spinner, and anything else is put back to the
    // spinner's text; a locked row puts back what it showed.
    void takeTypedPosition(Row &row);
    void unlockToggled(const Row &row);
    void applyPressed(Row &row);
    void addressChangePressed(const Row &row);

    Exchange &m_exchange;
    EventJournal &m_journal;
    QWidget *m_form;
    std::array<Row, kSettingCount> m_rows;  // indexed by Setting
};
