#include "support/formfixture.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>

FormFixture::FormFixture(QSet<int> openablePorts)
{
    port.openable = std::move(openablePorts);
    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath = journalPath();
    deps.clock = [this] { return now; };
    deps.alarm = &alarm;
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
    for (int i = 0; i < form->List1->count(); ++i)
        items << form->List1->item(i)->text();
    return items;
}

QString FormFixture::stamp() const
{
    return journalTimestamp(now);
}

void FormFixture::start(int portNumber)
{
    form->Combo3->setCurrentIndex(form->Combo3->findText(QString::number(portNumber)));
    form->startExchange();
}

void FormFixture::tick(int ticks)
{
    for (int i = 0; i < ticks; ++i)
        form->exchangeTick();
}
