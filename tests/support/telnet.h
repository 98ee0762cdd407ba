#pragma once

// Telnet and COM-PORT-OPTION (RFC 2217) bytes, spelled out once for the tests
// that write or expect them on the wire.

#include <QByteArray>

#include <initializer_list>

namespace telnet {

enum : int { IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240 };
enum : int { NOP = 241, GA = 249, BINARY = 0, ECHO = 1, SGA = 3, TTYPE = 24, COMPORT = 44 };

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// A COM-PORT-OPTION subnegotiation carrying `value` as it is (0xFF not doubled).
inline QByteArray comPort(int command, const QByteArray &value)
{
    return bytes({IAC, SB, COMPORT, command}) + value + bytes({IAC, SE});
}

// A speed as SET-BAUDRATE carries it: four bytes, most significant first.
inline QByteArray baudValue(int baud)
{
    return bytes({(baud >> 24) & 0xFF, (baud >> 16) & 0xFF, (baud >> 8) & 0xFF, baud & 0xFF});
}

}  // namespace telnet
