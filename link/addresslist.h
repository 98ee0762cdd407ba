#pragma once

#include <QList>
#include <QString>

// A list of bus addresses as people type it: single addresses and ranges,
// comma-separated, such as "1-16,20".
struct AddressListError {
    enum class Kind {
        None,
        BadItem,    // `item` is not an address or a range within the bus's range
        Backwards,  // range `item` runs backwards
        Twice,      // `address` is listed twice
    };
    Kind kind = Kind::None;
    QString item;
    int address = -1;
};

// The addresses of `text` in the order written, each within the bus's range
// and none twice; empty with *error set (when given) for a bad list.
QList<int> parseAddressList(const QString &text, AddressListError *error = nullptr);

// `addresses` written back in the shortest form parseAddressList() reads:
// runs of three or more consecutive addresses as ranges ("1-16,20").
QString addressListText(const QList<int> &addresses);
