#pragma once

#include "desktoppanels.h"
#include "varnoletmodel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <functional>
#include <memory>

/// The real window on the real model, offscreen, in a temporary HOME with the stand-in device
/// tools: finds items by objectName, clicks and types like a person, and collects every QML
/// warning so that a test can fail on any.
class WindowHarness : public QObject
{
    Q_OBJECT

public:
    /// Starts the model with `arguments` (say "--demo"), with the stand-in cfgutil unless
    /// `withConfigurator` is false, and opens the window.
    explicit WindowHarness(const QStringList &arguments = {}, bool withConfigurator = true);
    ~WindowHarness() override;

    bool isValid() const { return m_window != nullptr; }
    QQuickWindow *window() const { return m_window; }
    VarnoletModel &model() { return *m_model; }
    DesktopPanels &panels() { return *m_panels; }
    QString home() const { return m_home.path(); }
    /// QML warnings and errors since the window was created.
    QStringList warnings() const { return m_warnings; }
    /// Addresses handed to the system's URL handler (folders, documents, web pages).
    QList<QUrl> openedUrls() const { return m_openedUrls; }

    /// The stand-in tools' phones and faults, with an empty journal.
    void writeWorld(const QJsonArray &devices, const QJsonObject &faults = {});
    /// How many times the stand-in tools ran `command` ("set-icon-layout").
    int calls(const QString &command) const;

    /// The visible item with this objectName, or the first one if none is visible.
    QQuickItem *item(const QString &objectName) const;
    /// Every visible item whose objectName starts with `prefix`, in tree order.
    QList<QQuickItem *> items(const QString &prefix) const;
    /// Whether the named item is visible on screen, its ancestors included.
    bool isShown(const QString &objectName) const;
    /// A property of the named item, or of any object of the window (popups are not items).
    QVariant value(const QString &objectName, const char *property) const;
    QString text(const QString &objectName) const { return value(objectName, "text").toString(); }
    /// The values of "objectName.property" paths (the property after the last dot), to compare
    /// many at once.
    QVariantList state(const QStringList &paths) const;

    /// Clicks the centre of each named item in turn, which must be visible, enabled and inside the
    /// window. Returns an empty string on success, otherwise what prevented a click.
    QString click(const QString &objectName);
    QString click(std::initializer_list<QString> objectNames);
    QString clickItem(QQuickItem *item);
    /// Chooses entry `index` of the named menu picker through its pop-up, as a user would.
    QString choose(const QString &objectName, int index);
    /// Drags `from` by its centre to `to` (window coordinates) in small steps, as a hand would;
    /// `whileHeld` runs before the button is let go. Returns what prevented the drag, if anything.
    QString drag(QQuickItem *from, QPointF to, const std::function<void()> &whileHeld = {});
    void scrollToEnd(const QString &objectName);
    void scrollIntoView(QQuickItem *target);
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// Lets bindings, layouts and a frame catch up.
    void settle();
    /// Waits until no workflow runs.
    bool finishes();
    /// Refreshes and reads the selected phone through the Connection section.
    bool readPhone();
    /// Imports `layout` through the File menu's shortcut and its panel.
    void importLayout(const QJsonArray &layout);
    /// Writes a picture of the window, which must be whole and warning-free, for people to look
    /// at: `name`.png in the build folder's "screenshots".
    void shoot(const QString &name);

    /// Alex's phone with the sample layout, which becomes `next` after the first read if given.
    static QJsonObject alex(const QJsonArray &next = {});
    /// Sam's phone, with the same layout.
    static QJsonObject sam();
    /// The Dock, a first page with a folder, and a second page: 24 app icons.
    static QJsonArray sampleLayout();
    /// The sample layout with the first two icons of `page` swapped.
    static QJsonArray swapped(int page);
    /// A folder in the Dock, and folders of nine apps in every column of a page's first and last
    /// rows.
    static QJsonArray foldersLayout();

public Q_SLOTS:
    /// The URL handler that stands in for the system's default applications.
    void openUrl(const QUrl &url) { m_openedUrls.append(url); }

private:
    QTemporaryDir m_home;
    std::unique_ptr<DesktopPanels> m_panels;
    std::unique_ptr<VarnoletModel> m_model;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
    QStringList m_warnings;
    QList<QUrl> m_openedUrls;
};
