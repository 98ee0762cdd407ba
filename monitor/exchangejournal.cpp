#include "monitor/exchangejournal.h"

#include "journal/eventjournal.h"
#include "link/exchange.h"

ExchangeJournal::ExchangeJournal(Exchange &exchange, EventJournal &journal, QObject *parent)
    : QObject(parent)
{
    connect(&exchange, &Exchange::started, this, [this, &exchange, &journal] {
        // A COM number as designed; any other port by its description.
        const PortDescription &port = exchange.portDescription();
        const QString portText = port.kind() == PortDescription::Kind::ComNumber
                                     ? QString::number(port.comNumber())
                                     : port.toString();
        const QString words = tr("Старт.   COM-порт: ") + portText + tr("     Адрес: ") +
                              QString::number(exchange.address());
        journal.record(QStringLiteral("   ") + words, QStringLiteral(" ") + words);
    });
    connect(&exchange, &Exchange::linkLost, this, [this, &journal] {
        journal.record(tr("  НЕТ СВЯЗИ С БЛОКОМ!"), tr(" НЕТ СВЯЗИ С БЛОКОМ!"));
    });
    connect(&exchange, &Exchange::stopped, this,
            [this, &journal] { journal.record(tr("   Стоп"), tr(" Стоп")); });
}
