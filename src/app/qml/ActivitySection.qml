import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// Everything the window reported, newest first, and the way to the raw responses.
ColumnLayout {
    id: section

    required property VarnoletModel workspace

    spacing: 14

    RowLayout {
        Layout.fillWidth: true
        ColumnLayout {
            spacing: 6
            Eyebrow {
                text: "WHAT HAPPENED"
            }
            RoundedTitle {
                text: "Activity & diagnostics"
            }
        }
        Item { Layout.fillWidth: true }
        QuietButton {
            objectName: "openDiagnosticsButton"
            text: "Open diagnostics"
            onClicked: section.workspace.revealDiagnostics()
        }
    }
    StyledText {
        Layout.fillWidth: true
        objectName: "rawResponsesNote"
        text: PlatformWords.words.rawResponses
        font.pixelSize: 12
        color: Theme.muted
        wrapMode: Text.WordWrap
    }
    ListView {
        id: list
        objectName: "activityList"
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.topMargin: 6
        clip: true
        spacing: 16
        boundsBehavior: Flickable.StopAtBounds
        model: section.workspace.activity
        ScrollBar.vertical: SlimScrollBar {}
        delegate: ActivityRow {
            required property var modelData
            width: ListView.view.width
            entry: modelData
        }
    }
}
