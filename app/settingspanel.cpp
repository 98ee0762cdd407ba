#include "app/settingspanel.h"

#include "app/controls.h"
#include "app/updown.h"
#include "journal/eventjournal.h"
#include "link/exchange.h"
#include "params/catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

SettingsPanel::SettingsPanel(QWidget *form, Exchange &exchange, EventJournal &journal)
    : QObject(form), m_exchange(exchange), m_journal(journal), m_form(form)
{
    const SettingControlTable controls = findSettingControls(form);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        static_cast<SettingControls &>(m_rows[i]) = controls[i];
    // The rows stay where they are for the panel's life: handlers keep a
    // pointer to theirs.
    for (Row &r : m_rows) {
        Row *row = &r;
        connect(row->unlockBox, &QCheckBox::toggled, this, [this, row] { unlockToggled(*row); });
        if (row->spinner) {
            connect(row->spinner, &UpDown::changed, this,
                    [row] { show(*row, textForPosition(row->entry(), row->spinner->Value())); });
            row->spinner->takeKeysFrom(row->valueBox);
            // Most value boxes are read-only; one that takes typing must not
            // show a value other than the one its row would write.
            if (!row->valueBox->isReadOnly())
                connect(row->valueBox, &QLineEdit::editingFinished, this,
                        [this, row] { takeTypedPosition(*row); });
        }
        for (QWidget *w :
             std::initializer_list<QWidget *>{row->unlockBox, row->valueShown(), row->apply})
            w->installEventFilter(this);
        // The unit number's apply button is the address change.
        if (row->setting == Setting::UnitNumber)
            connect(row->apply, &QPushButton::clicked, this,
                    [this, row] { addressChangePressed(*row); });
        else
            connect(row->apply, &QPushButton::clicked, this, [this, row] { applyPressed(*row); });
    }
}

void SettingsPanel::load()
{
    control<QLabel>(m_form, "Label2")->setText(tr("ПAРАМЕТРЫ"));  // the second letter is a Latin A
    control<QLabel>(m_form, "Label26")->setText(tr("НАСТРОЙКА"));
    for (Row &row : m_rows) {
        if (row.setting != Setting::UnitNumber) {
            row.apply->setText(tr("Применить"));
        }
        row.apply->setEnabled(false);
        row.unlockBox->setText(tr("Изменить"));
        row.unlockBox->setEnabled(false);
        if (row.valueBox)
            show(row, u" "_s);
        if (row.spinner) {
            // The spinners already hold 1: setting it fires nothing, so the
            // value boxes keep their single space.
            row.spinner->setEnabled(false);
            row.spinner->setValue(1);
            row.spinner->setMin(row.entry().minPosition);
            row.spinner->setMax(row.entry().maxPosition);
            row.spinner->setIncrement(1);
        }
    }
}

void SettingsPanel::exchangeStarted()
{
    for (const Row &row : std::as_const(m_rows))
        row.unlockBox->setEnabled(true);
}

void SettingsPanel::exchangeStopped()
{
    for (const Row &row : std::as_const(m_rows)) {
        row.unlockBox->setEnabled(false);
        row.unlockBox->setChecked(false);
    }
}

void SettingsPanel::clearValues()
{
    for (Row &row : m_rows)
        if (row.valueBox)
            show(row, u" "_s);
}

void SettingsPanel::showSetting(int code, int valueByte, const QString &flankText)
{
    const ReplyDecision reply = decideReply(code, valueByte, flankText);
    if (!reply.row)
        return;
    Row &row = m_rows[std::size_t(reply.row->setting)];
    // A row being edited is never overwritten by the detector's answers.
    if (row.unlockBox->checkState() != Qt::Unchecked)
        return;
    // Values outside the setting's range are ignored; the row keeps its text.
    if (!reply.inRange)
        return;
    if (row.list) {
        row.list->setCurrentIndex(reply.position);
    } else {
        show(row, reply.text);
        row.spinner->setValue(reply.position);
    }
    if (reply.journal)
        m_journal.record(*reply.journal);
}

bool SettingsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (const Row &row : std::as_const(m_rows)) {
                const bool inRow = watched == row.unlockBox || watched == row.apply ||
                                   watched == row.valueBox || watched == row.list;
                if (inRow && row.apply->isEnabled()) {
                    row.apply->click();
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void SettingsPanel::show(Row &row, const QString &text)
{
    row.shown = text;
    showText(row.valueBox, text);
}

void SettingsPanel::takeTypedPosition(Row &row)
{
    if (row.valueBox->text() == row.shown)
        return;  // nothing typed since the program last showed a value
    if (!row.spinner->isEnabled()) {
        showText(row.valueBox, row.shown);
        return;
    }
    if (const std::optional<int> typed = positionForTypedText(row.entry(), row.valueBox->text()))
        row.spinner->setValue(*typed);
    show(row, textForPosition(row.entry(), row.spinner->Value()));
}

void SettingsPanel::unlockToggled(const Row &row)
{
    QWidget *editor = row.editor();
    if (row.unlockBox->checkState() == Qt::Checked) {
        editor->setEnabled(true);
        row.apply->setEnabled(true);
        return;
    }
    editor->setEnabled(false);
    row.apply->setEnabled(false);
    // Ask the detector for the stored value: it replaces whatever the
    // operator stepped to without applying.
    m_exchange.queueRequest(readRequest(row.entry(), m_exchange.address(), m_exchange.flank()));
}

void SettingsPanel::applyPressed(Row &row)
{
    if (row.spinner) {
        // A value typed and applied without leaving the box is taken first.
        takeTypedPosition(row);
        row.apply->setEnabled(false);
        row.spinner->setEnabled(false);
    }
    // Unticking queues a read of the setting; the write below replaces it.
    row.unlockBox->setChecked(false);
    const int position = row.list ? row.list->currentIndex() : row.spinner->Value();
    const std::optional<QString> frame =
        writeRequest(row.entry(), m_exchange.address(), m_exchange.flank(), position);
    // The limit list with no item chosen has nothing to write.
    if (frame)
        m_exchange.queueRequest(*frame);
}

void SettingsPanel::addressChangePressed(const Row &row)
{
    row.apply->setEnabled(false);
    row.spinner->setEnabled(false);
    // Unticking queues the unit-number read; the set-address request
    // replaces it before the scheduler can send it.
    row.unlockBox->setChecked(false);
    const int unitNumber = row.spinner->Value();
    m_exchange.queueRequest(
        setAddressRequest(m_exchange.address(), m_exchange.flank(), unitNumber));
    const QString number = QString::number(unitNumber);
    m_journal.record(tr("  Перезагрузка извещателя!!! Установлен адрес:") + number,
                     tr(" Перезагрузка извещателя!!! Установлен адрес:") + number);
}
