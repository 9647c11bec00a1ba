#pragma once

#include "appcategory.h"
#include "appstoreentry.h"
#include "layout.h"
#include "layoutcomparison.h"
#include "layoutsummary.h"
#include "parsedlayout.h"
#include "sortoptions.h"

#include <optional>

/// The layout loaded into the window and the proposal for it, each with the figures the window
/// and the Apply rule ask for.
class ProposalHistory
{
public:
    const LayoutSummary *original() const { return m_original ? &*m_original : nullptr; }
    const LayoutSummary *proposed() const { return m_proposed ? &*m_proposed : nullptr; }

    /// Replaces the loaded layout; false when it is the same one.
    bool setOriginal(const std::optional<Layout> &layout);
    /// Replaces the proposal; false when it is the same one.
    bool setProposed(const std::optional<Layout> &layout);

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
    std::optional<LayoutSummary> m_original;
    std::optional<LayoutSummary> m_proposed;
    mutable std::optional<LayoutComparison> m_changes;
};
