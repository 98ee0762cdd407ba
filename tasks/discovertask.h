#pragma once

#include "link/discovery.h"
#include "tasks/task.h"

class SerialPortService;

// Searches a port for detectors: every address of a range at every line speed
// (or at one), the port to itself, so only while no exchange runs on it.
// "Найти блок…" in the window, `discover` in verkan-cli.
class DiscoverTask : public Task {
    Q_OBJECT
public:
    struct Options {
        int firstAddress = 0;
        int lastAddress = 0;
        int onlyBaud = 0;  // 0: every search speed
    };

    DiscoverTask(SerialPortService &port, const PortDescription &where, Options options,
                 QObject *parent = nullptr);

    void start();
    // The detectors found so far, in the order they answered.
    QList<Discovery::Found> found() const;

signals:
    void detectorFound(int address, int baud);
    // A probe was answered or not: its address and speed, and how many of
    // how many probes are done.
    void probed(int address, int baud, int done, int total);

protected:
    void endWork() override;

private:
    void searchEnded();
    QString portName() const;

    SerialPortService &m_port;
    PortDescription m_where;
    Options m_options;
    Discovery *m_discovery = nullptr;
};
