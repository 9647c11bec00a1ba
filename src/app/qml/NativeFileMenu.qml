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
    }
}
