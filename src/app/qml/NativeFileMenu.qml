import QtQuick
import Qt.labs.platform as Platform
import Varnolet

// The File menu in the macOS menu bar.
Platform.MenuBar {
    id: bar

    required property VarnoletModel workspace

    Platform.Menu {
        title: "File"
        Platform.MenuItem {
            text: "Import Layout for Preview…"
            shortcut: StandardKey.Open
            onTriggered: bar.workspace.importLayout()
        }
        Platform.MenuItem {
            text: "Export Proposed Layout…"
            shortcut: "Ctrl+E"
            enabled: bar.workspace.hasProposed
            onTriggered: bar.workspace.exportLayout()
        }
        Platform.MenuItem {
            text: "Export as Configuration Profile…"
            enabled: bar.workspace.hasProposed
            onTriggered: bar.workspace.exportProfile()
        }
    }
    Platform.Menu {
        title: "Edit"
        Platform.MenuItem {
            text: "Undo"
            shortcut: StandardKey.Undo
            enabled: bar.workspace.canUndo
            onTriggered: bar.workspace.undo()
        }
        Platform.MenuItem {
            text: "Redo"
            shortcut: "Shift+Ctrl+Z"
            enabled: bar.workspace.canRedo
            onTriggered: bar.workspace.redo()
        }
        Platform.MenuItem {
            text: "Reset to suggestion"
            enabled: bar.workspace.canResetToSuggestion
            onTriggered: bar.workspace.resetToSuggestion()
        }
    }
}
