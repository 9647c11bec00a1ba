#include "windowharness.h"

#include <QFile>
#include <QQmlComponent>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

/// Opens the window offscreen and walks it through every section and pop-up, failing on any QML
/// warning or error: binding loops, undefined properties, missing components or glyphs.
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
        QCOMPARE(harness.text(u"topBarTitle"_s), section);
    }
    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    if (harness.model().hasOriginal()) {
        for (const QString &style : harness.model().styles())
            QCOMPARE(harness.click(u"segment-"_s + style), QString());
        QCOMPARE(harness.click(u"segment-Original"_s), QString());
        harness.scrollToEnd(u"organizeScroller"_s);
        QCOMPARE(harness.click(
                         {u"nextPage"_s, u"segment-Proposed"_s, u"segment-Category folders"_s}),
                 QString());
        QCOMPARE(harness.clickItem(harness.items(u"folder-"_s).value(0)), QString());
        harness.pressKey(Qt::Key_Escape);
        QCOMPARE(harness.choose(u"pageCapacityPicker"_s, 0), QString());
    }
    harness.model().setShowApplyConfirmation(true);
    harness.settle();
    QVERIFY(harness.isShown(u"applyConfirmationTitle"_s));
    QCOMPARE(harness.click(u"applyConfirmationCancel"_s), QString());
    QCOMPARE(harness.warnings(), QStringList());
}

// Every SF Symbols name of the map resolves to a glyph file the window carries, so no icon can
// silently go missing on a screen the other tests do not visit.
void WindowLoadTest::everySymbolHasABundledGlyph()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QQmlComponent probe(qmlEngine(harness.window()));
    probe.setData("import QtQml\nimport Varnolet\nQtObject {\n"
                  "    property var glyphs: Symbols.glyphs\n"
                  "    property var categorySymbols: Symbols.categorySymbols\n"
                  "    property var sectionSymbols: Symbols.sectionSymbols\n"
                  "    function path(name, weight) { return Symbols.path(name, weight) }\n"
                  "}\n"_ba,
                  QUrl());
    std::unique_ptr<QObject> symbols(probe.create());
    QVERIFY2(symbols, qPrintable(probe.errorString()));
    const QVariantMap glyphs = symbols->property("glyphs").toMap();
    QVERIFY(glyphs.size() >= 30);
    for (auto glyph = glyphs.cbegin(); glyph != glyphs.cend(); ++glyph) {
        bool found = false;
        for (const QString &weight : {u"ultraLight"_s, u"light"_s, u"regular"_s, u"semibold"_s}) {
            QVariant path;
            QVERIFY(QMetaObject::invokeMethod(symbols.get(), "path", Q_RETURN_ARG(QVariant, path),
                                              Q_ARG(QVariant, glyph.key()),
                                              Q_ARG(QVariant, weight)));
            found = found || QFile::exists(path.toString());
        }
        QVERIFY2(found, qPrintable(glyph.key()));
    }
    const QStringList categories = harness.model().categories();
    const QVariantMap categorySymbols = symbols->property("categorySymbols").toMap();
    for (const QString &category : categories)
        QVERIFY2(glyphs.contains(categorySymbols.value(category).toString()), qPrintable(category));
    const QVariantMap sectionSymbols = symbols->property("sectionSymbols").toMap();
    for (const QString &section : harness.model().sections())
        QVERIFY2(glyphs.contains(sectionSymbols.value(section).toString()), qPrintable(section));
}

QTEST_MAIN(WindowLoadTest)
#include "windowloadtest.moc"
