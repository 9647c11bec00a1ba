#pragma once

#include "layout.h"

#include <QHash>
#include <QString>

/// A layout with the figures the window and the Apply rule ask for, worked out once: hashing a
/// layout on every read of `canApply` would cost a SHA-256 per repaint.
class LayoutSummary
{
public:
    explicit LayoutSummary(const Layout &layout);

    Layout layout;
    QString fingerprint;
    QHash<QString, int> inventory;
    /// Every app occurrence: Dock, pages and folders.
    int iconCount = 0;
    int pageCount = 0;
    int folderCount = 0;
};
