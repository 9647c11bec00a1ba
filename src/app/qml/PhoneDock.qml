import QtQuick
import Varnolet

// The Dock: the entries of page 0 on a translucent rounded shelf.
Item {
    id: dock

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
            model: dock.items
            PreviewItem {
                required property var modelData
                required property int index
                item: modelData
                page: 0
                position: index
                editor: dock.editor
                dock: true
                width: 44
            }
        }
    }
}
