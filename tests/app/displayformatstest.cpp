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
        QTest::newRow("en_US") << u"en_US"_s << u"h:mm:ss AP"_s << u"MMM d, yyyy h:mm:ss AP"_s;
        QTest::newRow("zone first") << u"zh_CN"_s << u"HH:mm:ss"_s << u"yyyy年M月d日 HH:mm:ss"_s;
        QTest::newRow("zone in brackets, quoted text")
                << u"es_ES"_s << u"H:mm:ss"_s << u"d 'de' MMM 'de' yyyy H:mm:ss"_s;
        QTest::newRow("weekday last") << u"hu_HU"_s << u"H:mm:ss"_s << u"yyyy. MMM d. H:mm:ss"_s;
    }

    void formats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, time);
        QFETCH(QString, dateTime);
        QCOMPARE(DisplayFormats::timeFormat(QLocale(locale)), time);
        QCOMPARE(DisplayFormats::dateTimeFormat(QLocale(locale)), dateTime);
    }

    void writesInTheDefaultLocale()
    {
        QLocale::setDefault(QLocale(u"en_US"_s));
        const QDateTime moment(QDate(2026, 12, 5), QTime(15, 4, 5));
        const DisplayFormats formats;
        QCOMPARE(formats.time(moment), u"3:04:05 PM"_s);
        QCOMPARE(formats.dateTime(moment), u"Dec 5, 2026 3:04:05 PM"_s);
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
