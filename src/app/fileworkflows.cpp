#include "fileworkflows.h"

#include "appcatalog.h"
#include "atomicfile.h"
#include "layoutparser.h"
#include "modelbatch.h"
#include "platformerror.h"
#include "platformpanels.h"
#include "profile/configurationprofile.h"
#include "varnoleterror.h"
#include "varnoletmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

const QString demoSource = u"Demo • sample apps"_s;
const QString importedSource = u"Imported • "_s;
const QString jsonFilter = u"JSON files (*.json)"_s;
const QString profileFilter = u"Configuration profiles (*.mobileconfig)"_s;

// A layout file larger than anything a tool may print is refused before it is read whole.
constexpr qint64 importLimit = 25'000'000;

// Creates a folder and its missing parents as 0700, like every folder the store creates.
bool makeFolders(const QString &path)
{
    const QString folder = QDir::cleanPath(path);
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makeFolders(parent))
        return false;
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            || QFileInfo(folder).isDir();
}

QByteArray readLayoutFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PlatformError(u"Could not read %1: %2."_s.arg(QDir::toNativeSeparators(path),
                                                            file.errorString()));
    }
    if (file.size() > importLimit) {
        throw VarnoletError(u"The file “%1” is too large to be an icon layout."_s.arg(
                QFileInfo(path).fileName()));
    }
    // Sequential files report no size, so the limit is enforced on what arrives as well.
    QByteArray data = file.read(importLimit + 1);
    if (data.size() > importLimit) {
        throw VarnoletError(u"The file “%1” is too large to be an icon layout."_s.arg(
                QFileInfo(path).fileName()));
    }
    if (file.error() != QFileDevice::NoError) {
        throw PlatformError(u"Could not read %1: %2."_s.arg(QDir::toNativeSeparators(path),
                                                            file.errorString()));
    }
    return data;
}

// A configuration profile is an XML property list; every other layout form is JSON.
ParsedLayout parseLayoutFile(const QByteArray &data)
{
    if (data.trimmed().startsWith('<'))
        return {ConfigurationProfile::read(data), {}};
    return LayoutParser::parse(data);
}

} // namespace

void FileWorkflows::loadDemo()
{
    VarnoletModel &model = m_model;
    if (model.m_busy)
        return;
    VarnoletModel::Batch batch(&model);
    show(AppCatalog::demo(), true, demoSource);
    model.log(u"Demo mode. These are sample apps; no device commands are run."_s);
}

void FileWorkflows::show(const ParsedLayout &parsed, bool demo, const QString &source)
{
    VarnoletModel &model = m_model;
    model.setOriginal(parsed.layout);
    model.setNames(parsed.names);
    model.setOverrides({});
    model.setDemo(demo);
    model.setLoadedDevice(std::nullopt);
    model.setPendingRestore(std::nullopt);
    model.setSourceLabel(source);
    model.setWorkspaceSection(WorkspaceSection::organize);
    model.setShowOriginal(false);
    model.setSelectedPage(1);
    model.setSearch(QString());
    model.rebuild();
}

void FileWorkflows::importLayout()
{
    if (m_model.m_busy || !m_model.m_panels)
        return;
    m_model.m_panels->chooseFileToOpen(
            u"Imported files are preview-only. Read a connected iPhone to enable Apply."_s,
            {jsonFilter, profileFilter}, [model = QPointer(&m_model)](const QString &path) {
                if (model)
                    model->m_filesWork.importFile(path);
            });
}

void FileWorkflows::importFile(const QString &path)
{
    VarnoletModel &model = m_model;
    if (path.isEmpty() || model.m_busy)
        return;
    ParsedLayout parsed;
    try {
        parsed = parseLayoutFile(readLayoutFile(path));
    } catch (const std::exception &failure) {
        model.log(PlatformError::describe(failure), true);
        return;
    }
    VarnoletModel::Batch batch(&model);
    show(parsed, false, importedSource + QFileInfo(path).fileName());
    model.log(u"Imported for preview only. No iPhone is associated with this file."_s);
    model.m_appStoreWork.lookUp();
}

void FileWorkflows::exportLayout()
{
    exportProposal(Export::layout);
}

void FileWorkflows::exportProfile()
{
    exportProposal(Export::profile);
}

void FileWorkflows::exportProposal(Export form)
{
    if (!m_model.hasProposed() || !m_model.m_panels)
        return;
    const bool profile = form == Export::profile;
    m_model.m_panels->chooseFileToSave(
            profile ? u"Export as Configuration Profile"_s : u"Export Proposed Layout"_s,
            profile ? u"varnolet-home-screen.mobileconfig"_s : u"varnolet-proposed-layout.json"_s,
            {profile ? profileFilter : jsonFilter},
            [model = QPointer(&m_model), form](const QString &path) {
                if (model)
                    model->m_filesWork.exportTo(path, form);
            });
}

void FileWorkflows::exportTo(const QString &path, Export form)
{
    // The proposal may have gone while the panel was open; then there is nothing to write.
    const LayoutSummary *proposed = m_model.m_proposal.proposed();
    if (path.isEmpty() || !proposed)
        return;
    const bool profile = form == Export::profile;
    try {
        AtomicFile::write(profile ? ConfigurationProfile::write(proposed->layout)
                                  : proposed->layout.cfgutilData(),
                          path);
    } catch (const std::exception &failure) {
        m_model.log(PlatformError::describe(failure), true);
        return;
    }
    m_model.log((profile ? u"Exported the configuration profile to "_s
                         : u"Exported the proposed layout to "_s)
                + QFileInfo(path).fileName() + u'.');
}

void FileWorkflows::reveal(const QString &folder)
{
    makeFolders(folder);
    if (m_model.m_panels)
        m_model.m_panels->openFolder(folder);
}

QStringList FileWorkflows::defaultGuideLocations()
{
    const QString here = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(here + u"/TESTING.md"_s),
            QDir::cleanPath(here + u"/../Resources/TESTING.md"_s),
            QDir::cleanPath(here + u"/../share/varnolet/TESTING.md"_s),
            QDir::cleanPath(QStringLiteral(VARNOLET_SOURCE_DIR) + u"/TESTING.md"_s)};
}

QString FileWorkflows::guidePath() const
{
    for (const QString &location : m_guideLocations) {
        if (QFileInfo(location).isFile())
            return location;
    }
    return {};
}

void FileWorkflows::openGuide()
{
    const QString guide = guidePath();
    if (!guide.isEmpty() && m_model.m_panels)
        m_model.m_panels->openDocument(guide);
}

QUrl FileWorkflows::configuratorStoreUrl()
{
    return QUrl(u"https://apps.apple.com/app/apple-configurator/id1037126344"_s);
}

void FileWorkflows::openConfiguratorStorePage()
{
    const QUrl address = configuratorStoreUrl();
    if (address.isValid() && m_model.m_panels)
        m_model.m_panels->openUrl(address);
}
