#pragma once

// The command line every program of the package shares, the way command-line
// tools on Debian behave: -h/--help and -v/--version print to standard output
// and end the program with 0; an unknown option, an option without its value
// or an argument the program does not take prints what is wrong and the usage
// to standard error and ends it with 2.
//
// The program adds its own options to a parser and calls parse() once a
// QCoreApplication (or QApplication) exists, which names the program in the
// usage line; applicationName() and applicationVersion() must be set.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace CommandLine {

inline constexpr int usageError = 2;

inline void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Adds the help and version options to `parser` and reads `arguments` (the
// program's own path first). Returns the exit status the program is to end
// with, having printed what was asked for or what was wrong, or -1 when the
// program should go on and read its options from the parser.
inline int parse(QCommandLineParser &parser, const QStringList &arguments)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    parser.addOption(help);
    parser.addOption(version);

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.")
                    .arg(parser.positionalArguments().constFirst());
    if (!error.isEmpty()) {
        print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + error +
                          QLatin1Char('\n') + parser.helpText());
        return usageError;
    }
    if (parser.isSet(help)) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return 0;
    }
    return -1;
}

}  // namespace CommandLine
