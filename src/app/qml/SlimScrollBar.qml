import QtQuick
import QtQuick.Controls.Basic

// An overlay scroll bar that shows while scrolling or hovered.
ScrollBar {
    id: bar

    padding: 2
    minimumSize: 0.08
    contentItem: Rectangle {
        implicitWidth: 6
        implicitHeight: 6
        radius: 3
        color: Qt.rgba(1, 1, 1, bar.pressed ? 0.4 : 0.25)
        opacity: bar.active || bar.hovered ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
    }
    background: Item {}
}
