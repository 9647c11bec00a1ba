import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Varnolet

// The alert before anything is written to the phone; only its confirming button applies.
Popup {
    id: alert

    required property VarnoletModel workspace
    readonly property string action: workspace.hasPendingRestore ? "Restore saved layout"
                                                                  : "Apply to iPhone"

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 380
    padding: 24
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    visible: workspace.showApplyConfirmation
    onClosed: workspace.showApplyConfirmation = false

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.45)
    }
    background: Item {
        SoftShadow {
            radius: 14
            blur: 30
            offsetY: 12
            color: Qt.rgba(0, 0, 0, 0.5)
        }
        Rectangle {
            anchors.fill: parent
            radius: 14
            color: Theme.popover
            border.color: Qt.rgba(1, 1, 1, 0.1)
        }
    }

    contentItem: ColumnLayout {
        spacing: 0

        Rectangle {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 52
            Layout.preferredHeight: 52
            radius: 13
            color: Theme.alpha(Theme.mint, 0.12)
            Symbol {
                anchors.centerIn: parent
                name: "iphone.gen3"
                weight: "light"
                size: 30
                color: Theme.mint
            }
        }
        StyledText {
            objectName: "applyConfirmationTitle"
            Layout.fillWidth: true
            Layout.topMargin: 16
            text: alert.action
            font.pixelSize: 14
            font.weight: Font.Bold
            color: "white"
            horizontalAlignment: Text.AlignHCenter
        }
        StyledText {
            objectName: "applyConfirmationSummary"
            Layout.fillWidth: true
            Layout.topMargin: 8
            text: alert.workspace.changeSummary
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: Theme.mint
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        StyledText {
            objectName: "applyConfirmationMessage"
            Layout.fillWidth: true
            Layout.topMargin: 8
            text: "Apply the preview to "
                  + (alert.workspace.hasLoadedDevice ? alert.workspace.loadedDevice.name : "your iPhone")
                  + "? Varnolet saves the current icon layout first. This prototype cannot guarantee preservation of widgets, hidden pages, or wallpaper arrangements. Make a Finder backup and take screenshots before the first test. Start with Two-icon test. Keep the phone connected until verification finishes."
            font.pixelSize: 11
            lineHeight: 1.15
            color: Theme.text
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 20
            spacing: 10
            QuietButton {
                objectName: "applyConfirmationCancel"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: "Cancel"
                onClicked: alert.close()
            }
            AccentButton {
                objectName: "applyConfirmationConfirm"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: alert.action
                onClicked: {
                    alert.workspace.apply()
                    alert.close()
                }
            }
        }
    }
}
