#pragma once

// MainWindow: the menu bar above the designed window. Form1 sits at exactly
// its designed size in a scroll area (app/designedarea.h); nothing of the
// designed area changes. The window is as large as the form and its bars
// where the screen has room, and smaller, with scroll bars, where it has not.
// The menu offers what verkan-cli does, on Form1's own Exchange and in the
// same file formats:
//
//   Файл     settings file from the detector (JSON) and into it, the signal
//            recorded into a CSV file, the chart as a PNG picture, the
//            commissioning report (PDF) with the last control pass, the
//            site and the installer
//   Блок     "СТАРТ" (F5) and "СТОП" (F6) of the designed window, the search
//            for detectors on a port, the watch over a whole line (a window
//            of its own, app/lineview.h), the user's named network ports
//   Справка  the user's guide, version and licence
//
// Below the designed area a status bar says what was saved where.
//
// Work that takes a while runs in a window-modal dialog with progress and
// "Отмена" (app/taskdialog.h) while the exchange goes on. Files are chosen
// through an injected FileChooser, so that tests run without dialogs; every
// action has an object name for them. F10 opens the menu bar.

#include "app/filechooser.h"
#include "app/form1.h"
#include "app/lineview.h"
#include "files/commissioningreport.h"
#include "tasks/passrecorder.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class QAbstractButton;
class QAction;
class QMenu;
class QSettings;
class RecordTask;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The part of the screen a window may take (logical pixels, without the
    // desktop's panels), asked when the window is sized.
    using ScreenArea = std::function<QRect()>;

    // `chooser`: how files are chosen; none: the desktop's file dialogs.
    // `screenArea`: none: the available area of the window's screen.
    explicit MainWindow(const Form1Dependencies &deps, FileChooser chooser = {},
                        ScreenArea screenArea = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    Form1 &form() { return *m_form; }
    // Where "Руководство" looks for the guide (Help::guideFolders()).
    void setGuideFolders(const QStringList &folders) { m_guideFolders = folders; }
    // The last control pass that ended in the window, as the report takes it.
    const std::optional<CommissioningReport::Pass> &lastPass() const { return m_lastPass; }
    // Who acknowledges alarms in the line view; none: the login name of the
    // environment (USER, else LOGNAME).
    void setOperatorName(LineView::OperatorName name) { m_operatorName = std::move(name); }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QAction *addAction(QMenu *menu, const QString &text, const char *objectName,
                       void (MainWindow::*slot)());
    // An action with `key` that presses the designed `button` and is enabled
    // exactly while the button is; greyed, its tool tip says `reason`.
    QAction *addButtonAction(QMenu *menu, const QString &text, const char *objectName,
                             QAbstractButton *button, QKeyCombination key, const char *reason);
    // Limits the window to the form and its bars, and its size to `wanted`
    // within the screen's room.
    void fitToScreen(QSize wanted);
    // The window frame the desktop draws, or an estimate until it is known.
    QMargins windowFrame() const;
    void updateActions();
    void openTask(QDialog *dialog);
    // Opens a dialog with `title` that follows the task `make` creates in it,
    // and starts the task; `doneText` goes to the status bar when it is done.
    template <typename MakeTask>
    void runTask(const QString &title, const QString &doneText, MakeTask make);
    void showFailure(const QString &text);
    // Suggested file name: the kind of file, the detector's address, date
    // and time.
    QString suggestedName(const QString &kind, const QString &suffix) const;

    void saveSettings();
    void applyProfile();
    void recordToggled(bool on);
    void saveChart();
    // Asks for the site and the installer, then for the file.
    void report();
    void writeReport(const QString &site, const QString &installer);
    void findDetector();
    // The ports as the port list offers them: the COM numbers it lists,
    // scanned again, then the named network ports.
    QList<NamedPort> offeredPorts();
    void watchLine();
    void editNetworkPorts();
    void showGuide();
    void showAbout();

    void recordingEnded();
    void showTitle();

    Form1 *m_form;
    FileChooser m_choose;
    ScreenArea m_screenArea;
    bool m_shown = false;
    bool m_activated = false;
    QString m_journalPath;
    QSettings *m_settings;  // not owned; none: nothing remembered
    QStringList m_guideFolders;

    QAction *m_saveSettings = nullptr;
    QAction *m_applyProfile = nullptr;
    QAction *m_record = nullptr;
    QAction *m_saveChart = nullptr;
    QAction *m_report = nullptr;
    QAction *m_find = nullptr;
    QAction *m_lineWatch = nullptr;
    QAction *m_networkPorts = nullptr;

    QPointer<QDialog> m_task;
    QPointer<QWidget> m_guide;
    AlarmPlayer *m_alarm;
    LineView::OperatorName m_operatorName;
    LineView *m_lineView = nullptr;

    QPointer<RecordTask> m_recording;

    PassRecorder m_passRecorder;
    std::optional<CommissioningReport::Pass> m_lastPass;
};
