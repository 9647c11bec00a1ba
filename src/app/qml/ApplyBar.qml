import QtQuick
import QtQuick.Layouts
import Varnolet

// Where the proposal leaves the window: export it, or apply it after confirmation.
RowLayout {
    id: bar

    required property VarnoletModel workspace

    spacing: 10

    ColumnLayout {
        spacing: 3
        StyledText {
            objectName: "applyBarTitle"
            text: bar.workspace.demo ? "Explore freely. Your phone stays untouched."
                  : !bar.workspace.hasLoadedDevice ? "Preview only"
                  : bar.workspace.showOriginal ? "Review Proposed to enable Apply"
                  : bar.workspace.proposalEdited ? "Ready for your review · edited by you"
                  : "Ready for your review"
            font.pixelSize: 12
            font.weight: Font.Medium
            color: "white"
        }
        StyledText {
            objectName: "applyBarSubtitle"
            text: bar.workspace.hasLoadedDevice ? "Your current icon layout is saved before every change."
                                                : "Connect and read your iPhone to apply a layout."
            font.pixelSize: 10
            color: Theme.muted
        }
    }
    Item { Layout.fillWidth: true }
    QuietButton {
        objectName: "checkAgainButton"
        visible: bar.workspace.canCheckAgain
        text: "Check again"
        onClicked: bar.workspace.checkAgain()
    }
    QuietButton {
        objectName: "exportButton"
        text: "Export JSON"
        enabled: bar.workspace.hasProposed
        onClicked: bar.workspace.exportLayout()
    }
    ExportMenuButton {
        workspace: bar.workspace
    }
    AccentButton {
        objectName: "applyButton"
        text: bar.workspace.hasPendingRestore ? "Restore saved layout" : "Apply to iPhone"
        enabled: bar.workspace.canApply
        onClicked: bar.workspace.showApplyConfirmation = true
    }
}
