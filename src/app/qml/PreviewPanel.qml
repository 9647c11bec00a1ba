import QtQuick
import QtQuick.Layouts
import Varnolet

// The phone preview with the Original/Proposed switch and the page navigator.
ColumnLayout {
    id: panel

    required property VarnoletModel workspace

    spacing: 14

    SegmentedPicker {
        objectName: "previewPicker"
        Layout.alignment: Qt.AlignHCenter
        Layout.preferredWidth: 230
        Accessible.name: "Preview"
        labels: ["Original", "Proposed"]
        currentIndex: panel.workspace.showOriginal ? 0 : 1
        onActivated: index => panel.workspace.showOriginal = index === 0
    }
    PhonePreview {
        objectName: "phonePreview"
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 4
        pages: panel.workspace.preview
        page: panel.workspace.selectedPage
        pageCount: panel.workspace.previewPageCount
        workspace: panel.workspace.showOriginal ? null : panel.workspace
        previousArrow: navigator.previousArrow
        nextArrow: navigator.nextArrow
    }
    PageNavigator {
        id: navigator
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 6
        workspace: panel.workspace
    }
    ToggleSwitch {
        objectName: "showChangesSwitch"
        Layout.alignment: Qt.AlignHCenter
        Layout.preferredWidth: 150
        text: "Show changes"
        enabled: !panel.workspace.showOriginal && panel.workspace.hasProposed
        checked: panel.workspace.showChanges
        onToggled: panel.workspace.showChanges = checked
    }
    EditButtons {
        Layout.alignment: Qt.AlignHCenter
        visible: !panel.workspace.showOriginal
        workspace: panel.workspace
    }
    StyledText {
        Layout.alignment: Qt.AlignHCenter
        text: "Layout preview · illustrative icons"
        font.pixelSize: 10
        color: Theme.muted
        horizontalAlignment: Text.AlignHCenter
    }
}
