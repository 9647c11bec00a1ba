#pragma once

#include "appstoreentry.h"
#include "snapshotstore.h"

#include <QString>
#include <QStringList>
#include <QUrl>

/// Where and how the App Store's public lookup service is asked.
struct AppStoreService
{
    /// The lookup address: VARNOLET_APP_STORE_URL when set, else Apple's.
    QUrl url;
    /// The two-letter storefront, lower case.
    QString country;
    int timeoutMs = 10000;
    /// Bundle identifiers per request; the service takes a comma-separated list.
    qsizetype batchSize = 50;

    /// The address from the environment and the country of the user's locale ("us" without one).
    static AppStoreService standard();
    /// The territory of `locale` as a storefront code; "us" when it has none.
    static QString countryFor(const QLocale &locale);
};

/// Whether the App Store may be asked: never, only through the answers kept on this computer, or
/// for whatever those lack.
enum class AppStoreAccess { none, cacheOnly, online };

/// What a lookup found: answers for the apps, and at most one warning sentence.
struct AppStoreOutcome
{
    AppStoreAnswers answers;
    QString warning;
};

/// Asks the App Store for the names and genres of apps the catalogue does not know. Only bundle
/// identifiers are sent: never a layout, a device or a web clip.
class AppStoreLookup
{
public:
    AppStoreLookup() = delete;

    /// The warning for a request that failed, timed out or was answered with something unexpected.
    static QString unreachableMessage();

    /// The identifiers that may be sent, each once, in first-seen order: those the catalogue does
    /// not know that have the shape of a bundle identifier (so never a web clip's address).
    static QStringList askable(const QStringList &identifiers);

    /// Asks the service for `identifiers` in batches and returns an entry for each, "not found"
    /// for those it does not know, all dated `now`. All or nothing: throws VarnoletError with
    /// unreachableMessage() when any request fails. Runs its own event loop; any thread will do.
    static AppStoreEntries fetch(const QStringList &identifiers, const AppStoreService &service,
                                 const QDateTime &now = QDateTime::currentDateTimeUtc());

    /// Answers for the apps among `identifiers`: from the cache in `store`, and with `online`
    /// from the service for those the cache lacks or holds for too long, which are then kept.
    /// Never throws: failures leave the cached answers and become the warning.
    static AppStoreOutcome lookUp(const QStringList &identifiers, const SnapshotStore &store,
                                  AppStoreAccess access,
                                  const AppStoreService &service = AppStoreService::standard());
};
