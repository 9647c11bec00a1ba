import QtQuick
import QtQuick.Controls.Basic

// A plain text button in mint.
Button {
    id: control

    padding: 2
    font.family: Theme.family
    font.pixelSize: 11
    opacity: !enabled ? 0.3 : (down ? 0.6 : 1)

    contentItem: Text {
        text: control.text
        font.family: control.font.family
        font.pixelSize: control.font.pixelSize
        font.underline: control.hovered
        color: Theme.mint
    }
    background: Item {}
}
