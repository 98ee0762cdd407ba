#include "monitor/exchangejournal.h"

#include "journal/eventjournal.h"
#include "link/exchange.h"

ExchangeJournal::ExchangeJournal(Exchange &exchange, EventJournal &journal, QObject *parent)
    : QObject(parent)
{
    connect(&exchange, &Exchange::started, this, [this, &exchange, &journal] {
        const QString words = tr("Старт.   COM-порт: ") + QString::number(exchange.portNumber()) +
                              tr("     Адрес: ") + QString::number(exchange.address());
        journal.record(QStringLiteral("   ") + words, QStringLiteral(" ") + words);
    });
    connect(&exchange, &Exchange::linkLost, this, [this, &journal] {
        journal.record(tr("  НЕТ СВЯЗИ С БЛОКОМ!"), tr(" НЕТ СВЯЗИ С БЛОКОМ!"));
    });
    connect(&exchange, &Exchange::stopped, this,
            [this, &journal] { journal.record(tr("   Стоп"), tr(" Стоп")); });
}
