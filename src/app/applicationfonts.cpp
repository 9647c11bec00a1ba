#include "applicationfonts.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>

using namespace Qt::StringLiterals;

namespace {
Q_LOGGING_CATEGORY(fonts, "varnolet.fonts")
}

void ApplicationFonts::install()
{
    const QDir folder(u":/varnolet/fonts"_s);
    const QStringList files = folder.entryList({u"*.ttf"_s}, QDir::Files);
    for (const QString &file : files) {
        if (QFontDatabase::addApplicationFont(folder.filePath(file)) < 0)
            qCWarning(fonts) << "Could not register the bundled font" << file;
    }
#ifndef Q_OS_MACOS
    QFont interfaceFont(u"Inter"_s);
    interfaceFont.setPixelSize(13);
    QGuiApplication::setFont(interfaceFont);
#endif
}
