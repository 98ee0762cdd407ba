#include "params/settingsfile.h"

#include "base/enginetext.h"
#include "link/protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

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

}  // namespace

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
                          .arg(parseError.errorString())
                          .arg(parseError.offset));
    if (!document.isObject())
        return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "файл не является объектом JSON")));
    const QJsonObject root = document.object();
    const QStringList rootKeys{u"format"_s, u"address"_s, u"speed"_s, u"saved"_s, u"flanks"_s};
    for (const QString &key : root.keys())
        if (!rootKeys.contains(key))
            return refuse(
                engineText(QT_TRANSLATE_NOOP("Engine", "неизвестный ключ \"%1\"")).arg(key));
    for (const QString &key : rootKeys)
        if (!root.contains(key))
            return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "нет ключа \"%1\"")).arg(key));
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
    if (!speed.isDouble() || speed.toDouble() < 0 || speed.toDouble() != speed.toInt())
        return refuse(
            engineText(QT_TRANSLATE_NOOP("Engine", "\"speed\": ожидается скорость линии в бодах")));
    profile.speed = speed.toInt();
    profile.saved = QDateTime::fromString(root.value(u"saved"_s).toString(), Qt::ISODate);

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
            return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "нет ключа \"%1\"")).arg(where));
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
                return refuse(engineText(QT_TRANSLATE_NOOP("Engine", "нет ключа \"%1\"")).arg(key));
            const QJsonValue value = values.value(QLatin1String(row->fileKey));
            const std::optional<int> position =
                value.isDouble() ? positionForValue(*row, value.toDouble()) : std::nullopt;
            if (!position)
                return refuse(
                    engineText(QT_TRANSLATE_NOOP("Engine",
                                                 "\"%1\": недопустимое значение %2; допустимы: %3"))
                        .arg(key,
                             QString::fromUtf8(
                                 QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
                                 .mid(1)
                                 .chopped(1),
                             allowedFileValues(*row)));
            profile.flanks[i].insert(row->setting, *position);
        }
    }
    return ProfileParse{profile, QString()};
}
