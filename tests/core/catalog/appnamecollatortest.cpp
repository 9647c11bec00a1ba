#include "appnamecollator.h"

#include <QTest>

using namespace Qt::StringLiterals;

class AppNameCollatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void order_data();
    void order();
    void sortKeysAgree_data();
    void sortKeysAgree();
    void followsLocale();
    void defaultLocale_data();
    void defaultLocale();
};

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

void AppNameCollatorTest::cleanup()
{
    QLocale::setDefault(QLocale::system());
}

void AppNameCollatorTest::order_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");

    // The order must hold whatever locale the user has; CTest runs this in several.
    const QList<std::pair<QString, QLocale>> locales = {
            {u"environment"_s, QLocale::system()},
            {u"C"_s, QLocale::c()},
            {u"English"_s, QLocale(QLocale::English, QLocale::UnitedStates)},
            {u"German"_s, QLocale(QLocale::German, QLocale::Germany)},
    };
    for (const auto &[label, locale] : locales) {
        const auto row = [&label, &locale](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(label + u": "_s + QLatin1StringView(name))) << locale;
        };
        row("digits by value") << u"App 2"_s << u"App 10"_s << -1;
        row("digits by value, mid-name") << u"a10b"_s << u"a9c"_s << 1;
        row("letters before case") << u"apple"_s << u"Banana"_s << -1;
        row("upper-case first letter") << u"Zebra"_s << u"apple"_s << 1;
        row("case ignored") << u"apple"_s << u"APPLE"_s << 0;
        row("leading zeros ignored") << u"Track 02"_s << u"Track 2"_s << 0;
        row("accent counts") << u"resume"_s << u"résumé"_s << -1;
        row("accent after letters") << u"résumé"_s << u"resumes"_s << -1;
        row("prefix first") << u"Note"_s << u"Notes"_s << -1;
        row("empty first") << QString() << u"a"_s << -1;
    }
}

void AppNameCollatorTest::order()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);

    QLocale::setDefault(locale);
    const AppNameCollator collator;
    QCOMPARE(sign(collator.compare(a, b)), expected);
    QCOMPARE(sign(collator.compare(b, a)), -expected);
    QCOMPARE(collator(a, b), expected < 0);
}

void AppNameCollatorTest::sortKeysAgree_data()
{
    order_data();
}

// The organizer sorts by keys; a key order that differs from compare() would misplace apps.
void AppNameCollatorTest::sortKeysAgree()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);

    QLocale::setDefault(locale);
    const AppNameCollator collator;
    QCOMPARE(sign(collator.sortKey(a).compare(collator.sortKey(b))), expected);
}

void AppNameCollatorTest::followsLocale()
{
    // Swedish sorts Ö after Z; German sorts it with O.
    const AppNameCollator swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    const AppNameCollator german(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY(swedish.compare(u"Ölstuga"_s, u"Zebra"_s) > 0);
    QVERIFY(german.compare(u"Ölstuga"_s, u"Zebra"_s) < 0);
    QCOMPARE(swedish.locale().language(), QLocale::Swedish);
}

void AppNameCollatorTest::defaultLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QLocale::Language>("collation");

    QTest::newRow("Swedish") << QLocale(QLocale::Swedish) << QLocale::Swedish;
    QTest::newRow("German") << QLocale(QLocale::German) << QLocale::German;
    QTest::newRow("C collates as English") << QLocale::c() << QLocale::English;
}

void AppNameCollatorTest::defaultLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QLocale::Language, collation);

    QLocale::setDefault(locale);
    QCOMPARE(AppNameCollator().locale().language(), collation);
    QCOMPARE(AppNameCollator::collationLocale(locale).language(), collation);
}

QTEST_GUILESS_MAIN(AppNameCollatorTest)
#include "appnamecollatortest.moc"
