#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

/// One run of the built varnolet-cli: its exit status and both output streams.
struct CliRun
{
    int status = -1;
    QByteArray out;
    QString err;

    static CliRun start(const QStringList &arguments, const QByteArray &input = {},
                        const QProcessEnvironment &environment
                        = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VARNOLET_CLI), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(120000))
            qFatal("varnolet-cli did not finish");
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }
};
