#include "appcatalog.h"
#include "appstorestandin.h"
#include "clirun.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "profile/configurationprofile.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The worked example: a full Dock and one page of Instagram, Facebook, Notes and Calculator.
const QByteArray example
        = R"([["com.apple.mobilephone","com.apple.MobileSMS","com.apple.mobilesafari","com.spotify.client"],
    ["com.burbn.instagram","com.facebook.Facebook","com.apple.mobilenotes","com.apple.calculator"]])"_ba;
const QByteArray afterExample
        = R"([["com.apple.mobilephone","com.apple.MobileSMS","com.apple.mobilesafari","com.spotify.client"],
    [["Social","com.burbn.instagram","com.facebook.Facebook"],"com.apple.mobilenotes"],["new.app"]])"_ba;
const QByteArray springboard
        = R"([[{"bundleIdentifier":"com.apple.mobilephone","displayName":"Phone"}],
    [{"displayName":"Tools","iconLists":[["a","b"]]},"a"]])"_ba;

CliRun cli(const QStringList &arguments, const QByteArray &input = example)
{
    return CliRun::start(arguments, input);
}

} // namespace

/// The offline commands through the built program: options, outputs, exit statuses, sentences.
class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const QString &name, const QByteArray &data)
    {
        return CliRun::write(m_dir.filePath(name), data);
    }

private Q_SLOTS:
    void organize_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("page"); // page 1 of the proposal
        const QString names = file(u"names.json"_s, R"({"com.apple.calculator":"Zed"})");
        const QString overrides = file(u"overrides.json"_s, R"({"com.apple.calculator":"Social"})");
        // clang-format off
        QTest::newRow("default style is categories") << QStringList() << R"(["com.apple.mobilenotes",["Social","com.facebook.Facebook","com.burbn.instagram"],"com.apple.calculator"])"_ba;
        QTest::newRow("alphabetical") << QStringList{u"--style"_s, u"alphabetical"_s} << R"(["com.apple.calculator","com.facebook.Facebook","com.burbn.instagram","com.apple.mobilenotes"])"_ba;
        QTest::newRow("two-icon test ignores the page size") << QStringList{u"--style"_s, u"two-icon-test"_s, u"--page-size"_s, u"25"_s} << R"(["com.facebook.Facebook","com.burbn.instagram","com.apple.mobilenotes","com.apple.calculator"])"_ba;
        QTest::newRow("keep the first page") << QStringList{u"--keep-first-page"_s} << R"(["com.burbn.instagram","com.facebook.Facebook","com.apple.mobilenotes","com.apple.calculator"])"_ba;
        QTest::newRow("names and the Dock moved") << QStringList{u"--style"_s, u"alphabetical"_s, u"--names"_s, names, u"--move-dock"_s} << R"(["com.facebook.Facebook","com.burbn.instagram","com.apple.MobileSMS","com.apple.mobilenotes","com.apple.mobilephone","com.apple.mobilesafari","com.spotify.client","com.apple.calculator"])"_ba;
        QTest::newRow("overrides") << QStringList{u"--overrides"_s, overrides} << R"(["com.apple.mobilenotes",["Social","com.apple.calculator","com.facebook.Facebook","com.burbn.instagram"]])"_ba;
        // clang-format on
    }
    void organize()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, page);
        const CliRun run = cli(QStringList{u"organize"_s, u"-"_s} + options);
        QCOMPARE(std::pair(run.status, run.err), std::pair(0, QString()));
        QCOMPARE(JsonCodec::decode(run.out)[1], JsonCodec::decode(page));
        // The profile holds what organize prints, or the layout itself when no option is given.
        const CliRun profile
                = cli(QStringList{u"profile"_s, file(u"in.json"_s, example)} + options);
        QCOMPARE(profile.status, 0);
        QCOMPARE(ConfigurationProfile::read(profile.out),
                 LayoutParser::parse(options.isEmpty() ? example : run.out).layout);
    }

    // What each command prints, pretty-printed with sorted keys, on success.
    void prints_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("printed");
        const QString after = file(u"after.json"_s, afterExample);
        const QString jottings
                = file(u"diff-names.json"_s, R"({"com.apple.mobilenotes":"Jottings"})");
        const QString tunes = file(u"apps-names.json"_s, R"({"com.spotify.client":"Tunes"})");
        // clang-format off
        QTest::newRow("inspect") << QStringList{u"inspect"_s, u"-"_s} << springboard << R"({"apps":4,"fingerprint":"36ecbb90b9651c140740f9ad2115fb9bcff8fc88c3b515a3785768dd2571cdcb","folders":1,"layout":{"pages":[[{"app":{"_0":"com.apple.mobilephone"}}],[{"folder":{"_0":"Tools","_1":[["a","b"]]}},{"app":{"_0":"a"}}]]},"names":{"com.apple.mobilephone":"Phone"},"pages":1})"_ba;
        QTest::newRow("diff with names") << QStringList{u"diff"_s, u"-"_s, after, u"--names"_s, jottings} << example << R"({"summary": "3 apps move · 1 new folder · Dock unchanged · 1 page → 2 · 1 app added · 1 app removed", "moved": [{"id": "com.burbn.instagram", "name": "Instagram", "from": "Page 1", "to": "Folder “Social”, page 1"}, {"id": "com.facebook.Facebook", "name": "Facebook", "from": "Page 1", "to": "Folder “Social”, page 1"}, {"id": "com.apple.mobilenotes", "name": "Jottings", "from": "Page 1", "to": "Page 1"}], "added": ["new.app"], "removed": ["com.apple.calculator"], "folders": {"added": ["Social"], "removed": [], "renamed": []}, "dock": {"changed": false}, "pages": {"before": 1, "after": 2}})"_ba;
        QTest::newRow("diff of a renamed folder") << QStringList{u"diff"_s, after, u"-"_s} << QByteArray(afterExample).replace("Social", "Friends") << R"({"added":[],"dock":{"changed":false},"folders":{"added":[],"removed":[],"renamed":[{"from":"Social","to":"Friends"}]},"moved":[],"pages":{"after":2,"before":2},"removed":[],"summary":"1 folder renamed · Dock unchanged"})"_ba;
        QTest::newRow("apps by name") << QStringList{u"apps"_s, u"-"_s} << example << R"([{"category":"Utilities","id":"com.apple.calculator","name":"Calculator"},{"category":"Social","id":"com.facebook.Facebook","name":"Facebook"},{"category":"Social","id":"com.burbn.instagram","name":"Instagram"},{"category":"Social","id":"com.apple.MobileSMS","name":"Messages"},{"category":"Productivity","id":"com.apple.mobilenotes","name":"Notes"},{"category":"Social","id":"com.apple.mobilephone","name":"Phone"},{"category":"Utilities","id":"com.apple.mobilesafari","name":"Safari"},{"category":"Entertainment","id":"com.spotify.client","name":"Spotify"}])"_ba;
        QTest::newRow("apps found by identifier, in any case") << QStringList{u"apps"_s, u"-"_s, u"--search"_s, u"MOBILE"_s} << example << R"([{"category":"Social","id":"com.apple.MobileSMS","name":"Messages"},{"category":"Productivity","id":"com.apple.mobilenotes","name":"Notes"},{"category":"Social","id":"com.apple.mobilephone","name":"Phone"},{"category":"Utilities","id":"com.apple.mobilesafari","name":"Safari"}])"_ba;
        QTest::newRow("apps found by a name given") << QStringList{u"apps"_s, u"-"_s, u"--search"_s, u"tunes"_s, u"--names"_s, tunes} << example << R"([{"category":"Entertainment","id":"com.spotify.client","name":"Tunes"}])"_ba;
        QTest::newRow("demo") << QStringList{u"demo"_s} << QByteArray() << AppCatalog::demo().layout.cfgutilData();
        // clang-format on
    }
    void prints()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, printed);
        const CliRun run = cli(arguments, input);
        QCOMPARE(std::pair(run.status, run.err), std::pair(0, QString()));
        QCOMPARE(run.out, JsonCodec::encode(JsonCodec::decode(printed)));
    }

    // 163 popular apps, 84 of them Other by the catalogue; by their genres, 6 Lifestyle apps no
    // keyword places and 2 apps the App Store does not know.
    void appStoreAnswers()
    {
        const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
        const QString phone = data + u"popular-phone.json"_s;
        AppStoreStandIn answering(data + u"popular-answers.json"_s),
                failing(data + u"popular-answers.json"_s, u"fail"_s);
        QTemporaryDir home, otherHome; // the failing one's
        const auto run = [&](const AppStoreStandIn &standIn, const QStringList &arguments,
                             const QByteArray &input = {}) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"HOME"_s, (&standIn == &failing ? otherHome : home).path());
            environment.insert(u"VARNOLET_APP_STORE_URL"_s, standIn.url().toString());
            return CliRun::start(arguments, input, environment);
        };
        // "status|standard error|apps in Other|sent" of the apps command with `option`.
        const auto others
                = [&](const AppStoreStandIn &standIn, const QStringList &option) -> QString {
            const qsizetype sent = standIn.requests().size();
            const CliRun apps = run(
                    standIn,
                    QStringList{u"apps"_s, phone, u"--names"_s, data + u"popular-names.json"_s}
                            + option);
            int count = 0;
            for (const QJsonValue &app : JsonCodec::decode(apps.out).toArray())
                count += app[u"category"_s] == u"Other"_s;
            return u"%1|%2|%3"_s.arg(apps.status).arg(apps.err).arg(count)
                    + (standIn.requests().size() > sent ? u"|sent"_s : QString());
        };
        QCOMPARE(others(answering, {}), u"0||84"_s);               // neither option sends nothing
        QCOMPARE(others(answering, {u"--offline"_s}), u"0||84"_s); // nothing kept
        QCOMPARE(others(failing, {u"--app-store"_s}),
                 u"0|Could not reach the App Store. Categories come from local rules.\n|84|sent"_s);
        QCOMPARE(others(answering, {u"--app-store"_s}), u"0||8|sent"_s);
        QCOMPARE(others(answering, {u"--offline"_s}), u"0||8"_s); // kept, and nothing sent
        // diff names the moving apps with the kept answers only when asked to.
        const QByteArray organized = run(answering, {u"organize"_s, phone, u"--offline"_s}).out;
        const auto diff = [&](const QStringList &extra) {
            return run(answering, QStringList{u"diff"_s, phone, u"-"_s} + extra, organized).out;
        };
        const qsizetype sent = answering.requests().size();
        const QByteArray kept = diff({u"--offline"_s});
        QVERIFY(kept.contains("\"moved\"") && kept != diff({}));
        QCOMPARE(answering.requests().size(), sent);
    }

    // A failure prints its sentence alone (status 1); a usage error its problem, then the usage
    // (status 2); standard output stays empty. Help prints the usage on standard output.
    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString missing = m_dir.filePath(u"missing.json"_s);
        const QString overrides = file(u"bad-overrides.json"_s, R"({"com.a":"social"})");
        const QString notFound = u"Could not read %1: No such file or directory."_s.arg(missing);
        // clang-format off
        QTest::newRow("unsupported page size") << QStringList{u"organize"_s, u"-"_s, u"--page-size"_s, u"25"_s} << example << 1 << u"Unsupported page size."_s;
        QTest::newRow("diff of an unreadable layout") << QStringList{u"diff"_s, u"-"_s, missing} << example << 1 << notFound;
        QTest::newRow("missing file") << QStringList{u"inspect"_s, missing} << QByteArray() << 1 << notFound;
        QTest::newRow("help") << QStringList{u"--help"_s} << example << 0 << QString();
        QTest::newRow("no command") << QStringList() << example << 2 << u"usage: varnolet-cli COMMAND [ARGUMENTS]"_s;
        QTest::newRow("unknown command") << QStringList{u"tidy"_s} << example << 2 << u"Unknown command: tidy."_s;
        QTest::newRow("unknown option") << QStringList{u"inspect"_s, u"-"_s, u"--fast"_s} << example << 2 << u"Unknown option 'fast'."_s;
        QTest::newRow("missing input") << QStringList{u"organize"_s} << example << 2 << u"Missing argument: INPUT."_s;
        QTest::newRow("extra argument") << QStringList{u"demo"_s, u"x"_s} << example << 2 << u"Unexpected argument: x."_s;
        QTest::newRow("missing option value") << QStringList{u"organize"_s, u"-"_s, u"--style"_s} << example << 2 << u"Missing value after '--style'."_s;
        QTest::newRow("unknown style") << QStringList{u"organize"_s, u"-"_s, u"--style"_s, u"random"_s} << example << 2 << u"Unknown style random; use categories, alphabetical or two-icon-test."_s;
        QTest::newRow("page size not a number") << QStringList{u"organize"_s, u"-"_s, u"--page-size"_s, u"many"_s} << example << 2 << u"The page size must be a whole number."_s;
        QTest::newRow("diff of two standard inputs") << QStringList{u"diff"_s, u"-"_s, u"-"_s} << example << 2 << u"Only one of BEFORE and AFTER can be read from standard input."_s;
        QTest::newRow("unknown category title") << QStringList{u"organize"_s, u"-"_s, u"--overrides"_s, overrides} << example << 2 << u"The overrides file %1 gives com.a an unknown category; use one of: Productivity, Social, Entertainment, Games, Money, Shopping, Travel, Health, Creativity, Utilities, Websites, Other."_s.arg(overrides);
        // clang-format on
    }
    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, message);
        const CliRun run = cli(arguments, input);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err.section(u"\n\n"_s, 0, 0).chopped(status == 1), message);
        const QString usage = status ? run.err : QString::fromUtf8(run.out);
        QVERIFY(status == 1 || usage.contains(u"usage: varnolet-cli COMMAND"_s));
        QCOMPARE(run.out.isEmpty(), status != 0);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "clitest.moc"
