#include "appstorelookup.h"

#include "appcatalog.h"
#include "appstorecache.h"
#include "jsoncodec.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void unreachable()
{
    throw VarnoletError(AppStoreLookup::unreachableMessage());
}

QUrl batchUrl(const QStringList &batch, const AppStoreService &service)
{
    QUrlQuery query;
    query.addQueryItem(u"bundleId"_s, batch.join(u','));
    query.addQueryItem(u"entity"_s, u"software"_s);
    query.addQueryItem(u"country"_s, service.country);
    QUrl url = service.url;
    url.setQuery(query);
    return url;
}

// Adds an entry for each result that answers an identifier of `batch`; anything that is not a
// lookup answer throws. The service may spell an identifier in another letter case.
void readResults(const QByteArray &body, const QStringList &batch, const QDateTime &now,
                 AppStoreEntries &entries)
{
    QHash<QString, QString> asked;
    for (const QString &id : batch)
        asked.insert(id.toLower(), id);
    const QJsonValue document = JsonCodec::decode(body);
    const QJsonValue results = document.toObject().value(u"results"_s);
    if (!results.isArray())
        unreachable();
    for (const QJsonValue &value : results.toArray()) {
        const QJsonObject result = value.toObject();
        const QString id = asked.value(result.value(u"bundleId"_s).toString().toLower());
        if (id.isEmpty())
            continue;
        const QJsonValue name = result.value(u"trackName"_s);
        const QJsonValue genre = result.value(u"primaryGenreName"_s);
        if (!name.isString() || !genre.isString())
            unreachable();
        AppStoreEntry entry{now,
                            true,
                            name.toString(),
                            genre.toString(),
                            result.value(u"primaryGenreId"_s).toInt(),
                            {}};
        for (const QJsonValue &other : result.value(u"genres"_s).toArray())
            entry.genres.append(other.toString());
        entries.insert(id, entry);
    }
}

} // namespace

QString AppStoreService::countryFor(const QLocale &locale)
{
    const QString code = QLocale::territoryToCode(locale.territory()).toLower();
    static const QRegularExpression twoLetters(u"^[a-z]{2}$"_s);
    return locale.territory() != QLocale::AnyTerritory && twoLetters.match(code).hasMatch()
            ? code
            : u"us"_s;
}

AppStoreService AppStoreService::standard()
{
    const QString replaced = qEnvironmentVariable("VARNOLET_APP_STORE_URL");
    return {QUrl(replaced.isEmpty() ? u"https://itunes.apple.com/lookup"_s : replaced),
            countryFor(QLocale::system())};
}

QString AppStoreLookup::unreachableMessage()
{
    return u"Could not reach the App Store. Categories come from local rules."_s;
}

QStringList AppStoreLookup::askable(const QStringList &identifiers)
{
    // Letters, digits, hyphens and dots, as bundle identifiers are made; no address fits.
    static const QRegularExpression bundleId(u"^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$"_s);
    QStringList result;
    QSet<QString> seen;
    for (const QString &id : identifiers) {
        if (seen.contains(id) || AppCatalog::isKnown(id) || !bundleId.match(id).hasMatch())
            continue;
        seen.insert(id);
        result.append(id);
    }
    return result;
}

AppStoreEntries AppStoreLookup::fetch(const QStringList &identifiers,
                                      const AppStoreService &service, const QDateTime &now)
{
    if (identifiers.isEmpty())
        return {};
    // The loop outlives the manager, whose replies may still report while it is destroyed.
    QEventLoop loop;
    QNetworkAccessManager manager;
    QList<std::pair<QStringList, QNetworkReply *>> requests;
    qsizetype pending = 0;
    for (qsizetype start = 0; start < identifiers.size(); start += service.batchSize) {
        const QStringList batch = identifiers.mid(start, service.batchSize);
        QNetworkReply *reply = manager.get(QNetworkRequest(batchUrl(batch, service)));
        ++pending;
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&loop, &pending] {
            if (--pending == 0)
                loop.quit();
        });
        requests.append({batch, reply});
    }
    bool timedOut = false;
    QTimer::singleShot(service.timeoutMs, &loop, [&loop, &timedOut] {
        timedOut = true;
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (timedOut)
        unreachable();

    AppStoreEntries entries;
    for (const auto &[batch, reply] : std::as_const(requests)) {
        if (reply->error() != QNetworkReply::NoError
            || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
            unreachable();
        try {
            readResults(reply->readAll(), batch, now, entries);
        } catch (const PlatformError &) {
            unreachable();
        }
    }
    for (const QString &id : identifiers) {
        if (!entries.contains(id))
            entries.insert(id, AppStoreEntry{now, false, {}, {}, 0, {}});
    }
    return entries;
}

AppStoreOutcome AppStoreLookup::lookUp(const QStringList &identifiers, const SnapshotStore &store,
                                       AppStoreAccess access, const AppStoreService &service)
{
    AppStoreOutcome outcome;
    if (access == AppStoreAccess::none)
        return outcome;
    const QStringList candidates = askable(identifiers);
    const AppStoreCache cache(store.root);
    AppStoreEntries entries = cache.load();

    if (access == AppStoreAccess::online) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QStringList missing;
        for (const QString &id : candidates) {
            const auto it = entries.constFind(id);
            if (it == entries.cend() || !AppStoreCache::isFresh(*it, now))
                missing.append(id);
        }
        try {
            const AppStoreEntries fetched = fetch(missing, service, now);
            if (!fetched.isEmpty()) {
                for (auto it = fetched.constBegin(); it != fetched.constEnd(); ++it)
                    entries.insert(it.key(), it.value());
                cache.save(entries);
            }
        } catch (const std::exception &error) {
            outcome.warning = PlatformError::describe(error);
        }
    }

    // An answer kept for longer than its reuse still beats none when the service cannot be asked.
    for (const QString &id : candidates) {
        const auto it = entries.constFind(id);
        if (it == entries.cend())
            continue;
        if (const std::optional<AppStoreAnswer> answer = AppStoreAnswer::from(*it))
            outcome.answers.insert(id, *answer);
    }
    return outcome;
}
