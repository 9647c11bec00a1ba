#include "organizer.h"

#include "varnoleterror.h"

#include <QTest>

#include <variant>

using namespace Qt::StringLiterals;

char *toString(const Layout &layout)
{
    return qstrdup(layout.cfgutilData().constData());
}

class OrganizerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void organize_data();
    void organize();
    void appOrder_data();
    void appOrder();
    void verifyProposal_data();
    void verifyProposal();
};

namespace {

const QString phone = u"com.apple.mobilephone"_s;
const QString messages = u"com.apple.MobileSMS"_s;
const QString safari = u"com.apple.mobilesafari"_s;
const QString spotify = u"com.spotify.client"_s;
const QString instagram = u"com.burbn.instagram"_s;
const QString facebook = u"com.facebook.Facebook"_s;
const QString notes = u"com.apple.mobilenotes"_s;
const QString calculator = u"com.apple.calculator"_s;
const QString mail = u"com.apple.mobilemail"_s;
const QString maps = u"com.apple.Maps"_s;
const QString inventoryChanged
        = u"The proposed layout changed the app inventory. Apply is blocked."_s;

const auto app = &LayoutItem::app;
const auto folder = &LayoutItem::folder;

LayoutPage apps(const QStringList &ids)
{
    LayoutPage page;
    for (const QString &id : ids)
        page.append(app(id));
    return page;
}

// Unknown apps named after `keyword` and numbered with three digits, so they sort in number order.
QStringList numberedApps(const QString &keyword, int count)
{
    QStringList ids;
    for (int i = 1; i <= count; ++i)
        ids.append(u"com.acme.%1%2"_s.arg(keyword).arg(i, 3, 10, QLatin1Char('0')));
    return ids;
}

QList<QStringList> chunks(const QStringList &ids, qsizetype size)
{
    QList<QStringList> result;
    for (qsizetype start = 0; start < ids.size(); start += size)
        result.append(ids.mid(start, size));
    return result;
}

// An empty Dock, then loose apps.
Layout homeScreenOf(const QStringList &ids, qsizetype perPage = 30)
{
    Layout layout({LayoutPage()});
    for (const QStringList &page : chunks(ids, perPage))
        layout.pages.append(apps(page));
    return layout;
}

SortOptions optionsWith(SortStyle style, int pageCapacity = 24, bool keepDock = true,
                        bool keepFirstPage = false)
{
    return {style, keepDock, keepFirstPage, pageCapacity};
}

QString errorOf(const std::function<void()> &run)
{
    try {
        run();
    } catch (const VarnoletError &error) {
        return error.message();
    }
    return QString();
}

// A row of organize(): the proposal expected, or the message of the error expected.
void addRow(const char *name, const Layout &original, const SortOptions &options,
            const std::variant<Layout, QString> &outcome, const AppNames &names = {},
            const CategoryOverrides &overrides = {})
{
    const auto *layout = std::get_if<Layout>(&outcome);
    const auto *message = std::get_if<QString>(&outcome);
    QTest::newRow(name) << original << options << names << overrides
                        << (layout ? *layout : Layout()) << (message ? *message : QString());
}

} // namespace

void OrganizerTest::organize_data()
{
    QTest::addColumn<Layout>("original");
    QTest::addColumn<SortOptions>("options");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<CategoryOverrides>("overrides");
    QTest::addColumn<Layout>("expected");
    QTest::addColumn<QString>("message");

    using enum SortStyle;
    const Layout example({apps({phone, messages, safari, spotify}),
                          apps({instagram, facebook, notes, calculator})});
    const LayoutPage dock = example.pages.first();
    addRow("worked example: categories", example, optionsWith(categories),
           Layout({dock,
                   {app(notes), folder(u"Social"_s, {{facebook, instagram}}), app(calculator)}}));
    addRow("worked example: alphabetical", example, optionsWith(alphabetical),
           Layout({dock, apps({calculator, facebook, instagram, notes})}));
    addRow("worked example: two-icon test", example, optionsWith(twoIconTest),
           Layout({dock, apps({facebook, instagram, notes, calculator})}));

    // The original is validated before anything else, the proposal before it is returned.
    addRow("Dock only", Layout({apps({phone})}), optionsWith(twoIconTest),
           u"Expected a Dock and at least one Home Screen page."_s);
    addRow("no apps, before the page size", Layout({LayoutPage(), LayoutPage()}),
           optionsWith(categories, 25), u"The layout is empty. Nothing will be applied."_s);
    // 1,620 apps fit in folders on two valid pages; as loose icons they need 102 pages of 16.
    const QStringList many = numberedApps(u"tool"_s, 1620);
    QList<LayoutPage> folderPages(3);
    const QList<QStringList> contents = chunks(many, 27);
    for (qsizetype i = 0; i < contents.size(); ++i)
        folderPages[1 + i / 30].append(folder(u"F"_s, chunks(contents.at(i), 9)));
    addRow("proposal over the page limit", Layout(folderPages), optionsWith(alphabetical, 16),
           u"Expected a Dock and at least one Home Screen page."_s);

    const QStringList tools = numberedApps(u"tool"_s, 40);
    QStringList swapped = tools;
    swapped.swapItemsAt(0, 1);
    addRow("16 a page", homeScreenOf(tools, 20), optionsWith(alphabetical, 16),
           homeScreenOf(tools, 16));
    addRow("25 a page", homeScreenOf(tools, 20), optionsWith(alphabetical, 25),
           u"Unsupported page size."_s);
    addRow("page size and kept pages play no part in the two-icon test", homeScreenOf(tools, 20),
           optionsWith(twoIconTest, 25, false, true), homeScreenOf(swapped, 20));

    const Layout dockAndOnePage({apps({phone, safari}), apps({notes, calculator, mail})});
    addRow("Dock and first page kept, nothing left to sort", dockAndOnePage,
           optionsWith(categories, 24, true, true), dockAndOnePage);
    addRow("no apps on the Home Screen", Layout({apps({phone, safari}), LayoutPage()}),
           optionsWith(alphabetical), Layout({apps({phone, safari}), LayoutPage()}));
    addRow("a Dock folder is unpacked",
           Layout({{folder(u"Talk"_s, {{phone}, {messages}})}, apps({calculator})}),
           optionsWith(categories, 24, false),
           Layout({LayoutPage(), {folder(u"Social"_s, {{messages, phone}}), app(calculator)}}));
    const LayoutPage mine{folder(u"Mine"_s, {{maps, mail}}), app(safari)};
    addRow("first page kept with its folder, later pages unpacked",
           Layout({apps({phone}), mine, {folder(u"Old"_s, {{notes}, {calculator}})}}),
           optionsWith(alphabetical, 24, true, true),
           Layout({apps({phone}), mine, apps({calculator, notes})}));
    addRow("first page kept, Dock sorted after it",
           Layout({apps({phone, safari}), apps({notes}), apps({calculator})}),
           optionsWith(alphabetical, 24, false, true),
           Layout({LayoutPage(), apps({notes}), apps({calculator, phone, safari})}));

    const SortOptions byCategory = optionsWith(categories, 30);
    const QStringList social = numberedApps(u"social"_s, 136);
    addRow("10 apps: two folder pages", homeScreenOf(social.first(10)), byCategory,
           Layout({LayoutPage(), {folder(u"Social"_s, {social.first(9), {social.at(9)}})}}));
    addRow("135 apps: one full folder", homeScreenOf(social.first(135)), byCategory,
           Layout({LayoutPage(), {folder(u"Social"_s, chunks(social.first(135), 9))}}));
    addRow("136 apps: a second folder for one app", homeScreenOf(social), byCategory,
           Layout({LayoutPage(),
                   {folder(u"Social"_s, chunks(social.first(135), 9)),
                    folder(u"Social 2"_s, {social.sliced(135)})}}));
    const QString chess = u"com.acme.chess"_s;
    const QString puzzle = u"com.acme.puzzle"_s;
    const QString website = u"https://example.com"_s;
    const QString thing = u"org.example.thing"_s;
    addRow("single apps stay loose, in category order",
           homeScreenOf({website, thing, mail, spotify, notes, instagram, chess, puzzle}),
           byCategory,
           Layout({LayoutPage(),
                   {folder(u"Productivity"_s, {{mail, notes}}), app(instagram), app(spotify),
                    folder(u"Games"_s, {{chess, puzzle}}), app(website), app(thing)}}));
    addRow("an override moves an app, not its name",
           homeScreenOf({instagram, calculator, facebook}), byCategory,
           Layout({LayoutPage(), {folder(u"Social"_s, {{calculator, facebook, instagram}})}}), {},
           {{calculator, AppCategory::social}});
    addRow("a device name decides an unknown app's category and place",
           homeScreenOf({u"com.acme.a"_s, u"com.acme.b"_s, instagram}), byCategory,
           Layout({LayoutPage(),
                   {folder(u"Social"_s, {{instagram, u"com.acme.a"_s}}), app(u"com.acme.b"_s)}}),
           {{u"com.acme.a"_s, u"Zoo Social"_s}, {u"com.acme.b"_s, u"Chess"_s}});
    addRow("the same app twice makes a group of two", homeScreenOf({maps, maps}), byCategory,
           Layout({LayoutPage(), {folder(u"Travel"_s, {{maps, maps}})}}));

    // The two-icon test swaps the first two loose apps of the first Home Screen page that has two.
    const LayoutItem box = folder(u"Box"_s, {{mail}});
    addRow("two-icon test: first page without two loose apps",
           Layout({apps({phone}), {box, app(notes)}, apps({maps, safari, spotify})}),
           optionsWith(twoIconTest),
           Layout({apps({phone}), {box, app(notes)}, apps({safari, maps, spotify})}));
    addRow("two-icon test: folders between stay",
           Layout({LayoutPage(), {app(notes), box, app(maps)}}), optionsWith(twoIconTest),
           Layout({LayoutPage(), {app(maps), box, app(notes)}}));
    addRow("two-icon test: the Dock is never touched",
           Layout({apps({phone, safari}), {app(notes), box}, apps({maps})}),
           optionsWith(twoIconTest),
           u"The two-icon test needs two loose app icons on the same Home Screen page."_s);
}

void OrganizerTest::organize()
{
    QFETCH(Layout, original);
    QFETCH(SortOptions, options);
    QFETCH(AppNames, names);
    QFETCH(CategoryOverrides, overrides);
    QFETCH(Layout, expected);
    QFETCH(QString, message);

    Layout result;
    QCOMPARE(errorOf([&] { result = Organizer::organize(original, options, names, overrides); }),
             message);
    QCOMPARE(result, expected);
}

// The app order: names as the Finder compares them; identical names by identifier; names that
// differ but compare equal in the order first met.
void OrganizerTest::appOrder_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<QStringList>("expected");

    const QString a = u"com.acme.a"_s;
    const QString b = u"com.acme.b"_s;
    const QString c = u"com.acme.c"_s;
    const auto row
            = [](const char *name, const QStringList &ids, const AppNames &names,
                 const QStringList &expected) { QTest::newRow(name) << ids << names << expected; };
    row("same name, by identifier", {b, a}, {{a, u"Same"_s}, {b, u"Same"_s}}, {a, b});
    row("digits by value", {a, b}, {{a, u"App 10"_s}, {b, u"App 2"_s}}, {b, a});
    row("case ignored", {a, b}, {{a, u"banana"_s}, {b, u"Apple"_s}}, {b, a});
    row("device name beats the known name", {calculator, notes}, {{notes, u"Aardvark"_s}},
        {notes, calculator});
    row("names equal but for case keep their order", {a, b}, {{a, u"apple"_s}, {b, u"Apple"_s}},
        {a, b});
    row("names equal but for case keep their order, reversed", {b, a},
        {{a, u"apple"_s}, {b, u"Apple"_s}}, {b, a});
    row("identical names by identifier, each name where it first appears", {c, b, a},
        {{c, u"apple"_s}, {b, u"Apple"_s}, {a, u"apple"_s}}, {a, c, b});
    row("repeated app stays repeated", {maps, calculator, maps}, {}, {calculator, maps, maps});
}

void OrganizerTest::appOrder()
{
    QFETCH(QStringList, ids);
    QFETCH(AppNames, names);
    QFETCH(QStringList, expected);

    const Layout result
            = Organizer::organize(homeScreenOf(ids), optionsWith(SortStyle::alphabetical), names);
    QCOMPARE(result.identifiers(), expected);
}

void OrganizerTest::verifyProposal_data()
{
    QTest::addColumn<Layout>("proposed");
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, const Layout &proposed, const QString &message) {
        QTest::newRow(name) << proposed << message;
    };
    row("reordered", Layout({apps({phone}), {folder(u"F"_s, {{maps}, {mail}})}}), QString());
    row("an app lost", Layout({apps({phone}), apps({maps})}), inventoryChanged);
    row("an app doubled instead of another", Layout({apps({phone}), apps({maps, maps})}),
        inventoryChanged);
    row("an app renamed in case", Layout({apps({phone}), apps({maps, u"com.apple.maps"_s})}),
        inventoryChanged);
    row("outside the limits first",
        Layout({apps({phone, maps, mail, notes, safari}), LayoutPage()}),
        u"The iPhone Dock contains more than four items."_s);
}

void OrganizerTest::verifyProposal()
{
    QFETCH(Layout, proposed);
    QFETCH(QString, message);

    const Layout original({apps({phone}), apps({mail, maps})});
    QCOMPARE(errorOf([&] { Organizer::verifyProposal(original, proposed); }), message);
}

QTEST_GUILESS_MAIN(OrganizerTest)
#include "organizertest.moc"
