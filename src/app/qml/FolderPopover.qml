import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// A folder's pop-over: its name and every app it holds, all pages in order.
Popup {
    id: popover

    required property string title
    required property var apps
    property Item owner: null
    // Where the arrow meets the folder, and whether the pop-over opened above it because there
    // was no room below; both set when it opens.
    property real arrowX: width / 2
    property bool above: false

    // Kept whole inside the window; below the folder it also clears the folder's label.
    function place() {
        const folder = parent.mapToItem(null, 0, 0, parent.width, parent.height)
        const spot = PopoverPlacement.place(folder, Qt.size(width, implicitHeight),
                                            Qt.size(parent.Window.width, parent.Window.height), 22, 10)
        x = spot.x - folder.x
        y = spot.y - folder.y
        height = spot.height
        arrowX = spot.arrowX
        above = spot.above
    }

    width: 260
    padding: 20
    modal: false
    // Out of sight while one of its apps is dragged onto the page below.
    opacity: owner && owner.editor && owner.editor.dragging ? 0 : 1
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    onAboutToShow: place()

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
            y: popover.above ? parent.height - height / 2 - 1 : -height / 2 + 1
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
            y: popover.above ? parent.height - height - 1 : 1
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
            Layout.fillHeight: true
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
                            Accessible.role: Accessible.Graphic
                            Accessible.name: name + (parent.modelData.marked ? ", moved" : "")
                            ChangeBadge {
                                visible: parent.parent.modelData.marked === true
                            }
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
