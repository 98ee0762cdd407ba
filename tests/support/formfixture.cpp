#include "support/formfixture.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>

#include "app/journallistview.h"
#include "link/exchange.h"

FormFixture::FormFixture(QSet<int> openablePorts, QSet<int> deniedPorts)
{
    port.openable = std::move(openablePorts);
    port.denied = std::move(deniedPorts);
    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath = journalPath();
    deps.clock = [this] { return now; };
    deps.alarm = &alarm;
    deps.tonePath = tonePath();
    form = std::make_unique<Form1>(deps);
}

QStringList FormFixture::journalFileLines() const
{
    QFile file(journalPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList FormFixture::journalListItems() const
{
    QStringList items;
    const auto *list = control<JournalListView>("List1");
    for (int i = 0; i < list->count(); ++i)
        items << list->entry(i);
    return items;
}

QString FormFixture::stamp() const
{
    return journalTimestamp(now);
}

void FormFixture::start(int portNumber)
{
    auto *ports = control<QComboBox>("Combo3");
    ports->setCurrentIndex(ports->findText(QString::number(portNumber)));
    control<QPushButton>("Command4")->click();
}

void FormFixture::tick(int ticks)
{
    for (int i = 0; i < ticks; ++i)
        form->exchange().tick();
}
