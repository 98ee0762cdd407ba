#include "link/receiver.h"

#include "link/codec.h"
#include "link/protocol.h"

namespace {

// The codes answered with a setting reply: a flank setting's read or write,
// and the unit-number read.
bool isSettingCode(int code)
{
    return code == protocol::kReadUnitNumber || protocol::flankSettingForCode(code) != nullptr;
}

}  // namespace

BodyKind classifyBody(const QString &body, int *code)
{
    // A character that is no hex digit is line noise, never a zero.
    if (!codec::isHexText(body) || !codec::replyCheckPasses(body))
        return BodyKind::Dropped;
    const int c = codec::byteAt(body, 1);
    if (code)
        *code = c;
    const int length = int(body.size());
    if (c == protocol::kStatus)
        return length == protocol::kStatusBodyLength ? BodyKind::Status : BodyKind::Dropped;
    if (isSettingCode(c))
        return length == protocol::kSettingBodyLength ? BodyKind::Setting : BodyKind::Dropped;
    return BodyKind::Dropped;
}

void ReplyAssembler::feed(const QByteArray &bytes, ReplyHandler &handler)
{
    if (bytes.isEmpty())
        return;
    for (const char byte : bytes) {
        if (byte == codec::kReplyStart) {
            m_open = true;
            m_body.clear();
            continue;
        }
        if (byte == codec::kFrameEnd) {
            if (!m_open)
                continue;
            m_open = false;
            handler.bodyClosed();
            // A copy: a handler may feed the assembler again.
            const QString body = m_body;
            int code = 0;
            const BodyKind kind = classifyBody(body, &code);
            if (kind == BodyKind::Dropped)
                continue;
            handler.frameEnd();
            if (kind == BodyKind::Status)
                handler.statusReply(body);
            else
                handler.settingReply(code, body);
            continue;
        }
        // One character per received byte, code for code.
        if (m_open && m_body.size() < kMaxBodyLength)
            m_body.append(QChar(uchar(byte)));
    }
    if (m_open)
        handler.pauseExchange();
}
