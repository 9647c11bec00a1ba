#pragma once

#include "devicetestsupport.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

/// One run of the built varnolet-cli: its exit status and both output streams.
struct CliRun
{
    int status = -1;
    QByteArray out;
    QString err;

    /// `output`: empty to capture standard output, "closed" to close it, or a file such as
    /// /dev/full; `meanwhile` is called once the program runs.
    static CliRun start(const QStringList &arguments, const QByteArray &input = {},
                        const QProcessEnvironment &environment = {}, const QString &output = {},
                        const std::function<void(QProcess &)> &meanwhile = {})
    {
        QProcess process;
        if (!environment.isEmpty()) // else the program inherits this one's
            process.setProcessEnvironment(environment);
        if (output == QStringLiteral("closed"))
            process.setChildProcessModifier([] { ::close(1); });
        else if (!output.isEmpty())
            process.setStandardOutputFile(output);
        process.start(QStringLiteral(VARNOLET_CLI), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (meanwhile)
            meanwhile(process);
        if (!process.waitForFinished(120000))
            qFatal("varnolet-cli did not finish");
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    /// Writes a file the command line names and returns its path.
    static QString write(const QString &path, const QByteArray &data)
    {
        if (!TestSupport::writeFile(path, data))
            qFatal("cannot write a test file");
        return path;
    }
};
