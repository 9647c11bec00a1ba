#include "processrunner.h"

#include "interrupted.h"
#include "platformerror.h"
#include "usertext.h"
#include "varnoleterror.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringBuilder>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Standard output and standard error together; decimal on purpose.
constexpr qint64 outputLimit = 25'000'000;
constexpr int pollMilliseconds = 50;
constexpr int graceMilliseconds = 300;

const auto captureFolderMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
const auto captureFileMode = QFile::ReadOwner | QFile::WriteOwner;

QString timedOutMessage()
{
    return u"The device command timed out. Unlock your iPhone, check the USB cable, and close "
           "Configurator's window. If this happened while applying, check your phone before "
           "trying another write."_s;
}

QString largeOutputMessage()
{
    return u"Device output was unexpectedly large."_s;
}

void refuseUnusableCommand(const QString &executable, const QStringList &arguments,
                           const QHash<QString, QString> &environment)
{
    if (executable.isEmpty())
        throw VarnoletError(u"Could not start the device command: no program was given."_s);
    // The operating system ends every string at a null character, so such a command would run
    // with different words than asked for.
    if (executable.contains(QChar::Null)
        || std::any_of(arguments.cbegin(), arguments.cend(),
                       [](const QString &argument) { return argument.contains(QChar::Null); }))
        throw VarnoletError(
                u"Could not start %1: its command line contains a null character."_s.arg(
                        executable));
    for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
        if (it.key().isEmpty() || it.key().contains(u'=') || it.key().contains(QChar::Null)
            || it.value().contains(QChar::Null))
            throw VarnoletError(
                    u"Could not start %1: the environment variable “%2” cannot be passed to it."_s
                            .arg(executable, it.key()));
    }
}

QString createCaptureFolder()
{
    QString base = QDir::tempPath();
    if (base.isEmpty()) {
        // Qt names no temporary folder while the one TMPDIR asks for does not exist; make it.
        const QString wanted = QDir::cleanPath(qEnvironmentVariable("TMPDIR"));
        if (QDir::isAbsolutePath(wanted) && QDir().mkpath(wanted))
            base = QDir(wanted).canonicalPath();
    }
    if (base.isEmpty())
        throw PlatformError(
                u"Could not create the temporary folder %1."_s.arg(qEnvironmentVariable("TMPDIR")));
    const QString path = base % u"/varnolet-process-"_s
            % QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    // mkdir itself rather than QDir, which does not tell why it failed.
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
        const int reason = errno;
        throw PlatformError(u"Could not create the temporary folder %1: %2."_s.arg(
                path, qt_error_string(reason)));
    }
    // The umask can only have taken bits away; set the mode exactly all the same.
    QFile::setPermissions(path, captureFolderMode);
    return path;
}

void openCapture(QFile &file)
{
    if (!file.open(QIODevice::ReadWrite | QIODevice::NewOnly, captureFileMode))
        throw PlatformError(u"Could not create the output file %1: %2."_s.arg(file.fileName(),
                                                                              file.errorString()));
    file.setPermissions(captureFileMode);
}

QByteArray readCapture(QFile &file)
{
    QByteArray bytes;
    if (file.seek(0))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PlatformError(u"Could not read the output file %1: %2."_s.arg(file.fileName(),
                                                                            file.errorString()));
    return bytes;
}

QProcessEnvironment childEnvironment(const QHash<QString, QString> &added)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PATH"_s,
                       u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_s);
    environment.insert(u"NO_COLOR"_s, u"1"_s);
    environment.remove(u"PYMOBILEDEVICE3_RECONNECT_ANY"_s);
    for (auto it = added.cbegin(); it != added.cend(); ++it)
        environment.insert(it.key(), it.value());
    return environment;
}

// QProcess looks a name without a slash up in PATH; "./" keeps it a path in the working folder.
QString programPath(const QString &executable)
{
    return executable.contains(u'/') ? executable : u"./"_s % executable;
}

PlatformError startFailure(const QString &executable, const QProcess &child)
{
    // Qt words the reason as "<system call>: <reason>"; the user needs only the reason.
    const QRegularExpression systemCall(u"^exec\\w*: "_s);
    QString reason = child.errorString();
    reason.remove(systemCall);
    if (!reason.endsWith(u'.'))
        reason += u'.';
    return PlatformError(u"Could not start %1: %2"_s.arg(executable, reason));
}

QDeadlineTimer deadlineAfter(double timeout)
{
    // NaN, zero and negative time-outs leave no time at all.
    if (!(timeout > 0))
        return QDeadlineTimer(0);
    if (timeout >= 1e9)
        return QDeadlineTimer(QDeadlineTimer::Forever);
    QDeadlineTimer deadline;
    deadline.setPreciseRemainingTime(0, qint64(std::ceil(timeout * 1e9)));
    return deadline;
}

int nextPollMilliseconds(const QDeadlineTimer &deadline)
{
    if (deadline.isForever())
        return pollMilliseconds;
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, pollMilliseconds));
}

QString interruptedMessage()
{
    return u"Interrupted. Nothing was written to the iPhone."_s;
}

// A tool may be a wrapper that starts workers of its own; in a group of their own they can all be
// stopped together, and the terminal's Ctrl-C reaches only this program, which decides.
void startInOwnGroup(QProcess &child)
{
    child.setChildProcessModifier([] {
        ::setpgid(0, 0);
        // The command-line program ignores SIGPIPE for itself; the tool gets the usual behaviour.
        ::signal(SIGPIPE, SIG_DFL);
    });
}

// The polite request to the whole group first; whatever is left of it after the grace period is
// killed, and the child reaped. A group that is already empty costs three system calls.
void stopGroup(QProcess &child, pid_t group)
{
    const QDeadlineTimer grace(graceMilliseconds);
    ::kill(-group, SIGTERM);
    if (child.state() != QProcess::NotRunning)
        child.waitForFinished(int(grace.remainingTime()));
    while (::kill(-group, 0) == 0 && !grace.hasExpired())
        QThread::msleep(10);
    ::kill(-group, SIGKILL);
    if (child.state() != QProcess::NotRunning)
        child.waitForFinished(-1);
}

} // namespace

CommandOutput ProcessRunner::run(const QString &executable, const QStringList &arguments,
                                 const QHash<QString, QString> &environment, double timeout) const
{
    refuseUnusableCommand(executable, arguments, environment);

    const QString folder = createCaptureFolder();
    const auto removeFolder = qScopeGuard([&folder] { QDir(folder).removeRecursively(); });
    // Declared after the guard, so both files are closed before their folder is removed.
    QFile outputFile(folder % u"/stdout"_s);
    QFile errorFile(folder % u"/stderr"_s);
    openCapture(outputFile);
    openCapture(errorFile);
    const auto capturedBytes = [&] { return outputFile.size() + errorFile.size(); };

    QProcess child;
    child.setProgram(programPath(executable));
    child.setArguments(arguments);
    child.setProcessEnvironment(childEnvironment(environment));
    child.setStandardInputFile(QProcess::nullDevice());
    // Straight into the files: a talkative child never stalls on a full pipe.
    child.setStandardOutputFile(outputFile.fileName());
    child.setStandardErrorFile(errorFile.fileName());
    startInOwnGroup(child);
    if (const int signal = interruption())
        throw Interrupted(signal, interruptedMessage());
    child.start();
    if (!child.waitForStarted(-1))
        throw startFailure(executable, child);
    const pid_t group = pid_t(child.processId());
    // Also from this side, so that no stop can come before the child has made its group.
    ::setpgid(group, group);
    // Whatever ends this call, no process of the child's group outlives it.
    bool stopped = false;
    const auto stop = [&] {
        if (!std::exchange(stopped, true))
            stopGroup(child, group);
    };
    const auto reap = qScopeGuard(stop);

    const QDeadlineTimer deadline = deadlineAfter(timeout);
    while (child.state() != QProcess::NotRunning) {
        // Checked while it runs too, so that a runaway tool cannot fill the disk first.
        if (capturedBytes() >= outputLimit) {
            stop();
            throw VarnoletError(largeOutputMessage());
        }
        if (deadline.hasExpired()) {
            stop();
            throw VarnoletError(timedOutMessage());
        }
        if (const int signal = interruption()) {
            stop();
            throw Interrupted(signal, interruptedMessage());
        }
        child.waitForFinished(nextPollMilliseconds(deadline));
    }
    // Workers the tool left behind are stopped before its output is looked at.
    stop();

    // Before anything is read into memory, and before the exit status is looked at.
    if (capturedBytes() >= outputLimit)
        throw VarnoletError(largeOutputMessage());
    const QByteArray data = readCapture(outputFile);
    const QString errorText = QString::fromUtf8(readCapture(errorFile));

    // A child killed by a signal counts as failed whatever Qt keeps as its exit code (the signal).
    if (child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0) {
        const QString detail = errorText.isEmpty() ? QString::fromUtf8(data) : errorText;
        throw VarnoletError(QFileInfo(executable).fileName() % u" failed ("_s
                            % QString::number(child.exitCode()) % u"). "_s
                            % UserText::quoted(detail));
    }
    return CommandOutput{data, errorText};
}
