#pragma once

#include <QList>
#include <QObject>

class EventJournal;
class Exchange;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;
struct SettingRow;
class UpDown;

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
    // The controls of one setting row, found by the names in the catalogue.
    struct Row {
        const SettingRow *setting = nullptr;
        QCheckBox *unlockBox = nullptr;
        UpDown *spinner = nullptr;  // none for the limit
        QComboBox *list = nullptr;  // the limit's list
        QPushButton *apply = nullptr;
        QLineEdit *valueBox = nullptr;  // none for the limit
    };

    void unlockToggled(const Row &row);
    void applyPressed(const Row &row);
    void addressChangePressed(const Row &row);

    Exchange &m_exchange;
    EventJournal &m_journal;
    QWidget *m_form;
    QList<Row> m_rows;
};
