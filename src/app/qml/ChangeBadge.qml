import QtQuick
import Varnolet

// The small mint mark at a tile's top-right corner for an app that moves or a folder that changes.
Rectangle {
    width: 12
    height: 12
    radius: 6
    x: parent.width - width / 2 - 2
    y: -height / 2 + 2
    color: Theme.mint
    border.color: Qt.rgba(0.05, 0.1, 0.15, 0.9)
    border.width: 1.5
}
