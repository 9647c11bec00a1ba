import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// The File menu inside the window, where the platform has no global menu bar.
MenuBar {
    id: bar

    required property VarnoletModel workspace

    font.family: Theme.family
    font.pixelSize: 12

    delegate: MenuBarItem {
        id: barItem
        font: bar.font
        contentItem: StyledText {
            text: barItem.text
            font: barItem.font
            color: barItem.highlighted ? "white" : Theme.text
        }
        background: Rectangle {
            radius: 5
            color: barItem.highlighted ? Qt.rgba(1, 1, 1, 0.1) : "transparent"
        }
    }
    background: Rectangle {
        implicitHeight: 28
        color: Theme.sidebar
        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Qt.rgba(1, 1, 1, 0.06)
        }
    }

    StyledMenu {
        title: "File"
        Action {
            objectName: "importAction"
            text: "Import Layout for Preview…"
            shortcut: "Ctrl+O"
            property string keys: "Ctrl+O"
            onTriggered: bar.workspace.importLayout()
        }
        Action {
            objectName: "exportAction"
            text: "Export Proposed Layout…"
            shortcut: "Ctrl+E"
            property string keys: "Ctrl+E"
            enabled: bar.workspace.hasProposed
            onTriggered: bar.workspace.exportLayout()
        }
        Action {
            objectName: "exportProfileAction"
            text: "Export as Configuration Profile…"
            enabled: bar.workspace.hasProposed
            onTriggered: bar.workspace.exportProfile()
        }
        MenuSeparator {
            contentItem: Rectangle {
                implicitHeight: 1
                color: Qt.rgba(1, 1, 1, 0.08)
            }
        }
        Action {
            text: "Quit Varnolet"
            shortcut: "Ctrl+Q"
            property string keys: "Ctrl+Q"
            onTriggered: Qt.quit()
        }
    }
    EditMenu {
        workspace: bar.workspace
    }
}
