#include "applicationfonts.h"
#include "desktoppanels.h"
#include "varnoletmodel.h"

#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSurfaceFormat>
#include <QUrl>

#ifdef Q_OS_MACOS
#include "macwindowstyle.h"
#endif

Q_IMPORT_QML_PLUGIN(VarnoletPlugin)

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QGuiApplication::setApplicationName(u"Varnolet"_s);
    QGuiApplication::setApplicationDisplayName(u"Varnolet"_s);
    QGuiApplication::setApplicationVersion(u"0.1.0"_s);
    QGuiApplication::setOrganizationName(u"Varnolet"_s);
    QGuiApplication::setDesktopFileName(u"varnolet"_s);
    // Rounded shapes (phone, tiles, Dock) are vector paths: multisampling smooths their edges.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSamples(4);
    QSurfaceFormat::setDefaultFormat(format);

    QGuiApplication app(argc, argv);
    app.setWindowIcon(QIcon(u":/varnolet/packaging/varnolet.svg"_s));
    QQuickStyle::setStyle(u"Basic"_s);
    ApplicationFonts::install();

    DesktopPanels panels;
    VarnoletModel model(QGuiApplication::arguments(), &panels);

    QQmlApplicationEngine engine;
    engine.addImportPath(u"qrc:/qt/qml"_s);
    engine.setInitialProperties({
            {u"model"_s, QVariant::fromValue(&model)},
            {u"panels"_s, QVariant::fromValue(&panels)},
    });
    engine.load(QUrl(u"qrc:/qt/qml/Varnolet/Main.qml"_s));
    if (engine.rootObjects().isEmpty())
        return 1;

#ifdef Q_OS_MACOS
    if (auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst())) {
        MacWindowStyle::hideTitleBar(window);
        MacWindowStyle::activate();
    }
#endif
    return app.exec();
}
