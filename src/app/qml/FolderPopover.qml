import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

// A folder's pop-over: its name and every app it holds, all pages in order.
Popup {
    id: popover

    required property string title
    required property var apps
    property Item owner: null
    // Where the arrow meets the folder, once the pop-over has been kept inside the window.
    property real arrowX: width / 2

    width: 260
    padding: 20
    x: (parent.width - width) / 2
    y: parent.height + 22
    modal: false
    // Out of sight while one of its apps is dragged onto the page below.
    opacity: owner && owner.editor && owner.editor.dragging ? 0 : 1
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    onOpened: arrowX = Math.max(20, Math.min(width - 20, parent.mapToItem(background, parent.width / 2, 0).x))

    background: Item {
        SoftShadow {
            radius: 12
            blur: 22
            offsetY: 8
            color: Qt.rgba(0, 0, 0, 0.45)
        }
        Rectangle {
            width: 14
            height: 14
            rotation: 45
            x: popover.arrowX - width / 2
            y: -height / 2 + 1
            color: Theme.popover
            border.color: Qt.rgba(1, 1, 1, 0.1)
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.popover
            border.color: Qt.rgba(1, 1, 1, 0.1)
        }
        Rectangle {
            width: 13
            height: 8
            x: popover.arrowX - width / 2
            y: 1
            color: Theme.popover
        }
    }

    contentItem: ColumnLayout {
        spacing: 15
        StyledText {
            objectName: "folderPopoverTitle"
            Layout.fillWidth: true
            text: popover.title
            font.pixelSize: 13
            font.weight: Font.Bold
            color: "white"
            elide: Text.ElideRight
        }
        Flickable {
            id: scroller
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(grid.implicitHeight, 320)
            contentHeight: grid.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: SlimScrollBar {}

            Grid {
                id: grid
                objectName: "folderPopoverGrid"
                columns: 3
                columnSpacing: (scroller.width - 3 * 70) / 2
                rowSpacing: 16
                Repeater {
                    model: popover.apps
                    Column {
                        required property var modelData
                        required property int index
                        width: 70
                        spacing: 5
                        AppTile {
                            id: cellTile
                            anchors.horizontalCenter: parent.horizontalCenter
                            name: parent.modelData.title
                            category: parent.modelData.category
                            size: 40
                            EntryEditing {
                                owner: popover.owner
                                item: cellTile.parent.modelData
                                folderIndex: cellTile.parent.index
                            }
                        }
                        StyledText {
                            width: parent.width
                            text: parent.modelData.title
                            font.pixelSize: 10
                            color: Qt.rgba(1, 1, 1, 0.9)
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.Wrap
                            maximumLineCount: 2
                            elide: Text.ElideRight
                        }
                    }
                }
            }
        }
    }
}
