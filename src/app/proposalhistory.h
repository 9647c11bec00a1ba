#pragma once

#include "appcategory.h"
#include "appstoreentry.h"
#include "layout.h"
#include "layoutcomparison.h"
#include "layoutsummary.h"
#include "parsedlayout.h"
#include "sortoptions.h"

#include <QList>

#include <optional>

/// The layout loaded into the window and the proposal for it, with the steps that led to the
/// proposal: each organizer run and each hand edit is one step that Undo and Redo walk. The
/// organizer's result for the current options is kept apart, for "Reset to suggestion".
class ProposalHistory
{
public:
    const LayoutSummary *original() const { return m_original ? &*m_original : nullptr; }
    /// The proposal of the current step; null when there is none.
    const LayoutSummary *proposed() const;

    /// Replaces the loaded layout and starts a new history without a proposal; false when the
    /// loaded layout stays the same.
    bool setOriginal(const std::optional<Layout> &layout);
    /// Starts a new history with `layout` as its one step; false when the proposal stays the same.
    bool setProposed(const std::optional<Layout> &layout);
    /// Takes the organizer's result (none when it failed) as the suggestion and, when it differs
    /// from the proposal, as a new step; false when the proposal stays the same.
    bool suggest(const std::optional<Layout> &layout);
    /// Adds a hand-edited proposal as a new step, dropping the steps that Redo would bring back.
    void edit(const Layout &layout);
    /// Adds the suggestion as a new step; false when it is the proposal already.
    bool resetToSuggestion();

    bool canUndo() const { return m_current > 0; }
    bool canRedo() const { return m_current + 1 < m_steps.size(); }
    /// Goes one step back or forth; false when there is none.
    bool undo();
    bool redo();
    /// The proposal is the outcome of a hand edit.
    bool edited() const { return m_steps.at(m_current).edited; }
    /// The proposal is the organizer's result for the current options.
    bool isSuggestion() const;

    /// Every app occurrence of the original; 0 without one.
    int iconCount() const { return m_original ? m_original->iconCount : 0; }
    int originalPageCount() const { return m_original ? m_original->pageCount : 0; }
    /// The page count of the proposal, or of the original when there is none.
    int proposedPageCount() const;
    /// The folder count of the proposal, or of the original when there is none.
    int proposedFolderCount() const;

    /// The original when `showOriginal` is set or there is no proposal; null without a layout.
    const LayoutSummary *shown(bool showOriginal) const;
    /// What the proposal changes in the original, worked out once per pair; null without both.
    const LayoutComparison *changes() const;
    /// A proposal that differs from the original and holds exactly its apps.
    bool isApplicable() const;

    /// The organizer's proposal for the original under these options. Throws VarnoletError.
    Layout suggestion(const SortOptions &options, const AppNames &names,
                      const CategoryOverrides &overrides, const AppStoreAnswers &answers) const;

private:
    struct Step
    {
        std::optional<LayoutSummary> proposal;
        bool edited = false;
    };

    bool push(const std::optional<Layout> &layout, bool edited);

    std::optional<LayoutSummary> m_original;
    std::optional<Layout> m_suggestion;
    // Never empty: a history without a proposal has one step without one.
    QList<Step> m_steps{Step()};
    qsizetype m_current = 0;
    // What the current step changes in the original; dropped whenever either changes.
    mutable std::optional<LayoutComparison> m_changes;
};
