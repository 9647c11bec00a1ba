import QtQuick
import QtQuick.Layouts

// One numbered step of the Connection section with its action controls on the trailing side.
RowLayout {
    id: step

    required property string number
    required property string title
    required property string detail
    required property bool ready
    default property alias actions: actionRow.data

    spacing: 16

    Rectangle {
        Layout.preferredWidth: 40
        Layout.preferredHeight: 40
        Layout.alignment: Qt.AlignVCenter
        radius: 10
        color: Qt.rgba(1, 1, 1, 0.04)
        StyledText {
            objectName: step.objectName + "Badge"
            anchors.centerIn: parent
            text: step.ready ? "✓" : step.number
            font.family: Theme.monoFamily
            font.pixelSize: 14
            font.weight: Font.Medium
            color: step.ready ? Theme.mint : Theme.muted
        }
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 4
        StyledText {
            objectName: step.objectName + "Title"
            text: step.title
            font.pixelSize: 14
            font.weight: Font.Medium
            color: "white"
        }
        StyledText {
            objectName: step.objectName + "Detail"
            Layout.fillWidth: true
            text: step.detail
            font.pixelSize: 11
            color: Theme.muted
            wrapMode: Text.WordWrap
        }
    }
    RowLayout {
        id: actionRow
        Layout.alignment: Qt.AlignVCenter
        spacing: 8
    }
}
