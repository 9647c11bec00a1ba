import QtQuick
import QtQuick.Controls.Basic

// A dark pop-up menu whose items show their shortcuts.
Menu {
    // Not "menu": inside the delegate that name is MenuItem.menu, still null while a submenu's
    // entry is being made.
    id: styledMenu

    implicitWidth: 280
    padding: 5
    font.family: Theme.family
    font.pixelSize: 12

    delegate: MenuItem {
        id: item
        implicitHeight: 26
        leftPadding: 12
        rightPadding: 12
        font: styledMenu.font
        opacity: enabled ? 1 : 0.4
        contentItem: Item {
            implicitWidth: label.implicitWidth + keys.implicitWidth + 32
            StyledText {
                id: label
                anchors.verticalCenter: parent.verticalCenter
                text: item.text
                font: item.font
                color: item.highlighted ? "white" : Theme.text
            }
            StyledText {
                id: keys
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: item.action && item.action.keys !== undefined ? item.action.keys : ""
                font: item.font
                color: item.highlighted ? "white" : Theme.muted
            }
        }
        background: Rectangle {
            radius: 5
            color: item.highlighted ? Theme.alpha(Theme.mint, 0.45) : "transparent"
        }
    }
    background: Rectangle {
        implicitWidth: 280
        radius: 8
        color: Theme.popover
        border.color: Qt.rgba(1, 1, 1, 0.1)
    }
}
