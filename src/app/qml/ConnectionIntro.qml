import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Varnolet

// The welcome of the Connection section, with the demo and import as ways in without a phone.
RowLayout {
    id: intro

    required property VarnoletModel workspace

    spacing: 24

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 10
        Eyebrow {
            text: "LESS CLUTTER. MORE CLARITY."
        }
        StyledText {
            text: "Your Home Screen,\nbeautifully in order."
            font.family: Theme.roundedFamily
            font.pixelSize: 36
            font.weight: Font.Medium
            lineHeight: 1.05
            color: "white"
        }
        RowLayout {
            Layout.topMargin: 8
            spacing: 10
            AccentButton {
                objectName: "exploreDemoButton"
                text: "Explore demo"
                onClicked: intro.workspace.loadDemo()
            }
            QuietButton {
                objectName: "importLayoutButton"
                text: "Import layout…"
                onClicked: intro.workspace.importLayout()
            }
        }
    }
    Item {
        Layout.preferredWidth: 150
        Layout.preferredHeight: 195
        Shape {
            anchors.centerIn: parent
            width: 240
            height: 240
            ShapePath {
                strokeWidth: -1
                fillGradient: RadialGradient {
                    centerX: 120; centerY: 120; centerRadius: 120
                    focalX: 120; focalY: 120
                    GradientStop { position: 0; color: Theme.alpha(Theme.mint, 0.1) }
                    GradientStop { position: 0.5; color: Theme.alpha(Theme.mint, 0.05) }
                    GradientStop { position: 1; color: Theme.alpha(Theme.mint, 0) }
                }
                PathAngleArc { centerX: 120; centerY: 120; radiusX: 120; radiusY: 120; startAngle: 0; sweepAngle: 360 }
            }
        }
        Symbol {
            anchors.centerIn: parent
            name: "iphone.gen3"
            weight: "ultraLight"
            size: 150
            color: Theme.alpha(Theme.mint, 0.8)
        }
    }
}
