import QtQuick
import QtQuick.Layouts
import Varnolet

// One saved layout with the way to preview restoring it.
Card {
    id: row

    required property VarnoletModel workspace
    required property var snapshot

    objectName: "snapshotRow-" + snapshot.id
    padding: 20

    RowLayout {
        anchors.fill: parent
        spacing: 16
        Symbol {
            name: "iphone.gen3"
            weight: "light"
            size: 36
            color: Theme.mint
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3
            StyledText {
                Layout.fillWidth: true
                text: row.snapshot.deviceName
                font.pixelSize: 14
                font.weight: Font.DemiBold
                color: "white"
                elide: Text.ElideRight
            }
            StyledText {
                Layout.fillWidth: true
                text: row.snapshot.reason + " · " + row.snapshot.apps + " icons · " + row.snapshot.pages + " pages"
                font.pixelSize: 11
                color: Theme.muted
                elide: Text.ElideRight
            }
            StyledText {
                Layout.fillWidth: true
                objectName: "snapshotDate"
                text: DisplayFormats.dateTime(row.snapshot.date)
                font.pixelSize: 11
                color: Theme.muted
            }
        }
        QuietButton {
            objectName: "compare-" + row.snapshot.id
            text: "Compare"
            enabled: row.workspace.hasOriginal || row.snapshot.hasOlder
            onClicked: row.workspace.compareSnapshot(row.snapshot.id)
        }
        QuietButton {
            objectName: "previewRestore-" + row.snapshot.id
            text: "Preview restore"
            onClicked: row.workspace.prepareRestore(row.snapshot.id)
        }
    }
}
