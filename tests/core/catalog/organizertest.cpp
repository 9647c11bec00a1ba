#include "organizer.h"
#include "layouttestsupport.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

char *toString(const Layout &layout)
{
    return qstrdup(layout.cfgutilData().constData());
}

namespace {

// The short names the rows give these apps.
const QString known
        = u" phone=com.apple.mobilephone messages=com.apple.MobileSMS safari=com.apple.mobilesafari spotify=com.spotify.client instagram=com.burbn.instagram facebook=com.facebook.Facebook notes=com.apple.mobilenotes calculator=com.apple.calculator mail=com.apple.mobilemail maps=com.apple.Maps t=com.acme.tool s=com.acme.social website=https://example.com"_s;

// The text with each short name replaced by its app's identifier.
QString real(QString text)
{
    for (const QRegularExpressionMatch &pair :
         QRegularExpression(u" (\\w+)=(\\S+)"_s).globalMatch(known))
        text.replace(QRegularExpression(u"(?<![\\w.])%1(?![A-Za-z.:])"_s.arg(pair.captured(1))),
                     pair.captured(2));
    return text;
}

SortOptions options(SortStyle style, int pageCapacity = 24, bool keepDock = true,
                    bool keepFirstPage = false)
{
    return {style, keepDock, keepFirstPage, pageCapacity};
}

// "s*9-18/s*18-27": the apps up to `count` in runs of `size`.
QString runs(int count, int size, const QString &separator, const QString &app = u"s"_s)
{
    QStringList parts;
    for (int i = 0; i < count; i += size)
        parts.append(u"%1*%2-%3"_s.arg(app).arg(i).arg(qMin(count, i + size)));
    return parts.join(separator);
}

} // namespace

class OrganizerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The proposal expected, or the sentence of the error (which ends in a full stop).
    void organize_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<SortOptions>("options");
        QTest::addColumn<AppNames>("names");
        QTest::addColumn<CategoryOverrides>("overrides");
        QTest::addColumn<QString>("expected");
        using enum SortStyle;
        const QString example
                = u"phone messages safari spotify | instagram facebook notes calculator"_s;
        const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
        const QString fullFolders = u"| "_s + u"F:t*9/t*9/t*9 "_s.repeated(30);
        // clang-format off
        QTest::newRow("worked example: categories") << example << options(categories) << AppNames() << CategoryOverrides() << u"phone messages safari spotify | notes Social:facebook,instagram calculator"_s;
        QTest::newRow("worked example: alphabetical") << example << options(alphabetical) << AppNames() << CategoryOverrides() << u"phone messages safari spotify | calculator facebook instagram notes"_s;
        QTest::newRow("worked example: two-icon test") << example << options(twoIconTest) << AppNames() << CategoryOverrides() << u"phone messages safari spotify | facebook instagram notes calculator"_s;
        // The original is validated before anything else, the proposal before it is returned.
        QTest::newRow("Dock only") << u"phone"_s << options(twoIconTest) << AppNames() << CategoryOverrides() << pages;
        QTest::newRow("no apps, before the page size") << u"|"_s << options(categories, 25) << AppNames() << CategoryOverrides() << u"The layout is empty. Nothing will be applied."_s;
        // 1,620 apps fit in folders on two valid pages; as loose icons they need 102 pages of 16.
        QTest::newRow("proposal over the page limit") << fullFolders + fullFolders << options(alphabetical, 16) << AppNames() << CategoryOverrides() << pages;
        QTest::newRow("16 a page") << u"| t*20 | t*20-40"_s << options(alphabetical, 16) << AppNames() << CategoryOverrides() << u"| t*16 | t*16-32 | t*32-40"_s;
        QTest::newRow("25 a page") << u"| t*20 | t*20-40"_s << options(alphabetical, 25) << AppNames() << CategoryOverrides() << u"Unsupported page size."_s;
        QTest::newRow("page size and kept pages play no part in the two-icon test") << u"| t*20 | t*20-40"_s << options(twoIconTest, 25, false, true) << AppNames() << CategoryOverrides() << u"| t1 t0 t*2-20 | t*20-40"_s;
        QTest::newRow("Dock and first page kept, nothing left to sort") << u"phone safari | notes calculator mail"_s << options(categories, 24, true, true) << AppNames() << CategoryOverrides() << u"phone safari | notes calculator mail"_s;
        QTest::newRow("no apps on the Home Screen") << u"phone safari |"_s << options(alphabetical) << AppNames() << CategoryOverrides() << u"phone safari |"_s;
        QTest::newRow("a Dock folder is unpacked") << u"Talk:phone/messages | calculator"_s << options(categories, 24, false) << AppNames() << CategoryOverrides() << u"| Social:messages,phone calculator"_s;
        QTest::newRow("first page kept with its folder, later pages unpacked") << u"phone | Mine:maps,mail safari | Old:notes/calculator"_s << options(alphabetical, 24, true, true) << AppNames() << CategoryOverrides() << u"phone | Mine:maps,mail safari | calculator notes"_s;
        QTest::newRow("first page kept, Dock sorted after it") << u"phone safari | notes | calculator"_s << options(alphabetical, 24, false, true) << AppNames() << CategoryOverrides() << u"| notes | calculator phone safari"_s;
        QTest::newRow("10 apps: two folder pages") << u"| s*10"_s << options(categories, 30) << AppNames() << CategoryOverrides() << u"| Social:s*9/s*9-10"_s;
        QTest::newRow("135 apps: one full folder") << u"| "_s + runs(135, 30, u" | "_s) << options(categories, 30) << AppNames() << CategoryOverrides() << u"| Social:"_s + runs(135, 9, u"/"_s);
        QTest::newRow("136 apps: a second folder for one app") << u"| "_s + runs(136, 30, u" | "_s) << options(categories, 30) << AppNames() << CategoryOverrides() << u"| Social:"_s + runs(135, 9, u"/"_s) + u" Social_2:s135"_s;
        QTest::newRow("single apps stay loose, in category order") << u"| website org.example.thing mail spotify notes instagram com.acme.chess com.acme.puzzle"_s << options(categories, 30) << AppNames() << CategoryOverrides() << u"| Productivity:mail,notes instagram spotify Games:com.acme.chess,com.acme.puzzle website org.example.thing"_s;
        QTest::newRow("an override moves an app, not its name") << u"| instagram calculator facebook"_s << options(categories, 30) << AppNames() << CategoryOverrides{{real(u"calculator"_s), AppCategory::social}} << u"| Social:calculator,facebook,instagram"_s;
        QTest::newRow("a device name decides an unknown app's category and place") << u"| com.acme.a com.acme.b instagram"_s << options(categories, 30) << AppNames{{u"com.acme.a"_s, u"Zoo Social"_s}, {u"com.acme.b"_s, u"Chess"_s}} << CategoryOverrides() << u"| Social:instagram,com.acme.a com.acme.b"_s;
        QTest::newRow("the same app twice makes a group of two") << u"| maps maps"_s << options(categories, 30) << AppNames() << CategoryOverrides() << u"| Travel:maps,maps"_s;
        // The two-icon test swaps the first two loose apps of the first Home Screen page that has two.
        QTest::newRow("two-icon test: first page without two loose apps") << u"phone | Box:mail notes | maps safari spotify"_s << options(twoIconTest) << AppNames() << CategoryOverrides() << u"phone | Box:mail notes | safari maps spotify"_s;
        QTest::newRow("two-icon test: folders between stay") << u"| notes Box:mail maps"_s << options(twoIconTest) << AppNames() << CategoryOverrides() << u"| maps Box:mail notes"_s;
        QTest::newRow("two-icon test: the Dock is never touched") << u"phone safari | notes Box:mail | maps"_s << options(twoIconTest) << AppNames() << CategoryOverrides() << u"The two-icon test needs two loose app icons on the same Home Screen page."_s;
        // clang-format on
    }
    void organize()
    {
        QFETCH(QString, original);
        QFETCH(SortOptions, options);
        QFETCH(AppNames, names);
        QFETCH(CategoryOverrides, overrides);
        QFETCH(QString, expected);
        Layout result;
        const QString error = failureOf([&] {
            result = Organizer::organize(parse(real(original)), options, names, overrides);
        });
        QCOMPARE(error, expected.endsWith(u'.') ? expected : QString());
        QCOMPARE(result, error.isEmpty() ? parse(real(expected)) : Layout());
    }

    // The app order: names as the Finder compares them; identical names by identifier; names that
    // differ but compare equal in the order first met.
    void appOrder_data()
    {
        QTest::addColumn<QString>("ids");
        QTest::addColumn<AppNames>("names");
        QTest::addColumn<QString>("expected");
        const QString a = u"com.acme.a"_s, b = u"com.acme.b"_s, c = u"com.acme.c"_s;
        // clang-format off
        QTest::newRow("same name, by identifier") << u"b a"_s << AppNames{{a, u"Same"_s}, {b, u"Same"_s}} << u"a b"_s;
        QTest::newRow("digits by value") << u"a b"_s << AppNames{{a, u"App 10"_s}, {b, u"App 2"_s}} << u"b a"_s;
        QTest::newRow("case ignored") << u"a b"_s << AppNames{{a, u"banana"_s}, {b, u"Apple"_s}} << u"b a"_s;
        QTest::newRow("device name beats the known name") << u"calculator notes"_s << AppNames{{real(u"notes"_s), u"Aardvark"_s}} << u"notes calculator"_s;
        QTest::newRow("names equal but for case keep their order") << u"a b"_s << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << u"a b"_s;
        QTest::newRow("names equal but for case keep their order, reversed") << u"b a"_s << AppNames{{a, u"apple"_s}, {b, u"Apple"_s}} << u"b a"_s;
        QTest::newRow("identical names by identifier, each name where it first appears") << u"c b a"_s << AppNames{{c, u"apple"_s}, {b, u"Apple"_s}, {a, u"apple"_s}} << u"a c b"_s;
        QTest::newRow("repeated app stays repeated") << u"maps calculator maps"_s << AppNames() << u"calculator maps maps"_s;
        // clang-format on
    }
    void appOrder()
    {
        QFETCH(QString, ids);
        QFETCH(AppNames, names);
        QFETCH(QString, expected);
        const auto acme = [](const QString &text) {
            return real(QString(text).replace(QRegularExpression(u"\\b([abc])\\b"_s),
                                              u"com.acme.\\1"_s));
        };
        const Layout result = Organizer::organize(parse(u"| "_s + acme(ids)),
                                                  options(SortStyle::alphabetical), names);
        QCOMPARE(result.identifiers(), acme(expected).split(u' '));
    }

    void verifyProposal_data()
    {
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("message");
        const QString inventoryChanged
                = u"The proposed layout changed the app inventory. Apply is blocked."_s;
        // clang-format off
        QTest::newRow("reordered") << u"phone | F:maps/mail"_s << QString();
        QTest::newRow("an app lost") << u"phone | maps"_s << inventoryChanged;
        QTest::newRow("an app doubled instead of another") << u"phone | maps maps"_s << inventoryChanged;
        QTest::newRow("an app renamed in case") << u"phone | maps com.apple.maps"_s << inventoryChanged;
        QTest::newRow("outside the limits first") << u"phone maps mail notes safari |"_s << u"The iPhone Dock contains more than four items."_s;
        // clang-format on
    }
    void verifyProposal()
    {
        QFETCH(QString, proposed);
        QFETCH(QString, message);
        const Layout original = parse(real(u"phone | mail maps"_s));
        QCOMPARE(failureOf([&] { Organizer::verifyProposal(original, parse(real(proposed))); }),
                 message);
    }
};

QTEST_GUILESS_MAIN(OrganizerTest)
#include "organizertest.moc"
