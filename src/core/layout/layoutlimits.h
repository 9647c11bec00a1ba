#pragma once

#include "layout.h"

#include <QtGlobal>

/// The limits of an iPhone Home Screen as Varnolet rewrites it, in one place: the validation
/// refuses a layout beyond them, the organizer and the hand edits build within them.
struct LayoutLimits
{
    static constexpr qsizetype maximumPages = Layout::maximumPages;
    static constexpr qsizetype maximumDockItems = 4;
    static constexpr qsizetype maximumPageItems = Layout::maximumPageItems;
    static constexpr qsizetype maximumFolderPages = Layout::maximumFolderPages;
    static constexpr qsizetype maximumFolderPageApps = Layout::maximumFolderPageApps;
    static constexpr qsizetype maximumFolderApps = maximumFolderPages * maximumFolderPageApps;
    /// In user-perceived characters.
    static constexpr qsizetype maximumIdentifierLength = 4096;
};
