#pragma once

#include <QObject>

class EventJournal;
class Exchange;

// Journals the exchange's own events, whoever runs it (the window, verkan-cli):
// "Старт." with the port and the address when it starts, "НЕТ СВЯЗИ С
// БЛОКОМ!" when the detector is lost, "Стоп" when it stops.
class ExchangeJournal : public QObject {
    Q_OBJECT
public:
    ExchangeJournal(Exchange &exchange, EventJournal &journal, QObject *parent = nullptr);
};
