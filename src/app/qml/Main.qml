import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// Varnolet's one window.
ApplicationWindow {
    id: window

    required property VarnoletModel model
    required property DesktopPanels panels

    objectName: "mainWindow"
    title: "Varnolet"
    width: 1260
    height: 850
    minimumWidth: 1040
    minimumHeight: 720
    visible: true
    color: Theme.canvas
    font.family: Theme.family
    font.pixelSize: 13

    palette {
        window: Theme.canvas
        windowText: Theme.text
        base: Theme.panel
        text: Theme.text
        button: Qt.rgba(1, 1, 1, 0.075)
        buttonText: Theme.text
        highlight: Theme.mint
        highlightedText: "black"
        toolTipBase: Theme.popover
        toolTipText: Theme.text
        placeholderText: Theme.muted
        mid: Qt.rgba(1, 1, 1, 0.1)
        light: Qt.rgba(1, 1, 1, 0.15)
        dark: Qt.rgba(0, 0, 0, 0.4)
    }

    menuBar: Loader {
        active: Qt.platform.os !== "osx"
        sourceComponent: FileMenuBar {
            workspace: window.model
        }
    }

    ContentView {
        anchors.fill: parent
        workspace: window.model
    }
    ApplyConfirmation {
        objectName: "applyConfirmation"
        workspace: window.model
    }
    PanelDialogs {
        panels: window.panels
    }
    ModelReactions {
        workspace: window.model
    }
    // macOS has the File menu in its global menu bar.
    Loader {
        id: nativeMenu
    }

    Component.onCompleted: {
        if (Qt.platform.os === "osx")
            nativeMenu.setSource("NativeFileMenu.qml", { workspace: window.model })
        requestActivate()
    }
}
