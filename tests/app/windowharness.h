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
/// tools: finds items by objectName and clicks and types like a person. Any warning, QML's
/// included, fails the running test.
class WindowHarness : public QObject
{
    Q_OBJECT

public:
    /// Starts the model with `arguments`, with the stand-in cfgutil unless told otherwise.
    explicit WindowHarness(const QStringList &arguments = {}, bool withConfigurator = true);
    ~WindowHarness() override;

    bool isValid() const { return m_window != nullptr; }
    QQuickWindow *window() const { return m_window; }
    VarnoletModel &model() { return *m_model; }
    DesktopPanels &panels() { return *m_panels; }
    QString home() const { return m_home.path(); }
    /// The last part of each local file's address handed to the system's URL handler.
    QStringList openedFiles() const { return m_openedFiles; }

    /// The stand-in tools' phones and faults, with an empty journal.
    void writeWorld(const QJsonArray &devices, const QJsonObject &faults = {});
    /// How many times the stand-in tools ran `command`.
    int calls(const QString &command) const;

    /// The visible item with this objectName, or the first one if none is visible.
    QQuickItem *item(const QString &objectName) const;
    /// Every visible item whose objectName starts with `prefix`, in tree order.
    QList<QQuickItem *> items(const QString &prefix) const;
    bool isShown(const QString &objectName) const;
    /// A property of the named item, or of any object of the window (popups are not items).
    QVariant value(const QString &objectName, const char *property) const;
    QString text(const QString &objectName) const { return value(objectName, "text").toString(); }
    /// The values of "objectName.property" paths, to compare many at once.
    QVariantList state(const QStringList &paths) const;

    /// Clicks each named item in turn; returns what prevented a click, if anything.
    QString click(std::initializer_list<QString> objectNames);
    QString click(const QString &objectName) { return click({objectName}); }
    QString clickItem(QQuickItem *item);
    /// Opens the named picker's pop-up and chooses entry `index` with the arrow keys.
    QString choose(const QString &objectName, int index);
    /// Drags `from` to `to` in small steps; `whileHeld` runs before the button is let go.
    QString drag(QQuickItem *from, QPointF to, const std::function<void()> &whileHeld = {});
    void scrollToEnd(const QString &objectName);
    /// Scrolls every view around `target` to bring it to the middle, as far as each goes.
    void scrollIntoView(QQuickItem *target);
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void settle();
    bool finishes();
    /// Refreshes and reads the selected phone through the Connection section.
    bool readPhone();
    /// Writes `name`.png, whole, to the build folder's "screenshots".
    void shoot(const QString &name);

    /// Alex's phone with the sample layout, which becomes `next` after the first read if given.
    static QJsonObject alex(const QJsonArray &next = {});

public Q_SLOTS:
    void openUrl(const QUrl &url) { m_openedFiles.append(url.toLocalFile().section(u'/', -1)); }

private:
    QTemporaryDir m_home;
    std::unique_ptr<DesktopPanels> m_panels;
    std::unique_ptr<VarnoletModel> m_model;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
    QStringList m_openedFiles;
};
