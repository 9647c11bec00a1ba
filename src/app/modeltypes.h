#pragma once

#include "applistmodel.h"
#include "snapshotcomparison.h"
#include "varnoletmodel.h"

#include <QObject>
#include <QtQml/qqml.h>

/// Makes the model a QML type, so that the window can declare `required property VarnoletModel`.
struct VarnoletModelForeign
{
    Q_GADGET
    QML_FOREIGN(VarnoletModel)
    QML_NAMED_ELEMENT(VarnoletModel)
    QML_UNCREATABLE("The window is given its model.")
};

/// The app list of the Organize section, known to QML by its roles.
struct AppListModelForeign
{
    Q_GADGET
    QML_FOREIGN(AppListModel)
    QML_NAMED_ELEMENT(AppListModel)
    QML_UNCREATABLE("The app list belongs to the model.")
};

/// The comparison of two layouts in the Saved layouts section.
struct SnapshotComparisonForeign
{
    Q_GADGET
    QML_FOREIGN(SnapshotComparison)
    QML_NAMED_ELEMENT(SnapshotComparison)
    QML_UNCREATABLE("The comparison belongs to the model.")
};
