#include "appcatalog.h"
#include "appnamecollator.h"
#include "layouttestsupport.h"
#include "organizer.h"
#include "sortstyle.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The short names the rows give these apps.
const QString known
        = u" a=com.acme.a b=com.acme.b c=com.acme.c phone=com.apple.mobilephone messages=com.apple.MobileSMS safari=com.apple.mobilesafari spotify=com.spotify.client instagram=com.burbn.instagram facebook=com.facebook.Facebook notes=com.apple.mobilenotes calculator=com.apple.calculator mail=com.apple.mobilemail maps=com.apple.Maps t=com.acme.tool s=com.acme.social website=https://example.com"_s;

// The text with each short name replaced by its app's identifier.
QString real(QString text)
{
    for (const QRegularExpressionMatch &pair :
         QRegularExpression(u" (\\w+)=(\\S+)"_s).globalMatch(known))
        text.replace(QRegularExpression(u"(?<![\\w.])%1(?![A-Za-z.:])"_s.arg(pair.captured(1))),
                     pair.captured(2));
    return text;
}

// "s*9-18/s*18-27": the apps up to `count` in runs of `size`.
QString runs(int count, int size, const QString &separator, const QString &app = u"s"_s)
{
    QStringList parts;
    for (int i = 0; i < count; i += size)
        parts.append(u"%1*%2-%3"_s.arg(app).arg(i).arg(qMin(count, i + size)));
    return parts.join(separator);
}

} // namespace

/// What the catalogue knows of each app, the order of names, and the organizer built on both.
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
            titles.append(AppCategories::title(category));
            QCOMPARE(AppCategories::fromTitle(titles.last()), std::optional(category));
        }
        for (SortStyle style : SortStyles::allCases()) {
            titles.append(SortStyles::title(style));
            QCOMPARE(SortStyles::fromTitle(titles.last()), std::optional(style));
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
        // Whatever the user's locale; CTest also runs this under C and German.
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
    // The proposal expected, or the sentence of the error (which ends in a full stop).
    void organize_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<SortOptions>("options");
        QTest::addColumn<AppNames>("names");
        QTest::addColumn<CategoryOverrides>("overrides");
        QTest::addColumn<QString>("expected");
        using enum SortStyle;
        const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
        const QString a = u"com.acme.a"_s, b = u"com.acme.b"_s, c = u"com.acme.c"_s;
        // clang-format off
        // The original is validated before anything else, the proposal before it is returned.
        QTest::newRow("Dock only") << u"phone"_s << SortOptions{twoIconTest} << AppNames() << CategoryOverrides() << pages;
        QTest::newRow("no apps, before the page size") << u"|"_s << SortOptions{categories, true, false, 25} << AppNames() << CategoryOverrides() << u"The layout is empty. Nothing will be applied."_s;
        // 1,620 apps fit in folders on two valid pages; as loose icons they need 102 pages of 16.
        QTest::newRow("proposal over the page limit") << QString(u"| "_s + u"F:t*9/t*9/t*9 "_s.repeated(30)).repeated(2) << SortOptions{alphabetical, true, false, 16} << AppNames() << CategoryOverrides() << pages;
        QTest::newRow("16 a page") << u"| t*20 | t*20-40"_s << SortOptions{alphabetical, true, false, 16} << AppNames() << CategoryOverrides() << u"| t*16 | t*16-32 | t*32-40"_s;
        QTest::newRow("25 a page") << u"| t*20 | t*20-40"_s << SortOptions{alphabetical, true, false, 25} << AppNames() << CategoryOverrides() << u"Unsupported page size."_s;
        QTest::newRow("page size and kept pages play no part in the two-icon test") << u"| t*20 | t*20-40"_s << SortOptions{twoIconTest, false, true, 25} << AppNames() << CategoryOverrides() << u"| t1 t0 t*2-20 | t*20-40"_s;
        QTest::newRow("Dock and first page kept, nothing left to sort") << u"phone safari | notes calculator mail"_s << SortOptions{categories, true, true, 24} << AppNames() << CategoryOverrides() << u"phone safari | notes calculator mail"_s;
        QTest::newRow("no apps on the Home Screen") << u"phone safari |"_s << SortOptions{alphabetical} << AppNames() << CategoryOverrides() << u"phone safari |"_s;
        QTest::newRow("a Dock folder is unpacked") << u"Talk:phone/messages | calculator"_s << SortOptions{categories, false, false, 24} << AppNames() << CategoryOverrides() << u"| Social:messages,phone calculator"_s;
        QTest::newRow("first page kept with its folder, later pages unpacked") << u"phone | Mine:maps,mail safari | Old:notes/calculator"_s << SortOptions{alphabetical, true, true, 24} << AppNames() << CategoryOverrides() << u"phone | Mine:maps,mail safari | calculator notes"_s;
        QTest::newRow("first page kept, Dock sorted after it") << u"phone safari | notes | calculator"_s << SortOptions{alphabetical, false, true, 24} << AppNames() << CategoryOverrides() << u"| notes | calculator phone safari"_s;
        QTest::newRow("10 apps: two folder pages") << u"| s*10"_s << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides() << u"| Social:s*9/s*9-10"_s;
        QTest::newRow("135 apps: one full folder") << u"| "_s + runs(135, 30, u" | "_s) << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides() << u"| Social:"_s + runs(135, 9, u"/"_s);
        QTest::newRow("136 apps: a second folder for one app") << u"| "_s + runs(136, 30, u" | "_s) << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides() << u"| Social:"_s + runs(135, 9, u"/"_s) + u" Social_2:s135"_s;
        QTest::newRow("single apps stay loose, in category order") << u"| website org.example.thing mail spotify notes instagram com.acme.chess com.acme.puzzle"_s << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides() << u"| Productivity:mail,notes instagram spotify Games:com.acme.chess,com.acme.puzzle website org.example.thing"_s;
        QTest::newRow("an override moves an app, not its name") << u"| instagram calculator facebook"_s << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides{{real(u"calculator"_s), AppCategory::social}} << u"| Social:calculator,facebook,instagram"_s;
        QTest::newRow("a device name decides an unknown app's category and place") << u"| com.acme.a com.acme.b instagram"_s << SortOptions{categories, true, false, 30} << AppNames{{u"com.acme.a"_s, u"Zoo Social"_s}, {u"com.acme.b"_s, u"Chess"_s}} << CategoryOverrides() << u"| Social:instagram,com.acme.a com.acme.b"_s;
        QTest::newRow("the same app twice makes a group of two") << u"| maps maps"_s << SortOptions{categories, true, false, 30} << AppNames() << CategoryOverrides() << u"| Travel:maps,maps"_s;
        // The two-icon test swaps the first two loose apps of the first Home Screen page that has two.
        QTest::newRow("two-icon test: first page without two loose apps") << u"phone | Box:mail notes | maps safari spotify"_s << SortOptions{twoIconTest} << AppNames() << CategoryOverrides() << u"phone | Box:mail notes | safari maps spotify"_s;
        QTest::newRow("two-icon test: folders between stay") << u"| notes Box:mail maps"_s << SortOptions{twoIconTest} << AppNames() << CategoryOverrides() << u"| maps Box:mail notes"_s;
        QTest::newRow("two-icon test: the Dock is never touched") << u"phone safari | notes Box:mail | maps"_s << SortOptions{twoIconTest} << AppNames() << CategoryOverrides() << u"The two-icon test needs two loose app icons on the same Home Screen page."_s;
        // Alphabetical: names as the Finder compares them; identical names by identifier; names that
        // differ but compare equal in the order first met.
        QTest::newRow("same name, by identifier") << u"| b a"_s << SortOptions{alphabetical} << AppNames{{a, u"Same"_s}, {b, u"Same"_s}} << CategoryOverrides() << u"| a b"_s;
        QTest::newRow("digits by value") << u"| a b"_s << SortOptions{alphabetical} << AppNames{{a, u"App 10"_s}, {b, u"App 2"_s}} << CategoryOverrides() << u"| b a"_s;
        QTest::newRow("case ignored") << u"| a b"_s << SortOptions{alphabetical} << AppNames{{a, u"banana"_s}, {b, u"Apple"_s}} << CategoryOverrides() << u"| b a"_s;
        QTest::newRow("device name beats the known name") << u"| calculator notes"_s << SortOptions{alphabetical} << AppNames{{real(u"notes"_s), u"Aardvark"_s}} << CategoryOverrides() << u"| notes calculator"_s;
        QTest::newRow("names equal but for case keep their order") << u"| a b"_s << SortOptions{alphabetical} << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << CategoryOverrides() << u"| a b"_s;
        QTest::newRow("names equal but for case keep their order, reversed") << u"| b a"_s << SortOptions{alphabetical} << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << CategoryOverrides() << u"| b a"_s;
        QTest::newRow("identical names by identifier, each name where it first appears") << u"| c b a"_s << SortOptions{alphabetical} << AppNames{{c, u"apple"_s}, {b, u"Apple"_s}, {a, u"apple"_s}} << CategoryOverrides() << u"| a c b"_s;
        QTest::newRow("repeated app stays repeated") << u"| maps calculator maps"_s << SortOptions{alphabetical} << AppNames() << CategoryOverrides() << u"| calculator maps maps"_s;
        // clang-format on
    }
    void organize()
    {
        QFETCH(QString, original);
        QFETCH(SortOptions, options);
        QFETCH(AppNames, names);
        QFETCH(CategoryOverrides, overrides);
        QFETCH(QString, expected);
        Layout result;
        const QString error = failureOf([&] {
            result = Organizer::organize(parse(real(original)), options, names, overrides);
        });
        QCOMPARE(error, expected.endsWith(u'.') ? expected : QString());
        QCOMPARE(result, error.isEmpty() ? parse(real(expected)) : Layout());
    }
};

QTEST_GUILESS_MAIN(AppCatalogTest)
#include "appcatalogtest.moc"
