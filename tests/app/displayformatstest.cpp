#include "displayformats.h"

#include <QTest>

using namespace Qt::StringLiterals;

/// The window's locale formats: times with seconds and no zone, dates without weekday, and a
/// name's initial as a whole character however many code points it takes.
class DisplayFormatsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("shown"); // the time, the date and time, the initial
        // clang-format off
        QTest::newRow("en_US, a flag") << u"en_US"_s << u"🇩🇪 Deutsch"_s << QStringList{u"9:04:05 AM"_s, u"Mar 5, 2026 9:04:05 AM"_s, u"🇩🇪"_s};
        QTest::newRow("zone first, a family") << u"zh_CN"_s << u"👨‍👩‍👧 Family"_s << QStringList{u"09:04:05"_s, u"2026年3月5日 09:04:05"_s, u"👨‍👩‍👧"_s};
        QTest::newRow("zone in brackets, quoted text, a combining accent") << u"es_ES"_s << u"e\u0301clair"_s << QStringList{u"9:04:05"_s, u"5 de mar de 2026 9:04:05"_s, u"E\u0301"_s};
        QTest::newRow("weekday last, no name") << u"hu_HU"_s << QString() << QStringList{u"9:04:05"_s, u"2026. márc. 5. 9:04:05"_s, QString()};
        // clang-format on
    }

    // Written in the default locale, at a moment that tells every field's width apart.
    void formats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, name);
        QFETCH(QStringList, shown);
        QLocale::setDefault(QLocale(locale));
        const QDateTime moment(QDate(2026, 3, 5), QTime(9, 4, 5));
        const DisplayFormats formats;
        QCOMPARE((QStringList{formats.time(moment), formats.dateTime(moment),
                              formats.initial(name)}),
                 shown);
    }
};

QTEST_MAIN(DisplayFormatsTest)
#include "displayformatstest.moc"
