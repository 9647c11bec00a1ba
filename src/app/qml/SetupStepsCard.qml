import QtQuick
import QtQuick.Layouts
import Varnolet

// The three steps from installing the configurator to reading the phone.
Card {
    id: card

    required property VarnoletModel workspace

    padding: 20
    fill: Theme.alpha(Theme.mint, 0.04)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        SetupStep {
            objectName: "step01"
            Layout.fillWidth: true
            Layout.topMargin: 23
            Layout.bottomMargin: 23
            number: "01"
            // A configurator named by hand counts wherever it is.
            title: ready ? "Install Apple Configurator" : PlatformWords.words.installTitle
            detail: ready ? "Configurator is available. Close its window before reading your phone."
                          : PlatformWords.words.installDetail
            ready: card.workspace.cfgutil !== ""

            Row {
                objectName: "installedLabel"
                visible: card.workspace.cfgutil !== ""
                spacing: 5
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "checkmark.circle.fill"
                    size: 13
                    color: Theme.mint
                }
                StyledText {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Installed"
                    font.pixelSize: 12
                    color: Theme.mint
                }
            }
            QuietButton {
                objectName: "getConfiguratorButton"
                visible: card.workspace.cfgutil === "" && PlatformWords.words.canInstall
                text: "Get Configurator"
                onClicked: card.workspace.openConfiguratorStorePage()
            }
        }
        Divider { Layout.leftMargin: 62 }
        SetupStep {
            objectName: "step02"
            Layout.fillWidth: true
            Layout.topMargin: 23
            Layout.bottomMargin: 23
            number: "02"
            title: "Connect and trust your iPhone"
            detail: PlatformWords.words.trust
            ready: card.workspace.devices.length > 0

            QuietButton {
                objectName: "refreshButton"
                text: "Refresh connection"
                onClicked: card.workspace.refresh()
            }
        }
        Divider { Layout.leftMargin: 62 }
        SetupStep {
            objectName: "step03"
            Layout.fillWidth: true
            Layout.topMargin: 23
            Layout.bottomMargin: 23
            number: "03"
            title: "Read your current layout"
            detail: "Varnolet saves an icon-layout snapshot before you make any changes."
            ready: card.workspace.hasLoadedDevice

            AccentButton {
                objectName: "readLayoutButton"
                text: "Read layout"
                enabled: card.workspace.hasSelectedDevice
                onClicked: card.workspace.readDevice()
            }
        }
    }
}
