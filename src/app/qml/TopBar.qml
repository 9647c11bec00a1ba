import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// The top bar: the section's title, the phone pill and the guide.
Item {
    id: bar

    required property VarnoletModel workspace

    implicitHeight: 64

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        spacing: 0

        StyledText {
            objectName: "topBarTitle"
            text: bar.workspace.section
            font.pixelSize: 13
            font.weight: Font.Medium
            color: Theme.muted
        }
        Item { Layout.fillWidth: true }
        StatusPill {
            objectName: "statusPill"
            workspace: bar.workspace
        }
        PlainIconButton {
            id: help
            objectName: "helpButton"
            Layout.leftMargin: 10
            symbol: "questionmark.circle"
            symbolSize: 17
            Accessible.name: "Open the iPhone testing guide"
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: "Open the iPhone testing guide"
            onClicked: bar.workspace.openGuide()
        }
    }
}
