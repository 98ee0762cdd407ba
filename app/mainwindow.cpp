#include "app/mainwindow.h"

#include "app/applyprofiledialog.h"
#include "app/controls.h"
#include "app/designedarea.h"
#include "app/discoverydialog.h"
#include "app/helpwindows.h"
#include "app/networkportsdialog.h"
#include "app/reportdetailsdialog.h"
#include "diagram/signalchart.h"
#include "files/chartstamp.h"
#include "link/exchange.h"
#include "tasks/readsettingstask.h"
#include "tasks/recordtask.h"
#include "tasks/reporttask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// The desktop's frame around a window before the desktop has drawn it: a
// title bar as tall as a laptop's desktop makes it at 150 %, thin borders.
constexpr QMargins kFrameEstimate(4, 40, 4, 4);

// Why a greyed menu item cannot be used now.
const char *const kOnlyRunning = QT_TRANSLATE_NOOP("MainWindow", "Только при запущенном обмене");
const char *const kOnlyStopped = QT_TRANSLATE_NOOP("MainWindow", "Только при остановленном обмене");
const char *const kWaitForTask =
    QT_TRANSLATE_NOOP("MainWindow", "Дождитесь окончания текущей операции");
const char *const kLineWatched = QT_TRANSLATE_NOOP("MainWindow", "Идёт наблюдение за линией");

// Enables `action` when there is no reason against it; a greyed one says
// the reason in its tool tip, an enabled one has none.
void enableUnless(QAction *action, const char *reason)
{
    action->setEnabled(!reason);
    action->setToolTip(reason ? MainWindow::tr(reason) : QString());
}

// Keeps an action as enabled as the button it presses; greyed, it says why.
class EnabledAsButton : public QObject {
public:
    EnabledAsButton(QAbstractButton *button, QAction *action, const char *reason)
        : QObject(action), m_action(action), m_reason(reason)
    {
        enableUnless(action, button->isEnabled() ? nullptr : reason);
        button->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            enableUnless(m_action,
                         static_cast<QWidget *>(watched)->isEnabled() ? nullptr : m_reason);
        return false;
    }

private:
    QAction *m_action;
    const char *m_reason;
};

// "1 строка", "3 строки", "126 строк": the word that the window's language
// wants after the number.
QString rowCount(qsizetype n)
{
    const qsizetype ones = n % 10;
    const qsizetype tens = n % 100;
    const bool russian = QLocale().language() == QLocale::Russian;
    const bool one = russian ? ones == 1 && tens != 11 : n == 1;
    const bool few = russian && ones >= 2 && ones <= 4 && (tens < 12 || tens > 14);
    return (one   ? MainWindow::tr("%1 строка")
            : few ? MainWindow::tr("%1 строки")
                  : MainWindow::tr("%1 строк"))
        .arg(n);
}

}  // namespace

MainWindow::MainWindow(const Form1Dependencies &deps, FileChooser chooser, ScreenArea screenArea,
                       QWidget *parent)
    : QMainWindow(parent), m_form(new Form1(deps, this)),
      m_choose(
          rememberingFolder(chooser ? std::move(chooser) : dialogFileChooser(this), deps.settings)),
      m_screenArea(std::move(screenArea)), m_journalPath(deps.journalPath),
      m_settings(deps.settings),
      m_guideFolders(Help::guideFolders(QCoreApplication::applicationDirPath())),
      m_alarm(deps.alarm)
{
    setObjectName(u"MainWindow"_s);
    setCentralWidget(new DesignedArea(m_form, this));
    // Below the designed area, the status bar says what was saved where.
    statusBar()->setObjectName(u"statusBar"_s);
    statusBar()->setSizeGripEnabled(false);

    QMenu *file = menuBar()->addMenu(tr("&Файл"));
    m_saveSettings = addAction(file, tr("&Сохранить настройки блока…"), "saveSettingsAction",
                               &MainWindow::saveSettings);
    m_applyProfile = addAction(file, tr("&Записать настройки в блок…"), "applyProfileAction",
                               &MainWindow::applyProfile);
    file->addSeparator();
    m_record = file->addAction(tr("Запись си&гнала в файл…"));
    m_record->setObjectName(u"recordAction"_s);
    m_record->setCheckable(true);
    connect(m_record, &QAction::toggled, this, &MainWindow::recordToggled);
    m_saveChart =
        addAction(file, tr("Сохранить &диаграмму…"), "saveChartAction", &MainWindow::saveChart);
    m_saveChart->setShortcut(QKeySequence(u"Ctrl+S"_s));
    m_report = addAction(file, tr("&Отчёт о проверке…"), "reportAction", &MainWindow::report);
    file->addSeparator();
    QAction *quit = addAction(file, tr("&Выход"), "quitAction", nullptr);
    quit->setShortcut(QKeySequence(u"Ctrl+Q"_s));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *block = menuBar()->addMenu(tr("&Блок"));
    addButtonAction(block, tr("&Старт обмена"), "startAction",
                    control<QPushButton>(m_form, "Command4"), Qt::Key_F5, kOnlyStopped);
    addButtonAction(block, tr("Сто&п обмена"), "stopAction",
                    control<QPushButton>(m_form, "Command3"), Qt::Key_F6, kOnlyRunning);
    block->addSeparator();
    m_find = addAction(block, tr("&Найти блок…"), "findAction", &MainWindow::findDetector);
    m_lineWatch =
        addAction(block, tr("Наблюдение за &линией…"), "lineWatchAction", &MainWindow::watchLine);
    m_networkPorts = addAction(block, tr("Се&тевые порты…"), "networkPortsAction",
                               &MainWindow::editNetworkPorts);

    QMenu *help = menuBar()->addMenu(tr("&Справка"));
    addAction(help, tr("&Руководство"), "guideAction", &MainWindow::showGuide)
        ->setShortcut(QKeySequence::HelpContents);
    addAction(help, tr("&О программе"), "aboutAction", &MainWindow::showAbout);

    // F10 opens the first menu, as on other desktops; Qt leaves it to the
    // platform, and most Linux desktops do not do it.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menuKey->setObjectName(u"menuBarShortcut"_s);
    connect(menuKey, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });

    for (QMenu *menu : {file, block, help}) {
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateActions);
        menu->setToolTipsVisible(true);  // why an item is greyed
    }
    Exchange &exchange = m_form->exchange();
    // The control pass of "КОНТРОЛЬНЫЙ  ПРОХОД" as the report takes it.
    connect(m_form, &Form1::controlPassSampled, this,
            [this](const StatusReading &reading, const ControlPass::Step &step) {
                if (auto pass = m_passRecorder.take(reading, step, m_form->exchange().flank()))
                    m_lastPass = std::move(pass);
            });
    connect(&exchange, &Exchange::started, this, &MainWindow::updateActions);
    connect(&exchange, &Exchange::linkAlive, this, &MainWindow::updateActions);
    // "СТАРТ" takes the port from a line watch, which ends first.
    connect(m_form, &Form1::startRequested, this, [this] {
        if (m_lineView)
            m_lineView->releasePort();
    });
    connect(&exchange, &Exchange::stopped, this, [this] {
        m_passRecorder.drop();
        m_record->setChecked(false);
        updateActions();
    });
    updateActions();
    showTitle();
}

MainWindow::~MainWindow()
{
    // The line view journals its stop into the form's journal: it goes
    // before the form does.
    delete m_lineView;
}

// --- Size ----------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent *event)
{
    // Sized when first shown, with every bar in place: as large as the form
    // and its bars, or as the screen allows.
    if (!m_shown) {
        m_shown = true;
        fitToScreen(sizeHint());
    }
    QMainWindow::showEvent(event);
}

bool MainWindow::event(QEvent *event)
{
    // By its first activation the desktop has framed the window; should the
    // frame be larger than estimated, the window shrinks to fit.
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        fitToScreen(size());
    }
    return QMainWindow::event(event);
}

void MainWindow::fitToScreen(QSize wanted)
{
    // The form at its designed size and the bars around it: the window never
    // grows beyond them, so scroll bars show only when it is smaller.
    const QSize full = sizeHint();
    setMaximumSize(full);
    const QRect area = m_screenArea ? m_screenArea() : screen()->availableGeometry();
    resize(wanted.boundedTo(full).boundedTo(area.size().shrunkBy(windowFrame())));
}

QMargins MainWindow::windowFrame() const
{
    if (const QWindow *window = windowHandle(); window && isVisible()) {
        const QMargins frame = window->frameMargins();
        if (!frame.isNull())
            return frame;
    }
    return kFrameEstimate;
}

QAction *MainWindow::addAction(QMenu *menu, const QString &text, const char *objectName,
                               void (MainWindow::*slot)())
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(objectName));
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

QAction *MainWindow::addButtonAction(QMenu *menu, const QString &text, const char *objectName,
                                     QAbstractButton *button, QKeyCombination key,
                                     const char *reason)
{
    QAction *action = addAction(menu, text, objectName, nullptr);
    action->setShortcut(key);
    // The designed button stays the one way in: the action presses it, and
    // brings it into view with the link status beside it.
    connect(action, &QAction::triggered, button, [this, button] {
        if (!button->isEnabled())
            return;
        button->click();
        if (auto *area = qobject_cast<DesignedArea *>(centralWidget()))
            area->bringIntoView(button);
    });
    new EnabledAsButton(button, action, reason);
    // The key is told where the button is; a tool tip leaves the designed
    // area as it is.
    button->setToolTip(u"%1 (%2)"_s.arg(action->iconText(),
                                        action->shortcut().toString(QKeySequence::NativeText)));
    return action;
}

void MainWindow::updateActions()
{
    const bool running = m_form->exchange().isRunning();
    const char *const needsRunning = !running ? kOnlyRunning : m_task ? kWaitForTask : nullptr;
    for (QAction *action : {m_saveSettings, m_applyProfile, m_report})
        enableUnless(action, needsRunning);
    // A recording under way can always be ended.
    enableUnless(m_record, m_record->isChecked() ? nullptr : needsRunning);
    for (QAction *action : {m_networkPorts, m_lineWatch})
        enableUnless(action, running ? kOnlyStopped : m_task ? kWaitForTask : nullptr);
    // The search needs the port a line watch holds.
    enableUnless(m_find, running                                 ? kOnlyStopped
                         : m_task                                ? kWaitForTask
                         : m_lineView && m_lineView->holdsPort() ? kLineWatched
                                                                 : nullptr);
}

void MainWindow::openTask(QDialog *dialog)
{
    m_task = dialog;
    connect(dialog, &QDialog::finished, this, [this] {
        m_task = nullptr;
        updateActions();
    });
    dialog->open();
    updateActions();
}

template <typename MakeTask>
void MainWindow::runTask(const QString &title, const QString &doneText, MakeTask make)
{
    auto *dialog = new TaskDialog(this, title);
    auto *task = make(dialog);
    dialog->follow(task);
    connect(task, &Task::finished, this, [this, task, doneText] {
        if (task->state() == Task::State::Done)
            statusBar()->showMessage(doneText);
    });
    openTask(dialog);
    task->start();
}

void MainWindow::showFailure(const QString &text)
{
    auto *box =
        new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Close, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

namespace {

// The time part of a proposed file name: "20261207-140509".
QString fileNameTime()
{
    return QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
}

}  // namespace

QString MainWindow::suggestedName(const QString &kind, const QString &suffix) const
{
    // "nastrojki-blok1-20261207-140509.json"; the words are translated, and
    // stay ASCII in every language, so the name survives any file system,
    // archive or mail.
    return u"%1-%2%3-%4.%5"_s.arg(kind, tr("blok", "file name: ASCII only"),
                                  QString::number(m_form->exchange().address()), fileNameTime(),
                                  suffix);
}

// --- Файл ----------------------------------------------------------------------

void MainWindow::saveSettings()
{
    if (m_task)
        return;
    const QString path =
        m_choose({true, tr("Сохранить настройки блока"), tr("Настройки блока (*.json)"),
                  suggestedName(tr("nastrojki", "file name: ASCII only"), u"json"_s)});
    // The exchange may have stopped while the file was being chosen.
    if (!path.isEmpty() && m_form->exchange().isRunning())
        runTask(tr("Сохранить настройки блока"),
                tr("Настройки блока сохранены: %1").arg(QDir::toNativeSeparators(path)),
                [this, &path](QObject *parent) {
                    return new ReadSettingsTask(m_form->exchange(), path, parent);
                });
}

void MainWindow::applyProfile()
{
    if (m_task)
        return;
    const QString path = m_choose(
        {false, tr("Записать настройки в блок"), tr("Настройки блока (*.json)"), QString()});
    if (!path.isEmpty() && m_form->exchange().isRunning())
        openTask(new ApplyProfileDialog(this, m_form->exchange(), path));
}

void MainWindow::recordToggled(bool on)
{
    if (!on) {
        if (m_recording)
            m_recording->stop();
        return;
    }
    if (m_recording)
        return;
    const QString path =
        m_form->exchange().isRunning()
            ? m_choose({true, tr("Запись сигнала в файл"), tr("Таблица CSV (*.csv)"),
                        suggestedName(tr("signal", "file name: ASCII only"), u"csv"_s)})
            : QString();
    if (path.isEmpty() || !m_form->exchange().isRunning()) {
        m_record->setChecked(false);
        return;
    }
    m_recording = new RecordTask(m_form->exchange(), path, 0, this);
    connect(m_recording, &RecordTask::rowWritten, this, &MainWindow::showTitle);
    connect(m_recording, &Task::finished, this, &MainWindow::recordingEnded);
    m_recording->start();
    showTitle();
}

void MainWindow::recordingEnded()
{
    RecordTask *task = m_recording;
    m_recording = nullptr;
    // A file that cannot be written is told; a recording ended by the user
    // or by the end of the exchange is not.
    if (task->failure() == Task::Failure::FileNotWritten)
        showFailure(task->message());
    else
        statusBar()->showMessage(
            tr("Запись остановлена: %1, %2")
                .arg(rowCount(task->rows()), QDir::toNativeSeparators(task->path())));
    task->deleteLater();
    m_record->setChecked(false);
    showTitle();
    updateActions();
}

void MainWindow::showTitle()
{
    QString title = m_form->windowTitle();
    if (m_recording)
        title += tr(" — запись сигнала: %1, строк: %2")
                     .arg(QFileInfo(m_recording->path()).fileName())
                     .arg(m_recording->rows());
    setWindowTitle(title);
}

void MainWindow::saveChart()
{
    const QString path =
        m_choose({true, tr("Сохранить диаграмму"), tr("Рисунок PNG (*.png)"),
                  tr("diagramma", "file name: ASCII only") + u'-' + fileNameTime() + u".png"_s});
    if (path.isEmpty())
        return;
    // The picture the chart shows, pixel for pixel, with what it shows below.
    const SignalChart &chart = m_form->chart();
    Exchange &exchange = m_form->exchange();
    ChartStamp stamp;
    stamp.time = QDateTime::currentDateTime();
    stamp.address = exchange.address();
    stamp.flank = exchange.flank();
    stamp.baud = exchange.baudRate();
    stamp.voltsPerDivision = chart.voltsPerDivision();
    stamp.secondsPerDivision = chart.secondsPerDivision();
    stamp.thresholdVolts = chart.thresholdVolts();
    if (!stampedChart(chart.canvas().image(), stamp).save(path, "PNG"))
        showFailure(tr("%1: не удалось записать файл.").arg(path));
    else
        statusBar()->showMessage(tr("Диаграмма сохранена: %1").arg(QDir::toNativeSeparators(path)));
}

void MainWindow::report()
{
    if (m_task)
        return;
    // The site and the installer first, then the file.
    auto *details = new ReportDetailsDialog(this, m_settings);
    openTask(details);
    // Connected after openTask(): the menu is free again when this runs.
    connect(details, &QDialog::finished, this, [this, details](int result) {
        if (result == QDialog::Accepted)
            writeReport(details->site(), details->installer());
    });
}

void MainWindow::writeReport(const QString &site, const QString &installer)
{
    const QString path = m_choose({true, tr("Отчёт о проверке"), tr("Документ PDF (*.pdf)"),
                                   suggestedName(tr("otchet", "file name: ASCII only"), u"pdf"_s)});
    if (path.isEmpty() || !m_form->exchange().isRunning())
        return;
    ReportTask::Options options;
    options.pass = m_lastPass;
    options.site = site;
    options.installer = installer;
    runTask(tr("Отчёт о проверке"), tr("Отчёт сохранён: %1").arg(QDir::toNativeSeparators(path)),
            [this, &path, &options](QObject *parent) {
                return new ReportTask(m_form->exchange(), path, options, parent);
            });
}

// --- Блок ----------------------------------------------------------------------

QList<NamedPort> MainWindow::offeredPorts()
{
    QList<NamedPort> ports;
    for (const int n : m_form->rescanPorts())
        ports.append(NamedPort{QString::number(n), PortDescription::comPort(n)});
    return ports + m_form->networkPorts();
}

void MainWindow::findDetector()
{
    if (m_task || m_form->exchange().isRunning() || (m_lineView && m_lineView->holdsPort()))
        return;
    // The search and the exchange share the port service; the exchange is
    // stopped, so the search has it alone.
    Exchange &exchange = m_form->exchange();
    auto *dialog =
        new DiscoveryDialog(this, exchange.port(), offeredPorts(), exchange.portDescription());
    connect(dialog, &DiscoveryDialog::chosen, m_form, &Form1::choosePortAndAddress);
    openTask(dialog);
}

void MainWindow::watchLine()
{
    if (!m_lineView) {
        if (m_task || m_form->exchange().isRunning())
            return;
        LineView::Dependencies deps;
        deps.exchange = &m_form->exchange();
        deps.journal = &m_form->journal();
        deps.alarm = m_alarm;
        deps.operatorName = m_operatorName;
        deps.settings = m_settings;
        deps.chooser = m_choose;
        m_lineView = new LineView(deps, this);
        connect(m_lineView, &LineView::portHeldChanged, this, &MainWindow::updateActions);
        // A detector picked on the line is set up here, as one found by
        // "Найти блок…": its port and address are chosen, ready for "СТАРТ".
        connect(m_lineView, &LineView::chosen, this,
                [this](const PortDescription &port, int address) {
                    m_form->choosePortAndAddress(port, address);
                    raise();
                    activateWindow();
                });
    }
    // The port list is not scanned while the port is in use.
    if (!m_lineView->holdsPort() && !m_form->exchange().isRunning())
        m_lineView->setPorts(offeredPorts(), m_form->exchange().portDescription());
    m_lineView->show();
    m_lineView->raise();
    m_lineView->activateWindow();
}

void MainWindow::editNetworkPorts()
{
    if (m_task || m_form->exchange().isRunning())
        return;
    auto *dialog = new NetworkPortsDialog(this, m_settings);
    openTask(dialog);
    // The port list offers the saved ports at once.
    connect(dialog, &QDialog::accepted, m_form, &Form1::rescanPorts);
}

// --- Справка -------------------------------------------------------------------

void MainWindow::showGuide()
{
    if (m_guide) {
        m_guide->raise();
        m_guide->activateWindow();
        return;
    }
    m_guide = Help::showGuide(this, Help::guidePath(m_guideFolders, installedLanguage()));
}

void MainWindow::showAbout()
{
    Help::showAbout(this, m_journalPath);
}
