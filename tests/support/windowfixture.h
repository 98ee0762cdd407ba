#pragma once

#include "app/mainwindow.h"
#include "support/fakeserialport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class Exchange;

// A settings store on an INI file in `dir` that holds `text`.
std::unique_ptr<QSettings> settingsStore(const QTemporaryDir &dir, const QString &text);

// The main window on a fake serial line, shown on a screen with room, its
// journal (and, given `storedSettings`, an INI settings store holding that
// text) in a temporary folder. Every file dialog is cancelled; the names it
// proposed are kept.
struct WindowFixture {
    explicit WindowFixture(QSet<int> openablePorts = {1},
                           const std::optional<QString> &storedSettings = std::nullopt);

    QTemporaryDir dir;
    FakeSerialPort port;
    std::unique_ptr<QSettings> settings;
    QStringList proposed;
    std::unique_ptr<MainWindow> window;

    template <typename T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    Exchange &exchange() const;
    // Picks `name` in the port list and presses "СТАРТ".
    void startOn(const QString &name) const;
};
