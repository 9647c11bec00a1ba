import QtQuick

// A blurred shadow under a rounded shape of the parent's size, built from stacked translucent
// layers that fade out over `blur` points.
Item {
    id: shadow

    property real radius: 0
    property real blur: 18
    property real offsetY: 0
    property color color: Qt.rgba(0, 0, 0, 0.3)
    readonly property int layers: 9

    anchors.fill: parent
    anchors.topMargin: offsetY
    anchors.bottomMargin: -offsetY

    Repeater {
        model: shadow.layers
        Rectangle {
            required property int index
            readonly property real grow: shadow.blur * (index / (shadow.layers - 1) - 0.5)
            x: -grow
            y: -grow
            width: shadow.width + 2 * grow
            height: shadow.height + 2 * grow
            radius: Math.max(0, shadow.radius + grow)
            color: Theme.alpha(shadow.color, shadow.color.a / shadow.layers * 1.6)
        }
    }
}
