#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal: the handler only writes the signal's
// number into a socket pair, and a notifier on the other end hands it to the
// event loop, so the program ends its work in order (files closed, output
// flushed) instead of dying where the signal found it. One instance at a
// time; its destruction restores the default handlers.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The handlers are installed.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readable();

    QSocketNotifier *m_notifier = nullptr;
};
