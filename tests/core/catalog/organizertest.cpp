#include "organizer.h"

#include "appcatalog.h"
#include "appnamecollator.h"
#include "jsoncodec.h"
#include "varnoleterror.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

char *toString(const Layout &layout)
{
    return qstrdup(layout.cfgutilData().constData());
}

char *toString(const LayoutItem &item)
{
    return qstrdup(JsonCodec::encode(item.json()).constData());
}

class OrganizerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample_data();
    void workedExample();
    void invalidOriginal_data();
    void invalidOriginal();
    void pageCapacity_data();
    void pageCapacity();
    void keptPages_data();
    void keptPages();
    void categoryFolders_data();
    void categoryFolders();
    void appOrder_data();
    void appOrder();
    void twoIconTest_data();
    void twoIconTest();
    void proposalOverLimits();
    void verifyProposal_data();
    void verifyProposal();
    void everyProposalIsSound();
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

LayoutPage apps(const QStringList &ids)
{
    LayoutPage page;
    for (const QString &id : ids)
        page.append(LayoutItem::app(id));
    return page;
}

LayoutItem folder(const QString &name, const QList<QStringList> &pages)
{
    return LayoutItem::folder(name, pages);
}

// `count` unknown apps whose identifiers carry `keyword`, numbered from 1 with three digits so
// that their names sort in numbering order.
QStringList numberedApps(const QString &keyword, int count)
{
    QStringList ids;
    for (int i = 1; i <= count; ++i)
        ids.append(u"com.acme.%1%2"_s.arg(keyword).arg(i, 3, 10, QLatin1Char('0')));
    return ids;
}

// Loose app pages of at most 30 items each.
QList<LayoutPage> pagesOf(const QStringList &ids)
{
    QList<LayoutPage> pages;
    for (qsizetype start = 0; start < ids.size(); start += 30)
        pages.append(apps(ids.mid(start, 30)));
    return pages;
}

QList<QStringList> chunks(const QStringList &ids, qsizetype size)
{
    QList<QStringList> result;
    for (qsizetype start = 0; start < ids.size(); start += size)
        result.append(ids.mid(start, size));
    return result;
}

SortOptions optionsWith(SortStyle style, int pageCapacity = 24, bool keepDock = true,
                        bool keepFirstPage = false)
{
    SortOptions options;
    options.style = style;
    options.pageCapacity = pageCapacity;
    options.keepDock = keepDock;
    options.keepFirstPage = keepFirstPage;
    return options;
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

Layout workedOriginal()
{
    return Layout({apps({phone, messages, safari, spotify}),
                   apps({instagram, facebook, notes, calculator})});
}

} // namespace

void OrganizerTest::workedExample_data()
{
    QTest::addColumn<SortStyle>("style");
    QTest::addColumn<Layout>("expected");

    const LayoutPage dock = apps({phone, messages, safari, spotify});
    QTest::newRow("categories") << SortStyle::categories
                                << Layout({dock,
                                           {LayoutItem::app(notes),
                                            folder(u"Social"_s, {{facebook, instagram}}),
                                            LayoutItem::app(calculator)}});
    QTest::newRow("alphabetical") << SortStyle::alphabetical
                                  << Layout({dock, apps({calculator, facebook, instagram, notes})});
    QTest::newRow("two-icon test")
            << SortStyle::twoIconTest
            << Layout({dock, apps({facebook, instagram, notes, calculator})});
}

void OrganizerTest::workedExample()
{
    QFETCH(SortStyle, style);
    QFETCH(Layout, expected);

    SortOptions options;
    options.style = style;
    QCOMPARE(Organizer::organize(workedOriginal(), options, {}, {}), expected);
}

void OrganizerTest::invalidOriginal_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<int>("pageCapacity");
    QTest::addColumn<QString>("message");

    QTest::newRow("Dock only") << Layout({apps({phone})}) << 24
                               << u"Expected a Dock and at least one Home Screen page."_s;
    QTest::newRow("five in the Dock")
            << Layout({apps({phone, messages, safari, spotify, mail}), apps({notes})}) << 24
            << u"The iPhone Dock contains more than four items."_s;
    QTest::newRow("no apps, before the page size")
            << Layout({LayoutPage(), LayoutPage()}) << 25
            << u"The layout is empty. Nothing will be applied."_s;
    QTest::newRow("bad folder")
            << Layout({apps({phone}), {folder(u" "_s, {{notes}, QStringList()})}}) << 24
            << u"Folder ‘ ’ is empty or exceeds supported iPhone folder limits."_s;
}

void OrganizerTest::invalidOriginal()
{
    QFETCH(Layout, layout);
    QFETCH(int, pageCapacity);
    QFETCH(QString, message);

    for (SortStyle style : SortStyles::allCases()) {
        const QString error = errorOf(
                [&] { Organizer::organize(layout, optionsWith(style, pageCapacity), {}, {}); });
        QCOMPARE(error, message);
    }
}

void OrganizerTest::pageCapacity_data()
{
    QTest::addColumn<SortStyle>("style");
    QTest::addColumn<int>("pageCapacity");
    QTest::addColumn<QList<qsizetype>>("pageSizes");
    QTest::addColumn<QString>("message");

    const QString unsupported = u"Unsupported page size."_s;
    QTest::newRow("16") << SortStyle::alphabetical << 16 << QList<qsizetype>{16, 16, 8}
                        << QString();
    QTest::newRow("20") << SortStyle::alphabetical << 20 << QList<qsizetype>{20, 20} << QString();
    QTest::newRow("24") << SortStyle::alphabetical << 24 << QList<qsizetype>{24, 16} << QString();
    QTest::newRow("28") << SortStyle::alphabetical << 28 << QList<qsizetype>{28, 12} << QString();
    QTest::newRow("30") << SortStyle::alphabetical << 30 << QList<qsizetype>{30, 10} << QString();
    QTest::newRow("25") << SortStyle::alphabetical << 25 << QList<qsizetype>() << unsupported;
    QTest::newRow("25, categories")
            << SortStyle::categories << 25 << QList<qsizetype>() << unsupported;
    QTest::newRow("0") << SortStyle::alphabetical << 0 << QList<qsizetype>() << unsupported;
    QTest::newRow("negative") << SortStyle::categories << -24 << QList<qsizetype>() << unsupported;
    QTest::newRow("31") << SortStyle::alphabetical << 31 << QList<qsizetype>() << unsupported;
    QTest::newRow("25, two-icon test")
            << SortStyle::twoIconTest << 25 << QList<qsizetype>{20, 20} << QString();
    QTest::newRow("0, two-icon test")
            << SortStyle::twoIconTest << 0 << QList<qsizetype>{20, 20} << QString();
}

void OrganizerTest::pageCapacity()
{
    QFETCH(SortStyle, style);
    QFETCH(int, pageCapacity);
    QFETCH(QList<qsizetype>, pageSizes);
    QFETCH(QString, message);

    const QStringList ids = numberedApps(u"tool"_s, 40);
    const Layout original({LayoutPage(), apps(ids.first(20)), apps(ids.sliced(20))});
    Layout result;
    const QString error = errorOf([&] {
        result = Organizer::organize(original, optionsWith(style, pageCapacity), {}, {});
    });
    QCOMPARE(error, message);
    if (!message.isEmpty())
        return;
    QList<qsizetype> sizes;
    for (const LayoutPage &page : result.pages.sliced(1))
        sizes.append(page.size());
    QCOMPARE(sizes, pageSizes);
}

void OrganizerTest::keptPages_data()
{
    QTest::addColumn<Layout>("original");
    QTest::addColumn<SortOptions>("options");
    QTest::addColumn<Layout>("expected");

    const Layout dockAndOnePage({apps({phone, safari}), apps({notes, calculator, mail})});
    for (SortStyle style : {SortStyle::alphabetical, SortStyle::categories}) {
        const QString title = SortStyles::title(style);
        const auto row = [&title](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(title + u": "_s + QLatin1StringView(name)));
        };
        row("keep the Dock and the first page, nothing left to sort")
                << dockAndOnePage << optionsWith(style, 24, true, true) << dockAndOnePage;
        row("no apps on the Home Screen")
                << Layout({apps({phone, safari}), LayoutPage()}) << optionsWith(style)
                << Layout({apps({phone, safari}), LayoutPage()});
        row("everything from the Dock")
                << Layout({apps({phone, safari}), LayoutPage()}) << optionsWith(style, 24, false)
                << Layout({LayoutPage(), apps({phone, safari})});
    }

    QTest::newRow("Dock apps join the sorted apps")
            << Layout({apps({safari, phone}), apps({calculator, maps})})
            << optionsWith(SortStyle::alphabetical, 24, false)
            << Layout({LayoutPage(), apps({calculator, maps, phone, safari})});
    QTest::newRow("a Dock folder is unpacked")
            << Layout({{folder(u"Talk"_s, {{phone}, {messages}})}, apps({calculator})})
            << optionsWith(SortStyle::alphabetical, 24, false)
            << Layout({LayoutPage(), apps({calculator, messages, phone})});
    QTest::newRow("first page kept with its folder, later pages unpacked")
            << Layout({apps({phone}),
                       {folder(u"Mine"_s, {{maps, mail}}), LayoutItem::app(safari)},
                       {folder(u"Old"_s, {{notes}, {calculator}})}})
            << optionsWith(SortStyle::alphabetical, 24, true, true)
            << Layout({apps({phone}),
                       {folder(u"Mine"_s, {{maps, mail}}), LayoutItem::app(safari)},
                       apps({calculator, notes})});
    QTest::newRow("first page kept, Dock sorted after it")
            << Layout({apps({phone, safari}), apps({notes}), apps({calculator})})
            << optionsWith(SortStyle::alphabetical, 24, false, true)
            << Layout({LayoutPage(), apps({notes}), apps({calculator, phone, safari})});
    QTest::newRow("first page kept, nothing after it, Dock moved")
            << Layout({apps({phone}), apps({notes})})
            << optionsWith(SortStyle::alphabetical, 24, false, true)
            << Layout({LayoutPage(), apps({notes}), apps({phone})});
    QTest::newRow("existing folders are unpacked and their names dropped")
            << Layout({apps({phone}),
                       {folder(u"Fun"_s, {{facebook}, {instagram}}), LayoutItem::app(notes)}})
            << optionsWith(SortStyle::categories)
            << Layout({apps({phone}),
                       {LayoutItem::app(notes), folder(u"Social"_s, {{facebook, instagram}})}});
}

void OrganizerTest::keptPages()
{
    QFETCH(Layout, original);
    QFETCH(SortOptions, options);
    QFETCH(Layout, expected);

    QCOMPARE(Organizer::organize(original, options, {}, {}), expected);
}

void OrganizerTest::categoryFolders_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<CategoryOverrides>("overrides");
    QTest::addColumn<QList<LayoutItem>>("items");

    const QStringList ten = numberedApps(u"social"_s, 10);
    QTest::newRow("10 apps: two folder pages")
            << ten << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Social"_s, {ten.first(9), ten.sliced(9)})};

    const QStringList exact = numberedApps(u"social"_s, 135);
    QTest::newRow("135 apps: one full folder")
            << exact << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Social"_s, chunks(exact, 9))};

    const QStringList over = numberedApps(u"social"_s, 136);
    QTest::newRow("136 apps: a second folder for one app")
            << over << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Social"_s, chunks(over.first(135), 9)),
                                 folder(u"Social 2"_s, {over.sliced(135)})};

    const QStringList games = numberedApps(u"game"_s, 280);
    QTest::newRow("280 apps: three folders")
            << games << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Games"_s, chunks(games.first(135), 9)),
                                 folder(u"Games 2"_s, chunks(games.sliced(135, 135), 9)),
                                 folder(u"Games 3"_s, chunks(games.sliced(270), 9))};

    QTest::newRow("single apps stay loose in category order")
            << QStringList{u"https://example.com"_s,
                           u"org.example.thing"_s,
                           mail,
                           spotify,
                           notes,
                           instagram,
                           u"com.acme.chess"_s,
                           u"com.acme.puzzle"_s}
            << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Productivity"_s, {{mail, notes}}),
                                 LayoutItem::app(instagram),
                                 LayoutItem::app(spotify),
                                 folder(u"Games"_s, {{u"com.acme.chess"_s, u"com.acme.puzzle"_s}}),
                                 LayoutItem::app(u"https://example.com"_s),
                                 LayoutItem::app(u"org.example.thing"_s)};

    QTest::newRow("an override moves an app, not its name")
            << QStringList{instagram, calculator, facebook} << AppNames()
            << CategoryOverrides{{calculator, AppCategory::social}}
            << QList<LayoutItem>{folder(u"Social"_s, {{calculator, facebook, instagram}})};
    QTest::newRow("an override to the same category changes nothing")
            << QStringList{instagram, facebook} << AppNames()
            << CategoryOverrides{{facebook, AppCategory::social}}
            << QList<LayoutItem>{folder(u"Social"_s, {{facebook, instagram}})};
    QTest::newRow("a device name decides an unknown app's category and place")
            << QStringList{u"com.acme.a"_s, u"com.acme.b"_s, instagram}
            << AppNames{{u"com.acme.a"_s, u"Zoo Social"_s}, {u"com.acme.b"_s, u"Chess"_s}}
            << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Social"_s, {{instagram, u"com.acme.a"_s}}),
                                 LayoutItem::app(u"com.acme.b"_s)};
    QTest::newRow("the same app twice makes a group of two")
            << QStringList{maps, maps} << AppNames() << CategoryOverrides()
            << QList<LayoutItem>{folder(u"Travel"_s, {{maps, maps}})};
}

void OrganizerTest::categoryFolders()
{
    QFETCH(QStringList, ids);
    QFETCH(AppNames, names);
    QFETCH(CategoryOverrides, overrides);
    QFETCH(QList<LayoutItem>, items);

    QList<LayoutPage> pages = pagesOf(ids);
    pages.prepend(LayoutPage());
    const Layout result = Organizer::organize(Layout(pages), optionsWith(SortStyle::categories, 30),
                                              names, overrides);
    QCOMPARE(result.pages.size(), 2);
    QCOMPARE(result.pages.at(0), LayoutPage());
    QCOMPARE(result.pages.at(1).size(), items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        QCOMPARE(result.pages.at(1).at(i), items.at(i));
}

void OrganizerTest::appOrder_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<QStringList>("expected");

    const QString a = u"com.acme.a"_s;
    const QString b = u"com.acme.b"_s;
    const QString c = u"com.acme.c"_s;
    QTest::newRow("same name, by identifier")
            << QStringList{b, a} << AppNames{{a, u"Same"_s}, {b, u"Same"_s}} << QStringList{a, b};
    QTest::newRow("digits by value")
            << QStringList{a, b} << AppNames{{a, u"App 10"_s}, {b, u"App 2"_s}}
            << QStringList{b, a};
    QTest::newRow("case ignored") << QStringList{a, b}
                                  << AppNames{{a, u"banana"_s}, {b, u"Apple"_s}}
                                  << QStringList{b, a};
    QTest::newRow("device name beats the known name")
            << QStringList{calculator, notes} << AppNames{{notes, u"Aardvark"_s}}
            << QStringList{notes, calculator};
    QTest::newRow("names equal but for case keep their order")
            << QStringList{a, b} << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << QStringList{a, b};
    QTest::newRow("names equal but for case keep their order, reversed")
            << QStringList{b, a} << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << QStringList{b, a};
    QTest::newRow("identical names by identifier, each name where it first appears")
            << QStringList{c, b, a} << AppNames{{c, u"apple"_s}, {b, u"Apple"_s}, {a, u"apple"_s}}
            << QStringList{a, c, b};
    QTest::newRow("repeated app stays repeated")
            << QStringList{maps, calculator, maps} << AppNames()
            << QStringList{calculator, maps, maps};
    QTest::newRow("fallback names")
            << QStringList{u"org.example.zeta"_s, u"org.example.Alpha"_s} << AppNames()
            << QStringList{u"org.example.Alpha"_s, u"org.example.zeta"_s};
}

void OrganizerTest::appOrder()
{
    QFETCH(QStringList, ids);
    QFETCH(AppNames, names);
    QFETCH(QStringList, expected);

    const Layout result = Organizer::organize(Layout({LayoutPage(), apps(ids)}),
                                              optionsWith(SortStyle::alphabetical), names, {});
    QCOMPARE(result.identifiers(), expected);
}

void OrganizerTest::twoIconTest_data()
{
    QTest::addColumn<Layout>("original");
    QTest::addColumn<Layout>("expected");

    const LayoutItem box = folder(u"Box"_s, {{mail}});
    QTest::newRow("first page without two loose apps")
            << Layout({apps({phone}), {box, LayoutItem::app(notes)}, apps({maps, safari, spotify})})
            << Layout({apps({phone}),
                       {box, LayoutItem::app(notes)},
                       apps({safari, maps, spotify})});
    QTest::newRow("folders between stay")
            << Layout({LayoutPage(),
                       {LayoutItem::app(notes), box, LayoutItem::app(maps),
                        LayoutItem::app(safari)}})
            << Layout({LayoutPage(),
                       {LayoutItem::app(maps), box, LayoutItem::app(notes),
                        LayoutItem::app(safari)}});
    QTest::newRow("the Dock is never touched")
            << Layout({apps({phone, safari}), apps({notes, maps})})
            << Layout({apps({phone, safari}), apps({maps, notes})});
    QTest::newRow("the same app twice") << Layout({LayoutPage(), apps({maps, maps})})
                                        << Layout({LayoutPage(), apps({maps, maps})});
}

void OrganizerTest::twoIconTest()
{
    QFETCH(Layout, original);
    QFETCH(Layout, expected);

    // The other options play no part in the two-icon test.
    QCOMPARE(Organizer::organize(original, optionsWith(SortStyle::twoIconTest), {}, {}), expected);
    QCOMPARE(Organizer::organize(original, optionsWith(SortStyle::twoIconTest, 7, false, true), {},
                                 {}),
             expected);
}

void OrganizerTest::proposalOverLimits()
{
    // 1,620 apps fit in folders on two pages, but as loose icons need 102 pages of 16.
    const QStringList ids = numberedApps(u"tool"_s, 1620);
    const QList<QStringList> folderContents = chunks(ids, 27);
    QList<LayoutPage> pages = {LayoutPage(), LayoutPage(), LayoutPage()};
    for (qsizetype i = 0; i < folderContents.size(); ++i)
        pages[1 + i / 30].append(folder(u"F"_s, chunks(folderContents.at(i), 9)));
    const Layout original(pages);
    original.validate();

    QCOMPARE(errorOf([&] {
                 Organizer::organize(original, optionsWith(SortStyle::alphabetical, 16), {}, {});
             }),
             u"Expected a Dock and at least one Home Screen page."_s);
    QCOMPARE(Organizer::organize(original, optionsWith(SortStyle::alphabetical, 20), {}, {})
                     .pageCount(),
             81);
}

void OrganizerTest::verifyProposal_data()
{
    QTest::addColumn<Layout>("proposed");
    QTest::addColumn<QString>("message");

    const QString changed = u"The proposed layout changed the app inventory. Apply is blocked."_s;
    QTest::newRow("reordered") << Layout({apps({phone}), {folder(u"F"_s, {{maps}, {mail}})}})
                               << QString();
    QTest::newRow("an app lost") << Layout({apps({phone}), apps({maps})}) << changed;
    QTest::newRow("an app added") << Layout({apps({phone}), apps({maps, mail, notes})}) << changed;
    QTest::newRow("an app doubled instead of another")
            << Layout({apps({phone}), apps({maps, maps})}) << changed;
    QTest::newRow("an app renamed in case")
            << Layout({apps({phone}), apps({maps, u"com.apple.maps"_s})}) << changed;
    QTest::newRow("outside the limits first")
            << Layout({apps({phone, maps, mail, notes, safari}), LayoutPage()})
            << u"The iPhone Dock contains more than four items."_s;
}

void OrganizerTest::verifyProposal()
{
    QFETCH(Layout, proposed);
    QFETCH(QString, message);

    const Layout original({apps({phone}), apps({mail, maps})});
    QCOMPARE(errorOf([&] { Organizer::verifyProposal(original, proposed); }), message);
}

namespace {

Layout randomLayout(QRandomGenerator &random, const QStringList &pool)
{
    const auto pick = [&] { return pool.at(random.bounded(int(pool.size()))); };
    const auto randomFolder = [&] {
        QList<QStringList> pages(random.bounded(1, 3));
        for (QStringList &page : pages) {
            for (int i = random.bounded(1, 10); i > 0; --i)
                page.append(pick());
        }
        return folder(u"Folder"_s, pages);
    };
    const auto randomItem
            = [&] { return random.bounded(5) == 0 ? randomFolder() : LayoutItem::app(pick()); };

    Layout layout;
    layout.pages.append(LayoutPage());
    for (int i = random.bounded(5); i > 0; --i)
        layout.pages[0].append(randomItem());
    for (int p = random.bounded(1, 5); p > 0; --p) {
        LayoutPage page;
        for (int i = random.bounded(21); i > 0; --i)
            page.append(randomItem());
        layout.pages.append(page);
    }
    if (layout.identifiers().isEmpty())
        layout.pages[1].append(LayoutItem::app(pick()));
    return layout;
}

// Consecutive apps must never be out of the app order.
void checkAppOrder(const QStringList &ids, const AppNames &names)
{
    const AppNameCollator collator;
    for (qsizetype i = 1; i < ids.size(); ++i) {
        const QString previous = AppCatalog::info(ids.at(i - 1), names).name;
        const QString current = AppCatalog::info(ids.at(i), names).name;
        const int order = collator.compare(previous, current);
        QVERIFY2(order <= 0, qPrintable(previous + u" before "_s + current));
        if (previous == current)
            QVERIFY2(ids.at(i - 1) <= ids.at(i),
                     qPrintable(ids.at(i - 1) + u" before "_s + ids.at(i)));
    }
}

void checkCategoryItems(const QList<LayoutItem> &items, const AppNames &names,
                        const CategoryOverrides &overrides)
{
    const QList<AppCategory> order = AppCategories::allCases();
    qsizetype lastCategory = -1;
    QString lastFolder;
    for (const LayoutItem &item : items) {
        const AppCategory category = item.isFolder()
                ? AppCategories::fromTitle(item.name().section(u' ', 0, 0)).value()
                : AppCatalog::info(item.identifier(), names, overrides).category;
        const qsizetype position = order.indexOf(category);
        QVERIFY(position >= lastCategory);
        if (position == lastCategory) {
            // Only a full folder is followed by another folder of the same category.
            QVERIFY(item.isFolder() && !lastFolder.isEmpty());
            QCOMPARE(items.at(items.indexOf(item) - 1).identifiers().size(), 135);
        }
        if (item.isFolder()) {
            QVERIFY(item.identifiers().size() >= 2 || position == lastCategory);
            for (const QStringList &page : item.folderPages())
                QVERIFY(page.size() <= 9);
            for (qsizetype p = 0; p + 1 < item.folderPages().size(); ++p)
                QCOMPARE(item.folderPages().at(p).size(), 9);
            for (const QString &id : item.identifiers())
                QCOMPARE(AppCatalog::info(id, names, overrides).category, category);
            checkAppOrder(item.identifiers(), names);
        }
        lastCategory = position;
        lastFolder = item.isFolder() ? item.name() : QString();
    }
}

} // namespace

// Random layouts, every style and option: each proposal passes the iPhone's limits, holds the
// same apps as the original, keeps what it was asked to keep and is in order.
void OrganizerTest::everyProposalIsSound()
{
    QStringList pool = AppCatalog::demo().layout.identifiers().first(30);
    pool += numberedApps(u"game"_s, 5) + numberedApps(u"bank"_s, 5);
    pool += {u"https://example.com/a"_s, u"https://example.org"_s, u"org.example.tool"_s,
             u"org.example.Tool"_s, u"local"_s};
    const AppNames names = {{pool.at(0), u"App 10"_s},         {pool.at(1), u"App 2"_s},
                            {pool.at(2), u"apple"_s},          {pool.at(3), u"Apple"_s},
                            {pool.at(4), u"Éclair"_s},         {pool.at(5), u"eclair"_s},
                            {u"org.example.tool"_s, u"Tool"_s}};
    const CategoryOverrides overrides
            = {{pool.at(6), AppCategory::websites}, {u"local"_s, AppCategory::games}};

    for (quint32 seed = 1; seed <= 30; ++seed) {
        QRandomGenerator random(seed);
        const Layout original = randomLayout(random, pool);
        original.validate();
        for (SortStyle style : SortStyles::allCases()) {
            for (int capacity : SortOptions::supportedPageCapacities()) {
                for (int keep = 0; keep < 4; ++keep) {
                    const SortOptions options = optionsWith(style, capacity, keep & 1, keep & 2);
                    const QByteArray context = "seed " + QByteArray::number(seed) + ", "
                            + SortStyles::title(style).toUtf8() + ", capacity "
                            + QByteArray::number(capacity) + ", keep " + QByteArray::number(keep);
                    Layout result;
                    const QString error = errorOf([&] {
                        result = Organizer::organize(original, options, names, overrides);
                    });
                    if (style == SortStyle::twoIconTest && !error.isEmpty()) {
                        QCOMPARE(
                                error,
                                u"The two-icon test needs two loose app icons on the same Home Screen page."_s);
                        continue;
                    }
                    QVERIFY2(error.isEmpty(),
                             qPrintable(error + u" at "_s + QString::fromUtf8(context)));

                    result.validate();
                    QVERIFY2(result.inventory() == original.inventory(), context.constData());
                    if (style == SortStyle::twoIconTest) {
                        QCOMPARE(result.pages.size(), original.pages.size());
                        QCOMPARE(result.pages.constFirst(), original.pages.constFirst());
                        continue;
                    }

                    QCOMPARE(result.pages.constFirst(),
                             options.keepDock ? original.pages.constFirst() : LayoutPage());
                    const qsizetype kept = options.keepFirstPage ? 2 : 1;
                    if (options.keepFirstPage)
                        QCOMPARE(result.pages.at(1), original.pages.at(1));
                    QList<LayoutItem> sorted;
                    for (qsizetype p = kept; p < result.pages.size(); ++p) {
                        QVERIFY(result.pages.at(p).size() <= capacity);
                        if (p + 1 < result.pages.size())
                            QCOMPARE(result.pages.at(p).size(), capacity);
                        sorted += result.pages.at(p);
                    }
                    if (style == SortStyle::alphabetical) {
                        QStringList ids;
                        for (const LayoutItem &item : std::as_const(sorted)) {
                            QVERIFY(!item.isFolder());
                            ids.append(item.identifier());
                        }
                        checkAppOrder(ids, names);
                    } else {
                        checkCategoryItems(sorted, names, overrides);
                    }
                    if (QTest::currentTestFailed())
                        QFAIL(context.constData());
                }
            }
        }
    }
}

QTEST_GUILESS_MAIN(OrganizerTest)
#include "organizertest.moc"
