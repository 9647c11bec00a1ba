#include "appstoreoptions.h"

#include "appstorelookup.h"
#include "snapshotstore.h"
#include "usageerror.h"

#include <QFile>

using namespace Qt::StringLiterals;

QList<QCommandLineOption> AppStoreOptions::options()
{
    return {{u"app-store"_s, u"Ask the App Store about apps the catalogue does not know."_s},
            {u"offline"_s, u"Use only the App Store answers kept on this computer."_s}};
}

AppStoreAnswers AppStoreOptions::answers(const Layout &layout, const CommandArguments &arguments)
{
    const bool online = arguments.isSet(u"app-store"_s);
    const bool offline = arguments.isSet(u"offline"_s);
    if (online && offline)
        throw UsageError(u"Use either --app-store or --offline, not both."_s);
    if (!online && !offline)
        return {};
    const AppStoreOutcome outcome
            = AppStoreLookup::lookUp(layout.identifiers(), SnapshotStore::standard(),
                                     online ? AppStoreAccess::online : AppStoreAccess::cacheOnly);
    if (!outcome.warning.isEmpty()) {
        QFile err;
        if (err.open(stderr, QIODevice::WriteOnly))
            err.write((outcome.warning + u'\n').toUtf8());
    }
    return outcome.answers;
}
