#pragma once

#include "appcategory.h"
#include "appstoreentry.h"
#include "layout.h"
#include "parsedlayout.h"
#include "sortoptions.h"

/// Turns the layout read from the iPhone into a proposed arrangement that holds exactly the same
/// app icons and passes the iPhone's limits.
class Organizer
{
public:
    Organizer() = delete;

    /// Builds the proposal for `layout` in the style of `options`. Apps are ordered by display name
    /// (from `names`, the App Store's `answers` or the catalogue); `overrides` only move apps
    /// between category folders. Throws VarnoletError: the validation message for the input or
    /// the proposal, or a sentence of its own when the options cannot be honoured.
    static Layout organize(const Layout &layout, const SortOptions &options = {},
                           const AppNames &names = {}, const CategoryOverrides &overrides = {},
                           const AppStoreAnswers &answers = {});

    /// The guard every rearrangement passes: `proposed` is within the iPhone's limits and holds
    /// each app of `original` exactly as many times. Throws VarnoletError otherwise.
    static void verifyProposal(const Layout &original, const Layout &proposed);
};
