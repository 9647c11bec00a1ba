#include "proposalhistory.h"

#include "organizer.h"

namespace {

// So that a long session of hand edits cannot take memory without end.
constexpr qsizetype maximumSteps = 500;

bool sameLayout(const std::optional<LayoutSummary> &summary, const std::optional<Layout> &layout)
{
    return layout.has_value() == summary.has_value() && (!layout || summary->layout == *layout);
}

std::optional<LayoutSummary> summaryOf(const std::optional<Layout> &layout)
{
    return layout ? std::optional<LayoutSummary>(std::in_place, *layout) : std::nullopt;
}

} // namespace

const LayoutSummary *ProposalHistory::proposed() const
{
    const std::optional<LayoutSummary> &proposal = m_steps.at(m_current).proposal;
    return proposal ? &*proposal : nullptr;
}

bool ProposalHistory::setOriginal(const std::optional<Layout> &layout)
{
    setProposed(std::nullopt);
    if (sameLayout(m_original, layout))
        return false;
    m_original = summaryOf(layout);
    m_changes.reset();
    return true;
}

bool ProposalHistory::setProposed(const std::optional<Layout> &layout)
{
    const bool changed = !sameLayout(m_steps.at(m_current).proposal, layout);
    m_steps = {Step{summaryOf(layout), false}};
    m_current = 0;
    m_suggestion.reset();
    m_changes.reset();
    return changed;
}

bool ProposalHistory::suggest(const std::optional<Layout> &layout)
{
    m_suggestion = layout;
    return push(layout, false);
}

void ProposalHistory::edit(const Layout &layout)
{
    push(layout, true);
}

bool ProposalHistory::resetToSuggestion()
{
    return m_suggestion && push(m_suggestion, false);
}

bool ProposalHistory::isSuggestion() const
{
    return m_suggestion && sameLayout(m_steps.at(m_current).proposal, m_suggestion);
}

bool ProposalHistory::undo()
{
    if (!canUndo())
        return false;
    --m_current;
    m_changes.reset();
    return true;
}

bool ProposalHistory::redo()
{
    if (!canRedo())
        return false;
    ++m_current;
    m_changes.reset();
    return true;
}

bool ProposalHistory::push(const std::optional<Layout> &layout, bool edited)
{
    Step &current = m_steps[m_current];
    if (sameLayout(current.proposal, layout) && current.edited == edited)
        return false;
    m_changes.reset();
    // The first proposal for a layout just loaded is where its history starts, not a step.
    if (m_steps.size() == 1 && !current.proposal) {
        current = Step{summaryOf(layout), edited};
        return true;
    }
    m_steps.resize(m_current + 1);
    m_steps.append(Step{summaryOf(layout), edited});
    if (m_steps.size() > maximumSteps)
        m_steps.removeFirst();
    m_current = m_steps.size() - 1;
    return true;
}

int ProposalHistory::proposedPageCount() const
{
    return proposed() ? proposed()->pageCount : originalPageCount();
}

int ProposalHistory::proposedFolderCount() const
{
    if (proposed())
        return proposed()->folderCount;
    return m_original ? m_original->folderCount : 0;
}

const LayoutSummary *ProposalHistory::shown(bool showOriginal) const
{
    if (!showOriginal && proposed())
        return proposed();
    return original();
}

bool ProposalHistory::isApplicable() const
{
    const LayoutSummary *proposal = proposed();
    if (!m_original || !proposal)
        return false;
    if (m_original->fingerprint == proposal->fingerprint)
        return false;
    return m_original->inventory == proposal->inventory;
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
    const LayoutSummary *proposal = proposed();
    if (!m_original || !proposal)
        return nullptr;
    if (!m_changes)
        m_changes.emplace(m_original->layout, proposal->layout);
    return &*m_changes;
}
