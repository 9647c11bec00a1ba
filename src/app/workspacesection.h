#pragma once

#include <QList>
#include <QString>

#include <optional>

/// The four sections of the window's sidebar, in the order they are listed.
enum class WorkspaceSection {
    organize,
    snapshots,
    setup,
    activity,
};

/// Titles and the fixed order of the workspace sections; a section's title is its identity.
class WorkspaceSections
{
public:
    WorkspaceSections() = delete;

    /// The title shown in the sidebar ("Connection" for `setup`).
    static QString title(WorkspaceSection section);
    /// Exactly one of the four titles, letter case included; anything else gives nothing.
    static std::optional<WorkspaceSection> fromTitle(QStringView title);
    /// Every section in sidebar order.
    static QList<WorkspaceSection> allCases();
};
