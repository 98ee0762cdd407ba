#include "app/taskdialog.h"

#include "tasks/task.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TaskDialog::TaskDialog(QWidget *parent, const QString &title)
    : QDialog(parent), m_text(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_body(new QVBoxLayout), m_buttons(new QWidget(this)),
      m_close(new QPushButton(tr("Отмена"), m_buttons))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    m_text->setObjectName(u"taskText"_s);
    m_text->setWordWrap(true);
    m_text->setMinimumWidth(420);
    m_progress->setObjectName(u"taskProgress"_s);
    m_close->setObjectName(u"taskClose"_s);
    auto *buttons = new QHBoxLayout(m_buttons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_progress);
    layout->addLayout(m_body);
    layout->addWidget(m_buttons);
    connect(m_close, &QPushButton::clicked, this, &TaskDialog::reject);
}

void TaskDialog::follow(Task *task)
{
    connect(task, &Task::progress, this, &TaskDialog::showProgress);
    connect(task, &Task::finished, this,
            [this, task] { showEnded(task->message(), task->state() == Task::State::Failed); });
    connect(this, &TaskDialog::cancelRequested, task, &Task::cancel);
    // A task waiting for the user is cancelled with the dialog, too.
    connect(this, &QDialog::finished, task, &Task::cancel);
}

void TaskDialog::showProgress(const QString &text, int done, int total)
{
    m_working = true;
    m_close->setText(tr("Отмена"));
    m_text->setStyleSheet(QString());
    m_text->setText(text);
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->show();
}

void TaskDialog::showEnded(const QString &text, bool failed)
{
    m_working = false;
    m_close->setText(tr("Закрыть"));
    m_text->setStyleSheet(failed ? u"color: red"_s : QString());
    m_text->setText(text);
    m_progress->hide();
}

QPushButton *TaskDialog::addButton(const QString &text, const char *objectName)
{
    auto *button = new QPushButton(text, m_buttons);
    button->setObjectName(QLatin1String(objectName));
    static_cast<QHBoxLayout *>(m_buttons->layout())->insertWidget(1, button);
    return button;
}

void TaskDialog::reject()
{
    if (m_working) {
        m_working = false;
        emit cancelRequested();
    }
    QDialog::reject();
}
