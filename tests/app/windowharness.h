#pragma once

#include "desktoppanels.h"
#include "varnoletmodel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>

/// The real window on the real model, offscreen, in a temporary HOME with the stand-in device
/// tools: finds items by objectName, clicks and types like a person, and collects every QML
/// warning so that a test can fail on any.
class WindowHarness : public QObject
{
    Q_OBJECT

public:
    /// A world of the stand-in tools: phones and faults.
    struct World
    {
        QJsonArray devices;
        QJsonObject faults;
    };

    /// Starts the model with `arguments` (say "--demo"), with the stand-in cfgutil unless
    /// `withConfigurator` is false, and opens the window.
    explicit WindowHarness(const QStringList &arguments = {}, bool withConfigurator = true);
    ~WindowHarness() override;

    bool isValid() const { return m_window != nullptr; }
    QQuickWindow *window() const { return m_window; }
    VarnoletModel &model() { return *m_model; }
    DesktopPanels &panels() { return *m_panels; }
    QString home() const { return m_home.path(); }

    void writeWorld(const World &world);
    QJsonObject world() const;
    /// How many times the stand-in tools ran `command` ("set-icon-layout").
    int calls(const QString &command) const;

    /// The visible item with this objectName, or the first one if none is visible.
    QQuickItem *item(const QString &objectName) const;
    /// Every visible item whose objectName starts with `prefix`, in tree order.
    QList<QQuickItem *> items(const QString &prefix) const;
    /// Scrolls the named Flickable to its end.
    void scrollToEnd(const QString &objectName);
    void scrollIntoView(QQuickItem *target);
    /// Whether the named item exists and is visible on screen, its ancestors included.
    bool isShown(const QString &objectName) const;
    /// A property of the named item; invalid when there is no such item.
    QVariant value(const QString &objectName, const char *property) const;
    /// Whether the named item exists and is enabled, or exists and is disabled.
    bool isEnabled(const QString &objectName) const;
    bool isDisabled(const QString &objectName) const;
    /// Any object of the window with this objectName (popups are not items).
    QObject *object(const QString &objectName) const;
    /// The text property of the named item.
    QString text(const QString &objectName) const;

    /// Clicks the centre of the named item, which must be visible, enabled and inside the window.
    /// Returns an empty string on success, otherwise what prevented the click.
    QString click(const QString &objectName);
    QString clickItem(QQuickItem *item);
    /// Chooses entry `index` of the named menu picker through its pop-up, as a user would.
    QString choose(const QString &objectName, int index);
    /// Drags `from` by its centre to `to` (window coordinates) in small steps, as a hand would;
    /// `whileHeld` runs before the button is let go. Returns what prevented the drag, if anything.
    QString drag(QQuickItem *from, QPointF to, const std::function<void()> &whileHeld = {});
    void typeText(const QString &text);
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    /// Lets bindings, layouts and a frame catch up.
    void settle();
    /// Waits until no workflow runs.
    bool finishes();
    QImage grab();

    /// QML warnings and errors since the window was created.
    QStringList warnings() const { return m_warnings; }
    /// Addresses handed to the system's URL handler (folders, documents, web pages).
    QList<QUrl> openedUrls() const { return m_openedUrls; }

    static QJsonObject phone(const QString &ecid, const QString &udid, const QString &name,
                             const QJsonArray &layout);
    static QJsonArray sampleLayout();
    /// A folder in the Dock, and folders of nine apps in every column of a page's first and last
    /// rows.
    static QJsonArray foldersLayout();
    /// Imports `layout` through the File menu's shortcut and its panel.
    void importLayout(const QJsonArray &layout);

public Q_SLOTS:
    /// The URL handler that stands in for the system's default applications.
    void openUrl(const QUrl &url);

private:
    QTemporaryDir m_home;
    QString m_worldPath;
    std::unique_ptr<DesktopPanels> m_panels;
    std::unique_ptr<VarnoletModel> m_model;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
    QStringList m_warnings;
    QList<QUrl> m_openedUrls;
};
