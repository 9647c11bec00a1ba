#pragma once

#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

/// Where a folder's pop-over goes so that it stays whole inside the window: below the folder
/// when it fits, else above, else on the roomier side at the height that fits; shifted sideways
/// to keep a margin from the edges, with its arrow still pointing at the folder.
class PopoverPlacement : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// Space kept between the pop-over and the window's edges.
    static constexpr qreal margin = 8;
    /// The arrow stays this far from the pop-over's sides, clear of its rounded corners.
    static constexpr qreal arrowInset = 20;

    /// `folder` and the window's `area` in one coordinate system; `size` is the pop-over's
    /// natural size; `gapBelow` and `gapAbove` the space it leaves to the folder on either side.
    /// Returns "x", "y" and "height" of the pop-over, "arrowX" from its left edge, and "above".
    Q_INVOKABLE QVariantMap place(const QRectF &folder, const QSizeF &size, const QSizeF &area,
                                  qreal gapBelow, qreal gapAbove) const;
};
