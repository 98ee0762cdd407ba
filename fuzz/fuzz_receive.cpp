// libFuzzer target: arbitrary byte streams, cut into arbitrary receive
// events and mixed with operator actions, through the window's receive
// handler, reply assembly, status and setting decoding and the diagram.
// The input layout is described in harness.h.

#include "harness.h"

#include <QApplication>
#include <QLocale>

#include <cstddef>
#include <cstdint>

namespace {

ReceiveHarness *harness = nullptr;

// Journal write failures and the like are reported with qWarning; they are
// part of normal operation here and would only drown libFuzzer's output.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        fprintf(stderr, "%s\n", qPrintable(message));
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.multimedia*=false");
    static int qtArgc = 3;
    static char name[] = "fuzz_receive";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char *qtArgv[] = {name, platformOption, platform, nullptr};
    // Lives for the whole process, as does the window.
    new QApplication(qtArgc, qtArgv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    qInstallMessageHandler(quietMessages);
    harness = new ReceiveHarness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    harness->run(data, size);
    return 0;
}
