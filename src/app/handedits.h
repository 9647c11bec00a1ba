#pragma once

#include "layout.h"

#include <QString>

#include <functional>

class VarnoletModel;

/// The user's hand edits of the proposal, as the window's drops and menu entries ask for them.
/// An item is named by its page (0 is the Dock), its place there and, for an app inside a folder,
/// its place among all the folder's apps (-1 otherwise). A refused edit shows its sentence as a
/// warning and returns false; every edit done is one step of the proposal's history.
class HandEdits
{
public:
    explicit HandEdits(VarnoletModel &model)
        : m_model(model)
    { }

    bool move(int page, int index, int folderIndex, int toPage, int toIndex);
    /// Onto a folder the app goes inside; onto an app the two make a folder.
    bool drop(int page, int index, int folderIndex, int ontoPage, int ontoIndex);
    bool moveToDock(int page, int index, int folderIndex);
    /// To the end of `toPage`; one past the last page makes a new page.
    bool moveToPage(int page, int index, int folderIndex, int toPage);
    /// Out of its folder, right after the folder.
    bool moveOutOfFolder(int page, int index, int folderIndex);
    bool renameFolder(int page, int index, const QString &name);

    void undo();
    void redo();
    void resetToSuggestion();

private:
    bool apply(const std::function<Layout(const Layout &)> &edit);

    VarnoletModel &m_model;
};
