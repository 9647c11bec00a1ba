import QtQuick
import QtQuick.Controls.Basic

// A small bordered button for secondary actions inside a card.
Button {
    id: control

    leftPadding: 10
    rightPadding: 10
    topPadding: 4
    bottomPadding: 4
    font.family: Theme.family
    font.pixelSize: 11
    opacity: !enabled ? 0.3 : (down ? 0.7 : 1)

    contentItem: Text {
        text: control.text
        font: control.font
        color: Theme.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: 6
        color: control.hovered ? Qt.rgba(1, 1, 1, 0.13) : Qt.rgba(1, 1, 1, 0.09)
        border.color: Qt.rgba(1, 1, 1, 0.06)
    }
}
