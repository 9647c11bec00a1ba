import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// Getting a phone connected and read.
Flickable {
    id: section

    required property VarnoletModel workspace

    contentHeight: column.implicitHeight + 72
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: SlimScrollBar {}

    ColumnLayout {
        id: column
        x: 36
        y: 36
        width: section.width - 72
        spacing: 24

        ConnectionIntro {
            Layout.fillWidth: true
            workspace: section.workspace
        }
        SetupStepsCard {
            Layout.fillWidth: true
            workspace: section.workspace
        }
        DevicePickerRow {
            visible: section.workspace.devices.length > 0
            Layout.fillWidth: true
            workspace: section.workspace
        }
        GuidanceCard {
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 16
            LinkButton {
                objectName: "locateConfiguratorButton"
                text: "Locate Configurator…"
                onClicked: section.workspace.chooseConfigurator()
            }
            LinkButton {
                objectName: "testingGuideButton"
                text: "Testing guide"
                onClicked: section.workspace.openGuide()
            }
            StyledText {
                objectName: "readerStatus"
                text: section.workspace.fallbackReader !== "" ? "Optional reader: available"
                                                              : "Optional reader: not installed"
                font.pixelSize: 11
                color: Theme.muted
            }
        }
    }
}
