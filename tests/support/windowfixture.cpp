#include "support/windowfixture.h"

#include "link/exchange.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>

std::unique_ptr<QSettings> settingsStore(const QTemporaryDir &dir, const QString &text)
{
    QFile file(dir.filePath(QStringLiteral("verkan-r.conf")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return nullptr;
    file.write(text.toUtf8());
    file.close();
    return std::make_unique<QSettings>(file.fileName(), QSettings::IniFormat);
}

WindowFixture::WindowFixture(QSet<int> openablePorts, const std::optional<QString> &storedSettings)
{
    port.openable = std::move(openablePorts);
    if (storedSettings)
        settings = settingsStore(dir, *storedSettings);
    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath = dir.filePath(QStringLiteral("Jurnal.txt"));
    deps.settings = settings.get();
    window = std::make_unique<MainWindow>(
        deps,
        [this](const FileRequest &request) {
            proposed << request.name;
            return QString();
        },
        [] { return QRect(0, 0, 1920, 1040); });
    window->show();
}

Exchange &WindowFixture::exchange() const
{
    return window->form().exchange();
}

void WindowFixture::startOn(const QString &name) const
{
    auto *ports = find<QComboBox>("Combo3");
    ports->setCurrentIndex(ports->findText(name));
    find<QPushButton>("Command4")->click();
}
