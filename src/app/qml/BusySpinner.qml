import QtQuick

// The small spinner of a running workflow: twelve spokes turning.
Item {
    id: spinner

    property color color: Theme.muted

    implicitWidth: 13
    implicitHeight: 13

    Item {
        id: wheel
        anchors.fill: parent
        Repeater {
            model: 12
            Rectangle {
                required property int index
                x: (spinner.width - width) / 2
                y: 0
                width: 1.6
                height: spinner.height * 0.3
                radius: width / 2
                color: spinner.color
                opacity: 0.25 + 0.75 * index / 11
                transform: Rotation {
                    origin.x: 0.8
                    origin.y: spinner.height / 2
                    angle: index * 30
                }
            }
        }
        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: spinner.visible
        }
    }
}
