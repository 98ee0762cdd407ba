// libFuzzer target: arbitrary byte streams from a serial server through the
// RFC 2217 session's telnet parser and line set-up.
//
// Input: the first byte picks the line speed and whether the speed changes
// halfway; the rest is the server's stream. The stream is fed once whole and
// once byte by byte: both sessions must hand out the same data, send the same
// bytes and end in the same state, whatever the chunking.

#include "link/rfc2217.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Run {
    QByteArray data;
    QByteArray sent;
    bool ready = false;
    bool failed = false;
    QString error;

    bool operator==(const Run &o) const
    {
        return data == o.data && sent == o.sent && ready == o.ready && failed == o.failed &&
               error == o.error;
    }
};

Run play(int baud, bool changeSpeed, const QByteArray &stream, bool byteByByte)
{
    Rfc2217Session session;
    Run run;
    run.sent = session.start({baud});
    const qsizetype half = stream.size() / 2;
    auto feed = [&](const QByteArray &part) {
        if (!byteByByte) {
            run.data += session.feed(part);
            return;
        }
        for (const char c : part)
            run.data += session.feed(QByteArray(1, c));
    };
    feed(stream.left(half));
    if (changeSpeed)
        session.setBaudRate(baud * 2);
    feed(stream.mid(half));
    run.sent += session.takeOutgoing();
    run.ready = session.ready();
    run.failed = session.failed();
    run.error = session.error();
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size < 1)
        return 0;
    static const int speeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    const int baud = speeds[bytes[0] % 8];
    const bool changeSpeed = (bytes[0] & 0x80) != 0;
    const QByteArray stream(reinterpret_cast<const char *>(bytes + 1),
                            static_cast<qsizetype>(size - 1));

    const Run whole = play(baud, changeSpeed, stream, false);
    const Run pieces = play(baud, changeSpeed, stream, true);
    if (!(whole == pieces))
        abort();
    // Telnet only ever removes bytes from the line's data.
    if (whole.data.size() > stream.size())
        abort();
    // No answer loops: at most one three-byte answer per three-byte command
    // received, besides the opening and the line set-up requests.
    if (whole.sent.size() > stream.size() + 128)
        abort();

    // The data, escaped as a server sends it, comes back unchanged.
    Rfc2217Session echo;
    echo.start({baud});
    const QByteArray nop("\xff\xf1", 2);  // ends the wait for a plain-text refusal
    if (!echo.feed(nop).isEmpty() ||
        echo.feed(Rfc2217Session::encodeData(whole.data)) != whole.data)
        abort();
    return 0;
}
