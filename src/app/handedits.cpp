#include "handedits.h"

#include "layoutedits.h"
#include "modelbatch.h"
#include "varnoleterror.h"
#include "varnoletmodel.h"

#include <limits>

namespace {

constexpr int pageEnd = std::numeric_limits<int>::max();

// The window counts a folder's apps across its pages, as its pop-over shows them.
LayoutPosition locate(const Layout &layout, int page, int index, int folderIndex)
{
    LayoutPosition at{page, index};
    if (folderIndex < 0)
        return at;
    at.folderPage = 0;
    at.folderIndex = folderIndex;
    if (page < 0 || page >= layout.pages.size() || index < 0
        || index >= layout.pages.at(page).size())
        return at;
    for (const QStringList &apps : layout.pages.at(page).at(index).folderPages()) {
        if (at.folderIndex < apps.size())
            return at;
        at.folderIndex -= int(apps.size());
        ++at.folderPage;
    }
    return at;
}

} // namespace

bool HandEdits::move(int page, int index, int folderIndex, int toPage, int toIndex)
{
    return apply([&](const Layout &layout) {
        return LayoutEdits::move(layout, locate(layout, page, index, folderIndex), toPage, toIndex,
                                 m_model.pageCapacity());
    });
}

bool HandEdits::drop(int page, int index, int folderIndex, int ontoPage, int ontoIndex)
{
    return apply([&](const Layout &layout) {
        return LayoutEdits::makeFolder(layout, locate(layout, page, index, folderIndex),
                                       {ontoPage, ontoIndex}, m_model.appNames(),
                                       m_model.categoryOverrides());
    });
}

bool HandEdits::moveToDock(int page, int index, int folderIndex)
{
    return move(page, index, folderIndex, 0, pageEnd);
}

bool HandEdits::moveToPage(int page, int index, int folderIndex, int toPage)
{
    return move(page, index, folderIndex, toPage, pageEnd);
}

bool HandEdits::moveOutOfFolder(int page, int index, int folderIndex)
{
    return folderIndex >= 0 && move(page, index, folderIndex, page, index + 1);
}

bool HandEdits::renameFolder(int page, int index, const QString &name)
{
    return apply([&](const Layout &layout) {
        return LayoutEdits::renameFolder(layout, {page, index}, name);
    });
}

bool HandEdits::apply(const std::function<Layout(const Layout &)> &edit)
{
    VarnoletModel &model = m_model;
    const LayoutSummary *proposal = model.m_proposal.proposed();
    if (!model.canEdit() || !proposal)
        return false;
    Layout edited;
    try {
        edited = edit(proposal->layout);
    } catch (const VarnoletError &refusal) {
        model.log(refusal.message(), true);
        return false;
    }
    if (edited == proposal->layout)
        return true;
    VarnoletModel::Batch batch(&model);
    model.m_proposal.edit(edited);
    model.proposalStepped();
    return true;
}

void HandEdits::undo()
{
    if (m_model.canUndo() && m_model.m_proposal.undo())
        m_model.proposalStepped();
}

void HandEdits::redo()
{
    if (m_model.canRedo() && m_model.m_proposal.redo())
        m_model.proposalStepped();
}

void HandEdits::resetToSuggestion()
{
    if (m_model.canEdit() && m_model.m_proposal.resetToSuggestion())
        m_model.proposalStepped();
}
