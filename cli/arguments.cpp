#include "cli/arguments.h"

#include "link/comports.h"
#include "link/protocol.h"
#include "link/scheduler.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace {

std::optional<int> wholeNumber(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::optional<double> positiveSeconds(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value > 0) || value > 24 * 3600)
        return std::nullopt;
    return value;
}

}  // namespace

QString CliArguments::portName() const
{
    return devicePath.isEmpty() ? u"COM-порт %1"_s.arg(portNumber) : u"порт %1"_s.arg(devicePath);
}

QString usageText()
{
    return uR"(Использование: verkan-cli [--port ПОРТ] [--address N] [--baud СКОРОСТЬ] КОМАНДА ...

Настройка и проверка извещателей ВЕРКАН-Р из командной строки.

Параметры:
  --port ПОРТ         номер COM-порта 1..16, как в окне программы (VERKAN_COM<n>
                      заменяет устройство порта n), или путь к устройству;
                      по умолчанию 1
  --address N         адрес блока %1..%2, по умолчанию 1
  --baud СКОРОСТЬ     не искать скорость, а работать на этой:
                      4800, 9600, 19200, 38400, 57600 или 115200
  -h, --help          эта справка
  -v, --version       версия программы

Команды:
  discover [--addresses ОТ-ДО]    найти блоки на всех скоростях и адресах ОТ..ДО
                                  (по умолчанию %1-%2): строка на каждый блок
  status [--flank 1|2]            одно чтение состояния фланга
  settings show                   настройки обоих флангов в JSON
  settings save ФАЙЛ              то же в ФАЙЛ
  settings apply ФАЙЛ             записать в блок настройки ФАЙЛА, которые отличаются,
                                  прочитать всё обратно и показать изменения
  record СЕКУНДЫ ФАЙЛ [--flank 1|2]
                                  записать все ответы о состоянии в файл CSV
  report ФАЙЛ [--pass СЕКУНДЫ] [--flank 1|2]
                                  отчёт о пусконаладке в PDF; с --pass сначала
                                  контрольный проход заданной длительности

Коды завершения: 0 готово; 2 ошибка в командной строке или в файле;
3 блок не ответил; 4 порт не открывается; 5 запись не подтверждена.
)"_s.arg(protocol::kLowestAddress)
        .arg(protocol::kHighestAddress);
}

ParsedArguments parseArguments(const QStringList &arguments)
{
    ParsedArguments parsed;
    CliArguments &out = parsed.arguments;
    auto refuse = [&parsed](const QString &why) {
        parsed.error = why;
        return parsed;
    };

    QCommandLineParser parser;
    const QCommandLineOption port(u"port"_s, QString(), u"PORT"_s);
    const QCommandLineOption address(u"address"_s, QString(), u"N"_s);
    const QCommandLineOption baud(u"baud"_s, QString(), u"BAUD"_s);
    const QCommandLineOption flank(u"flank"_s, QString(), u"FLANK"_s);
    const QCommandLineOption addresses(u"addresses"_s, QString(), u"FROM-TO"_s);
    const QCommandLineOption pass(u"pass"_s, QString(), u"SECONDS"_s);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    parser.addOptions({port, address, baud, flank, addresses, pass, help, version});
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return refuse(u"неизвестный параметр %1"_s.arg(parser.unknownOptionNames().first()));
        return refuse(u"ошибка в параметрах: %1"_s.arg(parser.errorText()));
    }
    if (parser.isSet(help)) {
        out.command = CliArguments::Command::Help;
        return parsed;
    }
    if (parser.isSet(version)) {
        out.command = CliArguments::Command::Version;
        return parsed;
    }

    if (parser.isSet(port)) {
        const QString text = parser.value(port);
        bool isNumber = false;
        const int n = text.toInt(&isNumber);
        if (isNumber && (n < kFirstComPort || n > kLastComPort))
            return refuse(
                u"--port: номер COM-порта от %1 до %2 или путь к устройству"_s.arg(kFirstComPort)
                    .arg(kLastComPort));
        if (isNumber)
            out.portNumber = n;
        else
            out.devicePath = text;
    }
    if (parser.isSet(address)) {
        const auto n =
            wholeNumber(parser.value(address), protocol::kLowestAddress, protocol::kHighestAddress);
        if (!n)
            return refuse(u"--address: адрес блока от %1 до %2"_s.arg(protocol::kLowestAddress)
                              .arg(protocol::kHighestAddress));
        out.address = *n;
    }
    if (parser.isSet(baud)) {
        const auto n = wholeNumber(parser.value(baud), 1, 1000000);
        if (!n || std::find(std::begin(kSearchSpeeds), std::end(kSearchSpeeds), *n) ==
                      std::end(kSearchSpeeds))
            return refuse(u"--baud: допустимы 4800, 9600, 19200, 38400, 57600, 115200"_s);
        out.baud = *n;
    }
    if (parser.isSet(flank)) {
        const auto n = wholeNumber(parser.value(flank), 1, 2);
        if (!n)
            return refuse(u"--flank: фланг 1 или 2"_s);
        out.flank = *n;
    }
    if (parser.isSet(addresses)) {
        const QStringList range = parser.value(addresses).split(u'-');
        const auto first =
            wholeNumber(range.value(0), protocol::kLowestAddress, protocol::kHighestAddress);
        const auto last =
            wholeNumber(range.value(1), protocol::kLowestAddress, protocol::kHighestAddress);
        if (range.size() != 2 || !first || !last || *first > *last)
            return refuse(
                u"--addresses: диапазон ОТ-ДО в пределах %1-%2"_s.arg(protocol::kLowestAddress)
                    .arg(protocol::kHighestAddress));
        out.firstAddress = *first;
        out.lastAddress = *last;
    }
    if (parser.isSet(pass)) {
        const auto seconds = positiveSeconds(parser.value(pass));
        if (!seconds)
            return refuse(u"--pass: длительность прохода в секундах"_s);
        out.seconds = *seconds;
    }

    using C = CliArguments::Command;
    const QStringList words = parser.positionalArguments();
    const QString name = words.value(0);
    struct Form {
        QString first;
        QString second;  // subcommand, or empty
        C command;
        int operands;         // after the command words
        QStringList options;  // command options allowed besides the global ones
    };
    const Form forms[] = {
        {u"discover"_s, {}, C::Discover, 0, {u"addresses"_s}},
        {u"status"_s, {}, C::Status, 0, {u"flank"_s}},
        {u"settings"_s, u"show"_s, C::SettingsShow, 0, {}},
        {u"settings"_s, u"save"_s, C::SettingsSave, 1, {}},
        {u"settings"_s, u"apply"_s, C::SettingsApply, 1, {}},
        {u"record"_s, {}, C::Record, 2, {u"flank"_s}},
        {u"report"_s, {}, C::Report, 1, {u"pass"_s, u"flank"_s}},
    };
    const Form *form = nullptr;
    for (const Form &f : forms)
        if (f.first == name && (f.second.isEmpty() || f.second == words.value(1)))
            form = &f;
    if (!form) {
        if (name.isEmpty())
            return refuse(u"не задана команда"_s);
        if (name == u"settings"_s)
            return refuse(u"settings: ожидается show, save или apply"_s);
        return refuse(u"неизвестная команда %1"_s.arg(name));
    }
    const int skip = form->second.isEmpty() ? 1 : 2;
    const QString commandName = words.mid(0, skip).join(u' ');
    if (words.size() - skip != form->operands)
        return refuse(u"%1: неверное число аргументов"_s.arg(commandName));
    for (const QString &option : {u"addresses"_s, u"flank"_s, u"pass"_s})
        if (parser.isSet(option) && !form->options.contains(option))
            return refuse(u"параметр --%1 не относится к команде %2"_s.arg(option, commandName));
    out.command = form->command;
    if (out.command == C::Record) {
        const auto seconds = positiveSeconds(words[skip]);
        if (!seconds)
            return refuse(u"record: длительность записи в секундах"_s);
        out.seconds = *seconds;
        out.file = words[skip + 1];
    } else if (form->operands == 1) {
        out.file = words[skip];
    }
    return parsed;
}
