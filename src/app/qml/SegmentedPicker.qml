import QtQuick
import QtQuick.Controls.Basic

// A segmented control: one segment per label, the current one raised. Each segment is a button
// named by its label and described by the picker's own accessible name ("Sort style").
Rectangle {
    id: picker

    required property var labels
    property int currentIndex: -1
    signal activated(int index)

    Accessible.role: Accessible.Grouping
    implicitWidth: segments.implicitWidth + 4
    implicitHeight: 26
    radius: 7
    color: Qt.rgba(1, 1, 1, 0.07)
    border.color: Qt.rgba(1, 1, 1, 0.05)

    Row {
        id: segments
        anchors.fill: parent
        anchors.margins: 2

        Repeater {
            model: picker.labels
            AbstractButton {
                id: segment
                required property int index
                required property string modelData
                objectName: "segment-" + modelData
                width: picker.width > 0 ? (picker.width - 4) / picker.labels.length : implicitWidth
                height: segments.height
                implicitWidth: label.implicitWidth + 24
                checked: index === picker.currentIndex
                Accessible.role: Accessible.Button
                Accessible.name: modelData
                Accessible.description: picker.Accessible.name
                onClicked: picker.activated(index)

                background: Rectangle {
                    radius: 5
                    color: segment.checked ? Qt.rgba(1, 1, 1, 0.17)
                                           : segment.hovered ? Qt.rgba(1, 1, 1, 0.04) : "transparent"
                }
                contentItem: StyledText {
                    id: label
                    text: segment.modelData
                    font.pixelSize: 12
                    font.weight: segment.checked ? Font.Medium : Font.Normal
                    color: segment.checked ? "white" : Theme.text
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
            }
        }
    }
}
