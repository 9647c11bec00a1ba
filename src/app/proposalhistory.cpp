#include "proposalhistory.h"

#include "organizer.h"

namespace {

bool replace(std::optional<LayoutSummary> &summary, const std::optional<Layout> &layout)
{
    if (layout.has_value() == summary.has_value() && (!layout || summary->layout == *layout))
        return false;
    if (layout)
        summary.emplace(*layout);
    else
        summary.reset();
    return true;
}

} // namespace

bool ProposalHistory::setOriginal(const std::optional<Layout> &layout)
{
    if (!replace(m_original, layout))
        return false;
    m_changes.reset();
    return true;
}

bool ProposalHistory::setProposed(const std::optional<Layout> &layout)
{
    if (!replace(m_proposed, layout))
        return false;
    m_changes.reset();
    return true;
}

int ProposalHistory::proposedPageCount() const
{
    return m_proposed ? m_proposed->pageCount : originalPageCount();
}

int ProposalHistory::proposedFolderCount() const
{
    if (m_proposed)
        return m_proposed->folderCount;
    return m_original ? m_original->folderCount : 0;
}

const LayoutSummary *ProposalHistory::shown(bool showOriginal) const
{
    if (!showOriginal && m_proposed)
        return &*m_proposed;
    return original();
}

bool ProposalHistory::isApplicable() const
{
    if (!m_original || !m_proposed)
        return false;
    if (m_original->fingerprint == m_proposed->fingerprint)
        return false;
    return m_original->inventory == m_proposed->inventory;
}

Layout ProposalHistory::suggestion(const SortOptions &options, const AppNames &names,
                                   const CategoryOverrides &overrides,
                                   const AppStoreAnswers &answers) const
{
    return Organizer::organize(m_original ? m_original->layout : Layout(), options, names,
                               overrides, answers);
}

const LayoutComparison *ProposalHistory::changes() const
{
    if (!m_original || !m_proposed)
        return nullptr;
    if (!m_changes)
        m_changes.emplace(m_original->layout, m_proposed->layout);
    return &*m_changes;
}
