#include "workspacesection.h"

#include <iterator>

namespace {

struct SectionText
{
    WorkspaceSection section;
    QStringView title;
};

// In declaration order, so that the table's index is the enumeration's value.
constexpr SectionText sectionTexts[] = {
        {WorkspaceSection::organize, u"Organize"},
        {WorkspaceSection::snapshots, u"Saved layouts"},
        {WorkspaceSection::setup, u"Connection"},
        {WorkspaceSection::activity, u"Activity"},
};

static_assert(std::size(sectionTexts) == static_cast<std::size_t>(WorkspaceSection::activity) + 1
              && sectionTexts[0].section == WorkspaceSection::organize
              && sectionTexts[1].section == WorkspaceSection::snapshots
              && sectionTexts[2].section == WorkspaceSection::setup
              && sectionTexts[3].section == WorkspaceSection::activity);

} // namespace

QString WorkspaceSections::title(WorkspaceSection section)
{
    return sectionTexts[static_cast<int>(section)].title.toString();
}

std::optional<WorkspaceSection> WorkspaceSections::fromTitle(QStringView title)
{
    for (const SectionText &text : sectionTexts) {
        if (text.title == title)
            return text.section;
    }
    return std::nullopt;
}

QList<WorkspaceSection> WorkspaceSections::allCases()
{
    QList<WorkspaceSection> cases;
    cases.reserve(std::size(sectionTexts));
    for (const SectionText &text : sectionTexts)
        cases.append(text.section);
    return cases;
}
