import QtQuick
import Varnolet
import QtQuick.Controls.Basic

// The face of every prominent button: mint for the accent style, a quiet wash otherwise.
Button {
    id: control

    property bool accent: false

    leftPadding: 16
    rightPadding: 16
    topPadding: 11
    bottomPadding: 11
    font.family: Theme.family
    font.pixelSize: 12
    font.weight: Font.DemiBold
    opacity: !enabled ? 0.3 : (down ? 0.7 : 1)
    focusPolicy: Qt.TabFocus

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.accent ? Qt.rgba(0, 0, 0, 0.85) : Qt.rgba(1, 1, 1, 0.86)
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: ContinuousRect {
        implicitWidth: 40
        implicitHeight: 36
        radius: 9
        color: control.accent ? Theme.mint : Qt.rgba(1, 1, 1, 0.075)
        strokeColor: control.visualFocus ? Theme.alpha(Theme.mint, 0.8) : "transparent"
        strokeWidth: control.visualFocus ? 2 : 0
    }
}
