import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// The layouts saved on this computer, newest first.
Flickable {
    id: section

    required property VarnoletModel workspace
    readonly property bool comparing: workspace.comparison.active

    contentHeight: column.implicitHeight + 64
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: SlimScrollBar {}

    ColumnLayout {
        id: column
        x: 32
        y: 32
        width: section.width - 64
        spacing: 14

        ComparisonView {
            objectName: "comparisonView"
            visible: section.comparing
            Layout.fillWidth: true
            comparison: section.workspace.comparison
        }
        RowLayout {
            visible: !section.comparing
            Layout.fillWidth: true
            Layout.bottomMargin: 10
            ColumnLayout {
                spacing: 6
                Eyebrow {
                    text: "A WAY BACK"
                }
                RoundedTitle {
                    text: "Your saved layouts."
                }
                StyledText {
                    objectName: "savedLayoutsSubtitle"
                    text: PlatformWords.words.savedLayouts
                    font.pixelSize: 12
                    color: Theme.muted
                }
            }
            Item { Layout.fillWidth: true }
            QuietButton {
                objectName: "showInFinderButton"
                text: PlatformWords.words.showFolder
                onClicked: section.workspace.revealSnapshots()
            }
        }
        SnapshotsEmptyState {
            objectName: "snapshotsEmptyState"
            visible: !section.comparing && section.workspace.snapshots.length === 0
            Layout.fillWidth: true
            workspace: section.workspace
        }
        Repeater {
            objectName: "snapshotList"
            model: section.comparing ? [] : section.workspace.snapshots
            SnapshotRow {
                required property var modelData
                Layout.fillWidth: true
                workspace: section.workspace
                snapshot: modelData
            }
        }
        StyledText {
            visible: !section.comparing
            Layout.fillWidth: true
            Layout.topMargin: 6
            text: "Snapshots restore supported icon layouts, not the whole phone. Restore requires the same iPhone and the same app-icon inventory."
            font.pixelSize: 11
            color: Theme.muted
            wrapMode: Text.WordWrap
        }
    }
}
