#pragma once

#include "link/portdescription.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class QSettings;

// A serial server's port under a name the user gave it ("Шкаф 2"), offered
// in the port list after the COM numbers.
struct NamedPort {
    QString name;
    PortDescription port;
};

// The user's named network ports, kept in the settings store as the array
// "networkPorts" of {name, port}. No widgets: the dialog that edits them and
// the port list that offers them both go through here.
class NetworkPorts {
    Q_DECLARE_TR_FUNCTIONS(NetworkPorts)
public:
    // More would not fit a drop-down list one can still read.
    static constexpr int kMaxPorts = 32;

    // A row as typed: a name and a port description.
    struct Row {
        QString name;
        QString port;
    };

    // The stored ports, in their order. Entries that could not have been
    // saved (an unreadable or local port, an empty or repeated name) are
    // skipped, and only the first kMaxPorts are kept. No store: none.
    static QList<NamedPort> load(const QSettings *settings);
    // Replaces the stored list with `ports`. No store: nothing is kept.
    static void save(QSettings *settings, const QList<NamedPort> &ports);

    // The rows as ports, or the first reason they cannot be saved in
    // *problem (naming the row), with nothing in *ports.
    static bool check(const QList<Row> &rows, QList<NamedPort> *ports, QString *problem);
};
