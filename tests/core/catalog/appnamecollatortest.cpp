#include "appnamecollator.h"

#include <QTest>

using namespace Qt::StringLiterals;

class AppNameCollatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(AppNameCollatorTest)
#include "appnamecollatortest.moc"
