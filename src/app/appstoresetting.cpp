#include "appstoresetting.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString key = u"appStore/lookUpCategories"_s;

} // namespace

bool AppStoreSetting::enabled()
{
    return QSettings().value(key, false).toBool();
}

void AppStoreSetting::setEnabled(bool enabled)
{
    QSettings settings;
    settings.setValue(key, enabled);
    settings.sync();
}
