import QtQuick
import Varnolet
import QtQuick.Controls.Basic

// A panel-coloured rounded card holding one content item.
Pane {
    id: card

    property color fill: Theme.panel
    property real radius: 16

    padding: 18
    background: ContinuousRect {
        radius: card.radius
        color: card.fill
    }
}
