import QtQuick
import QtQuick.Controls.Basic

// A small switch with its label leading and the switch trailing.
Switch {
    id: control

    font.family: Theme.family
    font.pixelSize: 12
    padding: 0
    spacing: 10

    indicator: Rectangle {
        x: control.width - width
        y: (control.height - height) / 2
        implicitWidth: 30
        implicitHeight: 17
        radius: height / 2
        color: control.checked ? Theme.mint : Qt.rgba(1, 1, 1, 0.16)
        opacity: control.enabled ? 1 : 0.4

        Rectangle {
            x: control.checked ? parent.width - width - 1.5 : 1.5
            y: 1.5
            width: parent.height - 3
            height: width
            radius: width / 2
            color: "white"
            Behavior on x { NumberAnimation { duration: 120 } }
        }
    }
    contentItem: StyledText {
        rightPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        verticalAlignment: Text.AlignVCenter
    }
}
