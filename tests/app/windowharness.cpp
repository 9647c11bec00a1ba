#include "windowharness.h"

#include "applicationfonts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QRegularExpression>
#include <QTest>

Q_IMPORT_QML_PLUGIN(VarnoletPlugin)

using namespace Qt::StringLiterals;

namespace {

const QStringList schemes{u"file"_s, u"https"_s, u"http"_s, u"macappstore"_s, u"itms-apps"_s};

bool reallyVisible(const QQuickItem *item)
{
    for (const QQuickItem *at = item; at; at = at->parentItem()) {
        if (!at->isVisible() || at->opacity() <= 0)
            return false;
    }
    return true;
}

// Every item under `root` whose objectName passes `matches`, in tree order.
QList<QQuickItem *> findItems(QQuickItem *root, const std::function<bool(const QString &)> &matches)
{
    QList<QQuickItem *> found = matches(root->objectName()) ? QList{root} : QList<QQuickItem *>();
    for (QQuickItem *child : root->childItems())
        found += findItems(child, matches);
    return found;
}

} // namespace

WindowHarness::WindowHarness(const QStringList &arguments, bool withConfigurator)
{
    if (!m_home.isValid())
        return;
    // The offscreen platform has no runtime folder, which is no fault of the window.
    QTest::failOnWarning(QRegularExpression(u"^(?!QStandardPaths:)"_s));
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_home.filePath(u"world.json"_s)));
    writeWorld({});
    [[maybe_unused]] static const bool styled
            = (QQuickStyle::setStyle(u"Basic"_s), ApplicationFonts::install(), true);
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "openUrl");

    m_panels = std::make_unique<DesktopPanels>();
    m_model = std::make_unique<VarnoletModel>(QStringList{u"varnolet"_s} + arguments,
                                              m_panels.get());
    m_model->setConfiguratorPath(
            withConfigurator ? std::optional(QStringLiteral(VARNOLET_FAKE_CFGUTIL)) : std::nullopt);
    m_model->setFallbackReaderPath(std::nullopt);
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->addImportPath(u"qrc:/qt/qml"_s);
    m_engine->setInitialProperties({{u"model"_s, QVariant::fromValue(m_model.get())},
                                    {u"panels"_s, QVariant::fromValue(m_panels.get())}});
    m_engine->load(QUrl(u"qrc:/qt/qml/Varnolet/Main.qml"_s));
    m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().value(0));
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
    for (const QString &scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void WindowHarness::writeWorld(const QJsonArray &devices, const QJsonObject &faults)
{
    QFile file(m_home.filePath(u"world.json"_s));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(QJsonObject{{u"devices"_s, devices},
                                             {u"faults"_s, faults},
                                             {u"journal"_s, QJsonArray()}})
                           .toJson());
}

int WindowHarness::calls(const QString &command) const
{
    QFile file(m_home.filePath(u"world.json"_s));
    const QJsonArray journal = file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll())[u"journal"_s].toArray()
            : QJsonArray();
    return int(std::count_if(journal.begin(), journal.end(), [&](const QJsonValue &entry) {
        return entry[u"command"_s].toString() == command;
    }));
}

QQuickItem *WindowHarness::item(const QString &objectName) const
{
    const QList<QQuickItem *> found = findItems(
            m_window->contentItem(), [&](const QString &name) { return name == objectName; });
    const auto shown = std::find_if(found.begin(), found.end(), reallyVisible);
    return shown != found.end() ? *shown : found.value(0);
}

QList<QQuickItem *> WindowHarness::items(const QString &prefix) const
{
    QList<QQuickItem *> found = findItems(
            m_window->contentItem(), [&](const QString &name) { return name.startsWith(prefix); });
    found.removeIf([](QQuickItem *item) { return !reallyVisible(item); });
    return found;
}

bool WindowHarness::isShown(const QString &objectName) const
{
    return item(objectName) && reallyVisible(item(objectName));
}

QVariant WindowHarness::value(const QString &objectName, const char *property) const
{
    QObject *found = item(objectName);
    if (!found)
        found = m_window->findChild<QObject *>(objectName);
    return found ? found->property(property) : QVariant();
}

QVariantList WindowHarness::state(const QStringList &paths) const
{
    QVariantList values;
    for (const QString &path : paths)
        values.append(
                value(path.section(u'.', 0, -2), path.section(u'.', -1).toLatin1().constData()));
    return values;
}

QString WindowHarness::click(std::initializer_list<QString> objectNames)
{
    for (const QString &name : objectNames) {
        if (const QString failure = clickItem(item(name)); !failure.isEmpty())
            return name + u": "_s + failure;
    }
    return {};
}

QString WindowHarness::clickItem(QQuickItem *target)
{
    settle();
    if (!target || !reallyVisible(target))
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

QString WindowHarness::choose(const QString &objectName, int index)
{
    QQuickItem *picker = item(objectName);
    const QString failure = clickItem(picker);
    auto *popup = failure.isEmpty() ? qvariant_cast<QObject *>(picker->property("popup")) : nullptr;
    auto *list = popup ? qvariant_cast<QQuickItem *>(popup->property("contentItem")) : nullptr;
    if (!list || list->property("count") != picker->property("count"))
        return objectName + u": the pop-up does not list every entry "_s + failure;
    for (int at = picker->property("highlightedIndex").toInt(); at != index;
         at += at < index ? 1 : -1)
        pressKey(at < index ? Qt::Key_Down : Qt::Key_Up);
    pressKey(Qt::Key_Return);
    return picker->property("currentIndex") == index ? QString() : objectName + u": stuck"_s;
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

void WindowHarness::scrollToEnd(const QString &objectName)
{
    if (QQuickItem *flickable = item(objectName)) {
        const qreal end = flickable->property("contentHeight").toReal() - flickable->height();
        flickable->setProperty("contentY", std::max<qreal>(0, end));
        settle();
    }
}

// A person scrolls a control into view before clicking it; a click on a spot another item covers
// would otherwise land on that item.
void WindowHarness::scrollIntoView(QQuickItem *target)
{
    for (QQuickItem *view = target->parentItem(); view; view = view->parentItem()) {
        if (!view->inherits("QQuickFlickable"))
            continue;
        const QRectF box = target->mapRectToItem(view, target->boundingRect());
        if (box.top() >= 0 && box.bottom() <= view->height())
            continue;
        const qreal end = view->property("contentHeight").toReal() - view->height();
        const qreal y = view->property("contentY").toReal() + box.center().y() - view->height() / 2;
        view->setProperty("contentY", std::clamp(y, 0.0, std::max(0.0, end)));
    }
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

bool WindowHarness::readPhone()
{
    return click({u"sidebar-Connection"_s, u"refreshButton"_s}).isEmpty() && finishes()
            && click(u"readLayoutButton"_s).isEmpty() && finishes() && m_model->hasLoadedDevice();
}

void WindowHarness::shoot(const QString &name)
{
    settle();
    const QImage image = m_window->grabWindow();
    QCOMPARE(image.size(), QSize(1260, 850));
    // A blank or single-coloured grab means nothing was drawn.
    QVERIFY(image.pixel(100, 100) != image.pixel(700, 300)
            || image.pixel(30, 500) != image.pixel(1100, 800));
    QVERIFY(QDir().mkpath(QStringLiteral(VARNOLET_SCREENSHOTS)));
    QVERIFY(image.save(QStringLiteral(VARNOLET_SCREENSHOTS "/") + name + u".png"_s));
}

// Alex's part of a sample answer of cfgutil.
static QJsonValue sample(const QString &command)
{
    QFile file(QStringLiteral(VARNOLET_SAMPLES "/cfgutil-") + command + u".json"_s);
    return file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll())[u"Output"_s][u"0x1C2D3E4F50601E"_s]
            : QJsonValue();
}

QJsonObject WindowHarness::alex(const QJsonArray &next)
{
    return {{u"ecid"_s, u"0x1C2D3E4F50601E"_s},
            {u"udid"_s, u"00008140-001C2D3E4F50601E"_s},
            {u"name"_s, u"Alex’s iPhone"_s},
            {u"type"_s, u"iPhone16,2"_s},
            {u"layout"_s, sample(u"get-icon-layout"_s)},
            {u"pendingLayouts"_s, next.isEmpty() ? QJsonArray() : QJsonArray{next}},
            {u"apps"_s, sample(u"get-installedApps"_s)[u"installedApps"_s]}};
}
