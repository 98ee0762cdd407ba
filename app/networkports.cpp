#include "app/networkports.h"

#include <QRegularExpression>
#include <QSet>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString kArray = u"networkPorts"_s;
const QString kNameKey = u"name"_s;
const QString kPortKey = u"port"_s;

// Why a row cannot stand as a named network port, or nothing. `taken`: the
// names of the rows before it, folded to lower case.
QString rowProblem(const NetworkPorts::Row &row, const QSet<QString> &taken,
                   std::optional<PortDescription> *port)
{
    const QString name = row.name.trimmed();
    if (name.isEmpty())
        return NetworkPorts::tr("нет имени");
    // The port list shows COM ports by their numbers: a name that is a
    // number would pass for one.
    static const QRegularExpression number(u"^\\d+$"_s);
    if (number.match(name).hasMatch())
        return NetworkPorts::tr("имя «%1» — число, так называются COM-порты").arg(name);
    if (taken.contains(name.toLower()))
        return NetworkPorts::tr("имя «%1» уже есть").arg(name);
    QString error;
    *port = PortDescription::parse(row.port.trimmed(), &error);
    if (!*port)
        return error;
    if (!(*port)->isNetwork())
        return NetworkPorts::tr("нужен порт сервера: tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ");
    return {};
}

}  // namespace

QList<NamedPort> NetworkPorts::load(const QSettings *settings)
{
    QList<NamedPort> ports;
    if (!settings)
        return ports;
    // QSettings reads arrays only through a writable object; the store is
    // left as it is.
    auto *store = const_cast<QSettings *>(settings);
    const int size = store->beginReadArray(kArray);
    QSet<QString> taken;
    for (int i = 0; i < size && ports.size() < kMaxPorts; ++i) {
        store->setArrayIndex(i);
        const Row row{store->value(kNameKey).toString(), store->value(kPortKey).toString()};
        std::optional<PortDescription> port;
        if (!rowProblem(row, taken, &port).isEmpty())
            continue;
        taken.insert(row.name.trimmed().toLower());
        ports.append(NamedPort{row.name.trimmed(), *port});
    }
    store->endArray();
    return ports;
}

void NetworkPorts::save(QSettings *settings, const QList<NamedPort> &ports)
{
    if (!settings)
        return;
    settings->remove(kArray);
    settings->beginWriteArray(kArray, int(ports.size()));
    for (int i = 0; i < ports.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(kNameKey, ports.at(i).name);
        settings->setValue(kPortKey, ports.at(i).port.toString());
    }
    settings->endArray();
}

bool NetworkPorts::check(const QList<Row> &rows, QList<NamedPort> *ports, QString *problem)
{
    ports->clear();
    problem->clear();
    if (rows.size() > kMaxPorts) {
        *problem = tr("Не больше %1 сетевых портов.").arg(kMaxPorts);
        return false;
    }
    QList<NamedPort> out;
    QSet<QString> taken;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        std::optional<PortDescription> port;
        const QString why = rowProblem(rows.at(i), taken, &port);
        if (!why.isEmpty()) {
            *problem = tr("Строка %1: %2.").arg(i + 1).arg(why);
            return false;
        }
        taken.insert(rows.at(i).name.trimmed().toLower());
        out.append(NamedPort{rows.at(i).name.trimmed(), *port});
    }
    *ports = out;
    return true;
}
