#include "appcatalog.h"

#include <QSet>
#include <QTest>

#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

char *toString(AppCategory category)
{
    return QTest::toString(AppCategories::title(category));
}

class AppCatalogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstUseFromManyThreads();
    void info_data();
    void info();
    void knownApps_data();
    void knownApps();
    void demoLayout();
    void demoAppsAreKnown();
};

// Runs first, so that the tables are built while several threads ask for them at once.
void AppCatalogTest::firstUseFromManyThreads()
{
    constexpr int threadCount = 8;
    std::vector<AppInfo> infos(threadCount);
    std::vector<ParsedLayout> demos(threadCount);
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([i, &infos, &demos] {
            infos[i] = AppCatalog::info(i % 2 ? u"com.apple.Maps"_s : u"com.acme.flightlog"_s);
            demos[i] = AppCatalog::demo();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (int i = 0; i < threadCount; ++i) {
        QCOMPARE(infos[i].category, AppCategory::travel);
        QCOMPARE(infos[i].name, i % 2 ? u"Maps"_s : u"flightlog"_s);
        QCOMPARE(demos[i].layout, demos[0].layout);
    }
    QCOMPARE(demos[0].layout.identifiers().size(), 74);
}

void AppCatalogTest::info_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<CategoryOverrides>("overrides");
    QTest::addColumn<QString>("name");
    QTest::addColumn<AppCategory>("category");

    const QString phone = u"com.apple.mobilephone"_s;
    QTest::newRow("known") << phone << AppNames() << CategoryOverrides() << u"Phone"_s
                           << AppCategory::social;
    QTest::newRow("known, named by the device")
            << phone << AppNames{{phone, u"Telefon"_s}} << CategoryOverrides() << u"Telefon"_s
            << AppCategory::social;
    QTest::newRow("known, device name with a keyword keeps the known category")
            << u"com.apple.Music"_s << AppNames{{u"com.apple.Music"_s, u"Bank"_s}}
            << CategoryOverrides() << u"Bank"_s << AppCategory::entertainment;
    QTest::newRow("known, overridden")
            << phone << AppNames() << CategoryOverrides{{phone, AppCategory::games}} << u"Phone"_s
            << AppCategory::games;
    QTest::newRow("known, device name given as empty")
            << phone << AppNames{{phone, QString()}} << CategoryOverrides() << QString()
            << AppCategory::social;
    QTest::newRow("known keys match case exactly")
            << u"COM.APPLE.MOBILEPHONE"_s << AppNames() << CategoryOverrides() << u"MOBILEPHONE"_s
            << AppCategory::other;
    QTest::newRow("override for another app has no effect")
            << phone << AppNames() << CategoryOverrides{{u"com.apple.Maps"_s, AppCategory::games}}
            << u"Phone"_s << AppCategory::social;

    QTest::newRow("earlier rule wins")
            << u"com.acme.mapsmusic"_s << AppNames() << CategoryOverrides() << u"mapsmusic"_s
            << AppCategory::travel;
    QTest::newRow("games before money")
            << u"com.acme.chessbank"_s << AppNames() << CategoryOverrides() << u"chessbank"_s
            << AppCategory::games;
    QTest::newRow("rule order, not position in the text")
            << u"com.acme.notes"_s << AppNames{{u"com.acme.notes"_s, u"Weather Notes Fitness"_s}}
            << CategoryOverrides() << u"Weather Notes Fitness"_s << AppCategory::health;
    QTest::newRow("device name lower-cased before matching")
            << u"com.acme.ledger"_s << AppNames{{u"com.acme.ledger"_s, u"My BANK"_s}}
            << CategoryOverrides() << u"My BANK"_s << AppCategory::money;
    QTest::newRow("identifier lower-cased before matching")
            << u"com.acme.TravelPal"_s << AppNames() << CategoryOverrides() << u"TravelPal"_s
            << AppCategory::travel;
    QTest::newRow("identifier keyword counts beside a device name")
            << u"com.acme.bankapp"_s << AppNames{{u"com.acme.bankapp"_s, u"Ledger"_s}}
            << CategoryOverrides() << u"Ledger"_s << AppCategory::money;
    QTest::newRow("keyword inside a word")
            << u"com.acme.workshop"_s << AppNames() << CategoryOverrides() << u"workshop"_s
            << AppCategory::shopping;
    QTest::newRow("keyword stem") << u"com.acme.meditationtimer"_s << AppNames()
                                  << CategoryOverrides() << u"meditationtimer"_s
                                  << AppCategory::health;
    QTest::newRow("last rule") << u"com.acme.vault"_s
                               << AppNames{{u"com.acme.vault"_s, u"Password Vault"_s}}
                               << CategoryOverrides() << u"Password Vault"_s
                               << AppCategory::utilities;
    QTest::newRow("keyword at the very end")
            << u"com.acme.x"_s << AppNames{{u"com.acme.x"_s, u"Zoom"_s}} << CategoryOverrides()
            << u"Zoom"_s << AppCategory::productivity;
    QTest::newRow("no keyword") << u"org.example.widgetizer"_s << AppNames() << CategoryOverrides()
                                << u"widgetizer"_s << AppCategory::other;
    QTest::newRow("unknown, overridden")
            << u"org.example.widgetizer"_s << AppNames()
            << CategoryOverrides{{u"org.example.widgetizer"_s, AppCategory::travel}}
            << u"widgetizer"_s << AppCategory::travel;
    QTest::newRow("override beats a keyword")
            << u"com.acme.game"_s << AppNames()
            << CategoryOverrides{{u"com.acme.game"_s, AppCategory::money}} << u"game"_s
            << AppCategory::money;
    QTest::newRow("non-ASCII name")
            << u"com.acme.x"_s << AppNames{{u"com.acme.x"_s, u"ÜBERSETZER"_s}}
            << CategoryOverrides() << u"ÜBERSETZER"_s << AppCategory::other;

    QTest::newRow("one piece") << u"localapp"_s << AppNames() << CategoryOverrides()
                               << u"localapp"_s << AppCategory::other;
    QTest::newRow("trailing dots") << u"com.example.tool.."_s << AppNames() << CategoryOverrides()
                                   << u"tool"_s << AppCategory::other;
    QTest::newRow("dots only") << u"..."_s << AppNames() << CategoryOverrides() << u"..."_s
                               << AppCategory::other;
    QTest::newRow("empty identifier")
            << QString() << AppNames() << CategoryOverrides() << QString() << AppCategory::other;

    QTest::newRow("website") << u"https://www.example.com/page?q=1"_s << AppNames()
                             << CategoryOverrides() << u"www.example.com"_s
                             << AppCategory::websites;
    QTest::newRow("plain http website")
            << u"http://news.example.org:8080/"_s << AppNames() << CategoryOverrides()
            << u"news.example.org"_s << AppCategory::websites;
    QTest::newRow("website with a keyword")
            << u"https://game.example.com"_s << AppNames() << CategoryOverrides()
            << u"game.example.com"_s << AppCategory::websites;
    QTest::newRow("website without a host") << u"https://"_s << AppNames() << CategoryOverrides()
                                            << u"https://"_s << AppCategory::websites;
    QTest::newRow("website that is no URL")
            << u"http://exa mple.com"_s << AppNames() << CategoryOverrides()
            << u"http://exa mple.com"_s << AppCategory::websites;
    QTest::newRow("website named by the device")
            << u"https://example.com"_s << AppNames{{u"https://example.com"_s, u"Example"_s}}
            << CategoryOverrides() << u"Example"_s << AppCategory::websites;
    QTest::newRow("website, overridden")
            << u"https://example.com"_s << AppNames()
            << CategoryOverrides{{u"https://example.com"_s, AppCategory::shopping}}
            << u"example.com"_s << AppCategory::shopping;
    QTest::newRow("capital scheme is no website")
            << u"HTTPS://www.example.com/game"_s << AppNames() << CategoryOverrides()
            << u"com/game"_s << AppCategory::games;
    QTest::newRow("other scheme is no website")
            << u"ftp://files.example.org"_s << AppNames() << CategoryOverrides() << u"org"_s
            << AppCategory::other;
}

void AppCatalogTest::info()
{
    QFETCH(QString, id);
    QFETCH(AppNames, names);
    QFETCH(CategoryOverrides, overrides);
    QFETCH(QString, name);
    QFETCH(AppCategory, category);

    const AppInfo info = AppCatalog::info(id, names, overrides);
    QCOMPARE(info.id, id);
    QCOMPARE(info.name, name);
    QCOMPARE(info.category, category);
}

void AppCatalogTest::knownApps_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<AppCategory>("category");

    QTest::newRow("Messages") << u"com.apple.MobileSMS"_s << u"Messages"_s << AppCategory::social;
    QTest::newRow("Safari") << u"com.apple.mobilesafari"_s << u"Safari"_s << AppCategory::utilities;
    QTest::newRow("Photos") << u"com.apple.mobileslideshow"_s << u"Photos"_s
                            << AppCategory::creativity;
    QTest::newRow("Wallet") << u"com.apple.Passbook"_s << u"Wallet"_s << AppCategory::money;
    QTest::newRow("App Store") << u"com.apple.AppStore"_s << u"App Store"_s
                               << AppCategory::utilities;
    QTest::newRow("Files") << u"com.apple.DocumentsApp"_s << u"Files"_s
                           << AppCategory::productivity;
    QTest::newRow("X") << u"com.atebits.Tweetie2"_s << u"X"_s << AppCategory::social;
    QTest::newRow("Disney+") << u"com.disney.disneyplus"_s << u"Disney+"_s
                             << AppCategory::entertainment;
    QTest::newRow("Twitch") << u"tv.twitch"_s << u"Twitch"_s << AppCategory::entertainment;
    QTest::newRow("eBay") << u"com.ebay.iphone"_s << u"eBay"_s << AppCategory::shopping;
    QTest::newRow("Lyft") << u"com.zimride.instant"_s << u"Lyft"_s << AppCategory::travel;
    QTest::newRow("Chase") << u"com.chase"_s << u"Chase"_s << AppCategory::money;
    QTest::newRow("Slack") << u"com.tinyspeck.chatlyio"_s << u"Slack"_s
                           << AppCategory::productivity;
    QTest::newRow("Notion") << u"notion.id"_s << u"Notion"_s << AppCategory::productivity;
    QTest::newRow("Outlook") << u"com.microsoft.Office.Outlook"_s << u"Outlook"_s
                             << AppCategory::productivity;
    QTest::newRow("Headspace") << u"com.getsomeheadspace.headspace"_s << u"Headspace"_s
                               << AppCategory::health;
    QTest::newRow("Pokémon GO") << u"com.nianticlabs.pokemongo"_s << u"Pokémon GO"_s
                                << AppCategory::games;
    QTest::newRow("Candy Crush") << u"com.king.candycrushsaga"_s << u"Candy Crush"_s
                                 << AppCategory::games;
}

void AppCatalogTest::knownApps()
{
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(AppCategory, category);

    const AppInfo info = AppCatalog::info(id, {}, {});
    QCOMPARE(info.name, name);
    QCOMPARE(info.category, category);
}

void AppCatalogTest::demoLayout()
{
    const ParsedLayout demo = AppCatalog::demo();
    const Layout &layout = demo.layout;
    QVERIFY(demo.names.isEmpty());
    layout.validate();

    QList<qsizetype> pageSizes;
    for (const LayoutPage &page : layout.pages)
        pageSizes.append(page.size());
    QCOMPARE(pageSizes, QList<qsizetype>({4, 20, 20, 20, 10}));
    QCOMPARE(layout.folderCount(), 0);

    const QStringList ids = layout.identifiers();
    QCOMPARE(ids.size(), 74);
    QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 74);
    QCOMPARE(ids.first(4),
             QStringList({u"com.apple.mobilephone"_s, u"com.apple.MobileSMS"_s,
                          u"com.apple.mobilesafari"_s, u"com.spotify.client"_s}));
    QCOMPARE(ids.sliced(4, 5),
             QStringList({u"com.atebits.Tweetie2"_s, u"com.king.candycrushsaga"_s,
                          u"com.apple.camera"_s, u"com.apple.Music"_s, u"notion.id"_s}));

    // After the Dock the apps run in ascending order of their identifiers read backwards.
    const auto backwards = [](QString id) {
        std::reverse(id.begin(), id.end());
        return id;
    };
    for (qsizetype i = 5; i < ids.size(); ++i)
        QVERIFY2(backwards(ids.at(i - 1)) < backwards(ids.at(i)), qPrintable(ids.at(i)));

    QCOMPARE(AppCatalog::demo().layout, layout);
}

// The demo holds every known app, so it shows how the table places them: no app falls to the
// fallbacks (a keyword category, Other), and each category holds its share of the 74.
void AppCatalogTest::demoAppsAreKnown()
{
    QHash<AppCategory, int> counts;
    for (const QString &id : AppCatalog::demo().layout.identifiers())
        ++counts[AppCatalog::info(id).category];
    const QHash<AppCategory, int> expected = {
            {AppCategory::productivity, 14}, {AppCategory::social, 15},
            {AppCategory::entertainment, 9}, {AppCategory::games, 4},
            {AppCategory::money, 7},         {AppCategory::shopping, 3},
            {AppCategory::travel, 6},        {AppCategory::health, 5},
            {AppCategory::creativity, 4},    {AppCategory::utilities, 7},
    };
    QCOMPARE(counts, expected);
}

QTEST_GUILESS_MAIN(AppCatalogTest)
#include "appcatalogtest.moc"
