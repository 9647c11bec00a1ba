#include "processrunner.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cmath>
#include <functional>
#include <limits>
#include <signal.h>
#include <thread>

using namespace Qt::StringLiterals;

using Environment = QHash<QString, QString>;

namespace {

const QString timedOut = u"The device command timed out. Unlock your iPhone, check the USB cable, "
                         "and close Configurator's window. If this happened while applying, check "
                         "your phone before trying another write."_s;
const QString tooLarge = u"Device output was unexpectedly large."_s;
const QString fixedPath = u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_s;

// The message of the VarnoletError a call throws; anything else gives a text no message equals.
QString varnoletMessage(const std::function<void()> &call)
{
    try {
        call();
    } catch (const VarnoletError &error) {
        return error.message();
    } catch (const std::exception &error) {
        return u"(not a VarnoletError) "_s + PlatformError::describe(error);
    }
    return u"(nothing thrown)"_s;
}

QString platformDescription(const std::function<void()> &call)
{
    try {
        call();
    } catch (const PlatformError &error) {
        return error.description();
    } catch (const std::exception &error) {
        return u"(not a PlatformError) "_s + PlatformError::describe(error);
    }
    return u"(nothing thrown)"_s;
}

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

// Every process whose parent is this test, reaped or not.
QList<qint64> childProcesses()
{
    QList<qint64> children;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (command) state ppid …", where the command may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            children.append(pid);
    }
    return children;
}

} // namespace

class ProcessRunnerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QTemporaryDir m_temp;
    QByteArray m_savedTemp;
    QHash<QByteArray, QByteArray> m_tools;
    int m_scripts = 0;

    QString workFile(const QString &name) const { return m_work.filePath(name); }

    // A "#!/bin/sh" script in a folder of its own; @TOOL@ names become absolute paths, so that
    // scripts do not depend on the PATH they are given.
    QString script(QByteArray body, const QString &name = u"cfgutil"_s)
    {
        for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
            body.replace(it.key(), it.value());
        const QString folder = workFile(u"script-"_s + QString::number(++m_scripts));
        QDir().mkpath(folder);
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body + '\n') < 0)
            qFatal("cannot write a test script");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

    void writePayload(const QByteArray &bytes)
    {
        QFile file(workFile(u"payload"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    qint64 recordedPid() const
    {
        QFile file(workFile(u"pid"_s));
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return file.readAll().trimmed().toLongLong();
    }

    static CommandOutput run(const QString &executable, const QStringList &arguments = {},
                             const Environment &environment = {}, double timeout = 10)
    {
        return ProcessRunner().run(executable, arguments, environment, timeout);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        QVERIFY(m_temp.isValid());
        QVERIFY2(QDir(u"/proc"_s).exists(), "these tests look for processes in /proc");
        for (const char *tool : {"cat", "head", "sleep", "readlink", "stat"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            QVERIFY2(!path.isEmpty(), tool);
            m_tools.insert('@' + QByteArray(tool).toUpper() + '@', QFile::encodeName(path));
        }
        m_tools.insert("@PIDFILE@", QFile::encodeName(workFile(u"pid"_s)));
        m_tools.insert("@MARKER@", QFile::encodeName(workFile(u"marker"_s)));
        m_tools.insert("@PAYLOAD@", QFile::encodeName(workFile(u"payload"_s)));
        // Capture folders go here, where cleanup() can see that none is left behind.
        m_savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QCOMPARE(QDir::tempPath(), m_temp.path());
    }

    void cleanupTestCase()
    {
        if (m_savedTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_savedTemp);
    }

    void init()
    {
        for (const QString &name : {u"pid"_s, u"marker"_s, u"payload"_s})
            QFile::remove(workFile(name));
    }

    void cleanup()
    {
        const QStringList left = QDir(m_temp.path())
                                         .entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                    | QDir::Hidden | QDir::System);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u", "_s)));
        const QList<qint64> children = childProcesses();
        QVERIFY2(children.isEmpty(),
                 qPrintable(u"child processes left: %1"_s.arg(children.size())));
        const qint64 pid = recordedPid();
        if (pid > 0)
            QVERIFY2(processGone(pid), "the child outlived the run");
    }

    void returnsWhatTheChildWrote_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<double>("timeout");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("standardError");
        QTest::newRow("nothing written")
                << "exit 0"_ba << QByteArray() << 10.0 << QByteArray() << QString();
        QTest::newRow("both streams") << "printf 'out\\n'; printf 'err' >&2"_ba << QByteArray()
                                      << 10.0 << "out\n"_ba << u"err"_s;
        QTest::newRow("invalid UTF-8 decoded only on standard error")
                << "@CAT@ @PAYLOAD@; @CAT@ @PAYLOAD@ >&2"_ba
                << "\xff\xfe ok \xc3"_ba << 10.0 << "\xff\xfe ok \xc3"_ba
                << u"\uFFFD\uFFFD ok \uFFFD"_s;
        QTest::newRow("24,999,999 bytes together")
                << "@HEAD@ -c 12500000 /dev/zero; @HEAD@ -c 12499999 /dev/zero >&2"_ba
                << QByteArray() << 10.0 << QByteArray(12'500'000, '\0')
                << QString(12'499'999, QChar::Null);
        QTest::newRow("no time limit")
                << "printf done"_ba << QByteArray() << std::numeric_limits<double>::infinity()
                << "done"_ba << QString();
    }
    void returnsWhatTheChildWrote()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, payload);
        QFETCH(double, timeout);
        QFETCH(QByteArray, data);
        QFETCH(QString, standardError);
        writePayload(payload);
        const CommandOutput output = run(script(body), {}, {}, timeout);
        QCOMPARE(output.data.size(), data.size());
        QCOMPARE(output.data, data);
        QCOMPARE(output.standardError, standardError);
    }

    void failuresCarryExactMessages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("message");
        QTest::newRow("boom on standard error") << u"cfgutil"_s << "printf boom >&2; exit 1"_ba
                                                << QByteArray() << u"cfgutil failed (1). boom"_s;
        QTest::newRow("standard output when standard error is empty")
                << u"cfgutil"_s << "printf x; exit 2"_ba << QByteArray()
                << u"cfgutil failed (2). x"_s;
        QTest::newRow("both streams empty")
                << u"cfgutil"_s << "exit 3"_ba << QByteArray() << u"cfgutil failed (3). "_s;
        QTest::newRow("standard error wins")
                << u"cfgutil"_s << "printf out; printf err >&2; exit 4"_ba << QByteArray()
                << u"cfgutil failed (4). err"_s;
        QTest::newRow("detail kept untrimmed")
                << u"cfgutil"_s << "printf '  boom\\n\\n' >&2; exit 1"_ba << QByteArray()
                << u"cfgutil failed (1).   boom\n\n"_s;
        QTest::newRow("status 255")
                << u"cfgutil"_s << "exit 255"_ba << QByteArray() << u"cfgutil failed (255). "_s;
        QTest::newRow("name of the tool that failed")
                << u"pymobiledevice3"_s << "printf 'no device' >&2; exit 1"_ba << QByteArray()
                << u"pymobiledevice3 failed (1). no device"_s;
        QTest::newRow("killed by a signal")
                << u"cfgutil"_s << "kill -KILL $$"_ba << QByteArray() << u"cfgutil failed (9). "_s;
        QTest::newRow("invalid UTF-8 on standard output")
                << u"cfgutil"_s << "@CAT@ @PAYLOAD@; exit 5"_ba
                << "a\xffz"_ba << u"cfgutil failed (5). a\uFFFDz"_s;
        QTest::newRow("25,000,000 bytes together")
                << u"cfgutil"_s
                << "@HEAD@ -c 12500000 /dev/zero; @HEAD@ -c 12500000 /dev/zero >&2"_ba
                << QByteArray() << tooLarge;
        QTest::newRow("25,000,000 bytes on standard output")
                << u"cfgutil"_s << "@HEAD@ -c 25000000 /dev/zero"_ba << QByteArray() << tooLarge;
        QTest::newRow("25,000,000 bytes and a failed status")
                << u"cfgutil"_s
                << "@HEAD@ -c 12500000 /dev/zero; @HEAD@ -c 12500000 /dev/zero >&2; exit 1"_ba
                << QByteArray() << tooLarge;
    }
    void failuresCarryExactMessages()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, payload);
        QFETCH(QString, message);
        writePayload(payload);
        const QString executable = script(body, name);
        QCOMPARE(varnoletMessage([&] { run(executable); }), message);
    }

    void detailIsCutToUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("quoted");
        QTest::newRow("5,000 letters") << u"a"_s << 5000 << 2000;
        QTest::newRow("combining accents") << u"e\u0301"_s << 5000 << 2000;
        QTest::newRow("emoji with skin tone") << u"\U0001F44D\U0001F3FD"_s << 2500 << 2000;
        QTest::newRow("flags") << u"\U0001F1EB\U0001F1F7"_s << 2001 << 2000;
        QTest::newRow("joined family")
                << u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s << 2100 << 2000;
        QTest::newRow("exactly 2,000 kept whole") << u"e\u0301"_s << 2000 << 2000;
        QTest::newRow("shorter kept whole") << u"\U0001F44D\U0001F3FD"_s << 1999 << 1999;
    }
    void detailIsCutToUserPerceivedCharacters()
    {
        QFETCH(QString, character);
        QFETCH(int, written);
        QFETCH(int, quoted);
        writePayload(character.repeated(written).toUtf8());
        const QString executable = script("@CAT@ @PAYLOAD@ >&2; exit 1"_ba);
        QCOMPARE(varnoletMessage([&] { run(executable); }),
                 u"cfgutil failed (1). "_s + character.repeated(quoted));
    }

    void stopsAChildStillRunningAtTheDeadline_data()
    {
        QTest::addColumn<double>("timeout");
        QTest::newRow("a fifth of a second") << 0.2;
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -1.0;
        QTest::newRow("not a number") << std::nan("");
    }
    void stopsAChildStillRunningAtTheDeadline()
    {
        QFETCH(double, timeout);
        const QString executable = script("printf partial; exec @SLEEP@ 5"_ba);
        QCOMPARE(varnoletMessage([&] { run(executable, {}, {}, timeout); }), timedOut);
    }

    void asksPolitelyBeforeKilling()
    {
        const QString executable = script("@SLEEP@ 10 & nap=$!\n"
                                          "trap 'kill $nap; echo stopped > @MARKER@; exit 0' TERM\n"
                                          "echo $$ > @PIDFILE@\n"
                                          "wait"_ba);
        QCOMPARE(varnoletMessage([&] { run(executable, {}, {}, 0.5); }), timedOut);
        QFile marker(workFile(u"marker"_s));
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), "stopped\n"_ba);
    }

    void killsAChildThatIgnoresTheStopAfterTheGracePeriod()
    {
        const QString executable = script("trap '' TERM; echo $$ > @PIDFILE@; exec @SLEEP@ 30"_ba);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(varnoletMessage([&] { run(executable, {}, {}, 0.5); }), timedOut);
        // Half a second to the deadline, then 300 ms of grace before the kill.
        QVERIFY2(clock.elapsed() >= 780, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(recordedPid() > 0);
    }

    void stopsARunawayWriterWhileItRuns_data()
    {
        QTest::addColumn<QByteArray>("writing");
        QTest::newRow("standard output") << "@HEAD@ -c 30000000 /dev/zero"_ba;
        QTest::newRow("standard error") << "@HEAD@ -c 30000000 /dev/zero >&2"_ba;
        QTest::newRow("exactly the limit across both")
                << "@HEAD@ -c 20000000 /dev/zero; @HEAD@ -c 5000000 /dev/zero >&2"_ba;
    }
    void stopsARunawayWriterWhileItRuns()
    {
        QFETCH(QByteArray, writing);
        // It never ends by itself: only the check while polling can stop it before the deadline.
        const QString executable = script("echo $$ > @PIDFILE@; " + writing + "; exec @SLEEP@ 30");
        QCOMPARE(varnoletMessage([&] { run(executable, {}, {}, 1.5); }), tooLarge);
        QVERIFY(recordedPid() > 0);
    }

    void buildsTheChildEnvironment_data()
    {
        QTest::addColumn<Environment>("added");
        QTest::addColumn<QByteArray>("seen");
        const QByteArray fixed = fixedPath.toUtf8();
        QTest::newRow("fixed values over inherited ones")
                << Environment()
                << "PATH=" + fixed + "|NO_COLOR=1|RECONNECT=unset|INHERITED=kept|UDID=unset";
        QTest::newRow("caller's PATH wins")
                << Environment{{u"PATH"_s, u"/caller/bin"_s}}
                << "PATH=/caller/bin|NO_COLOR=1|RECONNECT=unset|INHERITED=kept|UDID=unset"_ba;
        QTest::newRow("caller's NO_COLOR wins")
                << Environment{{u"NO_COLOR"_s, u""_s}}
                << "PATH=" + fixed + "|NO_COLOR=|RECONNECT=unset|INHERITED=kept|UDID=unset";
        QTest::newRow("reconnect variable passed when the caller gives it")
                << Environment{{u"PYMOBILEDEVICE3_RECONNECT_ANY"_s, u"yes"_s}}
                << "PATH=" + fixed + "|NO_COLOR=1|RECONNECT=yes|INHERITED=kept|UDID=unset";
        QTest::newRow("caller's value passed untouched")
                << Environment{{u"PYMOBILEDEVICE3_UDID"_s, u"00008030-001A $HOME 'ü' *"_s}}
                << "PATH=" + fixed
                        + "|NO_COLOR=1|RECONNECT=unset|INHERITED=kept|UDID=00008030-001A $HOME "
                          "'\xc3\xbc' *";
    }
    void buildsTheChildEnvironment()
    {
        QFETCH(Environment, added);
        QFETCH(QByteArray, seen);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/inherited/bin:" + path);
        qputenv("NO_COLOR", "0");
        qputenv("PYMOBILEDEVICE3_RECONNECT_ANY", "1");
        qputenv("VARNOLET_TEST_INHERITED", "kept");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qunsetenv("NO_COLOR");
            qunsetenv("PYMOBILEDEVICE3_RECONNECT_ANY");
            qunsetenv("VARNOLET_TEST_INHERITED");
        });
        const QString executable = script(
                "printf 'PATH=%s|NO_COLOR=%s|RECONNECT=%s|INHERITED=%s|UDID=%s' \"$PATH\" "
                "\"${NO_COLOR-unset}\" \"${PYMOBILEDEVICE3_RECONNECT_ANY-unset}\" "
                "\"${VARNOLET_TEST_INHERITED-unset}\" \"${PYMOBILEDEVICE3_UDID-unset}\""_ba);
        QCOMPARE(run(executable, {}, added).data, seen);
    }

    void passesArgumentsOneByOneWithoutAShell()
    {
        const QString executable = script("for a in \"$@\"; do printf '[%s]' \"$a\"; done"_ba);
        const QStringList arguments{u"a b"_s, u""_s,   u"*"_s,           u"$HOME"_s, u"'q'"_s,
                                    u"x;y"_s, u"-n"_s, u"line\nbreak"_s, u"ünï"_s,   u"`id`"_s};
        QCOMPARE(run(executable, arguments).data,
                 "[a b][][*][$HOME]['q'][x;y][-n][line\nbreak][\xc3\xbcn\xc3\xaf][`id`]"_ba);
    }

    void capturesIntoPrivateFilesNotPipes()
    {
        // The child reports where its standard streams go and with which permissions.
        const QString executable
                = script("out=$(@READLINK@ /proc/$$/fd/1); err=$(@READLINK@ /proc/$$/fd/2)\n"
                         "@STAT@ -c '%a %n' \"${out%/*}\" \"$out\" \"$err\""_ba);
        const QString listing = QString::fromUtf8(run(executable).data);
        const QString folder = QRegularExpression::escape(m_temp.path() + u"/varnolet-process-"_s)
                + u"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}"_s;
        const QRegularExpression expected(
                u"\\A700 (%1)\n600 \\1/stdout\n600 \\1/stderr\n\\z"_s.arg(folder));
        QVERIFY2(expected.match(listing).hasMatch(), qPrintable(listing));
    }

    void standardInputIsTheNullDevice()
    {
        const QString executable
                = script("if read line; then printf 'read a line'; else printf 'end of input'; fi\n"
                         "printf ' from %s' \"$(@READLINK@ /proc/$$/fd/0)\""_ba);
        QCOMPARE(run(executable, {}, {}, 2).data, "end of input from /dev/null"_ba);
    }

    void startFailuresDescribeThePathAndTheReason_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("reason");
        const QString missing = workFile(u"missing/cfgutil"_s);
        QTest::newRow("missing file") << missing << u"No such file or directory."_s;
        QTest::newRow("folder") << m_work.path() << u"Permission denied."_s;
        const QString plain = workFile(u"plain"_s);
        QFile plainFile(plain);
        plainFile.open(QIODevice::WriteOnly);
        plainFile.write("#!/bin/sh\nexit 0\n");
        plainFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QTest::newRow("not executable") << plain << u"Permission denied."_s;
        const QString garbage = workFile(u"garbage"_s);
        QFile garbageFile(garbage);
        garbageFile.open(QIODevice::WriteOnly);
        garbageFile.write("\x01\x02\x03 not a program");
        garbageFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QTest::newRow("not a program") << garbage << u"Exec format error."_s;
        // A bare name is a file in the working folder, never a program found through PATH.
        QTest::newRow("bare name of a program in PATH")
                << u"sh"_s << u"No such file or directory."_s;
    }
    void startFailuresDescribeThePathAndTheReason()
    {
        QFETCH(QString, executable);
        QFETCH(QString, reason);
        const QString folder = QDir::currentPath();
        QTemporaryDir empty(m_work.filePath(u"cwd-XXXXXX"_s));
        QVERIFY(QDir::setCurrent(empty.path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(folder); });
        QCOMPARE(platformDescription([&] { run(executable); }),
                 u"Could not start "_s + executable + u": "_s + reason);
    }

    void bareNameRunsFromTheWorkingFolder()
    {
        const QString executable = script("printf local"_ba);
        const QString folder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QFileInfo(executable).path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(folder); });
        QCOMPARE(run(u"cfgutil"_s).data, "local"_ba);
    }

    void refusesCommandsTheSystemWouldAlter_data()
    {
        QTest::addColumn<bool>("emptyPath");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Environment>("added");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no program")
                << true << QStringList() << Environment()
                << u"Could not start the device command: no program was given."_s;
        QTest::newRow("null character in an argument")
                << false << QStringList{u"--ecid"_s, u"12\u000034"_s} << Environment()
                << u"its command line contains a null character."_s;
        QTest::newRow("equals sign in a variable name")
                << false << QStringList() << Environment{{u"A=B"_s, u"1"_s}}
                << u"the environment variable “A=B” cannot be passed to it."_s;
        QTest::newRow("empty variable name")
                << false << QStringList() << Environment{{u""_s, u"1"_s}}
                << u"the environment variable “” cannot be passed to it."_s;
        QTest::newRow("null character in a value")
                << false << QStringList() << Environment{{u"PYMOBILEDEVICE3_UDID"_s, u"a\u0000b"_s}}
                << u"the environment variable “PYMOBILEDEVICE3_UDID” cannot be passed to it."_s;
    }
    void refusesCommandsTheSystemWouldAlter()
    {
        QFETCH(bool, emptyPath);
        QFETCH(QStringList, arguments);
        QFETCH(Environment, added);
        QFETCH(QString, problem);
        const QString executable = emptyPath ? QString() : script("echo ran > @MARKER@"_ba);
        const QString expected
                = emptyPath ? problem : u"Could not start "_s + executable + u": "_s + problem;
        QCOMPARE(varnoletMessage([&] { run(executable, arguments, added); }), expected);
        QVERIFY(!QFile::exists(workFile(u"marker"_s)));
    }

    void captureFolderProblems()
    {
        const QString executable = script("printf ok"_ba);
        const auto restore
                = qScopeGuard([&] { qputenv("TMPDIR", QFile::encodeName(m_temp.path())); });

        // Missing folders on the way are made.
        const QString nested = m_temp.filePath(u"a/b"_s);
        qputenv("TMPDIR", QFile::encodeName(nested));
        QCOMPARE(run(executable).data, "ok"_ba);
        QVERIFY(QDir(nested).exists());
        QVERIFY(QDir(nested).isEmpty());
        QVERIFY(QDir(m_temp.filePath(u"a"_s)).removeRecursively());

        // A folder name relative to nowhere in particular is refused, not guessed.
        qputenv("TMPDIR", "relative/tmp");
        QCOMPARE(platformDescription([&] { run(executable); }),
                 u"Could not create the temporary folder relative/tmp."_s);
        QVERIFY(QDir(u"/"_s).entryList({u"varnolet-process-*"_s}, QDir::AllEntries).isEmpty());

        const QString notAFolder = workFile(u"not-a-folder"_s);
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("TMPDIR", QFile::encodeName(notAFolder));
        const QString description = platformDescription([&] { run(executable); });
        const QRegularExpression expected(
                u"\\ACould not create the temporary folder %1/varnolet-process-[0-9A-F-]{36}: Not a directory\\.\\z"_s
                        .arg(QRegularExpression::escape(notAFolder)));
        QVERIFY2(expected.match(description).hasMatch(), qPrintable(description));
    }

    void concurrentRunsKeepTheirOwnOutput()
    {
        const QString executable
                = script("@SLEEP@ 0.2; printf '%s' \"$1\"; printf '%s' \"$1\" >&2"_ba);
        constexpr int runs = 4;
        QList<QString> results(runs);
        std::vector<std::thread> threads;
        for (int index = 0; index < runs; ++index) {
            threads.emplace_back([&, index] {
                const QString word = u"run %1"_s.arg(index);
                try {
                    const CommandOutput output = run(executable, {word});
                    results[index] = output.data == word.toUtf8() && output.standardError == word
                            ? u"ok"_s
                            : QString::fromUtf8(output.data);
                } catch (const std::exception &error) {
                    results[index] = PlatformError::describe(error);
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(results, QList<QString>(runs, u"ok"_s));
    }
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "processrunnertest.moc"
