#include "link/codec.h"

#include "link/protocol.h"

#include <algorithm>

namespace codec {

namespace {

QChar hexDigit(int v)
{
    static const char digits[] = "0123456789abcdef";
    return QLatin1Char(digits[v & 0xF]);
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

}  // namespace

QString encodeByte(int d)
{
    const int v = std::clamp(d, 0, 255);
    QString out(2, QLatin1Char('0'));
    out[0] = hexDigit(v / 16);
    out[1] = hexDigit(v % 16);
    return out;
}

bool isHexText(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return digitValue(c) >= 0; });
}

int leadingHexValue(const QString &s)
{
    // Lenient like the original parser: digits are read from the left until
    // the first non-digit. The value is kept inside 32 bits by ignoring
    // digits beyond the eighth.
    quint32 value = 0;
    int used = 0;
    for (QChar c : s) {
        const int d = digitValue(c);
        if (d < 0 || used == 8)
            break;
        value = value * 16 + quint32(d);
        ++used;
    }
    return int(value);
}

int byteAt(const QString &body, int position)
{
    const int p = position;
    const QString c1 = p >= 1 && p <= body.size() ? QString(body[p - 1]) : QString();
    const QString c2 = p >= 0 && p + 1 <= body.size() ? QString(body[p]) : QString();
    return 16 * leadingHexValue(c1) + leadingHexValue(c2);
}

bool replyCheckPasses(const QString &body)
{
    const int L = int(body.size());
    if (L < protocol::kSettingBodyLength || L > protocol::kStatusBodyLength)
        return false;
    int sum = 0;
    int i = 1;
    do {
        sum += byteAt(body, i);
        if (sum > 255)
            sum -= 256;
        i += 2;
    } while (i < L - 2);
    return sum == byteAt(body, L - 1);
}

QString requestAddressOnly(int address, int code)
{
    return QLatin1Char(kRequestStart) + encodeByte(address) + encodeByte(code) +
           encodeByte(kEndByte) + QLatin1Char(kFrameEnd);
}

QString requestForFlank(int address, int code, int flank)
{
    return QLatin1Char(kRequestStart) + encodeByte(address) + encodeByte(code) + encodeByte(flank) +
           encodeByte(kEndByte) + QLatin1Char(kFrameEnd);
}

QString requestWithValue(int address, int code, int flank, int value)
{
    return QLatin1Char(kRequestStart) + encodeByte(address) + encodeByte(code) + encodeByte(flank) +
           encodeByte(value) + encodeByte(kEndByte) + QLatin1Char(kFrameEnd);
}

}  // namespace codec
