#pragma once

#include "appstoreentry.h"
#include "commandarguments.h"
#include "layout.h"

#include <QCommandLineOption>
#include <QList>

/// --app-store and --offline: whether a command may use App Store answers, and fetching them.
class AppStoreOptions
{
public:
    AppStoreOptions() = delete;

    static QList<QCommandLineOption> options();

    /// The answers for the layout's apps: none without either option, the kept ones with
    /// --offline, and with --app-store also the service's for what is not kept. A failed lookup
    /// prints its one warning on standard error and the command goes on without it.
    static AppStoreAnswers answers(const Layout &layout, const CommandArguments &arguments);
};
