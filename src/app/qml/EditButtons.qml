import QtQuick
import QtQuick.Layouts
import Varnolet

// Undo, Redo and Reset to suggestion for the hand-edited proposal, beside the preview.
RowLayout {
    id: buttons

    required property VarnoletModel workspace

    spacing: 6

    SmallButton {
        objectName: "undoButton"
        text: "Undo"
        enabled: buttons.workspace.canUndo
        onClicked: buttons.workspace.undo()
    }
    SmallButton {
        objectName: "redoButton"
        text: "Redo"
        enabled: buttons.workspace.canRedo
        onClicked: buttons.workspace.redo()
    }
    LinkButton {
        objectName: "resetButton"
        Layout.leftMargin: 4
        text: "Reset to suggestion"
        enabled: buttons.workspace.canResetToSuggestion
        onClicked: buttons.workspace.resetToSuggestion()
    }
}
