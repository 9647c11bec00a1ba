#pragma once

#include <QtGlobal>

/// The limits of an iPhone Home Screen as Varnolet rewrites it: the validation refuses a layout
/// beyond them, the organizer and the hand edits build within them.
struct LayoutLimits
{
    /// The Dock and 100 Home Screen pages.
    static constexpr qsizetype maximumPages = 101;
    static constexpr qsizetype maximumDockItems = 4;
    static constexpr qsizetype maximumPageItems = 30;
    static constexpr qsizetype maximumFolderPages = 15;
    static constexpr qsizetype maximumFolderPageApps = 9;
    static constexpr qsizetype maximumFolderApps = maximumFolderPages * maximumFolderPageApps;
    /// In user-perceived characters.
    static constexpr qsizetype maximumIdentifierLength = 4096;
};
