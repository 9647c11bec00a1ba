#include "layoutedits.h"
#include "layouttestsupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

using Edit = std::function<Layout(const Layout &)>;
using E = LayoutEdits;

// The edit `apply` with every argument but the layout given.
template<typename... Args>
Edit edit(Layout (*apply)(const Layout &, Args...),
          std::type_identity_t<std::decay_t<Args>>... args)
{
    return [=](const Layout &layout) { return apply(layout, args...); };
}

const QStringList refusalSentences
        = u"The Dock holds at most four items.|This folder is full.|Folders cannot go inside folders.|A folder needs a name.|This page is full.|That item is no longer there.|The Home Screen holds at most 100 pages.|Only an empty page can be removed.|The Home Screen needs at least one page."_s
                  .split(u'|');

// A valid layout: a Dock of up to four items and up to five pages of apps and folders.
Layout randomLayout(QRandomGenerator &random, int &serial)
{
    auto item = [&] {
        if (random.bounded(4) != 0)
            return LayoutItem::app(u"app.%1"_s.arg(serial++));
        QList<QStringList> pages(random.bounded(1, 4));
        for (QStringList &page : pages) {
            for (int i = random.bounded(1, 10); i > 0; --i)
                page.append(u"app.%1"_s.arg(serial++));
        }
        return LayoutItem::folder(u"Folder %1"_s.arg(serial), pages);
    };
    Layout layout({LayoutPage()});
    for (int i = random.bounded(5); i > 0; --i)
        layout.pages[0].append(item());
    for (int page = random.bounded(1, 6); page > 0; --page) {
        layout.pages.append(LayoutPage());
        for (int i = random.bounded(16); i > 0; --i)
            layout.pages.last().append(item());
    }
    layout.pages.last().append(item());
    return layout;
}

// Somewhere in `layout`, now and then an app inside a folder or a place that is not there.
LayoutPosition randomPosition(QRandomGenerator &random, const Layout &layout)
{
    LayoutPosition at{int(random.bounded(layout.pages.size())), 0};
    const LayoutPage &page = layout.pages.at(at.page);
    at.index = int(random.bounded(page.size() + 1));
    if (at.index < page.size() && page.at(at.index).isFolder() && random.bounded(2) == 0) {
        const QList<QStringList> &folderPages = page.at(at.index).folderPages();
        at.folderPage = int(random.bounded(folderPages.size()));
        at.folderIndex = int(random.bounded(folderPages.at(at.folderPage).size()));
    }
    return at;
}

} // namespace

class LayoutEditsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The layout the edit leaves, or the sentence of its refusal (which ends in a full stop).
    void edits_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Edit>("change");
        QTest::addColumn<QString>("expected");
        const QString hundred = u"d"_s + u"|a"_s.repeated(100);
        // clang-format off
        QTest::newRow("within a page") << "d | a b c" << edit(E::move, {1, 0}, 1, 2, 24) << "d | b c a";
        QTest::newRow("to another page") << "d | a b | c" << edit(E::move, {1, 0}, 2, 0, 24) << "d | b | a c";
        QTest::newRow("to the Dock") << "d | a b" << edit(E::move, {1, 1}, 0, 1, 24) << "d b | a";
        QTest::newRow("folder to the Dock") << "d | F:a,b c" << edit(E::move, {1, 0}, 0, 0, 24) << "F:a,b d | c";
        QTest::newRow("to a new page") << "d | a b" << edit(E::move, {1, 0}, 2, 0, 24) << "d | b | a";
        QTest::newRow("emptied page goes") << "d | a | b" << edit(E::move, {1, 0}, 2, 1, 24) << "d | b a";
        QTest::newRow("last page kept") << "a | b" << edit(E::move, {1, 0}, 0, 1, 24) << "a b |";
        QTest::newRow("out of a folder") << "d | F:a,b c" << edit(E::move, {1, 0, 0, 1}, 1, 2, 24) << "d | F:a c b";
        QTest::newRow("emptied folder page goes") << "d | F:a/b c" << edit(E::move, {1, 0, 1, 0}, 1, 2, 24) << "d | F:a c b";
        QTest::newRow("emptied folder goes") << "d | F:a c" << edit(E::move, {1, 0, 0, 0}, 1, 1, 24) << "d | c a";
        QTest::newRow("emptied folder frees its place") << "d | a*3 F:x" << edit(E::move, {1, 3, 0, 0}, 1, 3, 4) << "d | a*3 x";
        QTest::newRow("into a folder") << "d | a F:b" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("into a new folder page") << "d | a F:x*9" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "d | F:x*9/a";
        QTest::newRow("from folder to folder") << "d | F:a,b G:c" << edit(E::moveIntoFolder, {1, 0, 0, 0}, {1, 1}) << "d | F:b G:c,a";
        QTest::newRow("onto an app") << "d | com.burbn.instagram com.facebook.Facebook" << edit(E::makeFolder, {1, 1}, {1, 0}, {}, {}) << "d | Social:com.burbn.instagram,com.facebook.Facebook";
        QTest::newRow("onto an app after it") << "d | com.apple.calculator b com.burbn.instagram" << edit(E::makeFolder, {1, 0}, {1, 2}, {}, {}) << "d | b Folder:com.burbn.instagram,com.apple.calculator";
        QTest::newRow("onto a folder") << "d | a F:b" << edit(E::makeFolder, {1, 0}, {1, 1}, {}, {}) << "d | F:b,a";
        QTest::newRow("from a folder onto an app") << "d | F:a b" << edit(E::makeFolder, {1, 0, 0, 0}, {1, 1}, {}, {}) << "d | Other:b,a";
        QTest::newRow("rename") << "d | F:a" << edit(E::renameFolder, {1, 0}, u"  Games  "_s) << "d | Games:a";
        QTest::newRow("add a page") << "d | a" << Edit(E::addPage) << "d | a |";
        QTest::newRow("add the hundredth page") << hundred.chopped(2) << Edit(E::addPage) << hundred.chopped(1);
        QTest::newRow("remove an empty page") << "d | | a" << edit(E::removePage, 1) << "d | a";
        QTest::newRow("Dock full") << "a b c d | e" << edit(E::move, {1, 0}, 0, 0, 24) << "The Dock holds at most four items.";
        QTest::newRow("Dock full from a folder") << "a b c d | F:e,f" << edit(E::move, {1, 0, 0, 0}, 0, 4, 24) << "The Dock holds at most four items.";
        QTest::newRow("folder full") << "d | a F:x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "This folder is full.";
        QTest::newRow("folder into folder") << "d | F:a G:b" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("folder onto app") << "d | F:a b" << edit(E::makeFolder, {1, 0}, {1, 1}, {}, {}) << "Folders cannot go inside folders.";
        QTest::newRow("rename to blank") << "d | F:a" << edit(E::renameFolder, {1, 0}, u"   "_s) << "A folder needs a name.";
        QTest::newRow("page full") << "d | a*4 | b" << edit(E::move, {2, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("page full from its own folder") << "d | a*3 F:x,y" << edit(E::move, {1, 3, 0, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("thirty at most") << "d | a*30 | b" << edit(E::move, {2, 0}, 1, 0, 40) << "This page is full.";
        QTest::newRow("gone") << "d | a" << edit(E::move, {1, 1}, 1, 0, 24) << "That item is no longer there.";
        QTest::newRow("remove a full page") << "d | a | b" << edit(E::removePage, 1) << "Only an empty page can be removed.";
        QTest::newRow("remove the only page") << "d |" << edit(E::removePage, 1) << "The Home Screen needs at least one page.";
        QTest::newRow("add a 101st page") << hundred << Edit(E::addPage) << "The Home Screen holds at most 100 pages.";
        QTest::newRow("move to a 101st page") << hundred + u" b"_s << edit(E::move, {100, 1}, 101, 0, 24) << "The Home Screen holds at most 100 pages.";
        // clang-format on
    }
    void edits()
    {
        QFETCH(QString, layout);
        QFETCH(Edit, change);
        QFETCH(QString, expected);
        Layout edited;
        const QString refusal = failureOf([&] { edited = change(parse(layout)); });
        QCOMPARE(refusal, expected.endsWith(u'.') ? expected : QString());
        if (refusal.isEmpty())
            QCOMPARE(edited, parse(expected));
    }
    // Thousands of random edits of random layouts: every result validates and holds the same apps,
    // and every refusal is one of the edits' own sentences.
    void randomEditsKeepTheLayoutValid()
    {
        QRandomGenerator random(20261207);
        const QList<int> capacities{16, 20, 24, 28, 30};
        int serial = 0, applied = 0, refused = 0;
        for (int run = 0; run < 400; ++run) {
            Layout layout = randomLayout(random, serial);
            const auto inventory = layout.inventory();
            for (int step = 0; step < 40; ++step) {
                const LayoutPosition from = randomPosition(random, layout);
                const LayoutPosition to = randomPosition(random, layout);
                const int capacity = capacities.at(random.bounded(capacities.size()));
                const int page = int(random.bounded(layout.pages.size() + 1));
                const Edit move = edit(E::move, from, page, to.index, capacity);
                const Edit edits[] = {move,
                                      move,
                                      edit(E::moveIntoFolder, from, to),
                                      edit(E::makeFolder, from, to, {}, {}),
                                      edit(E::renameFolder, from, u"Renamed"_s),
                                      Edit(E::addPage),
                                      edit(E::removePage, to.page)};
                const QString refusal
                        = failureOf([&] { layout = edits[random.bounded(7)](layout); });
                QVERIFY2(refusal.isEmpty() || refusalSentences.contains(refusal),
                         qPrintable(refusal));
                ++(refusal.isEmpty() ? applied : refused);
                layout.validate();
                QCOMPARE(layout.inventory(), inventory);
            }
        }
        qInfo("%d random edits applied, %d refused", applied, refused);
        QVERIFY(applied > 3000);
    }
};

QTEST_GUILESS_MAIN(LayoutEditsTest)
#include "layouteditstest.moc"
