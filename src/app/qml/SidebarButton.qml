import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// One section of the sidebar.
AbstractButton {
    id: button

    required property string title
    required property string symbol
    required property bool current

    objectName: "sidebar-" + title
    Layout.fillWidth: true
    leftPadding: 13
    rightPadding: 13
    topPadding: 12
    bottomPadding: 12
    Accessible.name: title

    contentItem: RowLayout {
        spacing: 8
        Item {
            Layout.preferredWidth: 18
            Layout.preferredHeight: 16
            Symbol {
                anchors.centerIn: parent
                name: button.symbol
                size: 16
                color: button.current ? Theme.mint : Theme.muted
            }
        }
        StyledText {
            Layout.fillWidth: true
            text: button.title
            font.pixelSize: 13
            font.weight: button.current ? Font.DemiBold : Font.Normal
            color: button.current ? Theme.mint : (button.hovered ? Theme.text : Theme.muted)
        }
    }
    background: Rectangle {
        radius: 9
        color: button.current ? Theme.alpha(Theme.mint, 0.09)
                              : button.hovered ? Qt.rgba(1, 1, 1, 0.03) : "transparent"
    }
}
