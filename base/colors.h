#pragma once

#include <QColor>
#include <QtGlobal>

// Colours of the original design are 0xBBGGRR numbers: 0xFF0000 is blue,
// 0x0000FF red, 0x00FFFF yellow. This is the one place they become QColor.
inline QColor colorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

inline quint32 bgrFromColor(const QColor &c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

namespace bgr {
constexpr quint32 Black = 0x000000;
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Blue = 0xFF0000;
constexpr quint32 Red = 0x0000FF;
constexpr quint32 Green = 0x00FF00;
constexpr quint32 Yellow = 0x00FFFF;
constexpr quint32 LightGrey = 0xC0C0C0;
}  // namespace bgr
