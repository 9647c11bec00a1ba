import QtQuick
import QtQuick.Layouts
import Varnolet

// The sidebar: the product, the four sections and the version.
Rectangle {
    id: sidebar

    required property VarnoletModel workspace

    implicitWidth: 200
    color: Theme.sidebar

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        spacing: 0

        RowLayout {
            Layout.topMargin: 36
            Layout.bottomMargin: 40
            spacing: 10
            Rectangle {
                Layout.preferredWidth: 40
                Layout.preferredHeight: 40
                radius: 10
                color: Theme.alpha(Theme.mint, 0.12)
                Symbol {
                    anchors.centerIn: parent
                    name: "square.grid.2x2.fill"
                    weight: "semibold"
                    size: 22
                    color: Theme.mint
                }
            }
            StyledText {
                text: "Varnolet"
                font.pixelSize: 21
                font.weight: Font.DemiBold
                color: "white"
            }
        }
        StyledText {
            Layout.bottomMargin: 14
            text: "WORKSPACE"
            font.pixelSize: 10
            font.weight: Font.DemiBold
            font.letterSpacing: 2
            color: Theme.muted
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 5
            Repeater {
                model: sidebar.workspace.sections
                SidebarButton {
                    required property string modelData
                    title: modelData
                    symbol: Symbols.sectionSymbols[modelData]
                    current: sidebar.workspace.section === modelData
                    onClicked: {
                        sidebar.workspace.section = modelData
                        if (modelData === "Saved layouts")
                            sidebar.workspace.reloadSnapshots()
                    }
                }
            }
        }
        Item { Layout.fillHeight: true }
        RowLayout {
            Layout.bottomMargin: 20
            opacity: 0.7
            spacing: 6
            StyledText {
                text: "PROTOTYPE"
                font.pixelSize: 9
                font.weight: Font.Medium
                font.letterSpacing: 1.3
                color: Theme.muted
            }
            StyledText {
                text: "0.1.0"
                font.pixelSize: 9
                font.weight: Font.Medium
                font.family: Theme.monoFamily
                color: Theme.muted
            }
        }
    }
}
