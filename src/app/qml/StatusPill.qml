import QtQuick
import Varnolet

// Which phone the window is working with, or that the demo is shown.
Rectangle {
    id: pill

    required property VarnoletModel workspace

    implicitWidth: row.implicitWidth + 24
    implicitHeight: row.implicitHeight + 14
    radius: height / 2
    color: Qt.rgba(1, 1, 1, 0.04)

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 7
        Rectangle {
            objectName: "statusPillDot"
            anchors.verticalCenter: parent.verticalCenter
            width: 6
            height: 6
            radius: 3
            color: pill.workspace.hasLoadedDevice ? Theme.mint
                                                  : pill.workspace.demo ? Theme.orange : Theme.muted
        }
        StyledText {
            objectName: "statusPillCaption"
            text: pill.workspace.demo && pill.workspace.section === "Organize"
                  ? "Demo workspace"
                  : pill.workspace.hasSelectedDevice ? pill.workspace.selectedDevice.name
                                                     : "No iPhone selected"
            font.pixelSize: 11
            font.weight: Font.Medium
            color: Theme.muted
        }
    }
}
