#include "cli/arguments.h"

#include "link/addresslist.h"
#include "link/comports.h"
#include "link/protocol.h"
#include "link/scheduler.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// verkan-cli's own words, in the program's language.
QString cliText(const char *text)
{
    return QCoreApplication::translate("Cli", text);
}

// The options that take a value: what follows one of them is its value,
// even when it looks like an option or a negative number.
const QStringList kValueOptions{u"--port"_s,        u"--address"_s,    u"--baud"_s,
                                u"--flank"_s,       u"--addresses"_s,  u"--pass"_s,
                                u"--lang"_s,        u"--journal"_s,    u"--site"_s,
                                u"--installer"_s,   u"--seconds"_s,    u"--mqtt"_s,
                                u"--mqtt-line"_s,   u"--mqtt-user"_s,  u"--mqtt-password-file"_s,
                                u"--mqtt-cafile"_s, u"--mqtt-prefix"_s};

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

// The detectors of `text` ("1-16,20"), in order; empty with *why set for a
// list that is not one, naming the item at fault.
QList<int> addressList(const QString &text, QString *why)
{
    AddressListError error;
    const QList<int> list = parseAddressList(text, &error);
    switch (error.kind) {
    case AddressListError::Kind::None:
        return list;
    case AddressListError::Kind::BadItem:
        *why = cliText(QT_TRANSLATE_NOOP(
                           "Cli", "--addresses: \"%1\" не адрес и не диапазон адресов %2-%3"))
                   .arg(error.item)
                   .arg(protocol::kLowestAddress)
                   .arg(protocol::kHighestAddress);
        break;
    case AddressListError::Kind::Backwards:
        *why = cliText(QT_TRANSLATE_NOOP("Cli", "--addresses: диапазон \"%1\" идёт от большего "
                                                "адреса к меньшему"))
                   .arg(error.item);
        break;
    case AddressListError::Kind::Twice:
        *why = cliText(QT_TRANSLATE_NOOP("Cli", "--addresses: адрес %1 указан дважды"))
                   .arg(error.address);
        break;
    }
    return {};
}

}  // namespace

std::optional<Language> requestedLanguage(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == u"--lang"_s && i + 1 < arguments.size())
            value = arguments[i + 1];
        else if (arguments[i].startsWith(u"--lang="_s))
            value = arguments[i].mid(7);
        else
            continue;
        if (value == u"ru"_s)
            return Language::Russian;
        if (value == u"en"_s)
            return Language::English;
    }
    return std::nullopt;
}

QString usageText()
{
    return cliText(
               QT_TRANSLATE_NOOP(
                   "Cli",
                   "Использование: verkan-cli [--port ПОРТ] [--address N] [--baud СКОРОСТЬ] "
                   "КОМАНДА ...\n"
                   "\n"
                   "Настройка и проверка извещателей ВЕРКАН-Р из командной строки.\n"
                   "\n"
                   "Параметры:\n"
                   "  --port ПОРТ         номер COM-порта 1..16, как в окне программы "
                   "(VERKAN_COM<n>\n"
                   "                      заменяет устройство порта n), путь к устройству,\n"
                   "                      tcp://ХОСТ:ПОРТ (сервер COM-портов, скорость задана "
                   "на нём)\n"
                   "                      или rfc2217://ХОСТ:ПОРТ (скорость задаёт программа);\n"
                   "                      по умолчанию 1\n"
                   "  --address N         адрес блока %1..%2, по умолчанию 1\n"
                   "  --baud СКОРОСТЬ     не искать скорость, а работать на этой:\n"
                   "                      4800, 9600, 19200, 38400, 57600 или 115200\n"
                   "  --lang ru|en        язык сообщений и отчёта; по умолчанию язык системы\n"
                   "                      (английский, если он английский, иначе русский)\n"
                   "  --journal ФАЙЛ      дописывать в ФАЙЛ журнал событий обмена (старт, стоп,\n"
                   "                      потеря связи; у watch все события линии), как "
                   "Jurnal.txt\n"
                   "                      окна программы\n"
                   "  -h, --help          эта справка\n"
                   "  -v, --version       версия программы\n"
                   "\n"
                   "Команды:\n"
                   "  discover [--addresses ОТ-ДО]    найти блоки на всех скоростях и адресах "
                   "ОТ..ДО\n"
                   "                                  (по умолчанию %1-%2): строка на каждый блок\n"
                   "  status [--flank 1|2]            одно чтение состояния фланга\n"
                   "  settings show                   настройки обоих флангов в JSON\n"
                   "  settings save ФАЙЛ              то же в ФАЙЛ\n"
                   "  settings apply ФАЙЛ             записать в блок настройки ФАЙЛА, которые "
                   "отличаются,\n"
                   "                                  прочитать всё обратно и показать изменения\n"
                   "  record СЕКУНДЫ ФАЙЛ [--flank 1|2]\n"
                   "                                  записать все ответы о состоянии в файл CSV\n"
                   "  report ФАЙЛ [--pass СЕКУНДЫ] [--flank 1|2] [--site ТЕКСТ] "
                   "[--installer ТЕКСТ]\n"
                   "                                  отчёт о пусконаладке в PDF; с --pass "
                   "сначала\n"
                   "                                  контрольный проход заданной длительности;\n"
                   "                                  --site: объект, --installer: монтажник "
                   "(без них\n"
                   "                                  в отчёте строки, чтобы вписать от руки)\n"
                   "  watch --addresses СПИСОК [--json] [--seconds N] [--mqtt ХОСТ[:ПОРТ] ...]\n"
                   "                                  наблюдать за всеми блоками линии (СПИСОК: "
                   "адреса\n"
                   "                                  и диапазоны через запятую, например "
                   "1-16,20):\n"
                   "                                  строка на каждое событие (с --json объект "
                   "JSON),\n"
                   "                                  в первом цикле состояние каждого блока; "
                   "до SIGINT,\n"
                   "                                  SIGTERM или N секунд; без --baud скорость "
                   "ищется\n"
                   "                                  по блокам списка по порядку\n"
                   "    --mqtt ХОСТ[:ПОРТ]            и публиковать линию брокеру MQTT (только "
                   "чтение:\n"
                   "                                  из MQTT линией не управляют); темы\n"
                   "                                  ПРЕФИКС/ЛИНИЯ/status, "
                   "ПРЕФИКС/ЛИНИЯ/АДРЕС/state,\n"
                   "                                  ПРЕФИКС/ЛИНИЯ/АДРЕС/event и обнаружение "
                   "Home Assistant\n"
                   "    --mqtt-line ИМЯ               имя линии в темах; по умолчанию имя порта\n"
                   "    --mqtt-prefix ПРЕФИКС         по умолчанию verkan\n"
                   "    --mqtt-user ИМЯ --mqtt-password-file ФАЙЛ\n"
                   "                                  вход на брокер; пароль — первая строка "
                   "ФАЙЛА\n"
                   "    --mqtt-cafile ФАЙЛ            TLS с этим сертификатом ЦС (порт по "
                   "умолчанию 8883)\n"
                   "\n"
                   "Коды завершения: 0 готово; 2 ошибка в командной строке или в файле;\n"
                   "3 блок не ответил; 4 порт не открывается; 5 запись не подтверждена.\n"))
        .arg(protocol::kLowestAddress)
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
    auto say = [](const char *text) { return cliText(text); };

    // A negative number where a number is expected ("record -1 f.csv") would
    // be taken for a short option; it is refused as the number it is.
    static const QRegularExpression negativeNumber(u"^-[0-9.]"_s);
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (negativeNumber.match(arguments[i]).hasMatch() &&
            !kValueOptions.contains(arguments[i - 1]))
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "%1: ожидается положительное число"))
                              .arg(arguments[i]));

    QCommandLineParser parser;
    const QCommandLineOption port(u"port"_s, QString(), u"PORT"_s);
    const QCommandLineOption address(u"address"_s, QString(), u"N"_s);
    const QCommandLineOption baud(u"baud"_s, QString(), u"BAUD"_s);
    const QCommandLineOption flank(u"flank"_s, QString(), u"FLANK"_s);
    const QCommandLineOption addresses(u"addresses"_s, QString(), u"FROM-TO"_s);
    const QCommandLineOption pass(u"pass"_s, QString(), u"SECONDS"_s);
    const QCommandLineOption lang(u"lang"_s, QString(), u"LANG"_s);
    const QCommandLineOption journal(u"journal"_s, QString(), u"FILE"_s);
    const QCommandLineOption site(u"site"_s, QString(), u"TEXT"_s);
    const QCommandLineOption installer(u"installer"_s, QString(), u"TEXT"_s);
    const QCommandLineOption watchSeconds(u"seconds"_s, QString(), u"SECONDS"_s);
    const QCommandLineOption json(u"json"_s);
    const QCommandLineOption mqtt(u"mqtt"_s, QString(), u"HOST"_s);
    const QCommandLineOption mqttLine(u"mqtt-line"_s, QString(), u"NAME"_s);
    const QCommandLineOption mqttUser(u"mqtt-user"_s, QString(), u"USER"_s);
    const QCommandLineOption mqttPasswordFile(u"mqtt-password-file"_s, QString(), u"FILE"_s);
    const QCommandLineOption mqttCaFile(u"mqtt-cafile"_s, QString(), u"FILE"_s);
    const QCommandLineOption mqttPrefix(u"mqtt-prefix"_s, QString(), u"PREFIX"_s);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    parser.addOptions({port,       address,    baud,         flank,
                       addresses,  pass,       lang,         journal,
                       site,       installer,  watchSeconds, json,
                       mqtt,       mqttLine,   mqttUser,     mqttPasswordFile,
                       mqttCaFile, mqttPrefix, help,         version});
    if (!parser.parse(arguments)) {
        // A password on the command line is there for anyone's ps to read.
        if (parser.unknownOptionNames().contains(u"mqtt-password"_s))
            return refuse(say(QT_TRANSLATE_NOOP(
                "Cli", "--mqtt-password: пароль в командной строке виден всем в ps; "
                       "запишите его в файл и задайте --mqtt-password-file ФАЙЛ")));
        if (!parser.unknownOptionNames().isEmpty())
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "неизвестный параметр %1"))
                              .arg(parser.unknownOptionNames().first()));
        return refuse(
            say(QT_TRANSLATE_NOOP("Cli", "ошибка в параметрах: %1")).arg(parser.errorText()));
    }
    if (parser.isSet(help)) {
        out.command = CliArguments::Command::Help;
        return parsed;
    }
    if (parser.isSet(version)) {
        out.command = CliArguments::Command::Version;
        return parsed;
    }

    if (parser.isSet(lang)) {
        out.language = requestedLanguage({QString(), u"--lang"_s, parser.value(lang)});
        if (!out.language)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--lang: язык ru или en")));
    }
    if (parser.isSet(port)) {
        QString why;
        const std::optional<PortDescription> chosen =
            PortDescription::parse(parser.value(port), &why);
        if (!chosen)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--port: %1")).arg(why));
        out.port = *chosen;
    }
    if (parser.isSet(address)) {
        const auto n =
            wholeNumber(parser.value(address), protocol::kLowestAddress, protocol::kHighestAddress);
        if (!n)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--address: адрес блока от %1 до %2"))
                              .arg(protocol::kLowestAddress)
                              .arg(protocol::kHighestAddress));
        out.address = *n;
    }
    if (parser.isSet(baud)) {
        const auto n = wholeNumber(parser.value(baud), 1, 1000000);
        if (!n || std::find(std::begin(kSearchSpeeds), std::end(kSearchSpeeds), *n) ==
                      std::end(kSearchSpeeds))
            return refuse(
                say(QT_TRANSLATE_NOOP("Cli", "--baud: допустимы %1")).arg(searchSpeedsText()));
        out.baud = *n;
    }
    if (parser.isSet(flank)) {
        const auto n = wholeNumber(parser.value(flank), 1, 2);
        if (!n)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--flank: фланг 1 или 2")));
        out.flank = *n;
    }
    if (parser.isSet(pass)) {
        const auto length = positiveSeconds(parser.value(pass));
        if (!length)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--pass: длительность прохода в секундах")));
        out.seconds = *length;
    }
    if (parser.isSet(watchSeconds)) {
        const auto length = positiveSeconds(parser.value(watchSeconds));
        if (!length)
            return refuse(
                say(QT_TRANSLATE_NOOP("Cli", "--seconds: длительность наблюдения в секундах")));
        out.seconds = *length;
    }
    out.json = parser.isSet(json);
    if (parser.isSet(journal)) {
        out.journal = parser.value(journal);
        if (out.journal.isEmpty())
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--journal: не задан файл журнала")));
    }

    const QCommandLineOption *mqttDetails[] = {&mqttLine, &mqttUser, &mqttPasswordFile, &mqttCaFile,
                                               &mqttPrefix};
    if (parser.isSet(mqtt)) {
        MqttSettings settings;
        QString why;
        if (!parseBrokerAddress(parser.value(mqtt), settings, &why))
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "--mqtt: %1")).arg(why));
        settings.line = parser.value(mqttLine);
        settings.user = parser.value(mqttUser);
        settings.passwordFile = parser.value(mqttPasswordFile);
        settings.caFile = parser.value(mqttCaFile);
        if (parser.isSet(mqttPrefix))
            settings.prefix = parser.value(mqttPrefix);
        if ((parser.isSet(mqttLine) && !checkTopicName(u"--mqtt-line"_s, settings.line, &why)) ||
            !checkTopicName(u"--mqtt-prefix"_s, settings.prefix, &why))
            return refuse(why);
        if (!settings.passwordFile.isEmpty() && settings.user.isEmpty())
            return refuse(say(QT_TRANSLATE_NOOP(
                "Cli", "--mqtt-password-file: нужен и --mqtt-user, чьё это пароль")));
        out.mqtt = settings;
    } else {
        for (const QCommandLineOption *detail : mqttDetails)
            if (parser.isSet(*detail))
                return refuse(say(QT_TRANSLATE_NOOP("Cli", "--%1: задайте и брокер, --mqtt ХОСТ"))
                                  .arg(detail->names().first()));
    }

    out.site = parser.value(site).trimmed();
    out.installer = parser.value(installer).trimmed();

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
        {u"report"_s, {}, C::Report, 1, {u"pass"_s, u"flank"_s, u"site"_s, u"installer"_s}},
        {u"watch"_s, {}, C::Watch, 0, {u"addresses"_s, u"seconds"_s, u"json"_s, u"mqtt"_s}},
    };
    const Form *form = nullptr;
    for (const Form &f : forms)
        if (f.first == name && (f.second.isEmpty() || f.second == words.value(1)))
            form = &f;
    if (!form) {
        if (name.isEmpty())
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "не задана команда")));
        if (name == u"settings"_s)
            return refuse(
                say(QT_TRANSLATE_NOOP("Cli", "settings: ожидается show, save или apply")));
        return refuse(say(QT_TRANSLATE_NOOP("Cli", "неизвестная команда %1")).arg(name));
    }
    const int skip = form->second.isEmpty() ? 1 : 2;
    const QString commandName = words.mid(0, skip).join(u' ');
    if (words.size() - skip != form->operands)
        return refuse(
            say(QT_TRANSLATE_NOOP("Cli", "%1: неверное число аргументов")).arg(commandName));
    for (const QString &option : {u"addresses"_s, u"flank"_s, u"pass"_s, u"site"_s, u"installer"_s,
                                  u"seconds"_s, u"json"_s, u"mqtt"_s})
        if (parser.isSet(option) && !form->options.contains(option))
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "параметр --%1 не относится к команде %2"))
                              .arg(option, commandName));
    out.command = form->command;
    if (out.command == C::Watch) {
        if (!parser.isSet(addresses))
            return refuse(say(QT_TRANSLATE_NOOP(
                "Cli", "watch: не заданы адреса блоков на линии (--addresses СПИСОК)")));
        QString why;
        out.addresses = addressList(parser.value(addresses), &why);
        if (out.addresses.isEmpty())
            return refuse(why);
    } else if (parser.isSet(addresses)) {
        const QStringList range = parser.value(addresses).split(u'-');
        const auto first =
            wholeNumber(range.value(0), protocol::kLowestAddress, protocol::kHighestAddress);
        const auto last =
            wholeNumber(range.value(1), protocol::kLowestAddress, protocol::kHighestAddress);
        if (range.size() != 2 || !first || !last || *first > *last)
            return refuse(
                say(QT_TRANSLATE_NOOP("Cli", "--addresses: диапазон ОТ-ДО в пределах %1-%2"))
                    .arg(protocol::kLowestAddress)
                    .arg(protocol::kHighestAddress));
        out.firstAddress = *first;
        out.lastAddress = *last;
    }
    if (out.command == C::Record) {
        const auto seconds = positiveSeconds(words[skip]);
        if (!seconds)
            return refuse(say(QT_TRANSLATE_NOOP("Cli", "record: длительность записи в секундах")));
        out.seconds = *seconds;
        out.file = words[skip + 1];
    } else if (form->operands == 1) {
        out.file = words[skip];
    }
    return parsed;
}
