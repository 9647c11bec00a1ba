import QtQuick
import QtQuick.Layouts
import Varnolet

// The Organize title block, with the sample-data badge in demo mode.
RowLayout {
    id: header

    required property VarnoletModel workspace

    spacing: 18

    ColumnLayout {
        spacing: 6
        Eyebrow {
            text: "EVERY ICON IN ITS PLACE"
        }
        RoundedTitle {
            objectName: "organizeTitle"
            text: header.workspace.hasPendingRestore ? "Bring your layout back." : "A place for every app."
        }
        StyledText {
            objectName: "organizeSubtitle"
            text: header.workspace.hasPendingRestore
                  ? "Review the saved arrangement before restoring it."
                  : "Choose a system. Make it yours. Preview every change."
            font.pixelSize: 12
            color: Theme.muted
        }
    }
    Rectangle {
        objectName: "sampleBadge"
        visible: header.workspace.demo
        Layout.alignment: Qt.AlignVCenter
        implicitWidth: badgeText.implicitWidth + 16
        implicitHeight: badgeText.implicitHeight + 16
        radius: 6
        color: Theme.alpha(Theme.orange, 0.1)
        StyledText {
            id: badgeText
            anchors.centerIn: parent
            text: "SAMPLE DATA"
            font.pixelSize: 9
            font.weight: Font.Bold
            font.letterSpacing: 1
            color: Theme.orange
        }
    }
    Item { Layout.fillWidth: true }
}
