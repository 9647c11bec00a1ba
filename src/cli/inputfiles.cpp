#include "inputfiles.h"

#include "jsoncodec.h"
#include "platformerror.h"
#include "usageerror.h"

#include <QFile>
#include <QJsonObject>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QJsonObject readObject(const QString &path, const QString &what)
{
    const QJsonValue value = JsonCodec::decode(InputFiles::read(path));
    if (!value.isObject())
        throw UsageError(u"The %1 file %2 must hold a JSON object."_s.arg(what, path));
    return value.toObject();
}

QString categoryTitles()
{
    QStringList titles;
    for (const AppCategory category : AppCategories::allCases())
        titles.append(AppCategories::title(category));
    return titles.join(u", "_s);
}

} // namespace

QByteArray InputFiles::read(const QString &path)
{
    QFile file;
    const bool opened = path == u"-"_s ? file.open(stdin, QIODevice::ReadOnly)
                                       : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw PlatformError(u"Could not read %1: %2."_s.arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PlatformError(u"Could not read %1: %2."_s.arg(path, file.errorString()));
    return data;
}

AppNames InputFiles::names(const QString &path)
{
    AppNames names;
    const QJsonObject object = readObject(path, u"names"_s);
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it->isString())
            throw UsageError(u"The names file %1 must map bundle identifiers to display names; "
                             "the value for %2 is not a string."_s.arg(path, it.key()));
        names.insert(it.key(), it->toString());
    }
    return names;
}

CategoryOverrides InputFiles::overrides(const QString &path)
{
    CategoryOverrides overrides;
    const QJsonObject object = readObject(path, u"overrides"_s);
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const std::optional<AppCategory> category = AppCategories::fromTitle(it->toString());
        if (!it->isString() || !category)
            throw UsageError(
                    u"The overrides file %1 gives %2 an unknown category; use one of: %3."_s.arg(
                            path, it.key(), categoryTitles()));
        overrides.insert(it.key(), *category);
    }
    return overrides;
}
