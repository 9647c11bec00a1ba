import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// The Edit menu inside the window: the proposal's history.
StyledMenu {
    id: menu

    required property VarnoletModel workspace

    title: "Edit"

    Action {
        objectName: "undoAction"
        text: "Undo"
        shortcut: StandardKey.Undo
        property string keys: "Ctrl+Z"
        enabled: menu.workspace.canUndo
        onTriggered: menu.workspace.undo()
    }
    Action {
        objectName: "redoAction"
        text: "Redo"
        shortcut: "Shift+Ctrl+Z"
        property string keys: "Shift+Ctrl+Z"
        enabled: menu.workspace.canRedo
        onTriggered: menu.workspace.redo()
    }
    Action {
        text: "Reset to suggestion"
        enabled: menu.workspace.canResetToSuggestion
        onTriggered: menu.workspace.resetToSuggestion()
    }
}
