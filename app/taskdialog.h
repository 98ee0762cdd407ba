#pragma once

#include <QDialog>

class QLabel;
class Task;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// A dialog for work that takes a while (reading settings, writing a profile,
// a search): a line of text, a progress bar, room for a table or a list, and
// a row of buttons ending in "Отмена", which reads "Закрыть" once the work
// has ended. Closing the dialog while the work runs cancels it. The dialog is
// opened window-modal with open() and deletes itself when closed; the window
// behind it keeps running.
class TaskDialog : public QDialog {
    Q_OBJECT
public:
    TaskDialog(QWidget *parent, const QString &title);

    // Shows `task`'s progress and its end; "Отмена" and closing the dialog
    // cancel it.
    void follow(Task *task);

    void showProgress(const QString &text, int done, int total);
    // The work ended (or is waiting for the user): the text, in red when
    // something failed; the close button reads "Закрыть".
    void showEnded(const QString &text, bool failed = false);
    bool isWorking() const { return m_working; }

    // Where a dialog puts its table or list, above the buttons.
    QVBoxLayout *body() const { return m_body; }
    // A button left of the close button.
    QPushButton *addButton(const QString &text, const char *objectName);

signals:
    // "Отмена" pressed, or the dialog closed, while the work ran.
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel *m_text;
    QProgressBar *m_progress;
    QVBoxLayout *m_body;
    QWidget *m_buttons;
    QPushButton *m_close;
    bool m_working = true;
};
