#include "profile/configurationprofile.h"
#include "layouttestsupport.h"
#include "profile/propertylist.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// A Dock of two apps, a page with a two-page folder and a web clip, and an empty page.
const Layout example = parse(
        u"com.apple.mobilephone a&b<c> | Social_“Fun”:com.burbn.instagram/x.y https://example.com/a?b=1&c=2 |"_s);

QVariantMap payloadOf(const QByteArray &profile)
{
    return PropertyList::read(profile).toMap().value(u"PayloadContent"_s).toList().value(0).toMap();
}

QByteArray profileWith(const QString &dock, const QString &pages)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>
<key>PayloadContent</key><array><dict>
<key>PayloadType</key><string>com.apple.homescreenlayout</string>
<key>Dock</key><array>%1</array><key>Pages</key><array><array>%2</array></array>
</dict></array></dict></plist>)"_s.arg(dock, pages)
            .toUtf8();
}

const QString app
        = u"<dict><key>Type</key><string>App</string><key>BundleID</key><string>com.apple.mobilesafari</string></dict>"_s;

} // namespace

class ConfigurationProfileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTheLayoutAndReadsItBack()
    {
        const QByteArray profile = ConfigurationProfile::write(example);
        QCOMPARE(ConfigurationProfile::read(profile), example);
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
        QVERIFY(payloadOf(ConfigurationProfile::write(example)).value(u"PayloadUUID"_s)
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
        // clang-format off
        QTest::newRow("App for Application") << profileWith(app, app) << QString();
        QTest::newRow("no layout payload") << R"(<plist version="1.0"><dict><key>PayloadContent</key><array/></dict></plist>)"_ba << u"The profile holds no Home Screen layout."_s;
        QTest::newRow("widget") << profileWith(u"<dict><key>Type</key><string>Widget</string></dict>"_s, app) << u"The profile holds a Home Screen entry Varnolet cannot read."_s;
        QTest::newRow("outside the limits") << profileWith(app.repeated(5), app) << u"The iPhone Dock contains more than four items."_s;
        QTest::newRow("not a property list") << "[[\"com.apple.mobilesafari\"]]"_ba << u"The file is not a property list Varnolet can read: it does not start with a plist element (line 1)."_s;
        // clang-format on
    }
    void readsWhatOthersWrite()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QString, failure);
        Layout layout;
        QCOMPARE(failureOf([&] { layout = ConfigurationProfile::read(profile); }), failure);
        QCOMPARE(layout.identifiers(),
                 failure.isEmpty() ? QStringList(2, u"com.apple.mobilesafari"_s) : QStringList());
    }
};

QTEST_GUILESS_MAIN(ConfigurationProfileTest)
#include "configurationprofiletest.moc"
