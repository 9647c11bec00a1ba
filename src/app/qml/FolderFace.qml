import QtQuick
import Varnolet
import QtQuick.Controls.Basic

// A folder on a page or in the Dock: nine mini-tiles of its first apps; pressing it opens the
// pop-over with every app of every folder page.
AbstractButton {
    id: face

    required property string title
    required property var pages
    // The PreviewItem showing the folder, for hand edits from the pop-over; null for none.
    property Item owner: null
    readonly property var apps: pages.reduce((all, page) => all.concat(page), [])
    property bool marked: false

    implicitWidth: 44
    implicitHeight: 44
    Accessible.name: "Open " + title + " folder" + (marked ? ", moved" : "")
    onClicked: popover.open()
    // A long press opens the entry's menu (EntryEditing); handling it here keeps the release
    // that ends it from also opening the pop-over.
    onPressAndHold: {}

    background: ContinuousRect {
        radius: 11
        color: Qt.rgba(1, 1, 1, 0.16)
    }
    contentItem: Item {
        Grid {
            anchors.centerIn: parent
            columns: 3
            spacing: 3
            Repeater {
                model: face.apps.slice(0, 9)
                Rectangle {
                    required property var modelData
                    width: 9
                    height: 9
                    radius: 2
                    color: Theme.categoryColor(modelData.category)
                }
            }
        }
    }

    ChangeBadge {
        objectName: "folderChangeBadge"
        visible: face.marked
    }

    FolderPopover {
        id: popover
        objectName: "folderPopover"
        title: face.title
        apps: face.apps
        owner: face.owner
    }
}
