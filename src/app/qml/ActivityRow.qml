import QtQuick
import QtQuick.Layouts
import Varnolet

// One entry of the activity log: its time and its message.
Card {
    id: row

    required property var entry

    padding: 16

    RowLayout {
        anchors.fill: parent
        spacing: 14
        StyledText {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 1
            objectName: "activityTime"
            text: DisplayFormats.time(row.entry.date)
            font.family: Theme.monoFamily
            font.pixelSize: 10
            color: Theme.muted
        }
        SelectableText {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            text: row.entry.message
            font.pixelSize: 12
        }
    }
}
