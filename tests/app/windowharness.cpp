#include "windowharness.h"

#include "applicationfonts.h"

#include <QDesktopServices>
#include <QFile>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QSaveFile>
#include <QTest>

Q_IMPORT_QML_PLUGIN(VarnoletPlugin)

using namespace Qt::StringLiterals;

namespace {

// Warnings reach the harness through Qt's message handler, which has no context argument.
QMutex harnessLock;
WindowHarness *currentHarness = nullptr;
QStringList *currentWarnings = nullptr;
QtMessageHandler previousHandler = nullptr;

void collectMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker locker(&harnessLock);
        const bool relevant = type != QtDebugMsg && type != QtInfoMsg
                && !message.startsWith(u"QStandardPaths:"_s);
        if (currentWarnings && relevant)
            currentWarnings->append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

void findItems(QQuickItem *item, const QString &name, QList<QQuickItem *> &found)
{
    if (item->objectName() == name)
        found.append(item);
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children)
        findItems(child, name, found);
}

bool reallyVisible(const QQuickItem *item)
{
    for (const QQuickItem *at = item; at; at = at->parentItem()) {
        if (!at->isVisible() || at->opacity() <= 0)
            return false;
    }
    return true;
}

} // namespace

WindowHarness::WindowHarness(const QStringList &arguments, bool withConfigurator)
{
    if (!m_home.isValid())
        return;
    qputenv("HOME", QFile::encodeName(m_home.path()));
    m_worldPath = m_home.filePath(u"world.json"_s);
    qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_worldPath));
    writeWorld({});

    static const bool styled = [] {
        QQuickStyle::setStyle(u"Basic"_s);
        ApplicationFonts::install();
        return true;
    }();
    Q_UNUSED(styled);

    {
        QMutexLocker locker(&harnessLock);
        currentHarness = this;
        currentWarnings = &m_warnings;
        previousHandler = qInstallMessageHandler(collectMessage);
    }
    for (const QString &scheme :
         {u"file"_s, u"https"_s, u"http"_s, u"macappstore"_s, u"itms-apps"_s})
        QDesktopServices::setUrlHandler(scheme, this, "openUrl");

    m_panels = std::make_unique<DesktopPanels>();
    m_model = std::make_unique<VarnoletModel>(QStringList{u"varnolet"_s} + arguments,
                                              m_panels.get());
    m_model->setConfiguratorPath(
            withConfigurator ? std::optional<QString>(QStringLiteral(VARNOLET_FAKE_CFGUTIL))
                             : std::nullopt);
    m_model->setFallbackReaderPath(std::nullopt);

    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->addImportPath(u"qrc:/qt/qml"_s);
    QObject::connect(m_engine.get(), &QQmlEngine::warnings, this,
                     [this](const QList<QQmlError> &errors) {
                         for (const QQmlError &error : errors)
                             m_warnings.append(error.toString());
                     });
    m_engine->setInitialProperties({{u"model"_s, QVariant::fromValue(m_model.get())},
                                    {u"panels"_s, QVariant::fromValue(m_panels.get())}});
    m_engine->load(QUrl(u"qrc:/qt/qml/Varnolet/Main.qml"_s));
    if (m_engine->rootObjects().isEmpty())
        return;
    m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
    if (!m_window)
        return;
    m_window->resize(1260, 850);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        m_window = nullptr;
    settle();
}

WindowHarness::~WindowHarness()
{
    for (const QString &scheme :
         {u"file"_s, u"https"_s, u"http"_s, u"macappstore"_s, u"itms-apps"_s})
        QDesktopServices::unsetUrlHandler(scheme);
    m_engine.reset();
    m_model.reset();
    m_panels.reset();
    QMutexLocker locker(&harnessLock);
    if (currentHarness == this) {
        qInstallMessageHandler(previousHandler);
        currentHarness = nullptr;
        currentWarnings = nullptr;
    }
}

void WindowHarness::writeWorld(const World &world)
{
    const QJsonObject json{{u"devices"_s, world.devices},
                           {u"faults"_s, world.faults},
                           {u"journal"_s, QJsonArray()}};
    QSaveFile file(m_worldPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(json).toJson());
        file.commit();
    }
}

QJsonObject WindowHarness::world() const
{
    QFile file(m_worldPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

int WindowHarness::calls(const QString &command) const
{
    int count = 0;
    const QJsonArray journal = world().value(u"journal"_s).toArray();
    for (const QJsonValue &entry : journal)
        count += entry.toObject().value(u"command"_s).toString() == command ? 1 : 0;
    return count;
}

QQuickItem *WindowHarness::item(const QString &objectName) const
{
    if (!m_window)
        return nullptr;
    QList<QQuickItem *> found;
    findItems(m_window->contentItem(), objectName, found);
    for (QQuickItem *candidate : std::as_const(found)) {
        if (reallyVisible(candidate))
            return candidate;
    }
    return found.isEmpty() ? nullptr : found.constFirst();
}

QList<QQuickItem *> WindowHarness::items(const QString &prefix) const
{
    QList<QQuickItem *> found;
    if (!m_window)
        return found;
    QList<QQuickItem *> pending{m_window->contentItem()};
    while (!pending.isEmpty()) {
        QQuickItem *at = pending.takeFirst();
        if (at->objectName().startsWith(prefix) && reallyVisible(at))
            found.append(at);
        pending = at->childItems() + pending;
    }
    return found;
}

void WindowHarness::scrollToEnd(const QString &objectName)
{
    if (QQuickItem *flickable = item(objectName)) {
        const qreal end = flickable->property("contentHeight").toReal() - flickable->height();
        flickable->setProperty("contentY", std::max<qreal>(0, end));
        settle();
    }
}

bool WindowHarness::isShown(const QString &objectName) const
{
    const QQuickItem *found = item(objectName);
    return found && reallyVisible(found);
}

QVariant WindowHarness::value(const QString &objectName, const char *property) const
{
    const QQuickItem *found = item(objectName);
    return found ? found->property(property) : QVariant();
}

bool WindowHarness::isEnabled(const QString &objectName) const
{
    const QQuickItem *found = item(objectName);
    return found && found->isEnabled();
}

bool WindowHarness::isDisabled(const QString &objectName) const
{
    const QQuickItem *found = item(objectName);
    return found && !found->isEnabled();
}

QObject *WindowHarness::object(const QString &objectName) const
{
    if (!m_window)
        return nullptr;
    if (QQuickItem *found = item(objectName))
        return found;
    return m_window->findChild<QObject *>(objectName);
}

QString WindowHarness::text(const QString &objectName) const
{
    const QObject *found = object(objectName);
    return found ? found->property("text").toString() : QString();
}

QString WindowHarness::click(const QString &objectName)
{
    QQuickItem *target = item(objectName);
    if (!target)
        return u"no item named "_s + objectName;
    const QString failure = clickItem(target);
    return failure.isEmpty() ? QString() : objectName + u": "_s + failure;
}

// A person scrolls a control into view before clicking it; a click on a spot another item covers
// would otherwise land on that item.
void WindowHarness::scrollIntoView(QQuickItem *target)
{
    for (QQuickItem *parent = target->parentItem(); parent; parent = parent->parentItem()) {
        if (!parent->inherits("QQuickFlickable"))
            continue;
        const QRectF box = target->mapRectToItem(parent, target->boundingRect());
        const qreal contentY = parent->property("contentY").toReal();
        if (box.top() < 0)
            parent->setProperty("contentY", contentY + box.top());
        else if (box.bottom() > parent->height())
            parent->setProperty("contentY", contentY + box.bottom() - parent->height());
        settle();
        return;
    }
}

QString WindowHarness::clickItem(QQuickItem *target)
{
    settle();
    if (!reallyVisible(target))
        return u"not visible"_s;
    if (!target->isEnabled())
        return u"disabled"_s;
    scrollIntoView(target);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    if (!QRectF(QPointF(0, 0), m_window->size()).contains(centre))
        return u"outside the window at %1, %2"_s.arg(centre.x()).arg(centre.y());
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    settle();
    return {};
}

QString WindowHarness::drag(QQuickItem *from, QPointF to, const std::function<void()> &whileHeld)
{
    settle();
    if (!from || !reallyVisible(from))
        return u"nothing visible to drag"_s;
    const QPointF start = from->mapToScene(QPointF(from->width() / 2, from->height() / 2));
    const QRectF window(QPointF(0, 0), m_window->size());
    if (!window.contains(start) || !window.contains(to))
        return u"the drag leaves the window"_s;
    QTest::mousePress(m_window, Qt::LeftButton, Qt::NoModifier, start.toPoint());
    for (int step = 1; step <= 10; ++step) {
        QTest::mouseMove(m_window, (start + (to - start) * step / 10.0).toPoint());
        QTest::qWait(5);
    }
    settle();
    if (whileHeld)
        whileHeld();
    QTest::mouseRelease(m_window, Qt::LeftButton, Qt::NoModifier, to.toPoint());
    settle();
    return {};
}

QString WindowHarness::choose(const QString &objectName, int index)
{
    QQuickItem *picker = item(objectName);
    if (!picker)
        return u"no picker named "_s + objectName;
    if (QString failure = clickItem(picker); !failure.isEmpty())
        return objectName + u": "_s + failure;
    auto *popup = qvariant_cast<QObject *>(picker->property("popup"));
    if (!popup || !popup->property("visible").toBool())
        return objectName + u": the pop-up did not open"_s;
    auto *list = qvariant_cast<QQuickItem *>(popup->property("contentItem"));
    if (!list)
        return objectName + u": the pop-up has no list"_s;
    settle();
    QList<QQuickItem *> entries;
    const QList<QQuickItem *> children
            = qvariant_cast<QQuickItem *>(list->property("contentItem"))->childItems();
    for (QQuickItem *child : children) {
        if (child->property("index").isValid())
            entries.append(child);
    }
    std::sort(entries.begin(), entries.end(), [](QQuickItem *left, QQuickItem *right) {
        return left->property("index").toInt() < right->property("index").toInt();
    });
    if (index < 0 || index >= entries.size())
        return objectName + u": no entry %1 among %2"_s.arg(index).arg(entries.size());
    return clickItem(entries.at(index));
}

void WindowHarness::typeText(const QString &text)
{
    for (const QChar character : text)
        QTest::keyClick(m_window, character.toLatin1());
    settle();
}

void WindowHarness::pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_window, key, modifiers);
    settle();
}

void WindowHarness::settle()
{
    for (int frame = 0; frame < 3; ++frame) {
        QCoreApplication::processEvents();
        QTest::qWait(16);
    }
}

bool WindowHarness::finishes()
{
    const bool done = QTest::qWaitFor([this] { return !m_model->busy(); }, 60000);
    settle();
    return done;
}

QImage WindowHarness::grab()
{
    settle();
    return m_window ? m_window->grabWindow() : QImage();
}

void WindowHarness::openUrl(const QUrl &url)
{
    m_openedUrls.append(url);
}

QJsonArray WindowHarness::foldersLayout()
{
    int app = 0;
    const auto folder = [&app](const QString &name) {
        QJsonArray folder{name};
        for (int i = 0; i < 9; ++i)
            folder.append(u"com.example.app%1"_s.arg(++app));
        return folder;
    };
    QJsonArray dock{folder(u"Dock"_s)}, page;
    for (int i = 0; i < 24; ++i)
        page.append(i < 4 || i >= 20 ? QJsonValue(folder(u"Folder %1"_s.arg(i)))
                                     : QJsonValue(u"com.example.app%1"_s.arg(++app)));
    return {dock, page};
}

void WindowHarness::importLayout(const QJsonArray &layout)
{
    const QString file = m_home.filePath(u"imported.json"_s);
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(QJsonDocument(layout).toJson());
    out.close();
    pressKey(Qt::Key_O, Qt::ControlModifier);
    m_panels->accept(QUrl::fromLocalFile(file));
    settle();
}

QJsonObject WindowHarness::phone(const QString &ecid, const QString &udid, const QString &name,
                                 const QJsonArray &layout)
{
    return QJsonObject{
            {u"ecid"_s, ecid},
            {u"udid"_s, udid},
            {u"name"_s, name},
            {u"type"_s, u"iPhone16,2"_s},
            {u"layout"_s, layout},
            {u"apps"_s,
             QJsonArray{QJsonObject{{u"bundleIdentifier"_s, u"com.spotify.client"_s},
                                    {u"displayName"_s, u"Spotify"_s}},
                        QJsonObject{{u"bundleIdentifier"_s, u"com.duolingo.DuolingoMobile"_s},
                                    {u"displayName"_s, u"Duolingo"_s}}}},
    };
}

QJsonArray WindowHarness::sampleLayout()
{
    // The Dock, a first page with a folder, and a second page: 24 app icons.
    return QJsonArray{
            QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.MobileSMS"_s,
                       u"com.apple.mobilesafari"_s, u"com.apple.Music"_s},
            QJsonArray{
                    u"com.apple.mobilecal"_s, u"com.apple.mobileslideshow"_s, u"com.apple.camera"_s,
                    u"com.apple.mobilemail"_s, u"com.apple.Maps"_s, u"com.apple.weather"_s,
                    QJsonArray{u"Social"_s, u"com.burbn.instagram"_s, u"com.facebook.Facebook"_s,
                               u"com.atebits.Tweetie2"_s},
                    u"com.apple.mobilenotes"_s, u"com.apple.reminders"_s, u"com.spotify.client"_s,
                    u"com.apple.Preferences"_s, u"com.apple.AppStore"_s},
            QJsonArray{u"com.netflix.Netflix"_s, u"com.apple.Health"_s, u"com.apple.Passbook"_s,
                       u"com.duolingo.DuolingoMobile"_s, u"com.apple.calculator"_s,
                       u"com.apple.podcasts"_s},
    };
}
