#include "params/settingsfile.h"

#include "base/enginetext.h"
#include "link/protocol.h"
#include "link/scheduler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

QString fileNumber(double value)
{
    // The shortest text that reads back as the same double, '.' as decimal
    // point whatever the locale.
    return QString::number(value, 'g', 15);
}

QString flankKey(int index)
{
    return QString::number(index + 1);
}

// A key as a message names it: in quotes and, for a setting of a flank,
// followed by the setting's caption in the window, so that the user finds
// it both in the file and on the screen: "flanks.1.threshold" (Порог (В)).
QString namedKey(const QString &path)
{
    const QString quoted = u'"' + path + u'"';
    const QStringList parts = path.split(u'.');
    if (parts.size() != 3 || parts[0] != u"flanks"_s)
        return quoted;
    for (const SettingRow *row : flankSettingRows())
        if (parts[2] == QLatin1String(row->fileKey))
            return u"%1 (%2)"_s.arg(quoted, settingName(*row));
    return quoted;
}

// A key (named by namedKey()): a value not allowed, and the values allowed.
QString notAllowed()
{
    return engineText(QT_TRANSLATE_NOOP("Engine", "%1: недопустимое значение %2; допустимы: %3"));
}

QString missingKey(const QString &path)
{
    return engineText(QT_TRANSLATE_NOOP("Engine", "нет ключа %1")).arg(namedKey(path));
}

// A value as the file writes it: 12345, "6", {"a": 1}.
QString jsonText(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

// A date and time in the ISO 8601 form toJson() writes, "2026-12-06T12:00:00",
// optionally with fractions of a second and a time zone ("Z", "+03:00"). A date
// alone is not taken: the file says when it was saved.
bool isSavedTime(const QJsonValue &value)
{
    static const QRegularExpression form(
        u"^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}(:\\d{2}(\\.\\d{1,3})?)?(Z|[+-]\\d{2}:\\d{2})?$"_s);
    const QString text = value.toString();
    return value.isString() && form.match(text).hasMatch() &&
           QDateTime::fromString(text, Qt::ISODate).isValid();
}

// Reads the JSON string whose opening quote is at json[at], with its escapes
// resolved; leaves `at` past the closing quote. The document is well formed.
QString readJsonString(const QByteArray &json, qsizetype &at)
{
    QString text;
    qsizetype run = ++at;  // the start of the bytes taken as they are
    while (at < json.size() && json[at] != '"') {
        if (json[at] != '\\') {
            ++at;
            continue;
        }
        // Escapes are ASCII, so a run never ends inside a UTF-8 sequence.
        text += QString::fromUtf8(json.constData() + run, at - run);
        const char escaped = at + 1 < json.size() ? json[at + 1] : '\\';
        at += 2;
        switch (escaped) {
        case 'b':
            text += u'\b';
            break;
        case 'f':
            text += u'\f';
            break;
        case 'n':
            text += u'\n';
            break;
        case 'r':
            text += u'\r';
            break;
        case 't':
            text += u'\t';
            break;
        case 'u':
            // One UTF-16 unit; a pair of them makes a character beyond the
            // BMP just as its UTF-8 bytes would.
            text += QChar(char16_t(json.mid(at, 4).toUShort(nullptr, 16)));
            at += 4;
            break;
        default:  // '"', '\\', '/'
            text += QLatin1Char(escaped);
        }
        run = at;
    }
    text += QString::fromUtf8(json.constData() + run, std::min(at, json.size()) - run);
    ++at;
    return text;
}

// What is wrong with a JSON document, in the program's words rather than
// Qt's English ones.
QString jsonErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return engineText(QT_TRANSLATE_NOOP("Engine", "объект не закрыт"));
    case QJsonParseError::MissingNameSeparator:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет двоеточия после ключа"));
    case QJsonParseError::UnterminatedArray:
        return engineText(QT_TRANSLATE_NOOP("Engine", "массив не закрыт"));
    case QJsonParseError::MissingValueSeparator:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет запятой между значениями"));
    case QJsonParseError::IllegalNumber:
    case QJsonParseError::TerminationByNumber:
        return engineText(QT_TRANSLATE_NOOP("Engine", "неверное число"));
    case QJsonParseError::IllegalEscapeSequence:
    case QJsonParseError::IllegalUTF8String:
    case QJsonParseError::UnterminatedString:
        return engineText(QT_TRANSLATE_NOOP("Engine", "неверная строка"));
    case QJsonParseError::GarbageAtEnd:
        return engineText(QT_TRANSLATE_NOOP("Engine", "лишние знаки после документа"));
    default:
        return engineText(QT_TRANSLATE_NOOP("Engine", "неверное значение"));
    }
}

}  // namespace

std::optional<QString> duplicateJsonKey(const QByteArray &json)
{
    // The objects and arrays open at the point read, outermost first.
    struct Level {
        bool object = false;
        QString path;        // empty at the top
        QSet<QString> keys;  // object: the keys read so far
        QString key;         // object: the latest key
        bool awaitingKey = true;
        int index = 0;  // array: the element being read
    };
    QList<Level> levels;
    // The path of what the innermost level is reading now.
    const auto currentPath = [&levels] {
        const Level &level = levels.last();
        const QString name = level.object ? level.key : QString::number(level.index);
        return levels.size() == 1 ? name : level.path + u'.' + name;
    };
    qsizetype at = 0;
    while (at < json.size()) {
        switch (json[at]) {
        case '{':
        case '[': {
            Level level;
            level.object = json[at] == '{';
            if (!levels.isEmpty())
                level.path = currentPath();
            levels.append(level);
            ++at;
            break;
        }
        case '}':
        case ']':
            if (!levels.isEmpty())
                levels.removeLast();
            ++at;
            break;
        case ',':
            if (!levels.isEmpty()) {
                Level &level = levels.last();
                level.awaitingKey = level.object;
                ++level.index;
            }
            ++at;
            break;
        case '"': {
            // A string: a key where an object awaits one, else a value.
            const QString text = readJsonString(json, at);
            if (levels.isEmpty() || !levels.last().object || !levels.last().awaitingKey)
                break;
            Level &level = levels.last();
            level.awaitingKey = false;
            level.key = text;
            if (level.keys.contains(text))
                return currentPath();
            level.keys.insert(text);
            break;
        }
        default:  // white space, ':', numbers, true, false, null
            ++at;
        }
    }
    return std::nullopt;
}

bool SettingsProfile::isComplete() const
{
    for (const QMap<Setting, int> &flank : flanks)
        for (const SettingRow *row : flankSettingRows())
            if (!flank.contains(row->setting))
                return false;
    return true;
}

QByteArray SettingsProfile::toJson() const
{
    QJsonObject flanksObject;
    for (int i = 0; i < kFlankCount; ++i) {
        QJsonObject values;
        for (const SettingRow *row : flankSettingRows()) {
            if (flanks[i].contains(row->setting))
                values.insert(QLatin1String(row->fileKey),
                              valueForPosition(*row, flanks[i].value(row->setting)));
        }
        flanksObject.insert(flankKey(i), values);
    }
    QJsonObject root;
    root.insert(u"format"_s, QLatin1String(kFormat));
    root.insert(u"address"_s, address);
    root.insert(u"speed"_s, speed);
    root.insert(u"saved"_s, saved.toString(Qt::ISODate));
    root.insert(u"flanks"_s, flanksObject);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString allowedFileValues(const SettingRow &row)
{
    QStringList values;
    for (int p = row.minPosition; p <= row.maxPosition; ++p)
        values.append(fileNumber(valueForPosition(row, p)));
    return values.join(u", "_s);
}

ProfileParse parseSettingsProfile(const QByteArray &json)
{
    auto refuse = [](const QString &why) { return ProfileParse{std::nullopt, why}; };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refuse(engineText(QT_TRANSLATE_NOOP(
                                     "Engine", "файл не является документом JSON: %1 (позиция %2)"))
                          .arg(jsonErrorText(parseError.error))
                          .arg(parseError.offset));
    if (!document.isObject())
        return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "файл не является объектом JSON")));
    if (const std::optional<QString> twice = duplicateJsonKey(json))
        return refuse(
            engineText(QT_TRANSLATE_NOOP("Engine", "%1: ключ задан дважды")).arg(namedKey(*twice)));
    const QJsonObject root = document.object();
    const QStringList rootKeys{u"format"_s, u"address"_s, u"speed"_s, u"saved"_s, u"flanks"_s};
    for (const QString &key : root.keys())
        if (!rootKeys.contains(key))
            return refuse(
                engineText(QT_TRANSLATE_NOOP("Engine", "неизвестный ключ \"%1\"")).arg(key));
    for (const QString &key : rootKeys)
        if (!root.contains(key))
            return refuse(missingKey(key));
    if (root.value(u"format"_s).toString() != QLatin1String(SettingsProfile::kFormat))
        return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "\"format\": ожидается \"%1\""))
                          .arg(QLatin1String(SettingsProfile::kFormat)));

    SettingsProfile profile;
    const QJsonValue address = root.value(u"address"_s);
    const double addressValue = address.toDouble(-1);
    if (!address.isDouble() || addressValue != int(addressValue) ||
        addressValue < protocol::kLowestAddress || addressValue > protocol::kHighestAddress)
        return refuse(engineText(QT_TRANSLATE_NOOP(
                                     "Engine", "\"address\": допустимы целые числа от %1 до %2"))
                          .arg(protocol::kLowestAddress)
                          .arg(protocol::kHighestAddress));
    profile.address = int(addressValue);
    const QJsonValue speed = root.value(u"speed"_s);
    if (!speed.isDouble())
        return refuse(
            engineText(QT_TRANSLATE_NOOP("Engine", "\"speed\": ожидается скорость линии в бодах")));
    // Only a speed the program can reach the detector at.
    if (std::find(std::begin(kSearchSpeeds), std::end(kSearchSpeeds), speed.toDouble()) ==
        std::end(kSearchSpeeds))
        return refuse(notAllowed().arg(namedKey(u"speed"_s), jsonText(speed), searchSpeedsText()));
    profile.speed = speed.toInt();
    const QJsonValue saved = root.value(u"saved"_s);
    if (!isSavedTime(saved))
        return refuse(engineText(QT_TRANSLATE_NOOP(
            "Engine", "\"saved\": ожидаются дата и время ISO 8601 (\"2026-12-06T12:00:00\")")));
    profile.saved = QDateTime::fromString(saved.toString(), Qt::ISODate);

    const QJsonValue flanksValue = root.value(u"flanks"_s);
    if (!flanksValue.isObject())
        return refuse(engineText(
            QT_TRANSLATE_NOOP("Engine", "\"flanks\": ожидается объект с ключами \"1\" и \"2\"")));
    const QJsonObject flanks = flanksValue.toObject();
    for (const QString &key : flanks.keys())
        if (key != flankKey(0) && key != flankKey(1))
            return refuse(
                engineText(QT_TRANSLATE_NOOP("Engine", "\"flanks\": неизвестный фланг \"%1\""))
                    .arg(key));
    for (int i = 0; i < SettingsProfile::kFlankCount; ++i) {
        const QString where = u"flanks.%1"_s.arg(flankKey(i));
        const QJsonValue flankValue = flanks.value(flankKey(i));
        if (!flankValue.isObject())
            return refuse(missingKey(where));
        const QJsonObject values = flankValue.toObject();
        QStringList known;
        for (const SettingRow *row : flankSettingRows())
            known.append(QLatin1String(row->fileKey));
        for (const QString &key : values.keys())
            if (!known.contains(key))
                return refuse(
                    engineText(QT_TRANSLATE_NOOP("Engine", "\"%1\": неизвестный ключ \"%2\""))
                        .arg(where, key));
        for (const SettingRow *row : flankSettingRows()) {
            const QString key = where + u'.' + QLatin1String(row->fileKey);
            if (!values.contains(QLatin1String(row->fileKey)))
                return refuse(missingKey(key));
            const QJsonValue value = values.value(QLatin1String(row->fileKey));
            const std::optional<int> position =
                value.isDouble() ? positionForValue(*row, value.toDouble()) : std::nullopt;
            if (!position)
                return refuse(
                    notAllowed().arg(namedKey(key), jsonText(value), allowedFileValues(*row)));
            profile.flanks[i].insert(row->setting, *position);
        }
    }
    return ProfileParse{profile, QString()};
}
