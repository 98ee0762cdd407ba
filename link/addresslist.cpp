#include "link/addresslist.h"

#include "link/protocol.h"

#include <QStringList>

namespace {

bool toAddress(const QString &text, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < protocol::kLowestAddress || v > protocol::kHighestAddress)
        return false;
    *value = v;
    return true;
}

}  // namespace

QList<int> parseAddressList(const QString &text, AddressListError *error)
{
    AddressListError ignored;
    AddressListError &why = error ? *error : ignored;
    why = AddressListError{};
    QList<int> list;
    for (const QString &raw : text.split(QLatin1Char(','))) {
        const QString item = raw.trimmed();
        const QStringList ends = item.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        if (item.isEmpty() || ends.size() > 2 || !toAddress(ends.first(), &first) ||
            !toAddress(ends.last(), &last)) {
            why = {AddressListError::Kind::BadItem, item, -1};
            return {};
        }
        if (last < first) {
            why = {AddressListError::Kind::Backwards, item, -1};
            return {};
        }
        for (int a = first; a <= last; ++a) {
            if (list.contains(a)) {
                why = {AddressListError::Kind::Twice, item, a};
                return {};
            }
            list.append(a);
        }
    }
    return list;
}

QString addressListText(const QList<int> &addresses)
{
    QStringList items;
    for (qsizetype i = 0; i < addresses.size();) {
        qsizetype end = i + 1;
        while (end < addresses.size() && addresses[end] == addresses[end - 1] + 1)
            ++end;
        if (end - i >= 3) {
            items << QStringLiteral("%1-%2").arg(addresses[i]).arg(addresses[end - 1]);
        } else {
            for (qsizetype k = i; k < end; ++k)
                items << QString::number(addresses[k]);
        }
        i = end;
    }
    return items.join(QLatin1Char(','));
}
