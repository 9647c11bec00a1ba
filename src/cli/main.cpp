#include "commandline.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnolet-cli"));
    return CommandLine::run(QCoreApplication::arguments());
}
