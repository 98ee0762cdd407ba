#include "support/replies.h"
#include "link/protocol.h"

namespace {

void appendHex(QByteArray &out, int byte)
{
    static const char digits[] = "0123456789abcdef";
    out += digits[(byte >> 4) & 0xF];
    out += digits[byte & 0xF];
}

QByteArray frameWithChecksum(int code, const QList<int> &data, int checksumDelta)
{
    QByteArray out("!");
    int sum = code & 0xFF;
    appendHex(out, code);
    for (int b : data) {
        appendHex(out, b & 0xFF);
        sum += b & 0xFF;
    }
    appendHex(out, (sum + checksumDelta) & 0xFF);
    out += '\r';
    return out;
}

QList<int> statusData(int stateByte, int signal, int threshold, int l1, int l2)
{
    const int s = signal * 4;
    const int t = threshold * 4;
    return {s & 0xFF, (s >> 8) & 0xFF, t & 0xFF, (t >> 8) & 0xFF, stateByte, l1, l2};
}

}  // namespace

QByteArray replyFrame(int code, const QList<int> &data)
{
    return frameWithChecksum(code, data, 0);
}

QByteArray statusReply(int stateByte, int signal, int threshold, int l1, int l2)
{
    return replyFrame(11, statusData(stateByte, signal, threshold, l1, l2));
}

QByteArray settingReply(int code, int value)
{
    return replyFrame(code, {value});
}

QByteArray corruptStatusReply(int stateByte)
{
    return frameWithChecksum(11, statusData(stateByte, 0, 0, 0, 0), 1);
}

QString statusBody(int signalQuarters, int thresholdQuarters, int stateByte, int level1, int level2)
{
    const QByteArray frame = replyFrame(
        protocol::kStatus, {signalQuarters & 0xFF, signalQuarters >> 8, thresholdQuarters & 0xFF,
                            thresholdQuarters >> 8, stateByte, level1, level2});
    return QString::fromLatin1(frame.mid(1, frame.size() - 2));
}
