import QtQuick
import QtQuick.Layouts
import Varnolet

// Before the first read there is nothing to go back to.
Card {
    id: empty

    required property VarnoletModel workspace

    padding: 50

    ColumnLayout {
        anchors.fill: parent
        spacing: 12
        Symbol {
            Layout.alignment: Qt.AlignHCenter
            name: "clock.arrow.circlepath"
            weight: "light"
            size: 44
            color: Theme.text
        }
        StyledText {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 4
            text: "Your first snapshot starts with a read."
            font.pixelSize: 17
            font.weight: Font.Medium
            color: "white"
        }
        StyledText {
            Layout.alignment: Qt.AlignHCenter
            Layout.fillWidth: true
            text: "Connect an iPhone and read its layout. Demo and imported layouts aren't device backups."
            font.pixelSize: 12
            color: Theme.muted
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        QuietButton {
            objectName: "snapshotsConnectButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            text: "Connect iPhone"
            onClicked: empty.workspace.section = "Connection"
        }
    }
}
