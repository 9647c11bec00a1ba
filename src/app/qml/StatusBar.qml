import QtQuick
import QtQuick.Layouts
import Varnolet

// The status line: the running workflow with a spinner, or the last message.
Rectangle {
    id: status

    required property VarnoletModel workspace
    readonly property color tint: workspace.messageIsWarning ? Theme.orange : Theme.muted

    implicitHeight: row.implicitHeight + 26
    color: Qt.rgba(1, 1, 1, 0.025)

    RowLayout {
        id: row
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        anchors.topMargin: 13
        spacing: 8

        Item {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 2
            implicitWidth: 13
            implicitHeight: 13
            BusySpinner {
                objectName: "busySpinner"
                anchors.centerIn: parent
                visible: status.workspace.busy
                color: status.tint
            }
            Symbol {
                objectName: "statusIcon"
                anchors.centerIn: parent
                visible: !status.workspace.busy
                name: status.workspace.messageIsWarning ? "exclamationmark.circle" : "info.circle"
                size: 13
                color: status.tint
            }
        }
        SelectableText {
            id: statusText
            objectName: "statusText"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            // At most four lines.
            Layout.maximumHeight: Math.ceil((fontMetrics.lineSpacing + 3) * 4)
            clip: true
            text: status.workspace.busy ? status.workspace.busyLabel : status.workspace.message
            font.pixelSize: 11
            color: status.tint

            LineSpacing {
                document: statusText.textDocument
                spacing: 3
            }
            FontMetrics {
                id: fontMetrics
                font.family: Theme.family
                font.pixelSize: 11
            }
        }
    }
}
