#include "appstorecache.h"
#include "appstorelookup.h"
#include "appstorestandin.h"
#include "devicetestsupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Looks `ids` up with a store in `folder` and a stand-in App Store answering in `mode`.
struct Lookup
{
    explicit Lookup(const QString &mode = u"answer"_s)
        : standIn(QStringLiteral(VARNOLET_SAMPLES "/../appstore/popular-answers.json"), mode)
    { }
    AppStoreOutcome operator()(const QStringList &ids,
                               AppStoreAccess access = AppStoreAccess::online,
                               int timeoutMs = 10000)
    {
        return AppStoreLookup::lookUp(ids, SnapshotStore(folder.path()), access,
                                      {standIn.url(), u"us"_s, timeoutMs, 2});
    }
    QTemporaryDir folder;
    AppStoreStandIn standIn;
    AppStoreCache cache{folder.path()};
};

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
    // clang-format off
    QTest::newRow("social") << u"WeChat"_s << u"Social Networking"_s << 6005 << QStringList() << u"WeChat"_s << social;
    QTest::newRow("subtitle after a colon") << u"Booking.com: Hotels & Travel"_s << u"Travel"_s << 6003 << QStringList() << u"Booking.com"_s << travel;
    QTest::newRow("subtitle after a hyphen") << u"Duolingo - Language Lessons"_s << u"Education"_s << 6017 << QStringList() << u"Duolingo"_s << productivity;
    QTest::newRow("food is shopping") << u"Starbucks"_s << u"Food & Drink"_s << 6023 << QStringList() << u"Starbucks"_s << shopping;
    QTest::newRow("games") << u"Chess"_s << u"Games"_s << 6014 << QStringList{u"Games"_s, u"Board"_s} << u"Chess"_s << games;
    QTest::newRow("game subgenre as the primary") << u"Q"_s << u"Puzzle"_s << 7012 << QStringList() << u"Q"_s << games;
    QTest::newRow("sports game") << u"Pool"_s << u"Sports"_s << 7016 << QStringList{u"Sports"_s, u"Games"_s} << u"Pool"_s << games;
    QTest::newRow("sports app") << u"ESPN"_s << u"Sports"_s << 6004 << QStringList{u"Sports"_s} << u"ESPN"_s << entertainment;
    QTest::newRow("localised genre, by number") << u"X"_s << u"Réseaux sociaux"_s << 6005 << QStringList() << u"X"_s << social;
    QTest::newRow("localised game subgenre") << u"X"_s << u"Rätsel"_s << 7012 << QStringList() << u"X"_s << games;
    QTest::newRow("lifestyle is other") << u"Zillow"_s << u"Lifestyle"_s << 6012 << QStringList() << u"Zillow"_s << other;
    QTest::newRow("unknown genre is other") << u"X"_s << u"Holograms"_s << 9999 << QStringList() << u"X"_s << other;
    // clang-format on
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
    Lookup lookUp;
    // A known app, web clips, a repeat and an empty identifier are never sent.
    const AppStoreOutcome outcome = lookUp(
            u"com.apple.mobilephone|https://example.com/a|HTTPS://example.com/b|com.shazam.Shazam|pinterest|com.shazam.Shazam|com.acme.internal.expenses|com.tencent.xin|com.booking.BookingApp|"_s
                    .split(u'|'));
    QCOMPARE(outcome.warning, QString());
    QStringList sent;
    for (const QString &request : lookUp.standIn.requests()) {
        const QUrlQuery query(QUrl(request).query());
        QCOMPARE(QUrl(request).path(), u"/lookup"_s);
        QCOMPARE(query.queryItems().size(), 3);
        QCOMPARE(query.queryItemValue(u"entity"_s), u"software"_s);
        QCOMPARE(query.queryItemValue(u"country"_s), u"us"_s);
        const QStringList batch = query.queryItemValue(u"bundleId"_s).split(u',');
        QVERIFY(batch.size() <= 2);
        sent += batch;
    }
    QCOMPARE(
            sent.join(u' '),
            u"com.shazam.Shazam pinterest com.acme.internal.expenses com.tencent.xin com.booking.BookingApp"_s);
    QCOMPARE(outcome.answers.value(u"com.shazam.Shazam"_s),
             (AppStoreAnswer{u"Shazam"_s, AppCategory::entertainment}));
    QCOMPARE(outcome.answers.size(), 4);
    QCOMPARE(QFile::permissions(lookUp.cache.path()) & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(lookUp.cache.load().value(u"com.acme.internal.expenses"_s).found, false);
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
    Lookup lookUp(mode);
    lookUp.cache.save({{u"com.tencent.xin"_s,
                        {QDateTime::currentDateTimeUtc(),
                         true,
                         u"WeChat"_s,
                         u"Social Networking"_s,
                         0,
                         {}}}});
    const QByteArray before = readFile(lookUp.cache.path());
    const AppStoreOutcome outcome
            = lookUp({u"com.tencent.xin"_s, u"com.shazam.Shazam"_s}, AppStoreAccess::online, 500);
    QCOMPARE(outcome.warning,
             u"Could not reach the App Store. Categories come from local rules."_s);
    QCOMPARE(outcome.answers.keys(), QStringList{u"com.tencent.xin"_s});
    QCOMPARE(readFile(lookUp.cache.path()), before);
    QCOMPARE(lookUp.standIn.requests().size(), 1);
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
    Lookup lookUp;
    lookUp.cache.save({{u"com.shazam.Shazam"_s,
                        {QDateTime::currentDateTimeUtc().addDays(-ageDays),
                         found,
                         u"Old"_s,
                         u"Music"_s,
                         0,
                         {}}}});
    const AppStoreOutcome outcome = lookUp({u"com.shazam.Shazam"_s}, access);
    QCOMPARE(lookUp.standIn.requests().size(), asked ? 1 : 0);
    QCOMPARE(outcome.answers.value(u"com.shazam.Shazam"_s).name, name);
}

void AppStoreTest::damagedCacheIsSetAside_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::newRow("not JSON") << "{\"apps\": {"_ba;
    QTest::newRow("another version") << R"({"apps": {}, "schemaVersion": 2})"_ba;
    QTest::newRow("entry without a date")
            << R"({"apps": {"a.b": {"found": false}}, "schemaVersion": 1})"_ba;
}

void AppStoreTest::damagedCacheIsSetAside()
{
    QFETCH(QByteArray, damaged);
    Lookup lookUp;
    QVERIFY(QDir().mkpath(QFileInfo(lookUp.cache.path()).path())
            && writeFile(lookUp.cache.path(), damaged));
    const AppStoreOutcome outcome = lookUp({u"com.shazam.Shazam"_s});
    QCOMPARE(outcome.warning, QString());
    QCOMPARE(outcome.answers.size(), 1);
    QCOMPARE(lookUp.cache.load().keys(), QStringList{u"com.shazam.Shazam"_s});
    const QDir folder = QFileInfo(lookUp.cache.path()).dir();
    const QStringList aside = folder.entryList({u"lookup-damaged-*.json"_s}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(folder.filePath(aside.first())), damaged);
}

QTEST_GUILESS_MAIN(AppStoreTest)
#include "appstoretest.moc"
