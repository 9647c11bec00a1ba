import QtQuick
import QtQuick.Layouts
import Varnolet

// The Organize section before any layout is loaded.
ColumnLayout {
    id: empty

    required property VarnoletModel workspace

    spacing: 14

    Symbol {
        Layout.alignment: Qt.AlignHCenter
        name: "iphone.gen3"
        weight: "ultraLight"
        size: 80
        color: Theme.mint
    }
    StyledText {
        Layout.alignment: Qt.AlignHCenter
        text: "No layout loaded"
        font.pixelSize: 13
        font.weight: Font.Bold
        color: "white"
    }
    RowLayout {
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 4
        spacing: 10
        AccentButton {
            objectName: "emptyConnectButton"
            text: "Connect iPhone"
            onClicked: empty.workspace.section = "Connection"
        }
        QuietButton {
            objectName: "emptyDemoButton"
            text: "Explore demo"
            onClicked: empty.workspace.loadDemo()
        }
        QuietButton {
            objectName: "emptyImportButton"
            text: "Import JSON…"
            onClicked: empty.workspace.importLayout()
        }
    }
}
