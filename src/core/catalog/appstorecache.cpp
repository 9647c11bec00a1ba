#include "appstorecache.h"

#include "jsoncodec.h"
#include "jsonrecord.h"
#include "snapshotstore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

constexpr int schemaVersion = 1;

QJsonObject toJson(const AppStoreEntry &entry)
{
    QJsonObject object{{u"date"_s, entry.date.toUTC().toString(Qt::ISODate)},
                       {u"found"_s, entry.found}};
    if (entry.found) {
        object.insert(u"name"_s, entry.name);
        object.insert(u"primaryGenre"_s, entry.primaryGenre);
        object.insert(u"primaryGenreId"_s, entry.primaryGenreId);
        object.insert(u"genres"_s, QJsonArray::fromStringList(entry.genres));
    }
    return object;
}

// Throws PlatformError (through JsonRecord) on anything but a well-formed entry.
AppStoreEntry fromJson(const QJsonValue &value, const QString &key)
{
    if (!value.isObject())
        JsonRecord::mismatch(u"a dictionary"_s, key);
    const QJsonObject object = value.toObject();
    AppStoreEntry entry;
    entry.date = QDateTime::fromString(JsonRecord::requiredString(object, u"date"_s), Qt::ISODate);
    if (!entry.date.isValid())
        JsonRecord::mismatch(u"a date"_s, key + u".date"_s);
    const QJsonValue found = JsonRecord::required(object, u"found"_s);
    if (!found.isBool())
        JsonRecord::mismatch(u"a Boolean"_s, key + u".found"_s);
    entry.found = found.toBool();
    if (!entry.found)
        return entry;
    entry.name = JsonRecord::requiredString(object, u"name"_s);
    entry.primaryGenre = JsonRecord::requiredString(object, u"primaryGenre"_s);
    entry.primaryGenreId = object.value(u"primaryGenreId"_s).toInt();
    for (const QJsonValue &genre : object.value(u"genres"_s).toArray())
        entry.genres.append(genre.toString());
    return entry;
}

AppStoreEntries decode(const QByteArray &data)
{
    const QJsonValue document = JsonCodec::decode(data);
    const QJsonObject root = document.toObject();
    if (root.value(u"schemaVersion"_s).toInt() != schemaVersion)
        JsonRecord::mismatch(u"version 1"_s, u"schemaVersion"_s);
    const QJsonValue apps = JsonRecord::required(root, u"apps"_s);
    if (!apps.isObject())
        JsonRecord::mismatch(u"a dictionary"_s, u"apps"_s);
    AppStoreEntries entries;
    const QJsonObject object = apps.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        entries.insert(it.key(), fromJson(it.value(), it.key()));
    return entries;
}

} // namespace

AppStoreCache::AppStoreCache(const QString &storeRoot)
    : m_path(storeRoot + u"/AppStore/lookup.json"_s)
{ }

AppStoreEntries AppStoreCache::load() const
{
    if (!QFileInfo::exists(m_path))
        return {};
    try {
        return decode(SnapshotStore::read(m_path));
    } catch (const std::exception &) {
        // Kept for a curious user rather than deleted; a failed rename is overwritten by save().
        const QString aside = QFileInfo(m_path).absolutePath() + u"/lookup-damaged-"_s
                + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_s) + u".json"_s;
        QFile::rename(m_path, aside);
        return {};
    }
}

void AppStoreCache::save(const AppStoreEntries &entries) const
{
    QJsonObject apps;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it)
        apps.insert(it.key(), toJson(it.value()));
    SnapshotStore::directory(QFileInfo(m_path).absolutePath());
    SnapshotStore::write(
            JsonCodec::encode(QJsonObject{{u"apps"_s, apps}, {u"schemaVersion"_s, schemaVersion}}),
            m_path);
}

bool AppStoreCache::isFresh(const AppStoreEntry &entry, const QDateTime &now)
{
    return entry.date.isValid() && entry.date.addDays(reuseDays) > now;
}
