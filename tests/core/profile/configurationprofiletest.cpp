#include "profile/configurationprofile.h"
#include "profile/propertylist.h"
#include "varnoleterror.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A Dock of two apps, a page with a two-page folder and a web clip, and an empty page.
Layout sample()
{
    return Layout({{LayoutItem::app(u"com.apple.mobilephone"_s), LayoutItem::app(u"a&b<c>"_s)},
                   {LayoutItem::folder(u"Social “Fun”"_s, {{u"com.burbn.instagram"_s}, {u"x.y"_s}}),
                    LayoutItem::app(u"https://example.com/a?b=1&c=2"_s)},
                   {}});
}

QVariantMap payloadOf(const QByteArray &profile)
{
    return PropertyList::read(profile).toMap().value(u"PayloadContent"_s).toList().value(0).toMap();
}

QByteArray profileWith(const QString &dock, const QString &pages)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>
<key>PayloadContent</key><array><dict>
<key>PayloadType</key><string>com.apple.homescreenlayout</string>
<key>Dock</key><array>%1</array><key>Pages</key><array>%2</array>
</dict></array></dict></plist>)"_s.arg(dock, pages)
            .toUtf8();
}

const QString app = u"<dict><key>Type</key><string>App</string>"
                    u"<key>BundleID</key><string>com.apple.mobilesafari</string></dict>"_s;

} // namespace

class ConfigurationProfileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTheLayoutAndReadsItBack()
    {
        const QByteArray profile = ConfigurationProfile::write(sample());
        QCOMPARE(ConfigurationProfile::read(profile), sample());

        const QVariantMap outer = PropertyList::read(profile).toMap();
        const QVariantMap payload = payloadOf(profile);
        QCOMPARE(outer.value(u"PayloadType"_s), u"Configuration"_s);
        QCOMPARE(outer.value(u"PayloadDisplayName"_s), u"Varnolet Home Screen Layout"_s);
        QCOMPARE(payload.value(u"PayloadType"_s), u"com.apple.homescreenlayout"_s);
        for (const QVariantMap &part : {outer, payload}) {
            QCOMPARE(part.value(u"PayloadVersion"_s).toInt(), 1);
            QVERIFY(part.value(u"PayloadIdentifier"_s).toString().startsWith(u"org.varnolet."_s));
        }
        QVERIFY(outer.value(u"PayloadUUID"_s) != payload.value(u"PayloadUUID"_s));
        QVERIFY(payloadOf(ConfigurationProfile::write(sample())).value(u"PayloadUUID"_s)
                != payload.value(u"PayloadUUID"_s));
        const QVariantMap webClip
                = payload.value(u"Pages"_s).toList().value(0).toList().value(1).toMap();
        QCOMPARE(webClip.value(u"Type"_s), u"WebClip"_s);
        QCOMPARE(webClip.value(u"URL"_s), u"https://example.com/a?b=1&c=2"_s);
    }

    void readsWhatOthersWrite_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("failure");
        QTest::newRow("App for Application")
                << profileWith(app, u"<array>%1</array>"_s.arg(app)) << QString();
        QTest::newRow("no layout payload")
                << R"(<plist version="1.0"><dict><key>PayloadContent</key><array/></dict></plist>)"_ba
                << u"The profile holds no Home Screen layout."_s;
        QTest::newRow("widget") << profileWith(
                u"<dict><key>Type</key><string>Widget</string></dict>"_s,
                u"<array>%1</array>"_s.arg(app))
                                << u"The profile holds a Home Screen entry Varnolet cannot read."_s;
        QTest::newRow("outside the limits")
                << profileWith(app.repeated(5), u"<array>%1</array>"_s.arg(app))
                << u"The iPhone Dock contains more than four items."_s;
        QTest::newRow("not a property list")
                << "[[\"com.apple.mobilesafari\"]]"_ba
                << u"The file is not a property list Varnolet can read: it does not start with a "
                   u"plist element (line 1)."_s;
    }

    void readsWhatOthersWrite()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QString, failure);
        try {
            const Layout layout = ConfigurationProfile::read(profile);
            QVERIFY(failure.isEmpty());
            QCOMPARE(layout.identifiers(), QStringList(2, u"com.apple.mobilesafari"_s));
        } catch (const VarnoletError &error) {
            QCOMPARE(error.message(), failure);
        }
    }
};

QTEST_GUILESS_MAIN(ConfigurationProfileTest)
#include "configurationprofiletest.moc"
