#pragma once

#include "activityentry.h"
#include "appcategory.h"
#include "appstoreentry.h"
#include "device.h"
#include "layout.h"
#include "parsedlayout.h"
#include "snapshot.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

/// The model's values in the plain variant form the window binds to.
class ModelValues
{
public:
    ModelValues() = delete;

    /// {ecid, udid, name, type}.
    static QVariantMap device(const Device &device);
    /// {id, date, message, warning}.
    static QVariantMap activity(const ActivityEntry &entry);
    /// {id, date, reason, deviceName, ecid, udid, apps, pages, folders, reader}.
    static QVariantMap snapshot(const Snapshot &snapshot);
    /// Pages of items, page 0 the Dock. An app is {kind: "app", id, title, category}; a folder is
    /// {kind: "folder", id: "", title, category (of its first app), pages: pages of app maps}.
    static QVariantList layout(const Layout &layout, const AppNames &names,
                               const CategoryOverrides &overrides,
                               const AppStoreAnswers &answers = {});
    /// Display names by bundle identifier.
    static QVariantMap names(const AppNames &names);
    /// Category titles by bundle identifier.
    static QVariantMap overrides(const CategoryOverrides &overrides);

    /// `convert` applied to each of `values`, in order.
    template<typename Value, typename Convert>
    static auto list(const QList<Value> &values, Convert convert)
    {
        QList<decltype(convert(values.first()))> converted;
        converted.reserve(values.size());
        for (const Value &value : values)
            converted.append(convert(value));
        return converted;
    }
};
