#include "appstorecache.h"
#include "appstorelookup.h"
#include "appstorestandin.h"
#include "layouttestsupport.h"

#include <QTemporaryDir>
#include <QTest>

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
                                      {standIn.url(), u"us"_s, timeoutMs});
    }
    QTemporaryDir folder;
    AppStoreStandIn standIn;
    AppStoreCache cache{folder.path()};
};

} // namespace

class AppStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The entry's name and category as the catalogue uses them; an entry not found gives none.
    void answerFromEntry_data()
    {
        QTest::addColumn<AppStoreEntry>("entry");
        QTest::addColumn<AppStoreAnswer>("answer");
        using enum AppCategory;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        // clang-format off
        QTest::newRow("subtitle after a colon") << AppStoreEntry{now, true, u"Booking.com: Hotels & Travel"_s, u"Travel"_s, 6003, {}} << AppStoreAnswer{u"Booking.com"_s, travel};
        QTest::newRow("subtitle after a hyphen") << AppStoreEntry{now, true, u"Duolingo - Language Lessons"_s, u"Education"_s, 6017, {}} << AppStoreAnswer{u"Duolingo"_s, productivity};
        QTest::newRow("food is shopping") << AppStoreEntry{now, true, u"Starbucks"_s, u"Food & Drink"_s, 6023, {}} << AppStoreAnswer{u"Starbucks"_s, shopping};
        QTest::newRow("games") << AppStoreEntry{now, true, u"Chess"_s, u"Games"_s, 6014, {u"Games"_s, u"Board"_s}} << AppStoreAnswer{u"Chess"_s, games};
        QTest::newRow("game subgenre as the primary") << AppStoreEntry{now, true, u"Q"_s, u"Puzzle"_s, 7012, {}} << AppStoreAnswer{u"Q"_s, games};
        QTest::newRow("sports game") << AppStoreEntry{now, true, u"Pool"_s, u"Sports"_s, 7016, {u"Sports"_s, u"Games"_s}} << AppStoreAnswer{u"Pool"_s, games};
        QTest::newRow("sports app") << AppStoreEntry{now, true, u"ESPN"_s, u"Sports"_s, 6004, {u"Sports"_s}} << AppStoreAnswer{u"ESPN"_s, entertainment};
        QTest::newRow("localised genre, by number") << AppStoreEntry{now, true, u"X"_s, u"Réseaux sociaux"_s, 6005, {}} << AppStoreAnswer{u"X"_s, social};
        QTest::newRow("lifestyle is other") << AppStoreEntry{now, true, u"Zillow"_s, u"Lifestyle"_s, 6012, {}} << AppStoreAnswer{u"Zillow"_s, other};
        QTest::newRow("unknown genre is other") << AppStoreEntry{now, true, u"X"_s, u"Holograms"_s, 9999, {}} << AppStoreAnswer{u"X"_s, other};
        // clang-format on
    }
    void answerFromEntry()
    {
        QFETCH(AppStoreEntry, entry);
        QFETCH(AppStoreAnswer, answer);
        QCOMPARE(AppStoreAnswer::from(entry), std::optional(answer));
        QCOMPARE(AppStoreAnswer::from(AppStoreEntry{}), std::nullopt);
    }
    void sendsOnlyUnknownIdentifiersInBatches()
    {
        Lookup lookUp;
        // A known app, web clips, a repeat and an empty identifier are never sent; 50 a request.
        const QStringList unknown
                = u"com.shazam.Shazam pinterest com.acme.internal.expenses com.tencent.xin com.booking.BookingApp"_s
                          .split(u' ')
                + expand(u"com.acme.app*50"_s);
        const AppStoreOutcome outcome = lookUp(
                u"com.apple.mobilephone|https://example.com/a|HTTPS://example.com/b|com.shazam.Shazam||"_s
                        .split(u'|')
                + unknown);
        QCOMPARE(outcome.warning, QString());
        const QString target = u"/lookup?bundleId=%1&entity=software&country=us"_s;
        QCOMPARE(lookUp.standIn.requests(),
                 (QStringList{target.arg(unknown.mid(0, 50).join(u',')),
                              target.arg(unknown.mid(50).join(u','))}));
        QCOMPARE(outcome.answers.value(u"com.shazam.Shazam"_s),
                 (AppStoreAnswer{u"Shazam"_s, AppCategory::entertainment}));
        QCOMPARE(outcome.answers.size(), 4);
        QCOMPARE(lookUp.cache.load().value(u"com.acme.internal.expenses"_s).found, false);
    }
    // What a lookup of Shazam (and WeChat) asks and answers, with what the cache holds beforehand:
    // an entry of that age in days, or damaged bytes.
    void lookUp_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<AppStoreAccess>("access");
        QTest::addColumn<int>("ageDays"); // < 0: no entry
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("answers");
        using enum AppStoreAccess;
        // clang-format off
        QTest::newRow("error status") << u"fail"_s << online << -1 << false << QByteArray() << 1 << u" WeChat"_s;
        QTest::newRow("not a lookup answer") << u"garbage"_s << online << -1 << false << QByteArray() << 1 << u" WeChat"_s;
        QTest::newRow("no answer within the time-out") << u"slow"_s << online << -1 << false << QByteArray() << 1 << u" WeChat"_s;
        QTest::newRow("fresh answer reused") << u"answer"_s << online << 29 << true << QByteArray() << 0 << u"Old WeChat"_s;
        QTest::newRow("old answer asked again") << u"answer"_s << online << 31 << true << QByteArray() << 1 << u"Shazam WeChat"_s;
        QTest::newRow("fresh not found reused") << u"answer"_s << online << 1 << false << QByteArray() << 0 << u" WeChat"_s;
        QTest::newRow("old not found asked again") << u"answer"_s << online << 31 << false << QByteArray() << 1 << u"Shazam WeChat"_s;
        QTest::newRow("cache only keeps an old answer") << u"answer"_s << cacheOnly << 31 << true << QByteArray() << 0 << u"Old WeChat"_s;
        QTest::newRow("cache only, nothing kept") << u"answer"_s << cacheOnly << 0 << false << QByteArray() << 0 << u" WeChat"_s;
        QTest::newRow("no access ignores the cache") << u"answer"_s << none << 1 << true << QByteArray() << 0 << u" "_s;
        QTest::newRow("damaged: not JSON") << u"answer"_s << online << -1 << false << "{\"apps\": {"_ba << 1 << u"Shazam WeChat"_s;
        QTest::newRow("damaged: another version") << u"answer"_s << online << -1 << false << R"({"apps": {}, "schemaVersion": 2})"_ba << 1 << u"Shazam WeChat"_s;
        QTest::newRow("damaged: entry without a date") << u"answer"_s << online << -1 << false << R"({"apps": {"a.b": {"found": false}}, "schemaVersion": 1})"_ba << 1 << u"Shazam WeChat"_s;
        // clang-format on
    }
    void lookUp()
    {
        QFETCH(QString, mode);
        QFETCH(AppStoreAccess, access);
        QFETCH(int, ageDays);
        QFETCH(bool, found);
        QFETCH(QByteArray, damaged);
        QFETCH(int, requests);
        QFETCH(QString, answers);
        Lookup lookUp(mode);
        const QString shazam = u"com.shazam.Shazam"_s, weChat = u"com.tencent.xin"_s;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        AppStoreEntries entries{{weChat, {now, true, u"WeChat"_s, u"Social Networking"_s, 0, {}}}};
        if (ageDays >= 0)
            entries.insert(shazam, {now.addDays(-ageDays), found, u"Old"_s, u"Music"_s, 0, {}});
        lookUp.cache.save(entries);
        QVERIFY(damaged.isEmpty() || writeFile(lookUp.cache.path(), damaged));
        const QByteArray before = readFile(lookUp.cache.path());

        const bool failed = mode != u"answer"_s;
        const AppStoreOutcome outcome = lookUp({shazam, weChat}, access, failed ? 500 : 10000);
        QCOMPARE(outcome.answers.value(shazam).name + u' ' + outcome.answers.value(weChat).name,
                 answers);
        QCOMPARE(lookUp.standIn.requests().size(), requests);
        // A failing service leaves the cache as it was; a damaged one is set aside and rebuilt.
        QCOMPARE(outcome.warning,
                 failed ? u"Could not reach the App Store. Categories come from local rules."_s
                        : QString());
        QVERIFY(!failed || readFile(lookUp.cache.path()) == before);
        QByteArrayList aside;
        for (const QFileInfo &file :
             QFileInfo(lookUp.cache.path()).dir().entryInfoList({u"lookup-damaged-*.json"_s}))
            aside.append(readFile(file.filePath()));
        QCOMPARE(aside, damaged.isEmpty() ? QByteArrayList() : QByteArrayList{damaged});
        QVERIFY(damaged.isEmpty() || lookUp.cache.load().size() == 2);
    }
};

QTEST_GUILESS_MAIN(AppStoreTest)
#include "appstoretest.moc"
