#include "appcatalog.h"
#include "appstorestandin.h"
#include "clirun.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "profile/configurationprofile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Run = CliRun;

Run runCli(const QStringList &arguments, const QByteArray &input = {})
{
    return CliRun::start(arguments, input);
}

// The worked example: a full Dock and one page of Instagram, Facebook, Notes and Calculator.
const QByteArray example =
        R"([["com.apple.mobilephone","com.apple.MobileSMS","com.apple.mobilesafari","com.spotify.client"],
            ["com.burbn.instagram","com.facebook.Facebook","com.apple.mobilenotes","com.apple.calculator"]])"_ba;

QStringList homePage(const QByteArray &deviceForm)
{
    QStringList titles;
    for (const LayoutItem &item : LayoutParser::parse(deviceForm).layout.pages.value(1))
        titles.append(item.title());
    return titles;
}

} // namespace

// The test bodies stand outside the class: moc misreads some raw string literals.
class CliTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void organizesInEveryStyle_data();
    void organizesInEveryStyle();
    void namesAndOverridesFiles();
    void inspectReportsTheLayout();
    void appsListsSortedAndFiltered();
    void appStoreAnswers_data();
    void appStoreAnswers();
    void demoPrintsTheSampleLayout();
    void diffReportsTheChanges();
    void failuresPrintTheSentenceAlone_data();
    void failuresPrintTheSentenceAlone();
    void usageErrors_data();
    void usageErrors();
    void helpPrintsTheUsage();

private:
    QTemporaryDir m_dir;
    QString write(const QString &name, const QByteArray &data);
};

QString CliTest::write(const QString &name, const QByteArray &data)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write a test file");
    return file.fileName();
}

void CliTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void CliTest::organizesInEveryStyle_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("page");
    QTest::newRow("default style is categories")
            << QStringList()
            << QStringList{u"com.apple.mobilenotes"_s, u"Social"_s, u"com.apple.calculator"_s};
    QTest::newRow("alphabetical") << QStringList{u"--style"_s, u"alphabetical"_s}
                                  << QStringList{
                                             u"com.apple.calculator"_s, u"com.facebook.Facebook"_s,
                                             u"com.burbn.instagram"_s, u"com.apple.mobilenotes"_s};
    QTest::newRow("two-icon test ignores the page size")
            << QStringList{u"--style"_s, u"two-icon-test"_s, u"--page-size"_s, u"25"_s}
            << QStringList{u"com.facebook.Facebook"_s, u"com.burbn.instagram"_s,
                           u"com.apple.mobilenotes"_s, u"com.apple.calculator"_s};
    QTest::newRow("keep the first page")
            << QStringList{u"--keep-first-page"_s}
            << QStringList{u"com.burbn.instagram"_s, u"com.facebook.Facebook"_s,
                           u"com.apple.mobilenotes"_s, u"com.apple.calculator"_s};
}

void CliTest::organizesInEveryStyle()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, page);
    const Run fromFile
            = runCli(QStringList{u"organize"_s, write(u"example.json"_s, example)} + options);
    QCOMPARE(fromFile.err, QString());
    QCOMPARE(fromFile.status, 0);
    QCOMPARE(homePage(fromFile.out), page);

    const Run fromStdin = runCli(QStringList{u"organize"_s, u"-"_s} + options, example);
    QCOMPARE(fromStdin.status, 0);
    QCOMPARE(fromStdin.out, fromFile.out);

    // The profile holds what organize prints, or the layout itself when no option is given.
    const Run profile = runCli(QStringList{u"profile"_s, u"-"_s} + options, example);
    QCOMPARE(profile.status, 0);
    QCOMPARE(ConfigurationProfile::read(profile.out),
             LayoutParser::parse(options.isEmpty() ? example : fromFile.out).layout);
}

void CliTest::namesAndOverridesFiles()
{
    const QString names = write(u"names.json"_s, R"({"com.apple.calculator":"Zed"})"_ba);
    const Run renamed = runCli({u"organize"_s, u"-"_s, u"--style"_s, u"alphabetical"_s,
                                u"--names"_s, names, u"--move-dock"_s},
                               example);
    QCOMPARE(renamed.status, 0);
    const Layout proposal = LayoutParser::parse(renamed.out).layout;
    QVERIFY(proposal.pages.first().isEmpty());
    QCOMPARE(proposal.pages[1].last().title(), u"com.apple.calculator"_s);

    const QString overrides = write(u"overrides.json"_s, R"({"com.apple.calculator":"Social"})"_ba);
    const Run moved = runCli({u"organize"_s, u"-"_s, u"--overrides"_s, overrides}, example);
    QCOMPARE(moved.status, 0);
    const LayoutItem social = LayoutParser::parse(moved.out).layout.pages[1].last();
    QCOMPARE(social.name(), u"Social"_s);
    QVERIFY(social.identifiers().contains(u"com.apple.calculator"_s));
}

void CliTest::inspectReportsTheLayout()
{
    const QByteArray springboard =
            R"([[{"bundleIdentifier":"com.apple.mobilephone","displayName":"Phone"}],
                [{"displayName":"Tools","iconLists":[["a","b"]]},"a"]])"_ba;
    const Run run = runCli({u"inspect"_s, u"-"_s}, springboard);
    QCOMPARE(run.status, 0);
    const QJsonObject report = JsonCodec::decode(run.out).toObject();
    QCOMPARE(report.keys(),
             (QStringList{u"apps"_s, u"fingerprint"_s, u"folders"_s, u"layout"_s, u"names"_s,
                          u"pages"_s}));
    QCOMPARE(report[u"apps"_s].toInt(), 4);
    QCOMPARE(report[u"pages"_s].toInt(), 1);
    QCOMPARE(report[u"folders"_s].toInt(), 1);
    const Layout layout = LayoutParser::parse(springboard).layout;
    QCOMPARE(report[u"fingerprint"_s].toString(), layout.fingerprint());
    QCOMPARE(report[u"names"_s].toObject(),
             (QJsonObject{{u"com.apple.mobilephone"_s, u"Phone"_s}}));
    QCOMPARE(Layout::fromRecord(report[u"layout"_s]), layout);
    QCOMPARE(JsonCodec::encode(report), run.out); // pretty-printed with sorted keys
}

void CliTest::appsListsSortedAndFiltered()
{
    const Run all = runCli({u"apps"_s, u"-"_s}, example);
    QCOMPARE(all.status, 0);
    const QJsonArray apps = JsonCodec::decode(all.out).toArray();
    QCOMPARE(apps.size(), 8);
    QCOMPARE(apps.first().toObject(),
             (QJsonObject{{u"id"_s, u"com.apple.calculator"_s},
                          {u"name"_s, u"Calculator"_s},
                          {u"category"_s, u"Utilities"_s}}));

    const QString names = write(u"apps-names.json"_s, R"({"com.spotify.client":"Tunes"})"_ba);
    const Run found
            = runCli({u"apps"_s, u"-"_s, u"--search"_s, u"MOBILE"_s, u"--names"_s, names}, example);
    QCOMPARE(found.status, 0);
    QStringList ids;
    for (const QJsonValue &app : JsonCodec::decode(found.out).toArray())
        ids.append(app[u"id"_s].toString());
    QCOMPARE(ids,
             (QStringList{u"com.apple.MobileSMS"_s, u"com.apple.mobilenotes"_s,
                          u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s}));
    const Run renamed
            = runCli({u"apps"_s, u"-"_s, u"--search"_s, u"tunes"_s, u"--names"_s, names}, example);
    QCOMPARE(JsonCodec::decode(renamed.out).toArray().size(), 1);
}

void CliTest::appStoreAnswers_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("other");
    QTest::addColumn<bool>("sends");
    // 163 popular apps, 84 of them Other by the catalogue; by their genres, 6 Lifestyle apps no
    // keyword places and 2 apps the App Store does not know.
    QTest::newRow("neither option sends nothing") << QStringList() << u"answer"_s << 84 << false;
    QTest::newRow("offline with nothing kept")
            << QStringList{u"--offline"_s} << u"answer"_s << 84 << false;
    QTest::newRow("asked") << QStringList{u"--app-store"_s} << u"answer"_s << 8 << true;
    QTest::newRow("unreachable") << QStringList{u"--app-store"_s} << u"fail"_s << 84 << true;
}

void CliTest::appStoreAnswers()
{
    QFETCH(QStringList, options);
    QFETCH(QString, mode);
    QFETCH(int, other);
    QFETCH(bool, sends);
    const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
    AppStoreStandIn standIn(data + u"popular-answers.json"_s, mode);
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home.path());
    environment.insert(u"VARNOLET_APP_STORE_URL"_s, standIn.url().toString());
    const QString warning = mode == u"fail"_s
            ? u"Could not reach the App Store. Categories come from local rules.\n"_s
            : QString();
    // The apps in Other, once the run has passed.
    const auto otherCount = [&](const QStringList &extra) {
        const Run run = CliRun::start(QStringList{u"apps"_s, data + u"popular-phone.json"_s,
                                                  u"--names"_s, data + u"popular-names.json"_s}
                                              + extra,
                                      {}, environment);
        int count = run.status == 0 && run.err == warning ? 0 : -1000;
        for (const QJsonValue &app : JsonCodec::decode(run.out).toArray())
            count += app[u"category"_s] == u"Other"_s;
        return count;
    };
    QCOMPARE(otherCount(options), other);
    QCOMPARE(!standIn.requests().isEmpty(), sends);
    if (mode == u"answer"_s && sends) {
        // Kept: the same answers offline, with nothing sent.
        const qsizetype sent = standIn.requests().size();
        QCOMPARE(otherCount({u"--offline"_s}), other);
        QCOMPARE(standIn.requests().size(), sent);
        // diff names the moving apps with the kept answers: fewer names made from identifiers.
        const Run organized = CliRun::start(
                {u"organize"_s, data + u"popular-phone.json"_s, u"--offline"_s}, {}, environment);
        const auto plainNames = [&](const QStringList &extra) {
            const Run run = CliRun::start(
                    QStringList{u"diff"_s, data + u"popular-phone.json"_s, u"-"_s} + extra,
                    organized.out, environment);
            int count = run.status == 0 ? 0 : -1000;
            for (const QJsonValue &move : JsonCodec::decode(run.out)[u"moved"_s].toArray())
                count += move[u"id"_s].toString().endsWith(u'.' + move[u"name"_s].toString());
            return count;
        };
        QVERIFY(plainNames({u"--offline"_s}) < plainNames({}));
        QCOMPARE(standIn.requests().size(), sent);
    }
}

void CliTest::demoPrintsTheSampleLayout()
{
    const Run run = runCli({u"demo"_s});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, AppCatalog::demo().layout.cfgutilData());
    const Run piped = runCli({u"organize"_s, u"-"_s, u"--style"_s, u"alphabetical"_s}, run.out);
    QCOMPARE(piped.status, 0);
    QCOMPARE(LayoutParser::parse(piped.out).layout.inventory(),
             AppCatalog::demo().layout.inventory());
}

void CliTest::diffReportsTheChanges()
{
    const QByteArray after =
            R"([["com.apple.mobilephone","com.apple.MobileSMS","com.apple.mobilesafari","com.spotify.client"],
                [["Social","com.burbn.instagram","com.facebook.Facebook"],"com.apple.mobilenotes"],["new.app"]])"_ba;
    const QString names = write(u"diff-names.json"_s, R"({"com.apple.mobilenotes":"Jottings"})"_ba);
    const Run run = runCli({u"diff"_s, u"-"_s, write(u"after.json"_s, after), u"--names"_s, names},
                           example);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const auto move = [](const QString &id, const QString &name, const QString &to) {
        return QJsonObject{
                {u"id"_s, id}, {u"name"_s, name}, {u"from"_s, u"Page 1"_s}, {u"to"_s, to}};
    };
    const QJsonObject expected{
            {u"summary"_s,
             u"3 apps move · 1 new folder · Dock unchanged · 1 page → 2 · 1 app added · 1 app removed"_s},
            {u"moved"_s,
             QJsonArray{
                     move(u"com.burbn.instagram"_s, u"Instagram"_s, u"Folder “Social”, page 1"_s),
                     move(u"com.facebook.Facebook"_s, u"Facebook"_s, u"Folder “Social”, page 1"_s),
                     move(u"com.apple.mobilenotes"_s, u"Jottings"_s, u"Page 1"_s)}},
            {u"added"_s, QJsonArray{u"new.app"_s}},
            {u"removed"_s, QJsonArray{u"com.apple.calculator"_s}},
            {u"folders"_s,
             QJsonObject{{u"added"_s, QJsonArray{u"Social"_s}},
                         {u"removed"_s, QJsonArray()},
                         {u"renamed"_s, QJsonArray()}}},
            {u"dock"_s, QJsonObject{{u"changed"_s, false}}},
            {u"pages"_s, QJsonObject{{u"before"_s, 1}, {u"after"_s, 2}}}};
    QCOMPARE(run.out, JsonCodec::encode(expected));

    QByteArray renamed = after;
    renamed.replace("Social", "Friends");
    const Run folders = runCli({u"diff"_s, write(u"after.json"_s, after), u"-"_s}, renamed);
    QCOMPARE(JsonCodec::decode(folders.out)[u"folders"_s][u"renamed"_s].toArray(),
             (QJsonArray{QJsonObject{{u"from"_s, u"Social"_s}, {u"to"_s, u"Friends"_s}}}));
}

void CliTest::failuresPrintTheSentenceAlone_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    const QString missing = m_dir.filePath(u"missing.json"_s);
    QTest::newRow("unsupported page size")
            << QStringList{u"organize"_s, u"-"_s, u"--page-size"_s, u"25"_s} << example
            << u"Unsupported page size."_s;
    QTest::newRow("invalid layout")
            << QStringList{u"inspect"_s, u"-"_s} << R"([["a","b","c","d","e"],["f"]])"_ba
            << u"The iPhone Dock contains more than four items."_s;
    QTest::newRow("not JSON")
            << QStringList{u"apps"_s, u"-"_s} << "[[\"a\"],"_ba
            << u"The response is not valid JSON (unterminated array at offset 7)."_s;
    QTest::newRow("two-icon test without two loose icons")
            << QStringList{u"organize"_s, u"-"_s, u"--style"_s, u"two-icon-test"_s}
            << R"([[],["a",["F","b","c"]]])"_ba
            << u"The two-icon test needs two loose app icons on the same Home Screen page."_s;
    QTest::newRow("diff of an unreadable layout")
            << QStringList{u"diff"_s, u"-"_s, missing} << example
            << u"Could not read %1: No such file or directory."_s.arg(missing);
    QTest::newRow("missing file") << QStringList{u"inspect"_s, missing} << QByteArray()
                                  << u"Could not read %1: No such file or directory."_s.arg(
                                             missing);
}

void CliTest::failuresPrintTheSentenceAlone()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    const Run run = runCli(arguments, input);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, message + u'\n');
    QVERIFY(run.out.isEmpty());
}

void CliTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    const QString overrides = write(u"bad-overrides.json"_s, R"({"com.a":"social"})"_ba);
    QTest::newRow("no command") << QStringList() << u"usage: varnolet-cli"_s;
    QTest::newRow("unknown command") << QStringList{u"tidy"_s} << u"Unknown command: tidy."_s;
    QTest::newRow("unknown option")
            << QStringList{u"inspect"_s, u"-"_s, u"--fast"_s} << u"Unknown option 'fast'."_s;
    QTest::newRow("missing input") << QStringList{u"organize"_s} << u"Missing argument: INPUT."_s;
    QTest::newRow("extra argument")
            << QStringList{u"demo"_s, u"x"_s} << u"Unexpected argument: x."_s;
    QTest::newRow("missing option value") << QStringList{u"organize"_s, u"-"_s, u"--style"_s}
                                          << u"Missing value after '--style'."_s;
    QTest::newRow("unknown style") << QStringList{u"organize"_s, u"-"_s, u"--style"_s, u"random"_s}
                                   << u"Unknown style random"_s;
    QTest::newRow("page size not a number")
            << QStringList{u"organize"_s, u"-"_s, u"--page-size"_s, u"many"_s}
            << u"The page size must be a whole number."_s;
    QTest::newRow("diff of two standard inputs")
            << QStringList{u"diff"_s, u"-"_s, u"-"_s} << u"Only one of BEFORE and AFTER"_s;
    QTest::newRow("unknown category title")
            << QStringList{u"organize"_s, u"-"_s, u"--overrides"_s, overrides}
            << u"gives com.a an unknown category"_s;
}

void CliTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    const Run run = runCli(arguments, example);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(problem), qPrintable(run.err));
    QVERIFY(run.err.contains(u"usage: varnolet-cli COMMAND"_s));
    QVERIFY(run.out.isEmpty());
}

void CliTest::helpPrintsTheUsage()
{
    const Run run = runCli({u"--help"_s});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("usage: varnolet-cli COMMAND"));
    QCOMPARE(run.err, QString());
}

QTEST_GUILESS_MAIN(CliTest)
#include "clitest.moc"
