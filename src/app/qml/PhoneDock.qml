import QtQuick
import Varnolet

// The Dock: the entries of page 0 on a translucent rounded shelf.
Item {
    id: shelf

    required property var items
    property var editor: null
    readonly property alias row: row

    implicitHeight: Math.max(58, row.implicitHeight + 14)

    ContinuousRect {
        anchors.fill: parent
        radius: 21
        color: Qt.rgba(1, 1, 1, 0.1)
    }
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 12
        Repeater {
            model: shelf.items
            PreviewItem {
                required property var modelData
                required property int index
                item: modelData
                page: 0
                position: index
                editor: shelf.editor
                dock: true
                width: 44
            }
        }
    }
}
