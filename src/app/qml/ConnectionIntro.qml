import QtQuick
import QtQuick.Layouts
import Varnolet

// The welcome of the Connection section, with the demo and import as ways in without a phone.
RowLayout {
    id: intro

    required property VarnoletModel workspace

    spacing: 24

    ColumnLayout {
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
    Item { Layout.fillWidth: true }
    Item {
        Layout.rightMargin: 30
        Layout.preferredWidth: 150
        Layout.preferredHeight: 195
        // The glow: a soft mint disc behind the phone.
        Item {
            anchors.centerIn: parent
            width: 130
            height: 130
            SoftShadow {
                radius: 65
                blur: 90
                color: Theme.alpha(Theme.mint, 0.05)
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
