#include "windowharness.h"

#include <QFile>
#include <QQmlComponent>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

/// Opens the window offscreen and walks it through every section; the harness fails the test on
/// any QML warning: binding loops, undefined properties, missing components or glyphs.
class WindowLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySectionLoadsWithoutWarnings_data();
    void everySectionLoadsWithoutWarnings();
    void everySymbolHasABundledGlyph();
};

void WindowLoadTest::everySectionLoadsWithoutWarnings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing loaded") << QStringList();
    QTest::newRow("demo") << QStringList{u"--demo"_s};
}

void WindowLoadTest::everySectionLoadsWithoutWarnings()
{
    QFETCH(QStringList, arguments);
    WindowHarness harness(arguments);
    QVERIFY(harness.isValid());
    QCOMPARE((QVariantList{harness.window()->title(), harness.window()->minimumSize()}),
             (QVariantList{u"Varnolet"_s, QSize(1040, 720)}));

    for (const QString &section :
         {u"Organize"_s, u"Saved layouts"_s, u"Connection"_s, u"Activity"_s}) {
        QCOMPARE(harness.click(u"sidebar-"_s + section), QString());
        QCOMPARE(harness.state({u"topBarTitle.text"_s, u"sidebar-"_s + section + u".current"_s,
                                u"sidebar-Organize.current"_s}),
                 (QVariantList{section, true, section == u"Organize"_s}));
    }
}

// Every symbol of the map, and those of every category and section, resolves to a glyph file the
// window carries, so no icon can silently go missing on a screen the other tests do not visit.
void WindowLoadTest::everySymbolHasABundledGlyph()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QQmlComponent probe(qmlEngine(harness.window()));
    probe.setData(
            "import QtQml\nimport Varnolet\nQtObject {\n"
            "    required property var categories\n    required property var sections\n"
            "    property var names: Object.keys(Symbols.glyphs).concat(\n"
            "        categories.map(name => Symbols.categorySymbols[name]),\n"
            "        sections.map(name => Symbols.sectionSymbols[name]))\n"
            "    property var paths: names.map(name => [name].concat(['ultraLight', 'light',\n"
            "        'regular', 'semibold'].map(weight => Symbols.path(name, weight))))\n"
            "}\n"_ba,
            QUrl());
    std::unique_ptr<QObject> symbols(
            probe.createWithInitialProperties({{u"categories"_s, harness.model().categories()},
                                               {u"sections"_s, harness.model().sections()}}));
    QVERIFY2(symbols, qPrintable(probe.errorString()));
    const QVariantList symbolPaths = symbols->property("paths").toList();
    QVERIFY(symbolPaths.size() >= 30);
    for (const QVariant &entry : symbolPaths) {
        const QStringList paths = entry.toStringList();
        QVERIFY2(std::any_of(paths.begin() + 1, paths.end(),
                             [](const QString &path) { return QFile::exists(path); }),
                 qPrintable(paths[0]));
    }
}

QTEST_MAIN(WindowLoadTest)
#include "windowloadtest.moc"
