#pragma once

#include "parsedlayout.h"

#include <QString>
#include <QStringList>
#include <QUrl>

class VarnoletModel;

/// The model's work with layouts that come from no phone and with the desktop: the demo,
/// importing a layout (or a configuration profile) for preview, exporting the proposal, showing the
/// store's folders, the testing guide and the configurator's store page. Files are small and local,
/// so this runs on the main thread.
class FileWorkflows
{
public:
    explicit FileWorkflows(VarnoletModel &model)
        : m_model(model)
        , m_guideLocations(defaultGuideLocations())
    { }

    /// Shows the demo layout.
    void loadDemo();
    /// Asks for a layout file and shows it for preview only.
    void importLayout();
    /// Shows the layout file at `path` for preview only; a bad file changes nothing.
    void importFile(const QString &path);
    /// The form an export is written in: the one written to the phone, or a configuration profile.
    enum class Export { layout, profile };
    /// Asks where to save the proposal and writes it in the form written to the phone.
    void exportLayout();
    /// Asks where to save the proposal and writes it as a configuration profile.
    void exportProfile();
    /// Writes the proposal to `path` in `form`.
    void exportTo(const QString &path, Export form);
    /// Shows `folder`, creating it and its missing parents (0700) when missing.
    void reveal(const QString &folder);

    /// Where openGuide() looks for the testing guide "TESTING.md", first match wins.
    QStringList guideLocations() const { return m_guideLocations; }
    void setGuideLocations(const QStringList &locations) { m_guideLocations = locations; }
    /// Next to the executable, in the bundle's Resources, in share/varnolet, then the source tree.
    static QStringList defaultGuideLocations();
    /// The first guide location holding a file; empty when none does.
    QString guidePath() const;
    /// Opens the testing guide when one is installed.
    void openGuide();

    /// The App Store page of Apple Configurator.
    static QUrl configuratorStoreUrl();
    /// Opens the App Store page of Apple Configurator.
    void openConfiguratorStorePage();

private:
    // Shows `parsed` as the loaded layout with a fresh proposal; the caller holds a Batch.
    void show(const ParsedLayout &parsed, bool demo, const QString &source);
    void exportProposal(Export form);

    VarnoletModel &m_model;
    QStringList m_guideLocations;
};
