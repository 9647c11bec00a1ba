import QtQuick
import QtQuick.Controls.Basic

// A borderless button showing one symbol.
Button {
    id: control

    required property string symbol
    property string symbolWeight: "regular"
    property real symbolSize: 16
    property color symbolColor: Theme.muted

    padding: 4
    opacity: !enabled ? 0.3 : (down ? 0.6 : 1)

    contentItem: Symbol {
        name: control.symbol
        weight: control.symbolWeight
        size: control.symbolSize
        color: control.hovered && control.enabled ? Theme.text : control.symbolColor
    }
    background: Rectangle {
        radius: 6
        color: control.hovered && control.enabled ? Qt.rgba(1, 1, 1, 0.06) : "transparent"
    }
}
