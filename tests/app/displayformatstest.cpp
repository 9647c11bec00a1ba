#include "displayformats.h"

#include <QTest>

using namespace Qt::StringLiterals;

/// The window's locale formats: times with seconds and no zone, dates without weekday.
class DisplayFormatsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("dateTime");
        QTest::newRow("en_US") << u"en_US"_s << u"9:04:05 AM"_s << u"Mar 5, 2026 9:04:05 AM"_s;
        QTest::newRow("zone first") << u"zh_CN"_s << u"09:04:05"_s << u"2026年3月5日 09:04:05"_s;
        QTest::newRow("zone in brackets, quoted text")
                << u"es_ES"_s << u"9:04:05"_s << u"5 de mar de 2026 9:04:05"_s;
        QTest::newRow("weekday last") << u"hu_HU"_s << u"9:04:05"_s << u"2026. márc. 5. 9:04:05"_s;
    }

    // Written in the default locale, at a moment that tells every field's width apart.
    void formats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, time);
        QFETCH(QString, dateTime);
        QLocale::setDefault(QLocale(locale));
        const QDateTime moment(QDate(2026, 3, 5), QTime(9, 4, 5));
        QCOMPARE((QStringList{DisplayFormats().time(moment), DisplayFormats().dateTime(moment)}),
                 (QStringList{time, dateTime}));
    }

    void initial_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initial");
        QTest::newRow("flag") << u"🇩🇪 Deutsch"_s << u"🇩🇪"_s;
        QTest::newRow("family") << u"👨‍👩‍👧 Family"_s << u"👨‍👩‍👧"_s;
        QTest::newRow("combining accent") << u"e\u0301clair"_s << u"E\u0301"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void initial()
    {
        QFETCH(QString, name);
        QFETCH(QString, initial);
        QCOMPARE(DisplayFormats().initial(name), initial);
    }
};

QTEST_MAIN(DisplayFormatsTest)
#include "displayformatstest.moc"
