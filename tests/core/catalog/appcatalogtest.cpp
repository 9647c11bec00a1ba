#include "appcatalog.h"
#include "appnamecollator.h"
#include "sortstyle.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

char *toString(AppCategory category)
{
    return QTest::toString(AppCategories::title(category));
}

class AppCatalogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void info_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<std::optional<QString>>("deviceName");
        QTest::addColumn<std::optional<AppCategory>>("override");
        QTest::addColumn<QString>("name");
        QTest::addColumn<AppCategory>("category");
        using enum AppCategory;
        const auto row = [](const char *label, const QString &id, const QString &name,
                            AppCategory category, const std::optional<QString> &deviceName = {},
                            std::optional<AppCategory> override = {}) {
            QTest::newRow(label) << id << deviceName << override << name << category;
        };
        // clang-format off
        // Known apps whose category no keyword would find.
        row("known: Wallet", u"com.apple.Passbook"_s, u"Wallet"_s, money);
        row("known, named by the device", u"com.apple.mobilephone"_s, u"Telefon"_s, social, u"Telefon"_s);
        row("known, device name with a keyword keeps the known category", u"com.apple.Music"_s, u"Bank"_s, entertainment, u"Bank"_s);
        row("known, overridden", u"com.apple.mobilephone"_s, u"Phone"_s, games, {}, games);
        row("known keys match case exactly", u"COM.APPLE.MOBILEPHONE"_s, u"MOBILEPHONE"_s, other);
        // The first rule with a keyword anywhere in the identifier or name wins.
        row("travel before entertainment", u"com.acme.mapsmusic"_s, u"mapsmusic"_s, travel);
        row("games before money", u"com.acme.chessbank"_s, u"chessbank"_s, games);
        row("rule order, not position in the text", u"com.acme.notes"_s, u"Weather Notes Fitness"_s, health, u"Weather Notes Fitness"_s);
        row("device name lower-cased", u"com.acme.ledger"_s, u"My BANK"_s, money, u"My BANK"_s);
        row("identifier keyword beside a device name", u"com.acme.bankapp"_s, u"Ledger"_s, money, u"Ledger"_s);
        row("keyword at the very end, last rule", u"com.acme.x"_s, u"Safari"_s, utilities, u"Safari"_s);
        row("no keyword", u"org.example.widgetizer"_s, u"widgetizer"_s, other);
        row("override beats a keyword", u"com.acme.game"_s, u"game"_s, money, {}, money);
        row("trailing dots", u"com.example.tool.."_s, u"tool"_s, other);
        row("dots only", u"..."_s, u"..."_s, other);
        // Web clips: named by their host, never matched against keywords.
        row("website", u"https://game.example.com/page?q=1"_s, u"game.example.com"_s, websites);
        row("plain http website", u"http://news.example.org:8080/"_s, u"news.example.org"_s, websites);
        row("website without a host", u"https://"_s, u"https://"_s, websites);
        row("website, overridden", u"https://example.com"_s, u"example.com"_s, shopping, {}, shopping);
        row("capital scheme is no website", u"HTTPS://www.example.com/game"_s, u"com/game"_s, games);
        // App Store answers: after the device's names and the known categories, before keywords.
        row("App Store name over the known name", u"com.apple.stocks"_s, u"Stocks Live"_s, money);
        row("device name over the App Store's", u"com.acme.answered"_s, u"Mine"_s, social, u"Mine"_s);
        row("App Store genre over keywords", u"com.acme.gamebank"_s, u"Gamebank"_s, shopping);
        row("App Store Other leaves it to keywords", u"com.acme.chesslife"_s, u"Chess Life"_s, games);
        row("override over the App Store genre", u"com.acme.answered"_s, u"Answered"_s, money, {}, money);
        // clang-format on
    }

    void info()
    {
        QFETCH(QString, id);
        QFETCH(std::optional<QString>, deviceName);
        QFETCH(std::optional<AppCategory>, override);
        QFETCH(QString, name);
        QFETCH(AppCategory, category);
        AppNames names{{u"com.acme.other"_s, u"Game"_s}};
        if (deviceName)
            names.insert(id, *deviceName);
        CategoryOverrides overrides{{u"com.acme.other"_s, AppCategory::games}};
        if (override)
            overrides.insert(id, *override);
        const AppStoreAnswers answers{
                {u"com.apple.stocks"_s, {u"Stocks Live"_s, AppCategory::games}},
                {u"com.acme.answered"_s, {u"Answered"_s, AppCategory::social}},
                {u"com.acme.gamebank"_s, {u"Gamebank"_s, AppCategory::shopping}},
                {u"com.acme.chesslife"_s, {u"Chess Life"_s, AppCategory::other}}};
        const AppInfo info = AppCatalog::info(id, names, overrides, answers);
        QCOMPARE(info.id, id);
        QCOMPARE(info.name, name);
        QCOMPARE(info.category, category);
    }

    // The demo: a full Dock and pages of 20, 74 different apps, every one a known app.
    void demoLayout()
    {
        const ParsedLayout demo = AppCatalog::demo();
        QVERIFY(demo.names.isEmpty());
        demo.layout.validate();
        QList<qsizetype> pageSizes;
        for (const LayoutPage &page : demo.layout.pages)
            pageSizes.append(page.size());
        QCOMPARE(pageSizes, QList<qsizetype>({4, 20, 20, 20, 10}));
        const QStringList ids = demo.layout.identifiers();
        QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 74);
        for (const QString &id : ids)
            QVERIFY2(AppCatalog::info(id).category != AppCategory::other, qPrintable(id));
    }

    // A title is how a category or style is stored, exactly; groups come in this order.
    void titles()
    {
        QStringList titles;
        for (AppCategory category : AppCategories::allCases()) {
            titles.append(AppCategories::id(category));
            QCOMPARE(AppCategories::fromTitle(AppCategories::title(category)),
                     std::optional(category));
        }
        for (SortStyle style : SortStyles::allCases()) {
            titles.append(SortStyles::id(style));
            QCOMPARE(SortStyles::fromTitle(SortStyles::title(style)), std::optional(style));
        }
        QCOMPARE(
                titles.join(u','),
                u"Productivity,Social,Entertainment,Games,Money,Shopping,Travel,Health,Creativity,Utilities,Websites,Other,Category folders,Alphabetical,Two-icon test"_s);
        for (const QString &text : {u"productivity"_s, u"SOCIAL"_s, u" Games"_s, QString(),
                                    u"globe"_s, u"twoIconTest"_s, u"alphabetical"_s}) {
            QVERIFY(!AppCategories::fromTitle(text));
            QVERIFY(!SortStyles::fromTitle(text));
        }
    }

    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void order_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        // The order must hold whatever locale the user has; CTest also runs this under C and
        // German.
        const std::pair<const char *, QLocale> locales[]
                = {{"environment", QLocale::system()},
                   {"C", QLocale::c()},
                   {"German", QLocale(QLocale::German, QLocale::Germany)}};
        for (const auto &[label, locale] : locales) {
            const auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s: %s", label, name) << locale;
            };
            // clang-format off
            row("digits by value") << u"App 2"_s << u"App 10"_s << -1;
            row("digits by value, mid-name") << u"a10b"_s << u"a9c"_s << 1;
            row("letters before case") << u"apple"_s << u"Banana"_s << -1;
            row("case ignored") << u"apple"_s << u"APPLE"_s << 0;
            row("accent counts") << u"resume"_s << u"résumé"_s << -1;
            row("accent after letters") << u"résumé"_s << u"resumes"_s << -1;
            row("prefix first") << u"Note"_s << u"Notes"_s << -1;
            // clang-format on
        }
        // A locale with rules of its own keeps them.
        QTest::newRow("Swedish: Ö after Z")
                << QLocale(QLocale::Swedish) << u"Ölstuga"_s << u"Zebra"_s << 1;
        QTest::newRow("German: Ö with O")
                << QLocale(QLocale::German) << u"Ölstuga"_s << u"Zebra"_s << -1;
    }

    // The organizer sorts by keys, so keys must order exactly as compare() does.
    void order()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QLocale::setDefault(locale);
        const AppNameCollator collator;
        const auto sign = [](int value) { return (value > 0) - (value < 0); };
        QCOMPARE(sign(collator.compare(a, b)), expected);
        QCOMPARE(sign(collator.compare(b, a)), -expected);
        QCOMPARE(collator(a, b), expected < 0);
        QCOMPARE(sign(collator.sortKey(a).compare(collator.sortKey(b))), expected);
    }
};

QTEST_GUILESS_MAIN(AppCatalogTest)
#include "appcatalogtest.moc"
