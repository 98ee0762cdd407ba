#include "link/receiver.h"

#include "link/codec.h"

namespace {

bool isSettingCode(int code)
{
    switch (code) {
    case codec::ReadLimit:
    case codec::ReadGain:
    case codec::ReadThreshold:
    case codec::ReadAccumulation:
    case codec::ReadFront:
    case codec::ReadAlarmTime:
    case codec::ReadSelfTest:
    case codec::ReadUnitNumber:
    case codec::WriteLimit:
    case codec::WriteGain:
    case codec::WriteThreshold:
    case codec::WriteAccumulation:
    case codec::WriteFront:
    case codec::WriteAlarmTime:
    case codec::WriteSelfTest:
        return true;
    default:
        return false;
    }
}

}  // namespace

BodyKind classifyBody(const QString &body, int *code)
{
    const int length = int(body.size());
    if (length < 6 || length > 18)
        return BodyKind::Dropped;
    if (!codec::replyCheckPasses(body))
        return BodyKind::Dropped;
    const int c = codec::TakeData(body, 1);
    if (code)
        *code = c;
    if (c == codec::Status)
        return length == codec::kStatusBodyLength ? BodyKind::Status : BodyKind::Dropped;
    if (isSettingCode(c))
        return length == codec::kSettingBodyLength ? BodyKind::Setting : BodyKind::Dropped;
    return BodyKind::Dropped;
}

void receiveBytes(SharedState &state, const QByteArray &bytes, ReplyHandler &handler)
{
    if (bytes.isEmpty())
        return;
    // One character per received byte, code for code.
    state.buffer = QString::fromLatin1(bytes);
    // A copy, so a handler that empties buffer cannot cut the loop short.
    const QString received = state.buffer;
    for (const QChar ch : received) {
        if (ch == QLatin1Char(codec::kReplyStart)) {
            state.Mode = 1;
            state.buf1.clear();
            continue;
        }
        if (ch == QLatin1Char(codec::kFrameEnd)) {
            if (state.Mode != 1)
                continue;
            // The body is complete and decoded right here, so StatusMes (a
            // body waiting to be decoded) never stays set past this point.
            handler.frameEnd();
            state.Mode = 0;
            int code = 0;
            switch (classifyBody(state.buf1, &code)) {
            case BodyKind::Status:
                handler.statusReply();
                break;
            case BodyKind::Setting:
                handler.settingReply(code);
                break;
            case BodyKind::Dropped:
                break;
            }
            continue;
        }
        if (state.Mode == 1 && state.buf1.size() < kMaxBodyLength)
            state.buf1.append(ch);
    }
    if (state.Mode == 1)
        handler.pauseExchange();
}
