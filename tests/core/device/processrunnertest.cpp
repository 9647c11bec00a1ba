#include "processrunner.h"
#include "devicetestsupport.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <limits>

using namespace Qt::StringLiterals;
using namespace TestSupport;

using Environment = QHash<QString, QString>;

namespace {

CommandOutput run(const QString &executable, const QStringList &arguments = {},
                  const Environment &environment = {}, double timeout = 10)
{
    return ProcessRunner().run(executable, arguments, environment, timeout);
}

// The capture folder's random name made fixed.
QString anonymous(QString text)
{
    return text.replace(QRegularExpression(u"process-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}"_s),
                        u"process-ID"_s);
}

// Gone, or a zombie no one has reaped yet; looked up by its pid, whoever its parent now is.
bool isGone(pid_t pid)
{
    return ::kill(pid, 0) != 0
            || readFile(u"/proc/%1/stat"_s.arg(pid)).split(')').last().trimmed().startsWith('Z');
}

} // namespace

class ProcessRunnerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    QTemporaryDir m_temp;
    QHash<QByteArray, QByteArray> m_tools;
    int m_scripts = 0;

    QString workFile(const QString &name) const { return m_work.filePath(name); }
    // A "#!/bin/sh" script in a folder of its own; @TOOL@ names become absolute paths, so that
    // scripts do not depend on the PATH they are given.
    QString script(QByteArray body)
    {
        for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
            body.replace(it.key(), it.value());
        const QString folder = workFile(u"script-"_s + QString::number(++m_scripts));
        QFile file(folder + u"/cfgutil"_s);
        QDir().mkpath(folder);
        if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body + '\n') < 0)
            qFatal("cannot write a test script");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The working folder, where a bare program name would be looked for, holds no programs.
        QVERIFY(m_work.isValid() && m_temp.isValid() && QDir::setCurrent(m_work.path()));
        for (const char *tool : {"head", "sleep", "readlink", "stat"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            QVERIFY2(!path.isEmpty(), tool);
            m_tools.insert('@' + QByteArray(tool).toUpper() + '@', QFile::encodeName(path));
        }
        m_tools.insert("@MARKER@", QFile::encodeName(workFile(u"marker"_s)));
        // Writes the second word as many times as the first says.
        m_tools.insert("@REPEAT@",
                       "repeat() { i=0; while [ $i -lt $1 ]; do printf '%s' \"$2\"; i=$((i+1)); "
                       "done; }; repeat");
        // Capture folders go here, where cleanup() can see that none is left behind.
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    }

    void init() { QFile::remove(workFile(u"marker"_s)); }

    void cleanup()
    {
        QCOMPARE(entries(m_temp.path()), QStringList());
        QCOMPARE(childProcessCount(), 0);
    }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("timeout");
        QTest::addColumn<QString>("message");
        const auto row
                = [](const char *title, const QByteArray &body, const QString &message,
                     double timeout = 10) { QTest::newRow(title) << body << timeout << message; };
        // A worker that ignores the polite stop, so that only the kill of the whole group ends it.
        const QByteArray worker = "(trap '' TERM; exec @SLEEP@ 30) & echo $! > @MARKER@; ";
        // clang-format off
        row("both streams, no time limit", "printf 'out\\n'; printf 'err' >&2", u"out\n|err"_s, std::numeric_limits<double>::infinity());
        row("invalid UTF-8 decoded only on standard error", "printf '\\377 ok \\303'; printf '\\377 ok \\303' >&2", QString::fromLatin1("\xff ok \xc3") + u"|\uFFFD ok \uFFFD"_s);
        row("24,999,999 bytes together", "@HEAD@ -c 12500000 /dev/zero; @HEAD@ -c 12499999 /dev/zero >&2", QString(12'500'000, QChar::Null) + u'|' + QString(12'499'999, QChar::Null));
        row("standard error wins, untrimmed", "printf out; printf '  boom\\n' >&2; exit 4", u"cfgutil failed (4).   boom\n"_s);
        row("standard output when standard error is empty", "printf x; exit 2", u"cfgutil failed (2). x"_s);
        // The quoted detail is cut to 2,000 user-perceived characters.
        row("5,000 letters cut", "@REPEAT@ 5000 a >&2; exit 1", u"cfgutil failed (1). "_s + QString(2000, u'a'));
        row("emoji with skin tone cut whole", "@REPEAT@ 2500 '\U0001F44D\U0001F3FD' >&2; exit 1", u"cfgutil failed (1). "_s + u"\U0001F44D\U0001F3FD"_s.repeated(2000));
        row("2,000 accented letters kept", "@REPEAT@ 2000 'e\u0301' >&2; exit 1", u"cfgutil failed (1). "_s + u"e\u0301"_s.repeated(2000));
        row("25,000,000 bytes after a success", "@HEAD@ -c 25000000 /dev/zero", tooLarge);
        row("25,000,000 bytes across both streams, then a failure", "@HEAD@ -c 12500000 /dev/zero; @HEAD@ -c 12500000 /dev/zero >&2; exit 1", tooLarge);
        // These never end by themselves: only the check while polling stops them in time.
        row("runaway writer at exactly the limit across both streams", "@HEAD@ -c 20000000 /dev/zero; @HEAD@ -c 5000000 /dev/zero >&2; exec @SLEEP@ 30", tooLarge, 1.5);
        // A wrapper's worker, its pid in the marker, is stopped with it however the run ends.
        row("worker of a wrapper that ended", worker + "exit 0", u"|"_s, 1.5);
        row("worker of a wrapper that timed out", worker + "exec @SLEEP@ 30", timedOut, 1.5);
        row("worker of a runaway writer", worker + "@HEAD@ -c 30000000 /dev/zero; exec @SLEEP@ 30", tooLarge, 1.5);
        row("deadline not a number", "exec @SLEEP@ 5", timedOut, std::nan(""));
        // clang-format on
    }
    void outcomes()
    {
        QFETCH(QByteArray, body);
        QFETCH(double, timeout);
        QFETCH(QString, message);
        const QString executable = script(body);
        CommandOutput output;
        const QString failure = failureOf([&] { output = run(executable, {}, {}, timeout); });
        // What the child wrote, "standard output|standard error", or the failure.
        QCOMPARE(failure.isEmpty() ? QString::fromLatin1(output.data) + u'|' + output.standardError
                                   : failure,
                 message);
        const QByteArray worker = readFile(workFile(u"marker"_s)).trimmed();
        QTRY_VERIFY_WITH_TIMEOUT(worker.isEmpty() || isGone(pid_t(worker.toInt())), 2000);
    }

    // The polite stop first (the marker), then the kill once 300 ms of grace have passed.
    void stopsPolitelyThenKills()
    {
        const QString stubborn = script(
                "trap 'echo stopped > @MARKER@' TERM; @SLEEP@ 30 & wait; exec @SLEEP@ 30"_ba);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(failureOf([&] { run(stubborn, {}, {}, 0.5); }), timedOut);
        QVERIFY2(clock.elapsed() >= 780 && clock.elapsed() < 2500,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(readFile(workFile(u"marker"_s)), "stopped\n"_ba);
    }

    void whatTheChildSees()
    {
        // Left set: the runner overrides or drops all but the last, which nothing else reads.
        qputenv("PATH", "/inherited/bin:" + qgetenv("PATH"));
        qputenv("NO_COLOR", "0");
        qputenv("PYMOBILEDEVICE3_RECONNECT_ANY", "1");
        qputenv("VARNOLET_TEST_INHERITED", "kept");
        const QString executable
                = script("printf '%s|%s|%s|%s\\n' \"$PATH\" \"${NO_COLOR-unset}\" "
                         "\"${PYMOBILEDEVICE3_RECONNECT_ANY-unset}\" \"$VARNOLET_TEST_INHERITED\"\n"
                         "for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo\n"
                         "if read line; then echo input; else @READLINK@ /proc/$$/fd/0; fi\n"
                         "out=$(@READLINK@ /proc/$$/fd/1); err=$(@READLINK@ /proc/$$/fd/2)\n"
                         "@STAT@ -c '%a %n' \"${out%/*}\" \"$out\" \"$err\""_ba);

        // Fixed values over inherited ones, the reconnect switch dropped; arguments one by one,
        // no input, output in private files.
        const QStringList arguments{u"a b"_s, u""_s,   u"*"_s,           u"$HOME"_s, u"'q'"_s,
                                    u"x;y"_s, u"-n"_s, u"line\nbreak"_s, u"ünï"_s,   u"`id`"_s};
        QCOMPARE(anonymous(QString::fromUtf8(run(executable, arguments).data)),
                 u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin|1|unset|kept\n"
                 "[a b][][*][$HOME]['q'][x;y][-n][line\nbreak][ünï][`id`]\n/dev/null\n"
                 "700 %1\n600 %1/stdout\n600 %1/stderr\n"_s.arg(m_temp.path()
                                                                + u"/varnolet-process-ID"_s));

        // The caller's values win, passed untouched.
        const Environment added{{u"PATH"_s, u"/caller/bin"_s},
                                {u"PYMOBILEDEVICE3_RECONNECT_ANY"_s, u"$HOME 'ü' *"_s}};
        QVERIFY(run(executable, {}, added)
                        .data.startsWith("/caller/bin|1|$HOME '\xc3\xbc' *|kept\n"));
    }

    void refusedOrNotStarted_data()
    {
        QTest::addColumn<QString>("executable"); // "script": one that leaves a marker
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Environment>("added");
        QTest::addColumn<QString>("temporary"); // TMPDIR, unless empty; %1: the executable
        QTest::addColumn<QString>("message");   // %1: the executable
        const QString script = u"script"_s;
        const QString plain = workFile(u"plain"_s);
        QFile(plain).open(QIODevice::WriteOnly);
        // clang-format off
        QTest::newRow("no program") << QString() << QStringList() << Environment() << QString() << u"Could not start the device command: no program was given."_s;
        QTest::newRow("null character in an argument") << script << QStringList{u"--ecid"_s, u"12\u000034"_s} << Environment() << QString() << u"Could not start %1: its command line contains a null character."_s;
        QTest::newRow("equals sign in a variable name") << script << QStringList() << Environment{{u"A=B"_s, u"1"_s}} << QString() << u"Could not start %1: the environment variable “A=B” cannot be passed to it."_s;
        QTest::newRow("missing file") << workFile(u"missing/cfgutil"_s) << QStringList() << Environment() << QString() << u"Could not start %1: No such file or directory."_s;
        QTest::newRow("not executable") << plain << QStringList() << Environment() << QString() << u"Could not start %1: Permission denied."_s;
        // A bare name is a file in the working folder, never a program found through PATH.
        QTest::newRow("bare name of a program in PATH") << u"sh"_s << QStringList() << Environment() << QString() << u"Could not start %1: No such file or directory."_s;
        // A relative temporary folder is refused, not guessed.
        QTest::newRow("temporary folder relative") << script << QStringList() << Environment() << u"relative/tmp"_s << u"Could not create the temporary folder relative/tmp."_s;
        QTest::newRow("temporary folder a file") << script << QStringList() << Environment() << u"%1"_s << u"Could not create the temporary folder %1/varnolet-process-ID: Not a directory."_s;
        // clang-format on
    }
    void refusedOrNotStarted()
    {
        QFETCH(QString, executable);
        QFETCH(QStringList, arguments);
        QFETCH(Environment, added);
        QFETCH(QString, temporary);
        QFETCH(QString, message);
        if (executable == u"script"_s)
            executable = script("echo ran > @MARKER@"_ba);
        if (!temporary.isEmpty())
            qputenv("TMPDIR", QFile::encodeName(QString(temporary).replace(u"%1"_s, executable)));
        const auto restore
                = qScopeGuard([&] { qputenv("TMPDIR", QFile::encodeName(m_temp.path())); });
        QCOMPARE(anonymous(failureOf([&] { run(executable, arguments, added); })),
                 message.replace(u"%1"_s, executable));
        QVERIFY(!QFile::exists(workFile(u"marker"_s)));
    }
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "processrunnertest.moc"
