#include "appstorecache.h"
#include "appstorelookup.h"
#include "appstorestandin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

const QString answersFile = QStringLiteral(VARNOLET_SAMPLES "/../appstore/popular-answers.json");

AppStoreService serviceAt(const AppStoreStandIn &standIn, int timeoutMs = 10000)
{
    return {standIn.url(), u"us"_s, timeoutMs, 2};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

char *toString(AppCategory category)
{
    return QTest::toString(AppCategories::title(category));
}

class AppStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answerFromEntry_data();
    void answerFromEntry();
    void sendsOnlyUnknownIdentifiersInBatches();
    void failingServiceChangesNothing_data();
    void failingServiceChangesNothing();
    void cacheReuse_data();
    void cacheReuse();
    void damagedCacheIsSetAside_data();
    void damagedCacheIsSetAside();
};

void AppStoreTest::answerFromEntry_data()
{
    QTest::addColumn<QString>("trackName");
    QTest::addColumn<QString>("genre");
    QTest::addColumn<int>("genreId");
    QTest::addColumn<QStringList>("genres");
    QTest::addColumn<QString>("name");
    QTest::addColumn<AppCategory>("category");

    using enum AppCategory;
    const auto row = [](const char *label, const QString &trackName, const QString &genre,
                        int genreId, const QStringList &genres, const QString &name,
                        AppCategory category) {
        QTest::newRow(label) << trackName << genre << genreId << genres << name << category;
    };
    row("social", u"WeChat"_s, u"Social Networking"_s, 6005, {}, u"WeChat"_s, social);
    row("subtitle after a colon", u"Booking.com: Hotels & Travel"_s, u"Travel"_s, 6003, {},
        u"Booking.com"_s, travel);
    row("subtitle after a hyphen", u"Duolingo - Language Lessons"_s, u"Education"_s, 6017, {},
        u"Duolingo"_s, productivity);
    row("food is shopping", u"Starbucks"_s, u"Food & Drink"_s, 6023, {}, u"Starbucks"_s, shopping);
    row("games", u"Chess"_s, u"Games"_s, 6014, {u"Games"_s, u"Board"_s}, u"Chess"_s, games);
    row("game subgenre as the primary", u"Q"_s, u"Puzzle"_s, 7012, {}, u"Q"_s, games);
    row("sports game", u"Pool"_s, u"Sports"_s, 7016, {u"Sports"_s, u"Games"_s}, u"Pool"_s, games);
    row("sports app", u"ESPN"_s, u"Sports"_s, 6004, {u"Sports"_s}, u"ESPN"_s, entertainment);
    row("localised genre, by number", u"X"_s, u"Réseaux sociaux"_s, 6005, {}, u"X"_s, social);
    row("localised game subgenre", u"X"_s, u"Rätsel"_s, 7012, {}, u"X"_s, games);
    row("lifestyle is other", u"Zillow"_s, u"Lifestyle"_s, 6012, {}, u"Zillow"_s, other);
    row("unknown genre is other", u"X"_s, u"Holograms"_s, 9999, {}, u"X"_s, other);
}

void AppStoreTest::answerFromEntry()
{
    QFETCH(QString, trackName);
    QFETCH(QString, genre);
    QFETCH(int, genreId);
    QFETCH(QStringList, genres);
    QFETCH(QString, name);
    QFETCH(AppCategory, category);
    const AppStoreEntry entry{
            QDateTime::currentDateTimeUtc(), true, trackName, genre, genreId, genres};
    QCOMPARE(AppStoreAnswer::from(entry), std::optional(AppStoreAnswer{name, category}));
    QCOMPARE(AppStoreAnswer::from(AppStoreEntry{}), std::nullopt);
}

void AppStoreTest::sendsOnlyUnknownIdentifiersInBatches()
{
    QTemporaryDir store;
    AppStoreStandIn standIn(answersFile);
    // A known app, web clips, a repeat and an empty identifier are never sent.
    const QStringList ids
            = u"com.apple.mobilephone|https://example.com/a|HTTPS://example.com/b|"
              "com.shazam.Shazam|pinterest|com.shazam.Shazam|"
              "com.acme.internal.expenses|com.tencent.xin|com.booking.BookingApp|"_s.split(u'|');
    const AppStoreOutcome outcome = AppStoreLookup::lookUp(
            ids, SnapshotStore(store.path()), AppStoreAccess::online, serviceAt(standIn));
    QCOMPARE(outcome.warning, QString());

    QStringList sent;
    for (const QString &request : standIn.requests()) {
        const QUrlQuery query(QUrl(request).query());
        QCOMPARE(QUrl(request).path(), u"/lookup"_s);
        QCOMPARE(query.queryItems().size(), 3);
        QCOMPARE(query.queryItemValue(u"entity"_s), u"software"_s);
        QCOMPARE(query.queryItemValue(u"country"_s), u"us"_s);
        const QStringList batch = query.queryItemValue(u"bundleId"_s).split(u',');
        QVERIFY(batch.size() <= 2);
        sent += batch;
    }
    QCOMPARE(sent.join(u' '),
             u"com.shazam.Shazam pinterest com.acme.internal.expenses com.tencent.xin "
             "com.booking.BookingApp"_s);
    QCOMPARE(outcome.answers.value(u"com.shazam.Shazam"_s),
             (AppStoreAnswer{u"Shazam"_s, AppCategory::entertainment}));
    QCOMPARE(outcome.answers.size(), 4);

    const AppStoreCache cache(store.path());
    QCOMPARE(QFile::permissions(cache.path()) & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(cache.load().value(u"com.acme.internal.expenses"_s).found, false);
}

void AppStoreTest::failingServiceChangesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("error status") << u"fail"_s;
    QTest::newRow("not a lookup answer") << u"garbage"_s;
    QTest::newRow("no answer within the time-out") << u"slow"_s;
}

void AppStoreTest::failingServiceChangesNothing()
{
    QFETCH(QString, mode);
    QTemporaryDir store;
    const AppStoreCache cache(store.path());
    const AppStoreEntry kept{QDateTime::currentDateTimeUtc(), true, u"WeChat"_s,
                             u"Social Networking"_s,          0,    {}};
    cache.save({{u"com.tencent.xin"_s, kept}});
    const QByteArray before = fileBytes(cache.path());

    AppStoreStandIn standIn(answersFile, mode);
    const AppStoreOutcome outcome = AppStoreLookup::lookUp(
            {u"com.tencent.xin"_s, u"com.shazam.Shazam"_s}, SnapshotStore(store.path()),
            AppStoreAccess::online, serviceAt(standIn, 500));
    QCOMPARE(outcome.warning,
             u"Could not reach the App Store. Categories come from local rules."_s);
    QCOMPARE(outcome.answers.keys(), QStringList{u"com.tencent.xin"_s});
    QCOMPARE(fileBytes(cache.path()), before);
    QCOMPARE(standIn.requests().size(), 1);
}

void AppStoreTest::cacheReuse_data()
{
    QTest::addColumn<int>("ageDays");
    QTest::addColumn<bool>("found");
    QTest::addColumn<AppStoreAccess>("access");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("name");

    using enum AppStoreAccess;
    QTest::newRow("fresh answer reused") << 29 << true << online << false << u"Old"_s;
    QTest::newRow("old answer asked again") << 31 << true << online << true << u"Shazam"_s;
    QTest::newRow("fresh not found reused") << 1 << false << online << false << QString();
    QTest::newRow("old not found asked again") << 31 << false << online << true << u"Shazam"_s;
    QTest::newRow("cache only keeps an old answer") << 31 << true << cacheOnly << false << u"Old"_s;
    QTest::newRow("cache only, nothing kept") << 0 << false << cacheOnly << false << QString();
    QTest::newRow("no access ignores the cache") << 1 << true << none << false << QString();
}

void AppStoreTest::cacheReuse()
{
    QFETCH(int, ageDays);
    QFETCH(bool, found);
    QFETCH(AppStoreAccess, access);
    QFETCH(bool, asked);
    QFETCH(QString, name);
    QTemporaryDir store;
    AppStoreCache(store.path())
            .save({{u"com.shazam.Shazam"_s,
                    {QDateTime::currentDateTimeUtc().addDays(-ageDays),
                     found,
                     u"Old"_s,
                     u"Music"_s,
                     0,
                     {}}}});
    AppStoreStandIn standIn(answersFile);
    const AppStoreOutcome outcome = AppStoreLookup::lookUp(
            {u"com.shazam.Shazam"_s}, SnapshotStore(store.path()), access, serviceAt(standIn));
    QCOMPARE(standIn.requests().size(), asked ? 1 : 0);
    QCOMPARE(outcome.answers.value(u"com.shazam.Shazam"_s).name, name);
}

void AppStoreTest::damagedCacheIsSetAside_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::newRow("not JSON") << "{\"apps\": {"_ba;
    QTest::newRow("another version") << R"({"apps": {}, "schemaVersion": 2})"_ba;
    QTest::newRow("entry without a date") << R"({"apps": {"a.b": {"found": false}},
                                              "schemaVersion": 1})"_ba;
}

void AppStoreTest::damagedCacheIsSetAside()
{
    QFETCH(QByteArray, damaged);
    QTemporaryDir store;
    const AppStoreCache cache(store.path());
    QVERIFY(QDir().mkpath(store.filePath(u"AppStore"_s)));
    QFile file(cache.path());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
    file.close();

    AppStoreStandIn standIn(answersFile);
    const AppStoreOutcome outcome
            = AppStoreLookup::lookUp({u"com.shazam.Shazam"_s}, SnapshotStore(store.path()),
                                     AppStoreAccess::online, serviceAt(standIn));
    QCOMPARE(outcome.warning, QString());
    QCOMPARE(outcome.answers.size(), 1);
    QCOMPARE(cache.load().keys(), QStringList{u"com.shazam.Shazam"_s});
    const QStringList aside = QDir(store.filePath(u"AppStore"_s))
                                      .entryList({u"lookup-damaged-*.json"_s}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(fileBytes(store.filePath(u"AppStore/"_s + aside.first())), damaged);
}

QTEST_GUILESS_MAIN(AppStoreTest)
#include "appstoretest.moc"
