import QtQuick
import Varnolet

// An app's letter tile in its category's colour.
Item {
    id: tile

    required property string name
    required property string category
    property real size: 44
    readonly property color tint: Theme.categoryColor(category)

    implicitWidth: size
    implicitHeight: size

    ContinuousRect {
        anchors.fill: parent
        radius: tile.size * 0.24
        gradient: [Theme.alpha(tile.tint, 0.95), Theme.alpha(tile.tint, 0.5)]
        strokeColor: Qt.rgba(1, 1, 1, 0.12)
        strokeWidth: 0.5
    }
    Text {
        anchors.centerIn: parent
        objectName: "tileLetter"
        text: DisplayFormats.initial(tile.name)
        textFormat: Text.PlainText
        font.family: Theme.roundedFamily
        font.weight: Font.DemiBold
        font.pixelSize: Math.max(1, tile.size * 0.44)
        color: Qt.rgba(1, 1, 1, 0.93)
    }
}
