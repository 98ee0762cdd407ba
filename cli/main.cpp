// verkan-cli: the detector's settings, state, recordings and commissioning
// reports from a shell, on the same engine as the window.

#include "cli/arguments.h"
#include "cli/commandrunner.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Only the report needs the GUI module (fonts, PDF). The tool never
    // shows a window, so it always runs on the offscreen platform: no X or
    // Wayland display is needed (over ssh, from cron), and neither a stale
    // DISPLAY nor a platform named in the environment can stop it.
    std::unique_ptr<QCoreApplication> app;
    if (parseArguments(arguments).arguments.command == CliArguments::Command::Report) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("verkan-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VERKAN_VERSION));
    // Messages and the report speak the language --lang names, or the
    // system's, as the window does.
    installLanguage(*app, requestedLanguage(arguments).value_or(systemLanguage()));

    const ParsedArguments parsed = parseArguments(arguments);
    if (!parsed.error.isEmpty()) {
        std::fputs(("verkan-cli: " + parsed.error + "\n\n" + usageText()).toUtf8().constData(),
                   stderr);
        return ExitBadUsage;
    }
    switch (parsed.arguments.command) {
    case CliArguments::Command::Help:
        std::fputs(usageText().toUtf8().constData(), stdout);
        return ExitDone;
    case CliArguments::Command::Version:
        std::fputs("verkan-cli " VERKAN_VERSION "\n", stdout);
        return ExitDone;
    default:
        break;
    }
    CommandRunner runner(parsed.arguments);
    return runner.run();
}
